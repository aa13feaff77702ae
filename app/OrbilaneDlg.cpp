#include "app/OrbilaneDlg.h"

#include <chrono>
#include <cstdio>

#include "app/FieldText.h"
#include "app/Resource.h"
#include "app/TimestampReply.h"
#include "platform/MessageBox.h"
#include "platform/Serial.h"
#include "titler/TitlerCommands.h"

namespace {

constexpr const char* kTimestampRefused = "Enter a positive integer.";
constexpr const char* kComPortRefused = "Enter an integer.";

constexpr const char* kServerName = "localhost";
constexpr const char* kGetTimestamp = "-GetTimestamp";
constexpr const char* kQuorvexCaption = "Quorvex Connection Error";
constexpr const char* kNotConnected =
    "Could not connect to Quorvex.  Make sure Quorvex is running and that Orbilane is on the same PC as Quorvex";
constexpr const char* kUnsupported =
    "The version of Quorvex you are using does not support the -GetTimestamp command.  You must upgrade to the "
    "current version of Quorvex to use this program.";
// A timestamp that did not come must never go to the titler as the last one
// again: the picture would carry a stale time with nothing to show it.
constexpr const char* kConnectionLost =
    "Lost the connection to Quorvex.  Titling has been stopped.  Make sure Quorvex is running and press Start to "
    "begin titling again.";
constexpr const char* kReplyUnreadable =
    "Quorvex answered -GetTimestamp with a reply that holds no timestamp.  Titling has been stopped.  Press Start "
    "to begin titling again.";
constexpr const char* kPortCaption = "COM Initialization Error";
constexpr const char* kPortNumberRefused = "%s is not a serial port number Orbilane can use.";
constexpr const char* kWriteCaption = "COM Write Error";
constexpr const char* kWriteFailed = "Could not write the timestamp to %s. ERROR: %d";

// Windows opens "COM" and at most six digits (five after a minus sign).
constexpr std::size_t kMaxDeviceNameLength = 9;

// The waits of titling: before each look at the flags, between the reply
// and the write to the titler, and the longest a stop waits for the cycle.
constexpr auto kIdleWait = std::chrono::milliseconds(10);
constexpr auto kBeforeTitlerWrite = std::chrono::milliseconds(20);
constexpr auto kStopWait = std::chrono::milliseconds(1000);

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
    : OrbilaneDlg(window, KovaneClient::kPortQueryPort, KovaneClient::kDirectCommandPort) {}

OrbilaneDlg::OrbilaneDlg(DialogWindow& window, int portQueryPort, int directCommandPort)
    : mIcon(window.LoadIconResource(IDR_MAINFRAME)), mClient(portQueryPort, directCommandPort), mWindow(window) {}

OrbilaneDlg::~OrbilaneDlg() {
    // Closed without the close steps: the worker must still leave its inner
    // loop before it can be joined.
    mTitling = 0;
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

void OrbilaneDlg::OnStart() {
    {
        // Start is disabled from here until the last stop has closed the port
        // and disconnected; a stray call must not open them under the worker.
        std::lock_guard<std::mutex> lock(mCycleLock);
        if (mTitling != 0 || mInCycle || mCloseHandedOver) {
            return;
        }
    }
    BeginWaitCursor();
    ReadFields();  // a refused port field leaves the last accepted number
    const std::string deviceName = "COM" + std::to_string(mComPortNumber);
    if (deviceName.size() > kMaxDeviceNameLength) {
        // Cut to nine characters it would name another port.
        char text[128];
        std::snprintf(text, sizeof text, kPortNumberRefused, deviceName.c_str());
        ShowErrorBox(text, kPortCaption, mWindow.NativeHandle());
        EndWaitCursor();
        return;
    }
    if (mComPort.InitializePort(deviceName.c_str()) != 0) {
        // The port has told the user. One that opened but could not be set
        // is closed again, or it would stay held and refuse every later Start.
        mComPort.ClosePort();
        EndWaitCursor();
        return;
    }
    if (InitializeTitler() != 0) {
        mComPort.ClosePort();
        EndWaitCursor();
        return;
    }
    mClient.Connect(kServerName, true);
    if (!mClient.AreWeConnected()) {
        ShowErrorBox(kNotConnected, kQuorvexCaption, mWindow.NativeHandle());
        mComPort.ClosePort();
        // What a half-made connection left behind would make the next
        // Connect refuse ("already connected").
        mClient.Disconnect();
        EndWaitCursor();
        return;
    }
    mPortName = deviceName;
    EndWaitCursor();
    EnableButton(IDC_START, false);
    EnableButton(IDC_STOP, true);
    mTitling = 1;  // last: the worker starts its cycles now
}

void OrbilaneDlg::OnStop() {
    StopTitling();
}

void OrbilaneDlg::StopTitling() {
    BeginWaitCursor();
    EnableButton(IDC_STOP, false);
    std::unique_lock<std::mutex> lock(mCycleLock);
    mTitling = 0;
    // The worker's own stop comes from inside its cycle and has nothing to
    // wait for. Anyone else waits for the cycle under way, and when it is
    // stuck (a server that does not answer, a box not yet dismissed) leaves
    // the closing to the worker, which does it as the cycle ends.
    if (!OnWorkerThread() && !mCycleEnded.wait_for(lock, kStopWait, [this] { return !mInCycle; })) {
        mCloseHandedOver = true;
        lock.unlock();
        EndWaitCursor();
        return;
    }
    CloseTitlingLinkLocked();
    lock.unlock();
    // Only now: a Start pressed before the port is closed and the client
    // disconnected would have both taken from under it by this stop.
    EnableButton(IDC_START, true);
    EndWaitCursor();
}

void OrbilaneDlg::CloseTitlingLinkLocked() {
    mComPort.ClosePort();
    mClient.Disconnect();
    mCloseHandedOver = false;
}

void OrbilaneDlg::OnClose() {
    // Titling stops first; then the worker ends. It is joined rather than
    // given a fixed wait, so the window's members never go while it runs.
    StopTitling();
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

int OrbilaneDlg::InitializeTitler() {
    return ::InitializeTitler(mComPort);
}

int OrbilaneDlg::SendTimestampToTitler(std::int64_t timestamp) {
    return ::SendTimestampToTitler(mComPort, timestamp);
}

int OrbilaneDlg::TitlingThreadProc(OrbilaneDlg* dlg) {
    const int result = dlg->TitlingLoop();
    dlg->mWorkerEnded = true;
    return result;
}

int OrbilaneDlg::TitlingLoop() {
    mWorkerId = std::this_thread::get_id();
    while (mWorkerAlive != 0) {
        std::this_thread::sleep_for(kIdleWait);
        while (mTitling != 0) {
            if (!EnterCycle()) {
                break;
            }
            RunCycle();
            LeaveCycle();
        }
    }
    return 0;
}

bool OrbilaneDlg::EnterCycle() {
    std::lock_guard<std::mutex> lock(mCycleLock);
    // Looked at again under the lock: a stop may have come since the loop's test.
    if (mTitling == 0) {
        return false;
    }
    mInCycle = true;
    return true;
}

void OrbilaneDlg::LeaveCycle() {
    std::unique_lock<std::mutex> lock(mCycleLock);
    mInCycle = false;
    const bool close = mCloseHandedOver;
    if (close) {
        CloseTitlingLinkLocked();
    }
    lock.unlock();
    mCycleEnded.notify_all();
    if (close) {
        EnableButton(IDC_START, true);
    }
}

void OrbilaneDlg::RunCycle() {
    std::string reply;
    const bool answered = mClient.SendCommandToServer(kGetTimestamp, reply);
    std::int32_t status = 0;
    std::int64_t timestamp = mTimestamp;
    const int converted = ReadTimestampReply(reply, status, timestamp);
    if (converted == 2) {
        mTimestamp = timestamp;
    }
    if (!answered) {
        FailCycle(kConnectionLost, kQuorvexCaption);
        return;
    }
    if (status != 0) {
        // mTimestamp may hold this reply's timestamp; no refresh shows it.
        FailCycle(kUnsupported, kQuorvexCaption);
        return;
    }
    if (converted < 2) {
        FailCycle(kReplyUnreadable, kQuorvexCaption);
        return;
    }
    std::this_thread::sleep_for(kBeforeTitlerWrite);
    if (SendTimestampToTitler(mTimestamp) != 0) {
        const int error = platform::LastSerialError();  // before any other call can replace it
        char text[128];
        std::snprintf(text, sizeof text, kWriteFailed, mPortName.c_str(), error);
        FailCycle(text, kWriteCaption);
        return;
    }
    PostUpdate();
}

void OrbilaneDlg::FailCycle(const std::string& text, const char* caption) {
    // The worker waits here until the user has dismissed the box; a stop
    // from the window meanwhile leaves the closing to this cycle.
    ShowErrorBox(text, caption, mWindow.NativeHandle());
    StopTitling();
}

void OrbilaneDlg::EndWorker() {
    mWorkerAlive = 0;
    if (mWorkerThread.joinable() && mWorkerThread.get_id() != std::this_thread::get_id()) {
        // A box of the worker's, owned by this window, needs the window's
        // thread to answer while it opens and closes: wait answering.
        mWindow.WaitAnswering([this] { return mWorkerEnded.load(); });
        mWorkerThread.join();
    }
}
