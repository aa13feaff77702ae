// Natively only: wine lets a serial device be opened twice despite share
// mode 0, so a busy port cannot be made there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/MessageBoxes.h"
#include "titler/ComPortInterface.h"

TEST(TitlerLineBusyTest, ASecondOpenOfTheSamePortIsRefusedWithCodeFive) {
    const char* name = std::getenv("ORB_TITLER_PORT");
    if (name == nullptr) {
        GTEST_SKIP() << "needs a port on virtual-titler: run through run-on-virtual-titler.sh";
    }
    ComPortInterface first;
    ASSERT_EQ(first.InitializePort(name), 0);
    testsupport::ClearRecordedBoxes();

    ComPortInterface second;
    EXPECT_EQ(second.InitializePort(name), -1);
    EXPECT_EQ(second.mPortHandle, platform::kInvalidSerialHandle);
    const auto boxes = testsupport::RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, std::string("Coult not initialize ") + name + ". ERROR: 5");

    // The refused open took nothing from the holder of the port.
    EXPECT_EQ(first.WriteData(""), 0);
    EXPECT_EQ(first.ClosePort(), 1);
}
