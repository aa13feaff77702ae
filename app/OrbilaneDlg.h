#pragma once
// The main window: it shows the current timestamp and the serial port number,
// carries Start and Stop, and provides the window operations that titling
// uses. It reaches its window only through a DialogWindow back end.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include <kovane/KovaneClient.h>

#include "app/DialogWindow.h"
#include "titler/ComPortInterface.h"

class OrbilaneDlg {
public:
    static constexpr unsigned kUpdateMessage = 1024;  // WM_USER, posted by the worker after each timestamp
    static constexpr int kClicked = 0;                // BN_CLICKED
    static constexpr int kIdOk = 1;                   // IDOK: Enter while Start is disabled
    static constexpr int kIdCancel = 2;               // IDCANCEL: Esc

    explicit OrbilaneDlg(DialogWindow& window);
    // For tests: the server's two fixed ports moved (KovaneClient's override).
    OrbilaneDlg(DialogWindow& window, int portQueryPort, int directCommandPort);
    ~OrbilaneDlg();

    OrbilaneDlg(const OrbilaneDlg&) = delete;
    OrbilaneDlg& operator=(const OrbilaneDlg&) = delete;

    // Timestamp field, then port field. Saving: false when a field was
    // refused; the user has been told, and the exchange stopped there.
    bool DoDataExchange(bool saving);
    // The window exists: show the fields, set the icons, start the worker.
    // True: the first control with a tab stop (Start) gets the focus.
    bool OnInitDialog();

    // Message handlers, routed by the back end's message table.
    bool OnPaint();  // false: the default painting applies
    IconHandle OnQueryDragIcon() const;
    std::intptr_t OnUpdateDisplay();
    void OnStart();
    void OnStop();
    void OnClose();
    // A command from a control or the dialog manager; false when no handler takes it.
    bool OnCommand(int controlId, int notifyCode);

    // The window operations that titling uses.
    bool ReadFields();
    void ShowFields();
    void EnableButton(int controlId, bool on);
    void BeginWaitCursor();
    void EndWaitCursor();
    void ShowErrorBox(const std::string& text, const std::string& caption, void* owner);
    void PostUpdate();

    // Titling. StopTitling runs on the window's thread (Stop, close) or on
    // the worker's, inside its cycle, after a failure the user has been told of.
    void StopTitling();
    // The titler's two commands, written through mComPort.
    int InitializeTitler();
    int SendTimestampToTitler(std::int64_t timestamp);
    static int TitlingThreadProc(OrbilaneDlg* dlg);
    // 0 once the window has closed: a failed cycle stops titling, never the worker.
    int TitlingLoop();

    DialogWindow& Window() { return mWindow; }

    // The members, in the order the window and titling rely on. The flags and
    // the timestamp are shared with the worker thread, hence atomic.
    IconHandle mIcon;
    std::thread mWorkerThread;
    std::int32_t mComPortNumber = 1;
    std::atomic<std::int64_t> mTimestamp{0};
    std::atomic<int> mTitling{0};
    std::atomic<int> mWorkerAlive{1};
    ComPortInterface mComPort;
    KovaneClient mClient;

private:
    // Stops the worker's outer loop and waits until the thread has ended, so
    // that it never outlives the members it uses.
    void EndWorker();

    // The worker's cycle is the only time it uses mComPort and mClient. It is
    // marked under mCycleLock, and entered only while titling is on, so a
    // stop that has cleared mTitling and seen the cycle out has them alone.
    bool EnterCycle();
    void RunCycle();
    void LeaveCycle();
    // A cycle that cannot go on: the user is told, then titling stops.
    void FailCycle(const std::string& text, const char* caption);
    // Closes the port and disconnects; mCycleLock held, the worker out of its
    // cycle or the caller itself.
    void CloseTitlingLinkLocked();
    bool OnWorkerThread() const { return std::this_thread::get_id() == mWorkerId.load(); }
    // Shows why the field was refused and puts the user back into it.
    void RefuseField(int controlId, const char* message);
    void ShowFieldText(int controlId, const std::string& text);

    DialogWindow& mWindow;

    std::mutex mCycleLock;
    std::condition_variable mCycleEnded;
    bool mInCycle = false;         // the worker is using mComPort and mClient
    bool mCloseHandedOver = false;  // a stop found the cycle stuck: the worker closes at its end
    std::string mPortName;          // the device titling writes to, for its messages
    std::atomic<std::thread::id> mWorkerId{};
    std::atomic<bool> mWorkerEnded{false};
};
