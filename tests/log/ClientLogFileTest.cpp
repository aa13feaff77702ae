#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "log/ClientLogFile.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fixed clock the test can move.
struct FakeClock {
    platform::LocalTime now{2008, 3, 7, 9, 5, 3, 7};
    ClientLogFile::Clock AsClock() {
        return [this] { return now; };
    }
};

class ClientLogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("orb-log-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string PathOf(const char* name) { return (dir / name).string(); }

    fs::path dir;
    FakeClock clock;
};

TEST_F(ClientLogFileTest, EntriesBeforeAnyOpenAreDroppedAndNoFileAppears) {
    ClientLogFile log(clock.AsClock());
    EXPECT_EQ(log.WriteLogEntry(LogLevel::Notice, "lost"), -1);
    EXPECT_EQ(log.CloseLogFile(), -1);
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(ClientLogFileTest, FileHoldsOpeningLinesEntriesAndClosingLineByteForByte) {
    const std::string name = PathOf("a.log");
    {
        ClientLogFile log(clock.AsClock());
        ASSERT_EQ(log.OpenLogFile(name), 0);
        EXPECT_EQ(log.WriteLogEntry(LogLevel::Notice,
                                    "NetworkNodeClient::ShutdownClient() - Attempting to Shutdown Message Client"),
                  0);
        clock.now = {2008, 3, 7, 0, 0, 0, 0};
        log.WriteLogEntry(LogLevel::Error, "midnight");
        clock.now = {2008, 3, 7, 23, 59, 59, 999};
        log.WriteLogEntry(LogLevel::Warning, "late");
        log.WriteLogEntry(LogLevel::Data, "two\nlines");
        log.WriteLogEntry(LogLevel::Fatal, std::string("cut\0here", 8));
        EXPECT_EQ(log.CloseLogFile(), 0);
        EXPECT_EQ(log.CloseLogFile(), -1);
    }
    EXPECT_EQ(ReadAll(name),
              "Kovane Log File Opened - File Name:  " + name + "\r\n"
              "Time Opened: (m/d/y)  3/7/2008 at time 9:5:3.7\r\n"
              "-* NOTICE *-  09:05:03.007 - NetworkNodeClient::ShutdownClient() - Attempting to Shutdown Message Client\r\n"
              "-* ERROR *-  00:00:00.000 - midnight\r\n"
              "-* WARNING *-  23:59:59.999 - late\r\n"
              "-* DATA *-  23:59:59.999 - two\r\nlines\r\n"
              "-* FATAL *-  23:59:59.999 - cut\r\n"
              "Log File Closed - End of File\r\r\n\r\n");
}

TEST(ClientLogFileTags, EveryLevelHasItsTagAndAnyOtherValueIsUnknown) {
    const std::pair<int, const char*> cases[] = {
        {0, "-* FATAL *- "}, {1, "-* ERROR *- "},   {2, "-* WARNING *- "}, {3, "-* NOTICE *- "},
        {4, "-* DATA *- "},  {5, "-* UNKNOWN *- "}, {7, "-* UNKNOWN *- "}, {-1, "-* UNKNOWN *- "},
    };
    for (const auto& [value, tag] : cases) {
        EXPECT_EQ(ClientLogFile::GetLevelTag(static_cast<LogLevel>(value)), tag) << value;
    }
}

TEST_F(ClientLogFileTest, OpeningASecondFileClosesTheFirstAndEntriesGoToTheSecond) {
    const std::string first = PathOf("first.log");
    const std::string second = PathOf("second.log");
    {
        std::ofstream old(second, std::ios::binary);
        old << "old text that must go\n";
    }
    ClientLogFile log(clock.AsClock());
    ASSERT_EQ(log.OpenLogFile(first), 0);
    ASSERT_EQ(log.OpenLogFile(second), 0);
    log.WriteLogEntry(LogLevel::Notice, "only in the second");
    log.CloseLogFile();

    const std::string a = ReadAll(first);
    const std::string b = ReadAll(second);
    EXPECT_TRUE(a.ends_with("Log File Closed - End of File\r\r\n\r\n"));
    EXPECT_EQ(a.find("only in the second"), std::string::npos);
    EXPECT_TRUE(b.starts_with("Kovane Log File Opened - File Name:  " + second + "\r\n"));
    EXPECT_EQ(b.find("old text"), std::string::npos);
    EXPECT_NE(b.find("only in the second"), std::string::npos);
}

TEST_F(ClientLogFileTest, FailedOpenClosesTheOldFileAndLeavesTheLogClosed) {
    const std::string first = PathOf("first.log");
    ClientLogFile log(clock.AsClock());
    ASSERT_EQ(log.OpenLogFile(first), 0);
    const std::string missing = (dir / "no-such-folder" / "x.log").string();
    EXPECT_EQ(log.OpenLogFile(missing), -1);
    EXPECT_EQ(log.LastOpenError(),
              "Error openning filename: " + missing + ", file may be invalid, please check the filename ");
    EXPECT_EQ(log.WriteLogEntry(LogLevel::Notice, "dropped"), -1);
    EXPECT_EQ(log.CloseLogFile(), -1);
    EXPECT_TRUE(ReadAll(first).ends_with("Log File Closed - End of File\r\r\n\r\n"));
    EXPECT_FALSE(fs::exists(missing));
}

// Entries from many threads, with the log reopened on other files while they
// run, leave only whole lines in every file.
TEST_F(ClientLogFileTest, ManyThreadsLeaveOnlyWholeLines) {
    ClientLogFile log;
    const std::string names[] = {PathOf("even.log"), PathOf("odd.log")};
    ASSERT_EQ(log.OpenLogFile(names[0]), 0);
    constexpr int kThreads = 6;
    constexpr int kEntries = 2000;
    std::atomic<bool> stop{false};
    std::atomic<int> written{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            const std::string text(50 + t * 10, static_cast<char>('a' + t));
            while (!stop) {
                log.WriteLogEntry(LogLevel::Notice, text);
                ++written;
            }
        });
    }
    for (int i = 1; i <= 6; ++i) {
        const int before = written;
        while (written < before + kEntries) std::this_thread::yield();
        if (i < 6) log.OpenLogFile(names[i % 2]);  // reopening while the writers run must be safe
    }
    stop = true;
    for (auto& w : writers) w.join();
    log.CloseLogFile();

    const std::regex entry(R"(-\* NOTICE \*-  \d\d:\d\d:\d\d\.\d\d\d - ([a-f])\1*\r)");
    for (const std::string& name : names) {
        std::istringstream lines(ReadAll(name));
        std::string line;
        int entries = 0;
        while (std::getline(lines, line)) {
            if (!line.starts_with("-* NOTICE")) continue;
            ASSERT_TRUE(std::regex_match(line, entry)) << line;
            const size_t text = line.size() - (line.find(" - ") + 3) - 1;  // without the CR
            EXPECT_EQ(text, 50u + static_cast<size_t>(line[line.size() - 2] - 'a') * 10) << line;
            ++entries;
        }
        EXPECT_GT(entries, 0) << name;
        EXPECT_TRUE(ReadAll(name).ends_with("Log File Closed - End of File\r\r\n\r\n")) << name;
    }
}

}  // namespace
