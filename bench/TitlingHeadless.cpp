// Orbilane's titling as the application runs it, with a headless window:
// opens the window, types the port, presses Start, titles for a while,
// presses Stop and closes. One titling process for bench/titling-age.sh.
//
//   bench_titling_headless PORT_NUMBER SECONDS [QUERY_PORT COMMAND_PORT]
// Without the two ports the server's fixed ports 26200 and 26100 are used.
// Exits 1 when titling did not start, or a message box was shown.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/Resource.h"
#include "bench/HeadlessWindow.h"
#include "platform/MessageBox.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: %s PORT_NUMBER SECONDS [QUERY_PORT COMMAND_PORT]\n", argv[0]);
        return 2;
    }
    int boxes = 0;
    platform::SetMessageBoxHandler([&boxes](const platform::MessageBoxRequest& box) {
        std::fprintf(stderr, "box: %s: %s\n", box.caption.c_str(), box.text.c_str());
        ++boxes;
        return platform::kIdOk;
    });
    const int seconds = std::atoi(argv[2]);
    HeadlessWindow window;
    {
        const int queryPort = argc == 5 ? std::atoi(argv[3]) : KovaneClient::kPortQueryPort;
        const int commandPort = argc == 5 ? std::atoi(argv[4]) : KovaneClient::kDirectCommandPort;
        OrbilaneDlg dlg(window, queryPort, commandPort);
        window.StartMessageLoop(dlg);
        dlg.OnInitDialog();
        window.SetControlText(IDC_COMPORT, argv[1]);
        dlg.OnStart();
        if (dlg.mTitling == 0) {
            std::fprintf(stderr, "titling did not start\n");
            dlg.OnClose();
            window.StopMessageLoop();
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        dlg.OnStop();
        dlg.OnClose();
        window.StopMessageLoop();
        std::printf("refreshes %ld last %s\n", window.Refreshes(), window.GetControlText(IDC_TIMESTAMP).c_str());
    }
    return boxes == 0 ? 0 : 1;
}
