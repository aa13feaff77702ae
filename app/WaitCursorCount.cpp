#include "app/WaitCursorCount.h"

bool WaitCursorCount::Begin() {
    return mCount.fetch_add(1) == 0;
}

bool WaitCursorCount::End() {
    int count = mCount.load();
    while (count > 0) {
        if (mCount.compare_exchange_weak(count, count - 1)) {
            return count == 1;
        }
    }
    return false;
}

bool WaitCursorCount::IsWaiting() const {
    return mCount.load() > 0;
}
