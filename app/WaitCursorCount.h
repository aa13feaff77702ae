#pragma once
// The count behind the application-wide wait cursor: requests nest, and only
// the last end brings the normal cursor back. Safe from any thread, since the
// worker begins and ends it too.
#include <atomic>

class WaitCursorCount {
public:
    // True when this request turned the wait cursor on.
    bool Begin();
    // True when this end turned it off. An end without a begin is ignored, so
    // one unpaired end cannot hide the cursor of a later request.
    bool End();
    bool IsWaiting() const;

private:
    std::atomic<int> mCount{0};
};
