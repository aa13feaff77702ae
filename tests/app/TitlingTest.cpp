// Titling on a line: OrbilaneDlg with its worker, quorvex-sim on free ports
// and virtual-titler on the COM port that run-with-titler.sh mapped. What the
// titler decoded, what the server received and what the window shows are
// compared with each other.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/Sockets.h"
#include "tests/app/TitlingRig.h"
#include "tests/support/MessageBoxes.h"
#include "tests/support/SimServer.h"

using testsupport::Eventually;
using testsupport::kStart;
using testsupport::kStop;
using testsupport::kTimestampField;
using testsupport::SimServer;
using testsupport::TitlerLog;
using testsupport::TitlingRig;

namespace {

const std::string kQuorvexCaption = "Quorvex Connection Error";
const std::string kNotConnected =
    "Could not connect to Quorvex.  Make sure Quorvex is running and that Orbilane is on the same PC as Quorvex";
const std::string kUnsupported =
    "The version of Quorvex you are using does not support the -GetTimestamp command.  You must upgrade to the "
    "current version of Quorvex to use this program.";
const std::string kConnectionLost =
    "Lost the connection to Quorvex.  Titling has been stopped.  Make sure Quorvex is running and press Start to "
    "begin titling again.";
const std::string kReplyUnreadable =
    "Quorvex answered -GetTimestamp with a reply that holds no timestamp.  Titling has been stopped.  Press Start "
    "to begin titling again.";

// A port that nothing listens on: the system handed it out a moment ago.
int ClosedPort() {
    platform::SocketStartup(0x0101);
    platform::Socket s = platform::CreateTcpSocket();
    platform::Bind(s, {127, 0, 0, 1}, 0);
    const int port = platform::LocalPort(s);
    platform::CloseSocket(s);
    return port;
}

std::vector<std::int64_t> Timestamps(const std::vector<std::string>& commands) {
    std::vector<std::int64_t> timestamps;
    for (const std::string& command : commands) {
        if (command.rfind("timestamp ", 0) == 0) {
            timestamps.push_back(std::stoll(command.substr(10)));
        }
    }
    return timestamps;
}

// The titler got its init command and then at least count timestamps.
auto InitThen(std::size_t count) {
    return [count](const std::vector<std::string>& commands) {
        return !commands.empty() && commands[0] == "init" && Timestamps(commands).size() >= count;
    };
}

// How many "-GetTimestamp" requests the server received until it went quiet.
int TimestampRequests(SimServer& sim) {
    int requests = 0;
    testsupport::ReceivedCommand command;
    while (sim.NextCommand(command, 1000)) {
        if (command.text == "-GetTimestamp") ++requests;
    }
    return requests;
}

class TitlingTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!TitlerLog::Available()) {
            GTEST_SKIP() << "needs a port on virtual-titler: run through run-with-titler.sh";
        }
        testsupport::ClearRecordedBoxes();
    }
};

void ExpectBox(const platform::MessageBoxRequest& box, const std::string& text, const std::string& caption,
               void* owner) {
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.owner, owner);
    EXPECT_EQ(box.icon, 16u);
}

}  // namespace

