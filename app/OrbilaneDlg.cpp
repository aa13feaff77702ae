#include "app/OrbilaneDlg.h"

#include <chrono>

#include "app/FieldText.h"
#include "app/Resource.h"
#include "platform/MessageBox.h"

namespace {

constexpr const char* kTimestampRefused = "Enter a positive integer.";
constexpr const char* kComPortRefused = "Enter an integer.";

struct CommandRoute {
    int controlId;
    int notifyCode;
    void (OrbilaneDlg::*handler)();
};

// Enter while Start is disabled reaches the dialog as OK, and Esc as cancel.
// Both run the close steps: ending the dialog without them would destroy the
// members while the worker thread may still use them.
constexpr CommandRoute kCommandTable[] = {
    {IDC_START, OrbilaneDlg::kClicked, &OrbilaneDlg::OnStart},
    {IDC_STOP, OrbilaneDlg::kClicked, &OrbilaneDlg::OnStop},
    {OrbilaneDlg::kIdOk, OrbilaneDlg::kClicked, &OrbilaneDlg::OnClose},
    {OrbilaneDlg::kIdCancel, OrbilaneDlg::kClicked, &OrbilaneDlg::OnClose},
};

}  // namespace

OrbilaneDlg::OrbilaneDlg(DialogWindow& window)
    : mIcon(window.LoadIconResource(IDR_MAINFRAME)), mWindow(window) {}

OrbilaneDlg::~OrbilaneDlg() {
    EndWorker();
}

bool OrbilaneDlg::DoDataExchange(bool saving) {
    if (saving) {
        std::uint64_t timestamp = 0;
        if (!ParseUnsigned64Field(CutToFieldBuffer(mWindow.GetControlText(IDC_TIMESTAMP)), timestamp)) {
            RefuseField(IDC_TIMESTAMP, kTimestampRefused);
            return false;
        }
        mTimestamp = static_cast<std::int64_t>(timestamp);
        std::int32_t port = 0;
        if (!ParseInt32Field(CutToFieldBuffer(mWindow.GetControlText(IDC_COMPORT)), port)) {
            RefuseField(IDC_COMPORT, kComPortRefused);
            return false;
        }
        mComPortNumber = port;
        return true;
    }
    ShowFieldText(IDC_TIMESTAMP, FormatUnsigned64Field(static_cast<std::uint64_t>(mTimestamp.load())));
    ShowFieldText(IDC_COMPORT, FormatInt32Field(mComPortNumber));
    return true;
}

void OrbilaneDlg::RefuseField(int controlId, const char* message) {
    platform::ShowMessageBox(message, mWindow.ApplicationName(), mWindow.NativeHandle(),
                             platform::kIconExclamation);
    mWindow.FocusAndSelectAll(controlId);
}

// Only a changed text is written, so the fields do not flicker at each refresh.
void OrbilaneDlg::ShowFieldText(int controlId, const std::string& text) {
    if (mWindow.GetControlText(controlId) != text) {
        mWindow.SetControlText(controlId, text);
    }
}

bool OrbilaneDlg::OnInitDialog() {
    ShowFields();
    mWindow.SetIcon(mIcon, IconSize::Big);
    mWindow.SetIcon(mIcon, IconSize::Small);
    if (!mWorkerThread.joinable()) {
        mWorkerThread = std::thread(TitlingThreadProc, this);
    }
    return true;
}

bool OrbilaneDlg::OnPaint() {
    return mWindow.PaintMinimisedIcon(mIcon);
}

IconHandle OrbilaneDlg::OnQueryDragIcon() const {
    return mIcon;
}

std::intptr_t OrbilaneDlg::OnUpdateDisplay() {
    ShowFields();
    return 0;
}

void OrbilaneDlg::OnStart() {}

void OrbilaneDlg::OnStop() {}

void OrbilaneDlg::OnClose() {
    // Titling is stopped first once it is in; then the worker ends. It is
    // joined rather than given a fixed wait, so the window's members never go
    // while it runs.
    EndWorker();
    mWindow.PostQuitRequest(0);
}

bool OrbilaneDlg::OnCommand(int controlId, int notifyCode) {
    for (const CommandRoute& route : kCommandTable) {
        if (route.controlId == controlId && route.notifyCode == notifyCode) {
            (this->*route.handler)();
            return true;
        }
    }
    return false;
}

bool OrbilaneDlg::ReadFields() {
    return DoDataExchange(true);
}

void OrbilaneDlg::ShowFields() {
    DoDataExchange(false);
}

void OrbilaneDlg::EnableButton(int controlId, bool on) {
    mWindow.EnableControl(controlId, on);
}

void OrbilaneDlg::BeginWaitCursor() {
    mWindow.BeginWaitCursor();
}

void OrbilaneDlg::EndWaitCursor() {
    mWindow.EndWaitCursor();
}

void OrbilaneDlg::ShowErrorBox(const std::string& text, const std::string& caption, void* owner) {
    platform::ShowMessageBox(text, caption, owner, platform::kIconError);
}

void OrbilaneDlg::PostUpdate() {
    mWindow.PostToWindow(kUpdateMessage, 0, 0);
}

int OrbilaneDlg::TitlingThreadProc(OrbilaneDlg* dlg) {
    return dlg->TitlingLoop();
}

int OrbilaneDlg::TitlingLoop() {
    while (mWorkerAlive != 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        // Titling's cycle runs here while mTitling is set, once the server
        // client and the titler link are in.
    }
    return 0;
}

void OrbilaneDlg::EndWorker() {
    mWorkerAlive = 0;
    if (mWorkerThread.joinable() && mWorkerThread.get_id() != std::this_thread::get_id()) {
        mWorkerThread.join();
    }
}
