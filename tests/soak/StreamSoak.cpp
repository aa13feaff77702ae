#include "tests/soak/StreamSoak.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "channel/NetworkNodeClient.h"
#include "tests/support/LogLines.h"
#include "tests/support/SimServer.h"
#include "tools/quorvex-sim/StreamRecords.h"

namespace soak {
namespace {

using SteadyClock = std::chrono::steady_clock;

// One in this many records is compared byte for byte; the sequence and the
// source of every record are checked.
constexpr std::uint64_t kWholeCheckEvery = 101;

std::uint32_t Get32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// What one kind's callback keeps. Only that kind's receive thread writes it
// while streaming; the counters are read once the streams have stopped,
// except records, which the sampler reads as it goes.
struct KindState {
    KindLoad load;
    const sim::StreamKindInfo* info = nullptr;
    std::vector<std::string> names;  // the object of each source index, as the client keeps them
    std::vector<std::uint32_t> next;
    std::vector<bool> heard;
    std::atomic<std::uint64_t> records{0};
    std::uint64_t lost = 0, outOfOrder = 0, wrongSource = 0, corrupt = 0;

    static void Callback(void* context, const unsigned char* record, int recordCount, std::string objectName) {
        auto& k = *static_cast<KindState*>(context);
        const std::uint64_t n = k.records.fetch_add(1, std::memory_order_relaxed) + 1;
        const std::uint32_t sequence = Get32(record + sim::kSequenceOffset);
        const std::uint32_t index = Get32(record + sim::kObjectIndexOffset);
        if (recordCount != 1 || index >= k.names.size() || objectName != k.names[index]) {
            ++k.wrongSource;
            return;
        }
        if (n % kWholeCheckEvery == 0) {
            std::uint32_t i = 0, s = 0;
            if (!sim::CheckRecord(*k.info, record, i, s)) ++k.corrupt;
        }
        if (!k.heard[index]) {
            // An object's records are numbered from 0 from its first open.
            k.heard[index] = true;
            k.lost += sequence;
            k.next[index] = sequence + 1;
        } else if (sequence == k.next[index]) {
            ++k.next[index];
        } else if (sequence > k.next[index]) {
            k.lost += sequence - k.next[index];
            k.next[index] = sequence + 1;
        } else {
            ++k.outOfOrder;
        }
    }
};

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

}  // namespace

std::vector<KindLoad> LargeRig() {
    return {
        {"SE", "SEScAcqEnt", 8, 8 * 50.0},     {"ST", "STScAcqEnt", 8, 8 * 50.0},
        {"TT", "TTScAcqEnt", 128, 128 * 50.0}, {"CSC", "CscAcqEnt", 512, 32000.0},
        {"EV", "EventAcqEnt", 1, 40.0},        {"VT", "VTAcqEnt", 1, 30.0},
    };
}

std::uint64_t Result::Records() const {
    std::uint64_t n = 0;
    for (const KindResult& k : kinds) n += k.records;
    return n;
}

std::uint64_t Result::Faults() const {
    std::uint64_t n = 0;
    for (const KindResult& k : kinds) n += k.lost + k.outOfOrder + k.wrongSource + k.corrupt;
    return n;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

Result Run(const std::vector<KindLoad>& load, double warmUpSeconds, double seconds, double sampleEvery,
           const std::function<void(const Sample&)>& progress) {
    Result result;

    // The server's objects, kind by kind, and the rate of each kind's stream.
    std::vector<std::string> names, types;
    std::vector<std::string> options{"--clock", "start"};
    std::string objects;
    for (const KindLoad& kind : load) {
        for (int i = 1; i <= kind.objects; ++i) {
            const std::string name = kind.objects == 1 && std::string(kind.code) == "EV"
                                         ? std::string("Events")
                                         : std::string(kind.code) + std::to_string(i);
            names.push_back(name);
            types.push_back(kind.dataType);
            objects += (objects.empty() ? "" : ",") + name + ":" + kind.dataType;
        }
        std::ostringstream rate;
        rate << kind.code << "=" << kind.recordsPerSecond;
        options.insert(options.end(), {"--stream-rate", rate.str()});
    }
    options.insert(options.end(), {"--objects", objects});

    std::vector<std::unique_ptr<KindState>> states;
    for (const KindLoad& kind : load) {
        auto state = std::make_unique<KindState>();
        state->load = kind;
        state->info = sim::FindStreamKind(kind.dataType);
        for (size_t i = 0; i < names.size(); ++i) {
            const sim::StreamKindInfo* other = sim::FindStreamKind(types[i]);
            if (other == state->info || (state->info->spike && other->spike)) state->names.push_back(names[i]);
        }
        state->next.assign(state->names.size(), 0);
        state->heard.assign(state->names.size(), false);
        states.push_back(std::move(state));
    }

    testsupport::SimServer server(options);
    if (!server.Started()) {
        result.failure = "quorvex-sim did not start";
        return result;
    }
    const std::string logPath = testsupport::TempLogPath("stream-soak");
    {
        NetworkNodeClient client;
        client.OpenLogFile(logPath);
        for (auto& state : states) {
            const std::string code = state->load.code;
            void* context = state.get();
            if (code == "SE") client.SetCallbackFunctionSE(&KindState::Callback, context);
            if (code == "ST") client.SetCallbackFunctionST(&KindState::Callback, context);
            if (code == "TT") client.SetCallbackFunctionTT(&KindState::Callback, context);
            if (code == "CSC") client.SetCallbackFunctionCSC(&KindState::Callback, context);
            if (code == "EV") client.SetCallbackFunctionEV(&KindState::Callback, context);
            if (code == "VT") client.SetCallbackFunctionVT(&KindState::Callback, context);
        }
        std::vector<std::string> serverNames, serverTypes;
        if (!client.InitializeClient("localhost", server.CommandPort())) {
            result.failure = "no command connection";
        } else if (client.InitializeConnectionNodes() != 0) {
            result.failure = "the streams were not set up";
        } else if (!client.GetObjectsAndTypes(serverNames, serverTypes) || serverNames != names ||
                   serverTypes != types) {
            result.failure = "the object lists did not come as given";
        }
        // The six streams connect before their objects can be opened.
        std::string line;
        for (int connected = 0; result.failure.empty() && connected < 6;) {
            if (!server.NextStreamLine(line)) result.failure = "the streams did not connect";
            if (line.find(" connected to ") != std::string::npos) ++connected;
        }
        for (size_t i = 0; result.failure.empty() && i < names.size(); ++i) {
            if (!client.OpenStream(names[i], types[i])) result.failure = "cannot open " + names[i];
        }
        // The server's command lines, read so that its output never fills up:
        // the identify request, six set-up pairs, two lists and the opens.
        if (result.failure.empty()) server.NextCommands(1 + 12 + 2 + static_cast<int>(names.size()));
        result.setUp = result.failure.empty();

        if (result.setUp) {
            std::this_thread::sleep_for(std::chrono::duration<double>(warmUpSeconds));
            const auto total = [&] {
                std::uint64_t n = 0;
                for (auto& state : states) n += state->records.load(std::memory_order_relaxed);
                return n;
            };
            const auto start = SteadyClock::now();
            const auto sample = [&] {
                const double at = std::chrono::duration<double>(SteadyClock::now() - start).count();
                result.samples.push_back({at, total(), ResidentKiB(), CpuSeconds()});
                if (progress) progress(result.samples.back());
            };
            sample();
            for (double next = sampleEvery; next < seconds; next += sampleEvery) {
                std::this_thread::sleep_until(start + std::chrono::duration_cast<SteadyClock::duration>(
                                                          std::chrono::duration<double>(next)));
                sample();
            }
            std::this_thread::sleep_until(start + std::chrono::duration_cast<SteadyClock::duration>(
                                                      std::chrono::duration<double>(seconds)));
            sample();
            result.seconds = result.samples.back().seconds;
        }
        // Stops every receive thread: the counters are final from here on.
        client.ShutdownClient();
    }

    for (auto& state : states) {
        KindResult k;
        k.code = state->load.code;
        k.objects = state->load.objects;
        for (size_t i = 0; i < state->names.size(); ++i) {
            if (state->heard[i]) ++k.objectsHeard;
        }
        k.records = state->records;
        k.lost = state->lost;
        k.outOfOrder = state->outOfOrder;
        k.wrongSource = state->wrongSource;
        k.corrupt = state->corrupt;
        result.kinds.push_back(k);
    }
    for (const std::string& entry : testsupport::ReadLogEntries(logPath)) {
        if (entry.rfind("ERROR", 0) == 0) result.logErrors.push_back(entry);
    }
    std::remove(logPath.c_str());
    return result;
}

}  // namespace soak
