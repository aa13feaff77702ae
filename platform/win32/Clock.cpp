#include "platform/Clock.h"

#include <windows.h>

namespace platform {

LocalTime GetLocalTime() {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

}  // namespace platform
