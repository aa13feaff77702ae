#pragma once
// The frame of every message on the command connection, in both directions:
// version (1), validation code (0xA5A5A5A5) and message size, each 32 bits
// least significant byte first, then the payload. A text travels with its NUL.
// Pure functions over bytes, so the frame is checked without any socket.
#include <cstdint>
#include <string>
#include <vector>

namespace frame {

inline constexpr int kHeaderSize = 12;
inline constexpr int kFrameStartSize = 8;  // version and validation code
inline constexpr int kSizeFieldSize = 4;
inline constexpr std::int32_t kVersion = 1;
inline constexpr std::uint32_t kValidationCode = 0xA5A5A5A5u;

// Writes the 12 header bytes for a payload of messageSize bytes.
void WriteHeader(unsigned char* out, std::int32_t messageSize, std::int32_t version = kVersion,
                 std::uint32_t validationCode = kValidationCode);

// A whole frame: header and payload.
std::vector<unsigned char> EncodeFrame(const void* payload, int length);
// A text's frame: its characters and one NUL.
std::vector<unsigned char> EncodeTextFrame(const std::string& text);

std::int32_t ReadInt32(const unsigned char* in);
std::uint32_t ReadUint32(const unsigned char* in);

// What the receiver makes of the first 8 bytes of a frame. The validation code
// is judged only for version 1.
enum class FrameStart { Ok, VersionTooLow, VersionUnsupported, BadValidationCode };
FrameStart CheckFrameStart(std::int32_t version, std::uint32_t validationCode);

// A received payload read as text: up to its first NUL, or all of it.
std::string PayloadText(const unsigned char* payload, int size);

}  // namespace frame
