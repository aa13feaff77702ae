// Two threads write one plain int without a lock, on purpose, and the
// program otherwise succeeds; see CMakeLists.txt.
#include <cstdio>
#include <thread>

int gShared = 0;

int main() {
    std::thread writer([] {
        for (int i = 0; i < 1000; ++i) ++gShared;
    });
    for (int i = 0; i < 1000; ++i) ++gShared;
    writer.join();
    std::printf("gShared = %d\n", gShared);
    return 0;
}
