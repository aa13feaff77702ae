#pragma once
// The resource and control ids of the main window, shared by the resource
// script and the code: plain #defines, since the resource compiler reads them.
#define IDD_ORBILANE_DIALOG 102
#define IDR_MAINFRAME 128
#define IDC_TIMESTAMP 1003
#define IDC_START 1004
#define IDC_STOP 1005
#define IDC_COMPORT 1006
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
