#pragma once
// The titler end of a titling test: the COM port that run-with-titler.sh has
// mapped to virtual-titler, the commands virtual-titler decoded, and the
// requests that cut the line under an open port and restore it.
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

class TitlerLog {
public:
    // False when the program runs without run-with-titler.sh.
    static bool Available();
    // "COM17" and 17.
    static std::string PortName();
    static int PortNumber();

    // Only what virtual-titler decodes from now on counts.
    TitlerLog();

    // The decoded commands since construction ("init", "timestamp 987",
    // "garbage 1b ..."), complete lines only.
    std::vector<std::string> Commands() const;
    // Waits, a bounded time, until done holds for the commands; false if it never did.
    bool WaitFor(const std::function<bool(const std::vector<std::string>&)>& done, int timeoutMs = 20000) const;

    // Ends virtual-titler, so writes to a port open on it fail; then starts
    // a new one on the same COM number. Each returns once it has been done.
    static bool Cut();
    static bool Restore();

private:
    static std::vector<std::string> AllLines();
    std::size_t mStart;
};

// Waits, a bounded time, until condition holds; false if it never did.
bool Eventually(const std::function<bool()>& condition, int timeoutMs = 20000);

}  // namespace testsupport