TEST_F(TitlingTest, StartSendsInitThenEveryTimestampOnceAndTheWindowShowsTheLast) {
    SimServer sim;
    ASSERT_TRUE(sim.Started());
    TitlingRig rig(sim.QueryPort(), sim.CommandPort());
    TitlerLog titler;

    rig.mDlg.OnStart();
    rig.ExpectTitling();
    ASSERT_TRUE(titler.WaitFor(InitThen(4))) << ::testing::PrintToString(titler.Commands());
    rig.mDlg.OnStop();
    rig.ExpectIdle();
    EXPECT_TRUE(testsupport::RecordedBoxes().empty());

    // The last cycle's timestamp is decoded once the line has been quiet.
    const std::int64_t last = rig.mDlg.mTimestamp;
    ASSERT_TRUE(titler.WaitFor([&](const std::vector<std::string>& c) {
        return c.back() == "timestamp " + std::to_string(last);
    }));
    const std::vector<std::string> commands = titler.Commands();
    const std::vector<std::int64_t> timestamps = Timestamps(commands);
    EXPECT_EQ(commands[0], "init");
    EXPECT_EQ(timestamps.size() + 1, commands.size()) << "nothing but timestamps after the init";
    for (std::size_t i = 1; i < timestamps.size(); ++i) {
        EXPECT_LT(timestamps[i - 1], timestamps[i]) << "each timestamp is a new reading of the server's clock";
    }
    // One request, one write and one refresh per cycle.
    EXPECT_EQ(TimestampRequests(sim), static_cast<int>(timestamps.size()));
    EXPECT_EQ(rig.mWindow.Posted(),
              std::vector<FakeDialogWindow::PostedMessage>(timestamps.size(), FakeDialogWindow::PostedMessage{1024, 0, 0}));
    EXPECT_EQ(rig.Shown(), std::to_string(last));
}

struct ReplyCase {
    std::vector<std::string> simOptions;
    const std::string* box;                  // none: titling goes on
    std::optional<std::int64_t> atTitler;    // the timestamp the titler receives
    std::int64_t timestampAfter;             // mTimestamp once the reply is read
    std::string shown;                       // the timestamp field after the refreshes posted
};

TEST_F(TitlingTest, RepliesToGetTimestamp) {
    // The timestamp field holds 44 when Start is pressed, so mTimestamp starts there.
    const ReplyCase cases[] = {
        {{"--reply", "-GetTimestamp=0 987"}, nullptr, 987, 987, "987"},
        {{"--reply", "-GetTimestamp= 0\t-42 and more"}, nullptr, -42, -42, "18446744073709551574"},
        // Status alone, or no status at all: nothing may go to the titler,
        // least of all the previous timestamp again.
        {{"--reply", "-GetTimestamp=0"}, &kReplyUnreadable, std::nullopt, 44, "44"},
        {{"--reply", "-GetTimestamp="}, &kReplyUnreadable, std::nullopt, 44, "44"},
        {{"--reply", "-GetTimestamp=Timestamp 5"}, &kReplyUnreadable, std::nullopt, 44, "44"},
        // A refused command: mTimestamp takes the reply's value, but no
        // refresh shows it.
        {{"--reply", "-GetTimestamp=-1 5"}, &kUnsupported, std::nullopt, 5, "44"},
        {{"--reply", "-GetTimestamp=-1"}, &kUnsupported, std::nullopt, 44, "44"},
        {{"--fault", "timestamp-status=3"}, &kUnsupported, std::nullopt, 0, "44"},
        // The server closes the connection instead of answering.
        {{"--fault", "close-at=1@-GetTimestamp"}, &kConnectionLost, std::nullopt, 44, "44"},
    };
    for (const ReplyCase& c : cases) {
        const std::string label = ::testing::PrintToString(c.simOptions);
        testsupport::ClearRecordedBoxes();
        SimServer sim(c.simOptions);
        ASSERT_TRUE(sim.Started()) << label;
        TitlingRig rig(sim.QueryPort(), sim.CommandPort());
        rig.mWindow.mTexts[kTimestampField] = "44";
        TitlerLog titler;

        rig.mDlg.OnStart();
        if (c.box == nullptr) {
            ASSERT_TRUE(titler.WaitFor(InitThen(2))) << label;
            rig.mDlg.OnStop();
            EXPECT_EQ(Timestamps(titler.Commands()), std::vector<std::int64_t>(Timestamps(titler.Commands()).size(),
                                                                                *c.atTitler))
                << label;
            EXPECT_TRUE(testsupport::RecordedBoxes().empty()) << label;
        } else {
            // The stop on the worker's thread gives Start back last.
            ASSERT_TRUE(Eventually([&] { return rig.StoppedOnTheWorker(); })) << label;
            const auto boxes = testsupport::RecordedBoxes();
            ASSERT_EQ(boxes.size(), 1u) << label;
            ExpectBox(boxes[0], *c.box, kQuorvexCaption, rig.mWindow.NativeHandle());
            EXPECT_EQ(titler.Commands(), std::vector<std::string>{"init"}) << label;
            EXPECT_TRUE(rig.mWindow.Posted().empty()) << label;
            EXPECT_EQ(rig.mWindow.mTexts[kTimestampField], c.shown) << label;
        }
        rig.ExpectIdle();
        EXPECT_EQ(rig.mDlg.mTimestamp, c.timestampAfter) << label;
        EXPECT_EQ(rig.Shown(), c.box == nullptr ? c.shown : std::to_string(static_cast<std::uint64_t>(c.timestampAfter)))
            << label;
    }
}

