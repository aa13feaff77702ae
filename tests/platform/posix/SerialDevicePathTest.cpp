#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Serial.h"

namespace fs = std::filesystem;

// A home and a config folder of the test's own, so no user's mapping counts.
class SerialDevicePathTest : public ::testing::Test {
protected:
    void SetUp() override {
        mRoot = fs::temp_directory_path() /
                (std::string("orb-serial-path-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(mRoot);
        fs::create_directories(mRoot / "home");
        SaveAndSet("HOME", (mRoot / "home").string());
        SaveAndSet("XDG_CONFIG_HOME", (mRoot / "config").string());
    }
    void TearDown() override {
        for (const auto& [name, value] : mSaved) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        fs::remove_all(mRoot);
    }
    void SaveAndSet(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        mSaved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name.c_str(), value.c_str(), 1);
    }
    static fs::path MakeLink(const fs::path& folder, const std::string& entry, const std::string& target) {
        fs::create_directories(folder);
        fs::create_symlink(target, folder / entry);
        return folder / entry;
    }

    fs::path mRoot;
    std::vector<std::pair<std::string, std::optional<std::string>>> mSaved;
};

TEST_F(SerialDevicePathTest, ComNumbersNameTheBuiltInPortsFromComOne) {
    const struct {
        const char* name;
        const char* path;
    } cases[] = {
        {"COM1", "/dev/ttyS0"}, {"COM12", "/dev/ttyS11"}, {"com3", "/dev/ttyS2"},
        {"COM0", ""},           {"COM-1", ""},           {"COM", ""},
        {"COM01", ""},          {"COM3x", ""},           {"LPT1", ""},
        {"", ""},               {"COM9999999999", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::SerialDevicePath(c.name), c.path) << c.name;
    }
}

TEST_F(SerialDevicePathTest, ALinkInTheDosDevicesFolderWinsEvenWhenItDangles) {
    const fs::path folder = mRoot / "config" / "orbilane" / "dosdevices";
    const fs::path mapped = MakeLink(folder, "com5", "/dev/pts/4242");  // nothing there
    EXPECT_EQ(platform::SerialDevicePath("COM5"), mapped.string());
    EXPECT_EQ(platform::SerialDevicePath("COM6"), "/dev/ttyS5");

    // Opening the dangling mapping is a missing device, not the built-in port.
    EXPECT_EQ(platform::OpenSerialPort("COM5"), platform::kInvalidSerialHandle);
    EXPECT_EQ(platform::LastSerialError(), 2);
}

TEST_F(SerialDevicePathTest, WithoutAnAbsoluteXdgConfigHomeTheFolderIsInHome) {
    const fs::path mapped = MakeLink(mRoot / "home" / ".config" / "orbilane" / "dosdevices", "com7", "/dev/null");
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(platform::SerialDevicePath("COM7"), mapped.string());
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(platform::SerialDevicePath("COM7"), mapped.string());
}
