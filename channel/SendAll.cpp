#include "channel/SendAll.h"

SendProgress SendAll(const unsigned char* data, int length,
                     const std::function<int(const unsigned char*, int)>& sendOnce) {
    SendProgress progress;
    while (progress.sent < length) {
        progress.lastResult = sendOnce(data + progress.sent, length - progress.sent);
        if (progress.lastResult <= 0) break;
        progress.sent += progress.lastResult;
    }
    return progress;
}
