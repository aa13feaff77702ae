#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "streams/RecordSource.h"

using namespace recordsource;

namespace {

std::vector<unsigned char> Bytes(std::size_t size, std::size_t at, std::vector<unsigned char> field) {
    std::vector<unsigned char> record(size, 0xEE);
    for (std::size_t i = 0; i < field.size(); ++i) record[at + i] = field[i];
    return record;
}

TEST(RecordSourceTest, SourceFieldsAreReadLittleEndianFromTheirBytes) {
    struct Case {
        std::vector<unsigned char> field;
        std::int32_t expected;
    };
    const Case cases[] = {
        {{0x02, 0x00, 0x00, 0x00}, 2},
        {{0x01, 0x02, 0x03, 0x04}, 0x04030201},
        {{0xFF, 0xFF, 0xFF, 0xFF}, -1},
        {{0x00, 0x00, 0x00, 0x80}, INT32_MIN},
        {{0xFF, 0xFF, 0xFF, 0x7F}, INT32_MAX},
    };
    for (const Case& c : cases) {
        const auto record = Bytes(1044, 8, c.field);
        EXPECT_EQ(ReadSpikeChannelNumber(record.data()), c.expected);
        EXPECT_EQ(ReadChannelNumber(record.data()), c.expected);
    }

    EXPECT_EQ(ReadVideoTrackerId(Bytes(1828, 2, {0x03, 0x00}).data()), 3);
    EXPECT_EQ(ReadVideoTrackerId(Bytes(1828, 2, {0x34, 0x12}).data()), 0x1234);
    EXPECT_EQ(ReadVideoTrackerId(Bytes(1828, 2, {0xFF, 0xFF}).data()), 65535);  // unsigned, never negative
}

TEST(RecordSourceTest, OnlyBytesOfTheFieldCount) {
    std::vector<unsigned char> record(304, 0xFF);
    for (int i = 8; i < 12; ++i) record[i] = 0;
    EXPECT_EQ(ReadSpikeChannelNumber(record.data()), 0);
    record.assign(1828, 0xFF);
    record[2] = record[3] = 0;
    EXPECT_EQ(ReadVideoTrackerId(record.data()), 0);
}

TEST(RecordSourceTest, IndexIsValidFromZeroToOneBelowTheCount) {
    EXPECT_FALSE(IsValidIndex(0, 0));
    EXPECT_TRUE(IsValidIndex(0, 1));
    EXPECT_TRUE(IsValidIndex(2, 3));
    EXPECT_FALSE(IsValidIndex(3, 3));
    EXPECT_FALSE(IsValidIndex(-1, 3));
    EXPECT_FALSE(IsValidIndex(INT32_MIN, 3));
}

TEST(RecordSourceTest, KindsPickTheirObjectsInTheServersOrder) {
    const std::vector<std::string> names{"Sc1", "TT1", "CSC1", "TT2", "Events", "VT1"};
    const std::vector<std::string> types{"SEScAcqEnt", "TTScAcqEnt", "CscAcqEnt", "TTScAcqEnt", "EventAcqEnt",
                                         "VTAcqEnt"};
    const auto spikes = SelectSourceNames(names, types, {"SEScAcqEnt", "STScAcqEnt", "TTScAcqEnt"});
    EXPECT_EQ(spikes, (std::vector<std::string>{"Sc1", "TT1", "TT2"}));
    EXPECT_EQ(SelectSourceNames(names, types, {"CscAcqEnt"}), (std::vector<std::string>{"CSC1"}));
    EXPECT_EQ(SelectSourceNames(names, types, {"EventAcqEnt"}), (std::vector<std::string>{"Events"}));
    EXPECT_EQ(SelectSourceNames(names, types, {"VTAcqEnt"}), (std::vector<std::string>{"VT1"}));
}

TEST(RecordSourceTest, TypesMatchExactlyAndOnlyCompletePairsCount) {
    EXPECT_TRUE(SelectSourceNames({"CSC1"}, {"cscacqent"}, {"CscAcqEnt"}).empty());
    // Three names, two types: the third name takes no part, nor does a type
    // beyond the names.
    EXPECT_EQ(SelectSourceNames({"A", "B", "C"}, {"CscAcqEnt", "CscAcqEnt"}, {"CscAcqEnt"}),
              (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(SelectSourceNames({"A"}, {"CscAcqEnt", "CscAcqEnt"}, {"CscAcqEnt"}), (std::vector<std::string>{"A"}));
}

}  // namespace
