// Connects to the acquisition server and prints its timestamp ten times a
// second, as a titler or a logger of one's own would read it.
//
//   kovane-timestamp [SERVER [COUNT]]
//
// SERVER defaults to localhost (the server's own ports, 26200 and 26100);
// COUNT, the number of timestamps to print, to running until the server goes.
#include <kovane/KovaneClient.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    const std::string server = argc > 1 ? argv[1] : "localhost";
    const long count = argc > 2 ? std::atol(argv[2]) : -1;

    KovaneClient client;
    client.Connect(server, true);
    // Connect is false also when only the data streams could not be set up;
    // whether the server answers is AreWeConnected's to say.
    if (!client.AreWeConnected()) {
        std::fprintf(stderr, "kovane-timestamp: no acquisition server answers on %s\n", server.c_str());
        return 1;
    }
    std::printf("connected to %s (%s) at %s\n", client.GetServerApplicationName().c_str(),
                client.GetServerName().c_str(), client.GetServerIPAddress().c_str());

    auto next = std::chrono::steady_clock::now();
    for (long i = 0; count < 0 || i < count; ++i) {
        std::string reply;
        if (!client.SendCommandToServer("-GetTimestamp", reply)) {
            std::fprintf(stderr, "kovane-timestamp: the server has gone\n");
            return 1;
        }
        // The reply is a status and, for status 0, the timestamp in microseconds.
        char* end = nullptr;
        const long status = std::strtol(reply.c_str(), &end, 10);
        if (status != 0) {
            std::fprintf(stderr, "kovane-timestamp: the server answers -GetTimestamp with \"%s\"\n", reply.c_str());
            return 1;
        }
        std::printf("%lld\n", std::strtoll(end, nullptr, 10));
        std::fflush(stdout);
        next += std::chrono::milliseconds(100);
        std::this_thread::sleep_until(next);
    }
    client.Disconnect();
    return 0;
}