struct StartFailureCase {
    std::string portField;
    bool serverRunning;
    std::string text;
    std::string caption;
    bool ownedByWindow;
    bool titlerGetsInit;  // the port was opened and the titler initialised before the failure
};

TEST_F(TitlingTest, StartFailuresShowTheirBoxAndLeaveTitlingIdle) {
    const std::string port = std::to_string(TitlerLog::PortNumber());
    const StartFailureCase cases[] = {
        {port, false, kNotConnected, kQuorvexCaption, true, true},
        {"0", true, "Coult not initialize COM0. ERROR: 2", "COM Initialization Error", false, false},
        {"123456", true, "Coult not initialize COM123456. ERROR: 2", "COM Initialization Error", false, false},
        // Names longer than nine characters are refused whole, never cut
        // into another port's name.
        {"1234567", true, "COM1234567 is not a serial port number Orbilane can use.", "COM Initialization Error", true,
         false},
        {"-123456", true, "COM-123456 is not a serial port number Orbilane can use.", "COM Initialization Error", true,
         false},
    };
    for (const StartFailureCase& c : cases) {
        const std::string label = "port field " + c.portField;
        std::optional<SimServer> sim;
        int queryPort = ClosedPort();
        int commandPort = ClosedPort();
        if (c.serverRunning) {
            sim.emplace();
            ASSERT_TRUE(sim->Started());
            queryPort = sim->QueryPort();
            commandPort = sim->CommandPort();
        }
        TitlingRig rig(queryPort, commandPort);
        rig.SetPortField(c.portField);
        TitlerLog titler;
        // Whether the port was open while the box showed: the box comes first.
        std::vector<bool> portOpenAtBox;
        std::vector<platform::MessageBoxRequest> shown;
        const auto previous = platform::SetMessageBoxHandler([&](const platform::MessageBoxRequest& box) {
            portOpenAtBox.push_back(rig.PortOpen());
            shown.push_back(box);
            return platform::kIdOk;
        });
        // Twice: a failed Start leaves nothing behind that fails the next one
        // otherwise (a port still held would refuse with 5).
        rig.mDlg.OnStart();
        rig.ExpectIdle();
        rig.mDlg.OnStart();
        platform::SetMessageBoxHandler(previous);

        rig.ExpectIdle();
        ASSERT_EQ(shown.size(), 2u) << label;
        for (const auto& box : shown) {
            EXPECT_EQ(box.text, c.text) << label;
            EXPECT_EQ(box.caption, c.caption) << label;
            EXPECT_EQ(box.owner, c.ownedByWindow ? rig.mWindow.NativeHandle() : nullptr) << label;
            EXPECT_EQ(box.icon, 16u) << label;
        }
        EXPECT_EQ(portOpenAtBox, std::vector<bool>(2, c.titlerGetsInit)) << label;
        if (c.titlerGetsInit) {
            EXPECT_TRUE(titler.WaitFor([](const auto& commands) { return commands.size() == 2; })) << label;
            EXPECT_EQ(titler.Commands(), (std::vector<std::string>{"init", "init"})) << label;
        } else {
            EXPECT_TRUE(titler.Commands().empty()) << label;
        }
        if (sim) {
            testsupport::ReceivedCommand command;
            EXPECT_FALSE(sim->NextCommand(command, 300)) << label << ": the server was asked " << command.text;
        }
    }
}

