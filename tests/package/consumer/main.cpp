// A lab program of its own, built against the installed package alone: it
// connects to the acquisition server, fetches its objects, registers a
// callback for every kind of record, opens every object's stream and waits
// for records of each kind.
//
//   kovane-consumer SERVER QUERY-PORT COMMAND-PORT
//
// Prints what it did, one step a line, and exits 0 when every step worked.
#ifdef _WIN32
// Windows programs include it first, as often as not.
#include <windows.h>
#endif

#include <kovane/KovaneClient.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

int failures = 0;

// Records per kind, counted on the streams' own threads.
std::atomic<long> records[6];

void Count(void* context, const unsigned char*, int recordCount, std::string) {
    static_cast<std::atomic<long>*>(context)->fetch_add(recordCount);
}

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

    std::vector<std::string> objects, types;
    const bool listed = client.GetObjectsAndTypes(objects, types);
    Step("GetObjectsAndTypes", listed && !objects.empty(), std::to_string(objects.size()) + " objects");
    client.SetCallbackFunctionSE(Count, &records[0]);
    client.SetCallbackFunctionST(Count, &records[1]);
    client.SetCallbackFunctionTT(Count, &records[2]);
    client.SetCallbackFunctionCSC(Count, &records[3]);
    client.SetCallbackFunctionEV(Count, &records[4]);
    client.SetCallbackFunctionVT(Count, &records[5]);
    bool opened = true;
    for (size_t i = 0; i < objects.size(); ++i) opened = client.OpenStream(objects[i], types[i]) && opened;
    Step("OpenStream for every object", opened);

    // Every kind's records, within a generous while.
    const StreamKind kinds[] = {StreamKind::SE, StreamKind::ST, StreamKind::TT,
                                StreamKind::CSC, StreamKind::EV, StreamKind::VT};
    const char* const names[] = {"SE", "ST", "TT", "CSC", "EV", "VT"};
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (int k = 0; k < 6; ++k) {
        while (records[k] < 10 && std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        const StreamHealth health = client.GetStreamHealth(kinds[k]);
        Step((std::string("records of ") + names[k]).c_str(),
             records[k] >= 10 && health.mConnected && health.mRecordsDelivered >= 10,
             std::to_string(records[k].load()) + " received");
    }

    Step("Disconnect", client.Disconnect());
    std::printf("%s\n", failures == 0 ? "consumer passed" : "consumer FAILED");
    return failures == 0 ? 0 : 1;
}
