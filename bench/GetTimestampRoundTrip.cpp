// The round trip of "-GetTimestamp" through KovaneClient, the part of a
// titling cycle that the server and the connection take: connects as titling
// does and times COUNT exchanges. For bench/titling-age.sh, which measures it
// in the same run as the titling it compares against.
//
//   bench_get_timestamp_round_trip QUERY_PORT COMMAND_PORT [COUNT]
// Prints "round-trip-us MIN MEDIAN P99 MAX".
#include <kovane/KovaneClient.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s QUERY_PORT COMMAND_PORT [COUNT]\n", argv[0]);
        return 2;
    }
    const int count = argc > 3 ? std::atoi(argv[3]) : 2000;
    KovaneClient client(std::atoi(argv[1]), std::atoi(argv[2]));
    if (!client.Connect("localhost", true) || !client.AreWeConnected()) {
        std::fprintf(stderr, "could not connect\n");
        return 1;
    }
    std::vector<double> micros;
    micros.reserve(count);
    for (int i = 0; i < count; ++i) {
        std::string reply;
        const auto began = std::chrono::steady_clock::now();
        if (!client.SendCommandToServer("-GetTimestamp", reply)) {
            std::fprintf(stderr, "the exchange failed\n");
            return 1;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - began).count());
    }
    client.Disconnect();
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) { return micros[static_cast<std::size_t>(q * (micros.size() - 1))]; };
    std::printf("round-trip-us %.1f %.1f %.1f %.1f\n", micros.front(), at(0.5), at(0.99), micros.back());
    return 0;
}
