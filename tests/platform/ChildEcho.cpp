// A child for the ChildProcess tests: prints each argument on a line of its
// own in brackets, so blanks and quotes can be seen to have arrived whole.
// "hang" as the first argument keeps it running until it is killed;
// otherwise it ends with exit code 7, its last line without a line end.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

int main(int argc, char** argv) {
    const bool hang = argc > 1 && std::strcmp(argv[1], "hang") == 0;
    for (int i = 1; i < argc; ++i) std::printf(i + 1 < argc || hang ? "[%s]\n" : "[%s]", argv[i]);
    std::fflush(stdout);
    if (hang) {
        std::this_thread::sleep_for(std::chrono::minutes(5));
    }
    return 7;
}
