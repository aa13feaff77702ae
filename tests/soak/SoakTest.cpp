// All six streams at the rates of a large rig for half a minute, through the
// real client against quorvex-sim: nothing lost, doubled, reordered, sent to
// the wrong name or damaged, and every object heard from. Memory and CPU are
// printed for the reader; the long run with its figures is
// bench_stream_soak.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/soak/StreamSoak.h"

TEST(StreamSoakTest, EveryRecordOfEveryObjectArrivesOnceInOrderAtLargeRigRates) {
    const soak::Result r = soak::Run(soak::LargeRig(), 2.0, 25.0, 5.0);
    ASSERT_TRUE(r.setUp) << r.failure;
    for (const soak::KindResult& k : r.kinds) {
        SCOPED_TRACE(k.code);
        EXPECT_EQ(k.objectsHeard, k.objects);
        EXPECT_GT(k.records, 0u);
        EXPECT_EQ(k.lost, 0u);
        EXPECT_EQ(k.outOfOrder, 0u);
        EXPECT_EQ(k.wrongSource, 0u);
        EXPECT_EQ(k.corrupt, 0u);
        std::printf("%-4s %4d objects, %9llu records\n", k.code.c_str(), k.objects,
                    static_cast<unsigned long long>(k.records));
    }
    EXPECT_TRUE(r.logErrors.empty()) << r.logErrors.front();
    const soak::Sample& first = r.samples.front();
    const soak::Sample& last = r.samples.back();
    std::printf("resident %ld KiB after the warm-up, %ld KiB at the end; %.2f us CPU a record\n", first.residentKiB,
                last.residentKiB,
                1e6 * (last.cpuSeconds - first.cpuSeconds) / static_cast<double>(last.records - first.records));
}
