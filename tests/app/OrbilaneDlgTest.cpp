#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/OrbilaneDlg.h"
#include "tests/app/FakeDialogWindow.h"
#include "tests/support/MessageBoxes.h"

namespace {

constexpr int kTimestampField = 1003;
constexpr int kStart = 1004;
constexpr int kStop = 1005;
constexpr int kPortField = 1006;

class OrbilaneDlgTest : public ::testing::Test {
protected:
    OrbilaneDlgTest() { testsupport::ClearRecordedBoxes(); }

    // The window as the template leaves it before the first exchange.
    void OpenWindow() {
        mWindow.mTexts[kTimestampField] = "Static";
        ASSERT_TRUE(mDlg.OnInitDialog());
        mWindow.mTextWrites.clear();
    }

    FakeDialogWindow mWindow;
    OrbilaneDlg mDlg{mWindow};
};

TEST_F(OrbilaneDlgTest, OpensWithZeroAndOneIconsAndARunningWorker) {
    mWindow.mTexts[kTimestampField] = "Static";
    EXPECT_TRUE(mDlg.OnInitDialog());
    EXPECT_EQ(mWindow.mTexts[kTimestampField], "0");
    EXPECT_EQ(mWindow.mTexts[kPortField], "1");
    ASSERT_NE(mDlg.mIcon, nullptr);  // icon 128 of the resources
    ASSERT_EQ(mWindow.mIconsSet.size(), 2u);
    EXPECT_EQ(mWindow.mIconsSet[0], std::make_pair(mDlg.mIcon, IconSize::Big));
    EXPECT_EQ(mWindow.mIconsSet[1], std::make_pair(mDlg.mIcon, IconSize::Small));
    EXPECT_TRUE(mDlg.mWorkerThread.joinable());
    EXPECT_EQ(mDlg.mTitling, 0);
    EXPECT_EQ(mDlg.mWorkerAlive, 1);

    mDlg.OnClose();
    EXPECT_EQ(mDlg.mWorkerAlive, 0);
    EXPECT_FALSE(mDlg.mWorkerThread.joinable()) << "the worker must have ended before the quit request";
    EXPECT_EQ(mWindow.mQuitRequests, std::vector<int>{0});
    EXPECT_TRUE(testsupport::RecordedBoxes().empty());
}

TEST_F(OrbilaneDlgTest, OkAndCancelRunTheCloseStepsOtherCommandsAreNotTaken) {
    for (int command : {OrbilaneDlg::kIdOk, OrbilaneDlg::kIdCancel}) {
        FakeDialogWindow window;
        {
            OrbilaneDlg dlg(window);
            ASSERT_TRUE(dlg.OnInitDialog());
            EXPECT_TRUE(dlg.OnCommand(command, OrbilaneDlg::kClicked));
            EXPECT_FALSE(dlg.mWorkerThread.joinable()) << "command " << command;
            EXPECT_EQ(window.mQuitRequests, std::vector<int>{0}) << "command " << command;
        }
    }
    // Start on port 0 ends at the port, before any server is asked.
    mWindow.mTexts[kTimestampField] = "0";
    mWindow.mTexts[kPortField] = "0";
    EXPECT_TRUE(mDlg.OnCommand(kStart, OrbilaneDlg::kClicked));
    ASSERT_EQ(testsupport::RecordedBoxes().size(), 1u);
    EXPECT_EQ(testsupport::RecordedBoxes()[0].text, "Coult not initialize COM0. ERROR: 2");
    EXPECT_TRUE(mDlg.OnCommand(kStop, OrbilaneDlg::kClicked));
    EXPECT_EQ(mWindow.Enabled(kStop), false);
    EXPECT_EQ(mWindow.Enabled(kStart), true);
    EXPECT_FALSE(mDlg.OnCommand(kStart, 5));         // BN_DOUBLECLICKED
    EXPECT_FALSE(mDlg.OnCommand(kPortField, 0x300));  // EN_CHANGE while typing
    EXPECT_TRUE(mWindow.mQuitRequests.empty());
}

TEST_F(OrbilaneDlgTest, WindowClosedWithoutCloseStepsStillEndsItsWorker) {
    FakeDialogWindow window;
    {
        OrbilaneDlg dlg(window);
        ASSERT_TRUE(dlg.OnInitDialog());
    }  // a running std::thread destroyed unjoined would end the process
    EXPECT_TRUE(window.mQuitRequests.empty());
}

TEST_F(OrbilaneDlgTest, ReadsTheNumberAtTheStartOfEachField) {
    OpenWindow();
    mWindow.mTexts[kTimestampField] = "123";
    mWindow.mTexts[kPortField] = "7abc";
    EXPECT_TRUE(mDlg.ReadFields());
    EXPECT_EQ(mDlg.mComPortNumber, 7);
    EXPECT_EQ(mDlg.mTimestamp, 123);
    EXPECT_TRUE(testsupport::RecordedBoxes().empty());
}

struct RefusedCase {
    const char* timestampText;
    const char* portText;
    int refusedField;
    const char* message;
};

TEST_F(OrbilaneDlgTest, RefusedFieldIsReportedFocusedAndLeftUnchanged) {
    const std::string blanks63(63, ' ');
    const RefusedCase cases[] = {
        {"44", "abc", kPortField, "Enter an integer."},
        {"44", "", kPortField, "Enter an integer."},
        {"44", "2147483648", kPortField, "Enter an integer."},
        // The number lies beyond the 63 characters the field buffer holds.
        {"44", nullptr, kPortField, "Enter an integer."},
        // The timestamp is exchanged first; refusing it stops before the port.
        {"Static", "9", kTimestampField, "Enter a positive integer."},
    };
    for (const auto& c : cases) {
        FakeDialogWindow window;
        OrbilaneDlg dlg(window);
        dlg.mComPortNumber = 3;
        dlg.mTimestamp = 44;
        window.mTexts[kTimestampField] = c.timestampText;
        window.mTexts[kPortField] = c.portText ? c.portText : blanks63 + "5";
        testsupport::ClearRecordedBoxes();

        const std::string label = window.mTexts[kTimestampField] + " / " + window.mTexts[kPortField];
        EXPECT_FALSE(dlg.ReadFields()) << label;
        const auto boxes = testsupport::RecordedBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message) << label;
        EXPECT_EQ(boxes[0].caption, "Orbilane");
        EXPECT_EQ(boxes[0].icon, 48u);
        EXPECT_EQ(boxes[0].owner, window.NativeHandle());
        EXPECT_EQ(window.mFocus, c.refusedField) << label;
        EXPECT_EQ(window.mSelectedAll, c.refusedField);
        EXPECT_EQ(dlg.mComPortNumber, 3);
        EXPECT_EQ(dlg.mTimestamp, 44);
    }
}

