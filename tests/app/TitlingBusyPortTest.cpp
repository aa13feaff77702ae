// Natively only: wine lets a serial device be opened twice despite share
// mode 0, so a port held by another program cannot be made there.
#include <gtest/gtest.h>

#include "tests/app/TitlingRig.h"
#include "tests/support/MessageBoxes.h"
#include "tests/support/SimServer.h"

using testsupport::TitlerLog;
using testsupport::TitlingRig;

TEST(TitlingBusyPortTest, APortHeldByAnotherIsRefusedWithCodeFiveAndStartWorksOnceItIsFree) {
    if (!TitlerLog::Available()) {
        GTEST_SKIP() << "needs a port on virtual-titler: run through run-with-titler.sh";
    }
    testsupport::SimServer sim;
    ASSERT_TRUE(sim.Started());
    TitlingRig rig(sim.QueryPort(), sim.CommandPort());
    TitlerLog titler;
    ComPortInterface other;
    ASSERT_EQ(other.InitializePort(TitlerLog::PortName().c_str()), 0);
    testsupport::ClearRecordedBoxes();

    rig.mDlg.OnStart();
    rig.ExpectIdle();
    const auto boxes = testsupport::RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Coult not initialize " + TitlerLog::PortName() + ". ERROR: 5");
    EXPECT_EQ(boxes[0].caption, "COM Initialization Error");
    EXPECT_EQ(boxes[0].owner, nullptr);
    testsupport::ReceivedCommand command;
    EXPECT_FALSE(sim.NextCommand(command, 300)) << "the server was asked " << command.text;

    EXPECT_EQ(other.ClosePort(), 1);
    rig.mDlg.OnStart();
    rig.ExpectTitling();
    EXPECT_TRUE(titler.WaitFor([](const auto& commands) { return commands.size() >= 2 && commands[0] == "init"; }));
    rig.mDlg.OnStop();
    EXPECT_EQ(testsupport::RecordedBoxes().size(), 1u);
}
