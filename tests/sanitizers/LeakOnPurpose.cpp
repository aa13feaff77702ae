// Leaks one block on purpose and otherwise succeeds; see CMakeLists.txt.
#include <cstdio>

namespace {
// Out of the optimiser's reach, so the block is really made and really lost.
void* volatile gLost = nullptr;
}  // namespace

int main() {
    gLost = new char[4242];
    gLost = nullptr;
    std::puts("leaked 4242 bytes");
    return 0;
}
