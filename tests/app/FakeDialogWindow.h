#pragma once
// A window in memory for OrbilaneDlg: it keeps the control texts and enabled
// states, and records every write, the focus and selection, the wait cursor,
// the icons set and the messages posted, so tests see what a user would.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/DialogWindow.h"
#include "app/WaitCursorCount.h"

class FakeDialogWindow : public DialogWindow {
public:
    struct PostedMessage {
        unsigned message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        bool operator==(const PostedMessage&) const = default;
    };

    std::map<int, std::string> mTexts;
    std::vector<std::pair<int, std::string>> mTextWrites;
    std::map<int, bool> mEnabled;
    int mFocus = 0;
    int mSelectedAll = 0;
    WaitCursorCount mCursor;
    std::vector<std::pair<IconHandle, IconSize>> mIconsSet;
    std::vector<int> mQuitRequests;
    bool mMinimised = false;
    std::vector<IconHandle> mPaintedIcons;
    int mIconStorage = 0;  // its address is the fake's icon handle

    std::vector<PostedMessage> Posted() {
        std::lock_guard<std::mutex> lock(mLock);
        return mPosted;
    }
    // A button's state as last set, from any thread; none when never set.
    std::optional<bool> Enabled(int id) {
        std::lock_guard<std::mutex> lock(mLock);
        const auto found = mEnabled.find(id);
        return found == mEnabled.end() ? std::nullopt : std::optional<bool>(found->second);
    }

    std::string GetControlText(int id) override { return mTexts[id]; }
    void SetControlText(int id, const std::string& text) override {
        mTexts[id] = text;
        mTextWrites.emplace_back(id, text);
    }
    void EnableControl(int id, bool on) override {
        std::lock_guard<std::mutex> lock(mLock);
        mEnabled[id] = on;
    }
    void FocusAndSelectAll(int id) override {
        mFocus = id;
        mSelectedAll = id;
    }
    void BeginWaitCursor() override { mCursor.Begin(); }
    void EndWaitCursor() override { mCursor.End(); }
    void PostToWindow(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        std::lock_guard<std::mutex> lock(mLock);
        mPosted.push_back({message, wParam, lParam});
    }
    void PostQuitRequest(int exitCode) override { mQuitRequests.push_back(exitCode); }
    void* NativeHandle() override { return this; }
    IconHandle LoadIconResource(int id) override { return id == 128 ? &mIconStorage : nullptr; }
    void SetIcon(IconHandle icon, IconSize size) override { mIconsSet.emplace_back(icon, size); }
    bool PaintMinimisedIcon(IconHandle icon) override {
        if (!mMinimised) {
            return false;
        }
        mPaintedIcons.push_back(icon);
        return true;
    }
    std::string ApplicationName() override { return "Orbilane"; }

private:
    std::mutex mLock;
    std::vector<PostedMessage> mPosted;
};
