#pragma once
// A window back end with no window system, for running OrbilaneDlg as the
// real application does outside a test: control texts in memory, and a
// "window thread" of its own that handles what is posted to the window
// (the worker's refreshes) by calling the dialog's handler, in order.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "app/DialogWindow.h"
#include "app/OrbilaneDlg.h"
#include "app/WaitCursorCount.h"

class HeadlessWindow : public DialogWindow {
public:
    HeadlessWindow() = default;
    ~HeadlessWindow() override { StopMessageLoop(); }

    // Handles posted messages for dlg on a thread of its own until stopped.
    void StartMessageLoop(OrbilaneDlg& dlg) {
        mDlg = &dlg;
        mLoop = std::thread([this] {
            std::unique_lock<std::mutex> lock(mLock);
            for (;;) {
                mPosted.wait(lock, [this] { return mStopping || !mQueue.empty(); });
                if (mQueue.empty()) return;
                const unsigned message = mQueue.front();
                mQueue.pop_front();
                lock.unlock();
                if (message == OrbilaneDlg::kUpdateMessage) mDlg->OnUpdateDisplay();
                ++mRefreshes;
                lock.lock();
            }
        });
    }
    void StopMessageLoop() {
        {
            std::lock_guard<std::mutex> lock(mLock);
            mStopping = true;
        }
        mPosted.notify_all();
        if (mLoop.joinable()) mLoop.join();
    }
    long Refreshes() const { return mRefreshes; }

    std::string GetControlText(int id) override {
        std::lock_guard<std::mutex> lock(mTextLock);
        return mTexts[id];
    }
    void SetControlText(int id, const std::string& text) override {
        std::lock_guard<std::mutex> lock(mTextLock);
        mTexts[id] = text;
    }
    void EnableControl(int, bool) override {}
    void FocusAndSelectAll(int) override {}
    void BeginWaitCursor() override { mCursor.Begin(); }
    void EndWaitCursor() override { mCursor.End(); }
    void PostToWindow(unsigned message, std::uintptr_t, std::intptr_t) override {
        {
            std::lock_guard<std::mutex> lock(mLock);
            mQueue.push_back(message);
        }
        mPosted.notify_one();
    }
    void PostQuitRequest(int) override {}
    void* NativeHandle() override { return this; }
    IconHandle LoadIconResource(int) override { return nullptr; }
    void SetIcon(IconHandle, IconSize) override {}
    bool PaintMinimisedIcon(IconHandle) override { return false; }
    std::string ApplicationName() override { return "Orbilane"; }

private:
    OrbilaneDlg* mDlg = nullptr;
    std::thread mLoop;
    std::mutex mLock;
    std::condition_variable mPosted;
    std::deque<unsigned> mQueue;
    bool mStopping = false;
    long mRefreshes = 0;
    std::mutex mTextLock;
    std::map<int, std::string> mTexts;
    WaitCursorCount mCursor;
};
