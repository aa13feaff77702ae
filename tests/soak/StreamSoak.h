#pragma once
// A soak of all six live data streams at the rates of a large rig, through
// the real NetworkNodeClient against quorvex-sim: every record is checked by
// its object's sequence number (nothing lost, doubled or reordered), its
// source (the name the client chose is the object's), and, one in a
// hundred, byte for byte. Resident memory and process CPU time are sampled
// along the way. The short run is a test; the long one a benchmark.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace soak {

struct KindLoad {
    const char* code;       // "TT"
    const char* dataType;   // "TTScAcqEnt"
    int objects;            // how many objects of this kind the server has
    double recordsPerSecond;  // on the kind's one stream, all its objects together
};

// 128 tetrodes at 50 spikes a second each, 512 CSC channels at 32 kHz in
// 512-sample records, 8 single electrodes and 8 stereotrodes at 50 spikes a
// second each, one event object at 40 events a second, one video tracker at
// 30 Hz.
std::vector<KindLoad> LargeRig();

struct KindResult {
    std::string code;
    int objects = 0;
    int objectsHeard = 0;           // objects that delivered at least one record
    std::uint64_t records = 0;      // delivered to the callback
    std::uint64_t lost = 0;         // sequence numbers skipped
    std::uint64_t outOfOrder = 0;   // doubled or going back
    std::uint64_t wrongSource = 0;  // name or source field not the object's
    std::uint64_t corrupt = 0;      // sampled records whose bytes differ
};

struct Sample {
    double seconds;        // since streaming began
    std::uint64_t records;  // all kinds
    long residentKiB;      // VmRSS of this process
    double cpuSeconds;     // process CPU time, all threads
};

struct Result {
    bool setUp = false;  // connected, six streams set up, every object opened
    std::string failure;  // what went wrong in the set-up
    std::vector<KindResult> kinds;
    std::vector<Sample> samples;  // the first after the warm-up, the last at the end
    std::vector<std::string> logErrors;  // Error lines of the client's log
    double seconds = 0;

    std::uint64_t Records() const;
    std::uint64_t Faults() const;  // lost + out of order + wrong source + corrupt
};

// Streams for warmUp + seconds; samples every sampleEvery seconds (and at
// the start and the end). progress, when given, is told of every sample.
Result Run(const std::vector<KindLoad>& load, double warmUpSeconds, double seconds, double sampleEvery,
           const std::function<void(const Sample&)>& progress = {});

// Resident set of this process in KiB, from /proc; -1 where there is none.
long ResidentKiB();

}  // namespace soak
