// Lists the acquisition server's objects, opens every object's live data
// stream and prints, once a second, the records received per kind in that
// second, with each stream's state from its health figures.
//
//   kovane-streams [SERVER [SECONDS]]
//
// SERVER defaults to localhost (the server's own ports, 26200 and 26100);
// SECONDS, how long to watch, to running until the server goes.
#include <kovane/KovaneClient.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

const StreamKind kKinds[] = {StreamKind::SE, StreamKind::ST, StreamKind::TT,
                             StreamKind::CSC, StreamKind::EV, StreamKind::VT};
const char* const kKindNames[] = {"SE", "ST", "TT", "CSC", "EV", "VT"};

// One counter per kind. Each callback runs on its own stream's thread, so
// the counters are atomic; nothing else is shared with those threads.
std::atomic<unsigned long> gRecords[6];

void CountRecord(void* context, const unsigned char* /*record*/, int recordCount, std::string /*objectName*/) {
    static_cast<std::atomic<unsigned long>*>(context)->fetch_add(static_cast<unsigned long>(recordCount),
                                                                std::memory_order_relaxed);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string server = argc > 1 ? argv[1] : "localhost";
    const long seconds = argc > 2 ? std::atol(argv[2]) : -1;

    KovaneClient client;
    if (!client.Connect(server, true)) {
        std::fprintf(stderr, "kovane-streams: cannot connect to an acquisition server on %s with its streams\n",
                     server.c_str());
        return 1;
    }
    std::vector<std::string> objects, types;
    if (!client.GetObjectsAndTypes(objects, types)) {
        std::fprintf(stderr, "kovane-streams: the server did not list its objects\n");
        return 1;
    }
    std::printf("%s has %zu objects:\n", client.GetServerApplicationName().c_str(), objects.size());
    for (size_t i = 0; i < objects.size(); ++i) std::printf("  %-16s %s\n", objects[i].c_str(), types[i].c_str());

    // Callbacks first, then the streams, so no record goes uncounted.
    client.SetCallbackFunctionSE(CountRecord, &gRecords[0]);
    client.SetCallbackFunctionST(CountRecord, &gRecords[1]);
    client.SetCallbackFunctionTT(CountRecord, &gRecords[2]);
    client.SetCallbackFunctionCSC(CountRecord, &gRecords[3]);
    client.SetCallbackFunctionEV(CountRecord, &gRecords[4]);
    client.SetCallbackFunctionVT(CountRecord, &gRecords[5]);
    for (size_t i = 0; i < objects.size(); ++i) {
        if (!client.OpenStream(objects[i], types[i])) std::printf("  (%s not opened)\n", objects[i].c_str());
    }

    std::printf("records per second:\n");
    unsigned long last[6] = {};
    auto next = std::chrono::steady_clock::now();
    for (long s = 0; seconds < 0 || s < seconds; ++s) {
        next += std::chrono::seconds(1);
        std::this_thread::sleep_until(next);
        std::string line;
        bool anyUp = false;
        for (int k = 0; k < 6; ++k) {
            const unsigned long now = gRecords[k].load(std::memory_order_relaxed);
            const StreamHealth health = client.GetStreamHealth(kKinds[k]);
            anyUp = anyUp || health.mConnected;
            char field[48];
            std::snprintf(field, sizeof field, "  %s %6lu%s", kKindNames[k], now - last[k],
                          health.mConnected ? "" : " (down)");
            line += field;
            last[k] = now;
        }
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        if (!anyUp) {
            std::fprintf(stderr, "kovane-streams: every stream is down\n");
            return 1;
        }
    }
    for (size_t i = 0; i < objects.size(); ++i) client.CloseStream(objects[i], types[i]);
    client.Disconnect();
    return 0;
}
