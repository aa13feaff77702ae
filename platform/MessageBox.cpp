#include "platform/MessageBox.h"

#include <mutex>
#include <utility>

namespace platform {

int ShowNativeMessageBox(const MessageBoxRequest& request);  // win32/ or posix/

namespace {
std::mutex gHandlerLock;
MessageBoxHandler gHandler;
}  // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, void* owner, unsigned icon) {
    MessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(gHandlerLock);
        handler = gHandler;
    }
    MessageBoxRequest request{text, caption, owner, icon};
    return handler ? handler(request) : ShowNativeMessageBox(request);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(gHandlerLock);
    return std::exchange(gHandler, std::move(handler));
}

}  // namespace platform
