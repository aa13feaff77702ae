#pragma once
// One window with titling, for the tests on a line: OrbilaneDlg over a
// window in memory, its client pointed at a quorvex-sim on free ports, its
// port field holding the COM number that run-with-titler.sh mapped.
#include <gtest/gtest.h>

#include <string>

#include "app/OrbilaneDlg.h"
#include "platform/Serial.h"
#include "tests/app/FakeDialogWindow.h"
#include "tests/app/TitlerLog.h"

namespace testsupport {

constexpr int kTimestampField = 1003;
constexpr int kStart = 1004;
constexpr int kStop = 1005;
constexpr int kPortField = 1006;

class TitlingRig {
public:
    TitlingRig(int queryPort, int commandPort) : mDlg(mWindow, queryPort, commandPort) {
        mWindow.mTexts[kTimestampField] = "Static";
        mDlg.OnInitDialog();
        SetPortField(std::to_string(TitlerLog::PortNumber()));
    }
    // The close steps, unless the test ran them: an open port would be held
    // against the next test.
    ~TitlingRig() {
        if (mDlg.mWorkerThread.joinable()) {
            mDlg.OnClose();
        }
    }

    void SetPortField(const std::string& text) { mWindow.mTexts[kPortField] = text; }
    bool PortOpen() const {
        return mDlg.mComPort.mPortHandle != 0 && mDlg.mComPort.mPortHandle != platform::kInvalidSerialHandle;
    }
    // Titling as the user sees it: the buttons, the cursor, the flag.
    void ExpectTitling() {
        EXPECT_EQ(mDlg.mTitling, 1);
        EXPECT_EQ(mWindow.Enabled(kStart), false);
        EXPECT_EQ(mWindow.Enabled(kStop), true);
        EXPECT_FALSE(mWindow.mCursor.IsWaiting());
        EXPECT_TRUE(PortOpen());
    }
    // Idle: Start usable (never disabled, or enabled again), Stop not, the
    // port given back.
    void ExpectIdle() {
        EXPECT_EQ(mDlg.mTitling, 0);
        EXPECT_NE(mWindow.Enabled(kStart), false);
        EXPECT_NE(mWindow.Enabled(kStop), true);
        EXPECT_FALSE(mWindow.mCursor.IsWaiting());
        EXPECT_FALSE(PortOpen());
    }
    // A stop on the worker is over: it enables Start and then ends the wait
    // cursor, so a test waits for both before it looks.
    bool StoppedOnTheWorker() {
        return mWindow.Enabled(kStart) != false && !mWindow.mCursor.IsWaiting();
    }
    // What the window's thread does with a posted refresh.
    std::string Shown() {
        mDlg.OnUpdateDisplay();
        return mWindow.mTexts[kTimestampField];
    }

    FakeDialogWindow mWindow;
    OrbilaneDlg mDlg;
};

}  // namespace testsupport
