// An application that includes windows.h before the client's header: its
// SetComputerName and SendMessage macros must not change what the client's
// operations are called, nor which ones are reached.
#include <windows.h>

#include <gtest/gtest.h>

#include <kovane/KovaneClient.h>

TEST(HeaderAfterWindowsTest, EveryOperationIsReachedUnderTheMacros) {
    KovaneClient client(1, 1);
    EXPECT_FALSE(client.SetComputerName());  // SetComputerNameA here
    EXPECT_FALSE(client.AreWeConnected());
    std::string reply = "kept";
    EXPECT_FALSE(client.SendCommandToServer("-GetTimestamp", reply));
    EXPECT_EQ(reply, "kept");
    EXPECT_FALSE(client.Disconnect());
}
