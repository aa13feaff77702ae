#include "tools/quorvex-sim/StreamRecords.h"

#include <algorithm>
#include <cstring>

namespace sim {

const StreamKindInfo kStreamKinds[6] = {
    {"SE", "SEScAcqEnt", 112, 8, 4, true},   {"ST", "STScAcqEnt", 176, 8, 4, true},
    {"TT", "TTScAcqEnt", 304, 8, 4, true},   {"CSC", "CscAcqEnt", 1044, 8, 4, false},
    {"EV", "EventAcqEnt", 184, -1, 0, false}, {"VT", "VTAcqEnt", 1828, 2, 2, false},
};

namespace {

void Put(unsigned char* p, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint64_t Get(const unsigned char* p, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    return value;
}

// True for a byte that belongs to one of the record's fields.
bool InField(const StreamKindInfo& kind, int i) {
    if (kind.sourceOffset >= 0 && i >= kind.sourceOffset && i < kind.sourceOffset + kind.sourceWidth) return true;
    return i >= kSequenceOffset && i < kClockOffset + 8;
}

bool SameKind(const StreamKindInfo& kind, const std::string& type) {
    if (!kind.spike) return type == kind.dataType;
    const StreamKindInfo* other = FindStreamKind(type);
    return other != nullptr && other->spike;
}

}  // namespace

const StreamKindInfo* FindStreamKind(const std::string& dataType) {
    for (const StreamKindInfo& kind : kStreamKinds) {
        if (dataType == kind.dataType) return &kind;
    }
    return nullptr;
}

int SourceIndexOf(const std::vector<std::string>& names, const std::vector<std::string>& types,
                  const std::string& name, const std::string& dataType) {
    const StreamKindInfo* kind = FindStreamKind(dataType);
    if (kind == nullptr) return -1;
    int index = 0;
    const std::size_t pairs = std::min(names.size(), types.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        if (!SameKind(*kind, types[i])) continue;
        if (names[i] == name && types[i] == dataType) return index;
        ++index;
    }
    return -1;
}

void FillRecord(const StreamKindInfo& kind, unsigned char* record, std::uint32_t objectIndex,
                std::uint32_t sequence, std::int64_t clockMicroseconds) {
    for (int i = 0; i < kind.recordSize; ++i) record[i] = static_cast<unsigned char>(sequence + i);
    if (kind.sourceOffset >= 0) Put(record + kind.sourceOffset, objectIndex, kind.sourceWidth);
    Put(record + kSequenceOffset, sequence, 4);
    Put(record + kObjectIndexOffset, objectIndex, 4);
    Put(record + kClockOffset, static_cast<std::uint64_t>(clockMicroseconds), 8);
}

bool CheckRecord(const StreamKindInfo& kind, const unsigned char* record, std::uint32_t& objectIndex,
                 std::uint32_t& sequence) {
    sequence = static_cast<std::uint32_t>(Get(record + kSequenceOffset, 4));
    objectIndex = static_cast<std::uint32_t>(Get(record + kObjectIndexOffset, 4));
    if (kind.sourceOffset >= 0 && Get(record + kind.sourceOffset, kind.sourceWidth) !=
                                      (objectIndex & (kind.sourceWidth == 2 ? 0xFFFFu : 0xFFFFFFFFu))) {
        return false;
    }
    for (int i = 0; i < kind.recordSize; ++i) {
        if (!InField(kind, i) && record[i] != static_cast<unsigned char>(sequence + i)) return false;
    }
    return true;
}

}  // namespace sim
