#include "channel/MessageFrame.h"

#include <cstring>

namespace frame {
namespace {

void WriteUint32(unsigned char* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

void WriteHeader(unsigned char* out, std::int32_t messageSize, std::int32_t version, std::uint32_t validationCode) {
    WriteUint32(out, static_cast<std::uint32_t>(version));
    WriteUint32(out + 4, validationCode);
    WriteUint32(out + 8, static_cast<std::uint32_t>(messageSize));
}

std::vector<unsigned char> EncodeFrame(const void* payload, int length) {
    std::vector<unsigned char> out(static_cast<size_t>(kHeaderSize + length));
    WriteHeader(out.data(), length);
    if (length > 0) std::memcpy(out.data() + kHeaderSize, payload, static_cast<size_t>(length));
    return out;
}

std::vector<unsigned char> EncodeTextFrame(const std::string& text) {
    return EncodeFrame(text.c_str(), static_cast<int>(text.size()) + 1);
}

std::uint32_t ReadUint32(const unsigned char* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

std::int32_t ReadInt32(const unsigned char* in) { return static_cast<std::int32_t>(ReadUint32(in)); }

FrameStart CheckFrameStart(std::int32_t version, std::uint32_t validationCode) {
    if (version < kVersion) return FrameStart::VersionTooLow;
    if (version > kVersion) return FrameStart::VersionUnsupported;
    if (validationCode != kValidationCode) return FrameStart::BadValidationCode;
    return FrameStart::Ok;
}

std::string PayloadText(const unsigned char* payload, int size) {
    if (payload == nullptr || size <= 0) return std::string();
    const void* nul = std::memchr(payload, 0, static_cast<size_t>(size));
    const size_t length = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - payload)
                              : static_cast<size_t>(size);
    return std::string(reinterpret_cast<const char*>(payload), length);
}

}  // namespace frame
