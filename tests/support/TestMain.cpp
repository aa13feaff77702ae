#include <gtest/gtest.h>

#include <mutex>

#include "tests/support/MessageBoxes.h"

namespace testsupport {
namespace {
std::mutex gLock;
std::vector<platform::MessageBoxRequest> gBoxes;
}  // namespace

std::vector<platform::MessageBoxRequest> RecordedBoxes() {
    std::lock_guard<std::mutex> lock(gLock);
    return gBoxes;
}

void ClearRecordedBoxes() {
    std::lock_guard<std::mutex> lock(gLock);
    gBoxes.clear();
}
}  // namespace testsupport

int main(int argc, char** argv) {
    platform::SetMessageBoxHandler([](const platform::MessageBoxRequest& request) {
        std::lock_guard<std::mutex> lock(testsupport::gLock);
        testsupport::gBoxes.push_back(request);
        return platform::kIdOk;
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
