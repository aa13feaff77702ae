#include "streams/RecordSource.h"

#include <algorithm>

namespace recordsource {
namespace {

std::uint32_t ReadLittleEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

std::int32_t ReadSpikeChannelNumber(const unsigned char* record) {
    return static_cast<std::int32_t>(ReadLittleEndian32(record + 8));
}

std::int32_t ReadChannelNumber(const unsigned char* record) {
    return static_cast<std::int32_t>(ReadLittleEndian32(record + 8));
}

std::uint16_t ReadVideoTrackerId(const unsigned char* record) {
    return static_cast<std::uint16_t>(record[2] | record[3] << 8);
}

std::vector<std::string> SelectSourceNames(const std::vector<std::string>& objectNames,
                                           const std::vector<std::string>& dataTypes,
                                           std::initializer_list<const char*> kindTypes) {
    std::vector<std::string> names;
    const std::size_t pairs = std::min(objectNames.size(), dataTypes.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        const bool ofThisKind = std::any_of(kindTypes.begin(), kindTypes.end(),
                                            [&](const char* type) { return dataTypes[i] == type; });
        if (ofThisKind) names.push_back(objectNames[i]);
    }
    return names;
}

}  // namespace recordsource