TEST_F(TitlingTest, StopAndCloseEndTitlingAndStartWorksAgainBetween) {
    SimServer sim;
    ASSERT_TRUE(sim.Started());
    TitlingRig rig(sim.QueryPort(), sim.CommandPort());
    for (int round = 0; round < 2; ++round) {
        TitlerLog titler;
        rig.mDlg.OnStart();
        rig.ExpectTitling();
        ASSERT_TRUE(titler.WaitFor(InitThen(2))) << "round " << round;
        if (round == 0) {
            rig.mDlg.OnStop();
        } else {
            rig.mDlg.OnClose();
            EXPECT_FALSE(rig.mDlg.mWorkerThread.joinable()) << "the worker ends before the quit request";
            EXPECT_EQ(rig.mWindow.mQuitRequests, std::vector<int>{0});
        }
        rig.ExpectIdle();
        // Disconnected: nothing is sent without a connection.
        std::string reply;
        EXPECT_FALSE(rig.mDlg.mClient.SendCommandToServer("-GetTimestamp", reply));
    }
    EXPECT_TRUE(testsupport::RecordedBoxes().empty());
}

TEST_F(TitlingTest, ServerStoppedMidTitlingStopsTitlingAndStartWorksOnceItIsBack) {
    // The first server has the port-query port only; the second, later, the
    // direct command port, to which the client falls back.
    const int laterCommandPort = ClosedPort();
    std::optional<SimServer> first(std::in_place, std::vector<std::string>{"--command-port", "off"});
    ASSERT_TRUE(first->Started());
    TitlingRig rig(first->QueryPort(), laterCommandPort);
    TitlerLog titler;
    rig.mDlg.OnStart();
    ASSERT_TRUE(titler.WaitFor(InitThen(2)));

    first.reset();
    ASSERT_TRUE(Eventually([&] { return rig.StoppedOnTheWorker(); }));
    rig.ExpectIdle();
    const auto boxes = testsupport::RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    ExpectBox(boxes[0], kConnectionLost, kQuorvexCaption, rig.mWindow.NativeHandle());
    // The cycle that found the server gone wrote nothing: every timestamp at
    // the titler is a new one, and each was shown.
    const std::size_t shown = rig.mWindow.Posted().size();
    EXPECT_TRUE(titler.WaitFor([&](const auto& commands) { return Timestamps(commands).size() == shown; }))
        << ::testing::PrintToString(titler.Commands()) << " against " << shown << " refreshes";
    const std::vector<std::int64_t> timestamps = Timestamps(titler.Commands());
    for (std::size_t i = 1; i < timestamps.size(); ++i) {
        EXPECT_LT(timestamps[i - 1], timestamps[i]);
    }

    SimServer second({"--query-port", "off", "--command-port", std::to_string(laterCommandPort)});
    ASSERT_TRUE(second.Started());
    TitlerLog again;
    rig.mDlg.OnStart();
    rig.ExpectTitling();
    EXPECT_TRUE(again.WaitFor(InitThen(2)));
    rig.mDlg.OnStop();
    EXPECT_EQ(testsupport::RecordedBoxes().size(), 1u);
}