TEST_F(OrbilaneDlgTest, LongTextIsReadUpToTheBuffer) {
    mWindow.mTexts[kTimestampField] = "0";
    mWindow.mTexts[kPortField] = std::string(62, ' ') + "5" + std::string(40, '9');
    EXPECT_TRUE(mDlg.ReadFields());
    EXPECT_EQ(mDlg.mComPortNumber, 5);
}

TEST_F(OrbilaneDlgTest, NegativeTimestampShowsUnsignedAndReadsBack) {
    OpenWindow();
    mDlg.mTimestamp = -5;
    EXPECT_EQ(mDlg.OnUpdateDisplay(), 0);
    EXPECT_EQ(mWindow.mTexts[kTimestampField], "18446744073709551611");
    mDlg.mTimestamp = 0;
    EXPECT_TRUE(mDlg.ReadFields());
    EXPECT_EQ(mDlg.mTimestamp, -5);
}

TEST_F(OrbilaneDlgTest, RefreshWritesOnlyChangedTextsAndResetsTheTypedPort) {
    OpenWindow();
    mDlg.ShowFields();
    EXPECT_TRUE(mWindow.mTextWrites.empty()) << "unchanged fields must not be rewritten";

    mDlg.mTimestamp = 9876543210;
    mDlg.OnUpdateDisplay();
    ASSERT_EQ(mWindow.mTextWrites.size(), 1u);
    EXPECT_EQ(mWindow.mTextWrites[0], std::make_pair(kTimestampField, std::string("9876543210")));

    // A number typed while titling runs is replaced at the next refresh.
    mWindow.mTexts[kPortField] = "42";
    mDlg.OnUpdateDisplay();
    EXPECT_EQ(mWindow.mTexts[kPortField], "1");
}

TEST_F(OrbilaneDlgTest, WindowOperationsReachTheWindow) {
    OpenWindow();
    std::thread worker([this] {
        mDlg.PostUpdate();
        mDlg.EnableButton(kStop, true);
        mDlg.EnableButton(kStart, false);
    });
    worker.join();
    EXPECT_EQ(mWindow.Posted(), (std::vector<FakeDialogWindow::PostedMessage>{{1024, 0, 0}}));
    EXPECT_TRUE(mWindow.mEnabled[kStop]);
    EXPECT_FALSE(mWindow.mEnabled[kStart]);

    mDlg.BeginWaitCursor();
    mDlg.BeginWaitCursor();
    mDlg.EndWaitCursor();
    EXPECT_TRUE(mWindow.mCursor.IsWaiting());
    mDlg.EndWaitCursor();
    EXPECT_FALSE(mWindow.mCursor.IsWaiting());

    int owner = 0;
    mDlg.ShowErrorBox("Could not connect", "Quorvex Connection Error", &owner);
    mDlg.ShowErrorBox("no owner", "caption", nullptr);
    const auto boxes = testsupport::RecordedBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Could not connect");
    EXPECT_EQ(boxes[0].caption, "Quorvex Connection Error");
    EXPECT_EQ(boxes[0].owner, &owner);
    EXPECT_EQ(boxes[0].icon, 16u);
    EXPECT_EQ(boxes[1].owner, nullptr);
}

TEST_F(OrbilaneDlgTest, MinimisedWindowPaintsAndDragsItsIcon) {
    OpenWindow();
    EXPECT_FALSE(mDlg.OnPaint());
    mWindow.mMinimised = true;
    EXPECT_TRUE(mDlg.OnPaint());
    EXPECT_EQ(mWindow.mPaintedIcons, std::vector<IconHandle>{mDlg.mIcon});
    EXPECT_EQ(mDlg.OnQueryDragIcon(), mDlg.mIcon);
}

}  // namespace
