// quorvex-sim: a stand-in acquisition server for tests, demos and benchmarks.
// See --help.
#include <cstdio>
#include <cstdlib>

#include "tools/quorvex-sim/SimOptions.h"
#include "tools/quorvex-sim/SimServer.h"

namespace {
std::string PortText(int port) { return port < 0 ? "off" : std::to_string(port); }
}  // namespace

int main(int argc, char** argv) {
    sim::SimOptions options;
    std::string error;
    if (!sim::ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "quorvex-sim: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(sim::UsageText().c_str(), stdout);
        return 0;
    }
    sim::SimServer server(options);
    if (!server.Start(error)) {
        std::fprintf(stderr, "quorvex-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("quorvex-sim query-port %s command-port %s\n", PortText(server.QueryPort()).c_str(),
                PortText(server.CommandPort()).c_str());
    std::fflush(stdout);
    server.Run();
    // Sessions run on detached threads to the end: leave without tearing
    // down what they may still be using.
    std::fflush(nullptr);
    std::_Exit(0);
}
