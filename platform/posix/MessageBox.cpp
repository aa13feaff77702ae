#include "platform/MessageBox.h"

#include <cstdio>

namespace platform {

// A program using the library may have no window at all: say it on stderr and
// carry on, as if the user had pressed OK.
int ShowNativeMessageBox(const MessageBoxRequest& request) {
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
    std::fflush(stderr);
    return kIdOk;
}

}  // namespace platform
