#include "platform/MessageBox.h"

#include <windows.h>

namespace platform {

int ShowNativeMessageBox(const MessageBoxRequest& request) {
    return MessageBoxA(static_cast<HWND>(request.owner), request.text.c_str(), request.caption.c_str(),
                       MB_OK | request.icon);
}

}  // namespace platform
