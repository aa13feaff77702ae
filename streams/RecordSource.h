#pragma once
// Which acquisition object a record comes from: the source fields of the
// records, read little-endian from the bytes, and the choice of a kind's
// object names from the server's lists. Pure functions, no sockets.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace recordsource {

// Spike records (SE, ST, TT): the spike channel number, bytes 8 to 11, signed.
std::int32_t ReadSpikeChannelNumber(const unsigned char* record);
// CSC records: the channel number, bytes 8 to 11, signed.
std::int32_t ReadChannelNumber(const unsigned char* record);
// Video tracker records: the tracker id, bytes 2 to 3, unsigned.
std::uint16_t ReadVideoTrackerId(const unsigned char* record);

// True when index selects an entry of a list of count names.
inline bool IsValidIndex(std::int64_t index, std::size_t count) {
    return index >= 0 && static_cast<std::uint64_t>(index) < count;
}

// The names of the objects whose data type is one of kindTypes, in the
// server's order. The two lists pair by index; entries beyond the shorter one
// take no part.
std::vector<std::string> SelectSourceNames(const std::vector<std::string>& objectNames,
                                           const std::vector<std::string>& dataTypes,
                                           std::initializer_list<const char*> kindTypes);

}  // namespace recordsource
