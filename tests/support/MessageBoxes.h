#pragma once
// Every test program records the message boxes shown through the platform
// layer instead of showing them; tests read and clear the record.
#include <vector>

#include "platform/MessageBox.h"

namespace testsupport {

std::vector<platform::MessageBoxRequest> RecordedBoxes();
void ClearRecordedBoxes();

}  // namespace testsupport
