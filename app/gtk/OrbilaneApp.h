#pragma once
// The application object: one global instance, whose start-up runs the main
// window as a modal dialog; the application ends when the window ends.
class OrbilaneDlg;

class OrbilaneApp {
public:
    // Start-up. Returns false: the application ends with its window and runs
    // no message loop of its own afterwards.
    bool InitInstance();

    OrbilaneDlg* mMainWindow = nullptr;  // while the window runs
};

extern OrbilaneApp theApp;
