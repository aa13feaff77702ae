#include "app/win32/OrbilaneApp.h"

#include <windows.h>
#include <commctrl.h>

#include "app/OrbilaneDlg.h"
#include "app/Resource.h"
#include "app/win32/Win32DialogWindow.h"

OrbilaneApp theApp;

bool OrbilaneApp::InitInstance() {
    InitCommonControls();
    // A dialog framework would now run its own instance initialisation, switch
    // on its hosting of ActiveX controls and take a registry key for settings.
    // None of that has a counterpart here: the window holds no ActiveX control,
    // the program reads and writes no settings, and it has no help to route
    // the Help command to.

    // Message boxes keep the platform's default, MessageBoxA with the owner given.
    Win32DialogWindow window(GetModuleHandleA(nullptr), IDD_ORBILANE_DIALOG);
    {
        OrbilaneDlg dlg(window);
        mMainWindow = &dlg;
        window.RunModal(dlg, nullptr);  // the result is of no use: the application ends either way
        mMainWindow = nullptr;
    }  // the dialog's worker has ended before its members go
    return false;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    theApp.InitInstance();
    return 0;
}
