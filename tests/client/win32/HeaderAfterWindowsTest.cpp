// An application that includes windows.h before the client's header: its
// macros (SetComputerName and SendMessage among them) must not change what
// the client's operations are called, nor which ones are reached. Every
// operation is called once, so a name the macros bend fails to link.
#include <windows.h>

#include <gtest/gtest.h>

#include <kovane/KovaneClient.h>

namespace {

void Ignore(void*, const unsigned char*, int, std::string) {}

}  // namespace

TEST(HeaderAfterWindowsTest, EveryOperationIsReachedUnderTheMacros) {
    KovaneClient client(1, 1);
    EXPECT_FALSE(client.SetComputerName());  // SetComputerNameA here
    EXPECT_FALSE(client.AreWeConnected());
    std::string reply = "kept";
    EXPECT_FALSE(client.SendCommandToServer("-GetTimestamp", reply));
    EXPECT_EQ(reply, "kept");
    unsigned char* buffer = nullptr;
    int size = 0;
    EXPECT_FALSE(client.SendCommandToServer("-GetTimestamp", buffer, size));
    KovaneClient::ReleaseReplyBuffer(buffer);

    int a = 0, b = 0;
    unsigned char bytes[4];
    EXPECT_FALSE(client.SetApplicationName("A"));
    EXPECT_FALSE(client.RequestRingBufferSize("A", a, b));
    EXPECT_FALSE(client.RequestRingBuffer("A", bytes, sizeof bytes, a));
    EXPECT_FALSE(client.RequestSamplingFrequency("A", a));
    EXPECT_FALSE(client.RequestADRange("A", a, b));
    EXPECT_FALSE(client.RequestFeature("A", 1, reply));
    EXPECT_FALSE(client.LogMessage("A", 1));

    std::vector<std::string> objects, types;
    EXPECT_FALSE(client.GetObjectsAndTypes(objects, types));
    EXPECT_FALSE(client.OpenStream("SE1", "SEScAcqEnt"));
    EXPECT_FALSE(client.CloseStream("SE1", "SEScAcqEnt"));
    client.SetCallbackFunctionSE(Ignore, nullptr);
    client.SetCallbackFunctionST(Ignore, nullptr);
    client.SetCallbackFunctionTT(Ignore, nullptr);
    client.SetCallbackFunctionCSC(Ignore, nullptr);
    client.SetCallbackFunctionEV(Ignore, nullptr);
    client.SetCallbackFunctionVT(Ignore, nullptr);
    EXPECT_FALSE(client.GetStreamHealth(StreamKind::VT).mConnected);

    EXPECT_EQ(client.GetServerName(), "Not Connected");
    EXPECT_EQ(client.GetServerIPAddress(), "Not Connected");
    EXPECT_EQ(client.GetServerApplicationName(), "Not Connected");
    EXPECT_FALSE(client.OpenLogFile(""));
    EXPECT_FALSE(client.Connect("localhost", false));
    EXPECT_FALSE(client.Disconnect());
}