TEST_F(TitlingTest, FailedTitlerWriteStopsTitlingAndTheWorkerRunsOn) {
    SimServer sim;
    ASSERT_TRUE(sim.Started());
    TitlingRig rig(sim.QueryPort(), sim.CommandPort());
    TitlerLog titler;
    rig.mDlg.OnStart();
    ASSERT_TRUE(titler.WaitFor(InitThen(2)));

    // The pseudo-terminal under the open port goes away.
    ASSERT_TRUE(TitlerLog::Cut());
    ASSERT_TRUE(Eventually([&] { return rig.StoppedOnTheWorker(); }));
    rig.ExpectIdle();
    const auto boxes = testsupport::RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    const std::string prefix = "Could not write the timestamp to " + TitlerLog::PortName() + ". ERROR: ";
    ASSERT_EQ(boxes[0].text.substr(0, prefix.size()), prefix) << boxes[0].text;
    const std::string code = boxes[0].text.substr(prefix.size());
    EXPECT_GT(std::stoi(code), 0) << "the system's error code of the failed write";
    EXPECT_EQ(boxes[0].caption, "COM Write Error");
    EXPECT_EQ(boxes[0].owner, rig.mWindow.NativeHandle());
    std::printf("a write to a vanished pseudo-terminal failed with %s\n", code.c_str());

    // The worker still runs: once the titler is back, Start titles again.
    ASSERT_TRUE(TitlerLog::Restore());
    TitlerLog again;
    rig.mDlg.OnStart();
    rig.ExpectTitling();
    EXPECT_TRUE(again.WaitFor(InitThen(2)));
    rig.mDlg.OnStop();
    EXPECT_EQ(testsupport::RecordedBoxes().size(), 1u);
}

TEST_F(TitlingTest, StopDuringAStuckCycleLeavesTheClosingToTheWorkerAndStartWaitsForIt) {
    SimServer sim({"--fault", "close-at=3@-GetTimestamp"});
    ASSERT_TRUE(sim.Started());
    TitlingRig rig(sim.QueryPort(), sim.CommandPort());
    TitlerLog titler;

    // The worker's box stays open until the test dismisses it: its cycle is stuck.
    std::mutex lock;
    std::condition_variable dismissed;
    bool dismiss = false;
    std::vector<std::string> shown;
    const auto previous = platform::SetMessageBoxHandler([&](const platform::MessageBoxRequest& box) {
        std::unique_lock<std::mutex> guard(lock);
        shown.push_back(box.text);
        dismissed.wait(guard, [&] { return dismiss; });
        return platform::kIdOk;
    });
    rig.mDlg.OnStart();
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard<std::mutex> guard(lock);
        return shown.size() == 1;
    }));

    // Stop gives up waiting for the cycle and leaves the closing to it: Start
    // stays disabled, and a Start now would be refused.
    rig.mDlg.OnStop();
    EXPECT_EQ(rig.mDlg.mTitling, 0);
    EXPECT_EQ(rig.mWindow.Enabled(kStop), false);
    EXPECT_EQ(rig.mWindow.Enabled(kStart), false);
    EXPECT_FALSE(rig.mWindow.mCursor.IsWaiting());
    EXPECT_TRUE(rig.PortOpen());
    rig.mDlg.OnStart();
    EXPECT_EQ(rig.mDlg.mTitling, 0);

    {
        std::lock_guard<std::mutex> guard(lock);
        dismiss = true;
    }
    dismissed.notify_all();
    ASSERT_TRUE(Eventually([&] { return rig.StoppedOnTheWorker(); }));
    platform::SetMessageBoxHandler(previous);
    rig.ExpectIdle();
    EXPECT_EQ(shown, std::vector<std::string>{kConnectionLost});
    std::string reply;
    EXPECT_FALSE(rig.mDlg.mClient.SendCommandToServer("-GetTimestamp", reply)) << "disconnected by the worker";
    EXPECT_EQ(titler.Commands().front(), "init");
    EXPECT_EQ(Timestamps(titler.Commands()).size() + 1, titler.Commands().size()) << "one init only: Start was refused";

    // And Start works again.
    TitlerLog again;
    rig.mDlg.OnStart();
    EXPECT_TRUE(again.WaitFor(InitThen(1)));
}
