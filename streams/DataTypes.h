#pragma once
// The server's data type names of the six stream kinds, compared exactly
// (upper and lower case distinct; "CscAcqEnt" and "EventAcqEnt" are spelled
// unlike the other four).
namespace streamtypes {

inline constexpr const char* kSingleElectrode = "SEScAcqEnt";
inline constexpr const char* kStereotrode = "STScAcqEnt";
inline constexpr const char* kTetrode = "TTScAcqEnt";
inline constexpr const char* kContinuousChannel = "CscAcqEnt";
inline constexpr const char* kEvent = "EventAcqEnt";
inline constexpr const char* kVideoTracker = "VTAcqEnt";

}  // namespace streamtypes
