// The server's named requests through KovaneClient: each one's command text,
// and what it makes of the replies quorvex-sim is told to give.
#include <gtest/gtest.h>

#include <kovane/KovaneClient.h>

#include <cstdio>

#include "tests/support/LogLines.h"
#include "tests/support/SimServer.h"

using testsupport::SimServer;

namespace {

std::string Hex(int first, int count) {
    std::string hex;
    char pair[3];
    for (int i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", (first + i) & 0xFF);
        hex += pair;
    }
    return hex;
}

class KovaneRequestsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mSim.Started());
        ASSERT_TRUE(mClient.Connect("localhost", false));
        testsupport::ReceivedCommand command;
        // Past the connection's own exchanges, up to its announced name.
        while (mSim.NextCommand(command) && !command.text.starts_with("-SetComputerName ")) {
        }
    }
    std::string Last() {
        testsupport::ReceivedCommand command;
        return mSim.NextCommand(command) ? command.text : "(nothing came)";
    }

    SimServer mSim{{
        "--reply", "-RequestRingBufferSize A=0 512 4",
        "--reply", "-RequestRingBufferSize B=-1 7 9",
        "--reply", "-RequestRingBufferSize C=0 5 x",
        "--reply", "-RequestSamplingFrequency A=2 100",
        "--reply", "-RequestSamplingFrequency B=none",
        "--reply", "-RequestADRange A=-5 -2048 2047",
        "--reply", "-RequestFeature Words 3=0 two words",
        "--reply", "-RequestFeature Blank 3=0 ",
        "--reply", "-RequestFeature Bare 3=0",
        "--reply", "-RequestFeature Refused 3=-2 no",
        "--reply-hex", "-RequestRingBuffer Long=" + Hex(0x10, 40),
        "--reply-hex", "-RequestRingBuffer Short=" + Hex(0x41, 10),
    }};
    KovaneClient mClient{mSim.QueryPort(), mSim.CommandPort()};
};

}  // namespace

TEST_F(KovaneRequestsTest, IntegerRepliesStoreTheirValuesBeforeTheStatusIsJudged) {
    int first = 11, second = 22;
    EXPECT_TRUE(mClient.RequestRingBufferSize("A", first, second));
    EXPECT_EQ(first, 512);
    EXPECT_EQ(second, 4);
    EXPECT_EQ(Last(), "-RequestRingBufferSize A");

    EXPECT_FALSE(mClient.RequestRingBufferSize("B", first, second));
    EXPECT_EQ(first, 7);
    EXPECT_EQ(second, 9);

    EXPECT_TRUE(mClient.RequestRingBufferSize("C", first, second));
    EXPECT_EQ(first, 5);
    EXPECT_EQ(second, 0);

    int frequency = 11;
    EXPECT_TRUE(mClient.RequestSamplingFrequency("A", frequency));
    EXPECT_EQ(frequency, 100);
    EXPECT_TRUE(mClient.RequestSamplingFrequency("B", frequency));  // no number at all: status 0
    EXPECT_EQ(frequency, 0);
    EXPECT_TRUE(mClient.RequestSamplingFrequency("Acq Ch1", frequency));  // the simulator's own "0 32000"
    EXPECT_EQ(frequency, 32000);

    EXPECT_FALSE(mClient.RequestADRange("A", first, second));
    EXPECT_EQ(first, -2048);
    EXPECT_EQ(second, 2047);
    EXPECT_EQ(mSim.NextCommands(5),
              (std::vector<std::string>{"-RequestRingBufferSize B", "-RequestRingBufferSize C",
                                        "-RequestSamplingFrequency A", "-RequestSamplingFrequency B",
                                        "-RequestSamplingFrequency Acq Ch1"}));
    EXPECT_EQ(Last(), "-RequestADRange A");
}

TEST_F(KovaneRequestsTest, FeatureIsTheTextAfterTheStatusAndItsBlank) {
    struct Case {
        const char* name;
        bool ok;
        const char* result;
    };
    for (const Case& c : {Case{"Words", true, "two words"}, Case{"Blank", true, ""}, Case{"Bare", false, "kept"},
                          Case{"Refused", false, "kept"}}) {
        SCOPED_TRACE(c.name);
        std::string result = "kept";
        EXPECT_EQ(mClient.RequestFeature(c.name, 3, result), c.ok);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(Last(), std::string("-RequestFeature ") + c.name + " 3");
    }
}

