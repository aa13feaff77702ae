// The long soak: all six live data streams at the rates of a large rig
// through the real client against quorvex-sim, for ten minutes by default.
// Prints the resident memory and the process CPU time as it goes, then per
// kind the records checked and every fault (lost, doubled or reordered,
// wrong source, damaged), the memory at the start and the end, and the CPU
// time per record delivered. The simulator runs in a process of its own, so
// its CPU is not counted; every record's check in the callback is.
//
//   bench_stream_soak [seconds, default 600] [seconds between samples, default 60]
#include <cstdio>
#include <cstdlib>

#include "tests/soak/StreamSoak.h"

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 600.0;
    const double every = argc > 2 ? std::atof(argv[2]) : 60.0;
    const auto load = soak::LargeRig();
    std::printf("stream soak: %.0f s after a 5 s warm-up, samples every %.0f s\n", seconds, every);
    for (const soak::KindLoad& k : load) {
        std::printf("  %-4s %4d objects, %8.0f records/s on its stream\n", k.code, k.objects, k.recordsPerSecond);
    }
    std::printf("%8s %12s %12s %10s\n", "seconds", "records", "RSS KiB", "CPU s");
    const soak::Result r = soak::Run(load, 5.0, seconds, every, [](const soak::Sample& s) {
        std::printf("%8.1f %12llu %12ld %10.2f\n", s.seconds, static_cast<unsigned long long>(s.records),
                    s.residentKiB, s.cpuSeconds);
        std::fflush(stdout);
    });
    if (!r.setUp) {
        std::printf("set-up failed: %s\n", r.failure.c_str());
        return 1;
    }
    std::printf("%-4s %8s %12s %10s %6s %8s %8s %6s %8s\n", "kind", "objects", "records", "per s", "lost",
                "reorder", "source", "bytes", "heard");
    for (const soak::KindResult& k : r.kinds) {
        std::printf("%-4s %8d %12llu %10.1f %6llu %8llu %8llu %6llu %8d\n", k.code.c_str(), k.objects,
                    static_cast<unsigned long long>(k.records), static_cast<double>(k.records) / (r.seconds + 5.0),
                    static_cast<unsigned long long>(k.lost), static_cast<unsigned long long>(k.outOfOrder),
                    static_cast<unsigned long long>(k.wrongSource), static_cast<unsigned long long>(k.corrupt),
                    k.objectsHeard);
    }
    const soak::Sample& first = r.samples.front();
    const soak::Sample& last = r.samples.back();
    const double records = static_cast<double>(last.records - first.records);
    std::printf("records checked: %llu, faults: %llu, log errors: %zu\n",
                static_cast<unsigned long long>(r.Records()), static_cast<unsigned long long>(r.Faults()),
                r.logErrors.size());
    std::printf("resident set: %ld KiB after the warm-up, %ld KiB at the end (%+ld KiB)\n", first.residentKiB,
                last.residentKiB, last.residentKiB - first.residentKiB);
    std::printf("CPU: %.2f s for %.0f records in %.0f s: %.3f us a record, %.1f%% of one core\n",
                last.cpuSeconds - first.cpuSeconds, records, last.seconds - first.seconds,
                1e6 * (last.cpuSeconds - first.cpuSeconds) / records,
                100.0 * (last.cpuSeconds - first.cpuSeconds) / (last.seconds - first.seconds));
    return r.Faults() == 0 && r.logErrors.empty() ? 0 : 1;
}
