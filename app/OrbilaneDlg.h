#pragma once
// The main window: it shows the current timestamp and the serial port number,
// carries Start and Stop, and provides the window operations that titling
// uses. It reaches its window only through a DialogWindow back end.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "app/DialogWindow.h"

class OrbilaneDlg {
public:
    static constexpr unsigned kUpdateMessage = 1024;  // WM_USER, posted by the worker after each timestamp
    static constexpr int kClicked = 0;                // BN_CLICKED
    static constexpr int kIdOk = 1;                   // IDOK: Enter while Start is disabled
    static constexpr int kIdCancel = 2;               // IDCANCEL: Esc

    explicit OrbilaneDlg(DialogWindow& window);
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

    static int TitlingThreadProc(OrbilaneDlg* dlg);
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

private:
    // Stops the worker's outer loop and waits until the thread has ended, so
    // that it never outlives the members it uses.
    void EndWorker();
    // Shows why the field was refused and puts the user back into it.
    void RefuseField(int controlId, const char* message);
    void ShowFieldText(int controlId, const std::string& text);

    DialogWindow& mWindow;
};