TEST_F(KovaneRequestsTest, RingBufferIsCutToTheCallersBufferAndZeroFilledBehind) {
    unsigned char buffer[16];
    int copied = -1;
    ASSERT_TRUE(mClient.RequestRingBuffer("Long", buffer, sizeof buffer, copied));
    EXPECT_EQ(copied, 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(buffer[i], 0x10 + i) << i;

    ASSERT_TRUE(mClient.RequestRingBuffer("Short", buffer, sizeof buffer, copied));
    EXPECT_EQ(copied, 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(buffer[i], 0x41 + i) << i;
    for (int i = 10; i < 16; ++i) EXPECT_EQ(buffer[i], 0) << i;

    // No room at all takes nothing, and the exchange still keeps in step.
    EXPECT_TRUE(mClient.RequestRingBuffer("Long", nullptr, 16, copied));
    EXPECT_EQ(copied, 0);
    EXPECT_EQ(mSim.NextCommands(3), (std::vector<std::string>{"-RequestRingBuffer Long", "-RequestRingBuffer Short",
                                                               "-RequestRingBuffer Long"}));

    // The raw form of the caller's own command: the bytes exactly as sent.
    unsigned char* reply = nullptr;
    int size = -1;
    ASSERT_TRUE(mClient.SendCommandToServer("-RequestRingBuffer Short", reply, size));
    ASSERT_EQ(size, 10);
    EXPECT_EQ(reply[9], 0x4A);
    // An earlier block is released by the next reply (the sanitizer build sees a leak otherwise).
    ASSERT_TRUE(mClient.SendCommandToServer("-GetTimestamp", reply, size));
    EXPECT_EQ(reply[size - 1], 0);  // a text reply carries its NUL
    KovaneClient::ReleaseReplyBuffer(reply);
    EXPECT_EQ(reply, nullptr);
}

TEST_F(KovaneRequestsTest, AnnouncementsAndTheirCommandTexts) {
    EXPECT_TRUE(mClient.SetApplicationName("Online Sorter 2"));
    EXPECT_TRUE(mClient.LogMessage("started run 4", -7));
    EXPECT_EQ(mSim.NextCommands(2),
              (std::vector<std::string>{"-SetApplicationName Online Sorter 2", "-LogMessage started run 4 -7"}));
}

TEST_F(KovaneRequestsTest, TheConnectionsTextsFollowItsState) {
    EXPECT_EQ(mClient.GetServerName(), "localhost");
    EXPECT_EQ(mClient.GetServerIPAddress(), "127.0.0.1");
    EXPECT_EQ(mClient.GetServerApplicationName(), "Quorvex Simulator");
    ASSERT_TRUE(mClient.Disconnect());
    EXPECT_EQ(mClient.GetServerName(), "Not Connected");
    EXPECT_EQ(mClient.GetServerIPAddress(), "Not Connected");
    EXPECT_EQ(mClient.GetServerApplicationName(), "Quorvex Simulator");

    KovaneClient fresh(1, 1);
    EXPECT_EQ(fresh.GetServerName(), "Not Connected");
    EXPECT_EQ(fresh.GetServerIPAddress(), "Not Connected");
    EXPECT_EQ(fresh.GetServerApplicationName(), "Not Connected");
}

// Without a connection every request fails at once, its out-parameters at
// their entry values; the buffer of the ring-buffer request zero-filled.
TEST(KovaneRequestsOfflineTest, EveryRequestFailsWithItsEntryValues) {
    KovaneClient client(1, 1);
    int first = 11, second = 22, copied = 33;
    EXPECT_FALSE(client.RequestRingBufferSize("A", first, second));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 0);
    first = second = 11;
    EXPECT_FALSE(client.RequestADRange("A", first, second));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 0);
    EXPECT_FALSE(client.RequestSamplingFrequency("A", first));
    EXPECT_EQ(first, 0);
    unsigned char buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(client.RequestRingBuffer("A", buffer, sizeof buffer, copied));
    EXPECT_EQ(copied, 0);
    for (unsigned char b : buffer) EXPECT_EQ(b, 0);
    std::string result = "kept";
    EXPECT_FALSE(client.RequestFeature("A", 1, result));
    EXPECT_EQ(result, "kept");
    EXPECT_FALSE(client.SetApplicationName("A"));
    EXPECT_FALSE(client.LogMessage("A", 1));
    unsigned char* reply = nullptr;
    int size = 44;
    EXPECT_FALSE(client.SendCommandToServer("-GetTimestamp", reply, size));
    EXPECT_EQ(reply, nullptr);
    EXPECT_EQ(size, 44);
}

TEST(KovaneRequestsOfflineTest, ALogInAMissingFolderIsNotOpenedAndDropsItsEntries) {
    const std::string path = testsupport::TempLogPath("no-such-folder") + "/missing/client.log";
    KovaneClient client(1, 1);
    EXPECT_FALSE(client.OpenLogFile(path));
    EXPECT_FALSE(client.Connect("localhost", true));  // writes its lines, to nowhere
    EXPECT_TRUE(testsupport::ReadLogEntries(path).empty());

    const std::string good = testsupport::TempLogPath("client-log");
    EXPECT_TRUE(client.OpenLogFile(good));
    EXPECT_FALSE(client.Disconnect());
    EXPECT_EQ(testsupport::ReadLogEntries(good),
              (std::vector<std::string>{
                  "NOTICE NetworkNodeClient::ShutdownClient() - Attempting to Shutdown Message Client",
                  "WARNING NetworkNodeClient::ShutdownClient() - Unable to Close Message Client, Client has not yet "
                  "been initialized"}));
}
