#pragma once
// The records quorvex-sim streams: the six kinds with their data type names,
// record sizes and source fields, and the layout of a record's bytes. The
// client reads only the source field; the sequence number and the object's
// index let a receiver check that nothing was lost, doubled or reordered,
// and the filler that every record arrived whole.
//
//   bytes 8..11   source field of SE, ST, TT and CSC: the object's index,
//                 signed 32-bit
//   bytes 2..3    source field of VT: the object's index, unsigned 16-bit
//   bytes 12..15  sequence number of the object's records on this stream,
//                 from 0, unsigned 32-bit
//   bytes 16..19  the object's index, unsigned 32-bit (also for EV)
//   bytes 20..27  the simulator's clock in microseconds, signed 64-bit
//   every other byte i: (sequence + i) mod 256
// All little-endian. The index is the object's place among the names the
// client keeps for that kind: SE, ST and TT objects are counted together.
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct StreamKindInfo {
    const char* code;      // "SE"
    const char* dataType;  // "SEScAcqEnt"
    int recordSize;
    int sourceOffset;  // -1: no source field
    int sourceWidth;   // 4 signed or 2 unsigned
    bool spike;        // counts through all spike objects
};

extern const StreamKindInfo kStreamKinds[6];

// The kind whose data type name is exactly dataType, or null.
const StreamKindInfo* FindStreamKind(const std::string& dataType);

inline constexpr int kSequenceOffset = 12;
inline constexpr int kObjectIndexOffset = 16;
inline constexpr int kClockOffset = 20;

// The object's index for its kind's records, computed as the client does, or
// -1 when no object of that name and type is in the lists.
int SourceIndexOf(const std::vector<std::string>& names, const std::vector<std::string>& types,
                  const std::string& name, const std::string& dataType);

void FillRecord(const StreamKindInfo& kind, unsigned char* record, std::uint32_t objectIndex,
                std::uint32_t sequence, std::int64_t clockMicroseconds);

// For receivers: true when record holds exactly what FillRecord writes for
// its own object index and sequence (the clock aside); both come back out.
bool CheckRecord(const StreamKindInfo& kind, const unsigned char* record, std::uint32_t& objectIndex,
                 std::uint32_t& sequence);

}  // namespace sim
