// A lab program of its own, built against the installed package alone: it
// connects to the acquisition server and checks that it answers.
//
//   kovane-consumer SERVER QUERY-PORT COMMAND-PORT
//
// Prints what it did, one step a line, and exits 0 when every step worked.
#ifdef _WIN32
// Windows programs include it first, as often as not.
#include <windows.h>
#endif

#include <kovane/KovaneClient.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int failures = 0;

void Step(const char* what, bool ok, const std::string& detail = "") {
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what, detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stdout);
    if (!ok) ++failures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: kovane-consumer SERVER QUERY-PORT COMMAND-PORT\n");
        return 2;
    }
    KovaneClient client(std::atoi(argv[2]), std::atoi(argv[3]));
    const bool connected = client.Connect(argv[1], true);
    Step("Connect", connected, client.GetServerApplicationName());
    Step("AreWeConnected", client.AreWeConnected());

    std::string reply;
    const bool sent = client.SendCommandToServer("-GetTimestamp", reply);
    Step("-GetTimestamp", sent && reply.rfind("0 ", 0) == 0, reply);

    Step("Disconnect", client.Disconnect());
    std::printf("%s\n", failures == 0 ? "consumer passed" : "consumer FAILED");
    return failures == 0 ? 0 : 1;
}
