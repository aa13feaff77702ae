#pragma once
// Hands a frame to the socket until all of it is out. A send may take only
// part of what it is given; whatever it leaves must follow at once, or half a
// frame stays on the wire and every later message is read out of step.
#include <functional>

struct SendProgress {
    int sent = 0;         // bytes taken in all
    int lastResult = 0;   // the last send's result: kSocketError, 0 (no progress) or a count
    bool Complete(int length) const { return sent == length; }
};

// sendOnce(data, length) sends once and returns the count taken or -1. Stops at
// the first failure or at a send that takes nothing.
SendProgress SendAll(const unsigned char* data, int length,
                     const std::function<int(const unsigned char*, int)>& sendOnce);
