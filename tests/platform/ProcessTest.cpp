#include <gtest/gtest.h>

#include "platform/Process.h"

namespace {

std::string Child() { return platform::ProgramDirectory() + platform::ExecutableName("orb-child-echo"); }

constexpr int kPatience = 20000;  // a limit for a child that never answers, not a speed check

TEST(ChildProcessTest, ArgumentsArriveWholeAndTheOutputComesBackLineByLine) {
    platform::ChildProcess child;
    const std::vector<std::string> arguments = {"plain", "two words", "", "say \"hi\"", "back\\slash\\", "-a=1 0"};
    ASSERT_TRUE(child.Start(Child(), arguments));
    std::string line;
    for (const std::string& a : arguments) {
        ASSERT_TRUE(child.ReadLine(line, kPatience));
        EXPECT_EQ(line, "[" + a + "]");
    }
    EXPECT_FALSE(child.ReadLine(line, kPatience));  // the output has ended
    EXPECT_EQ(child.Wait(), 7);
    EXPECT_EQ(child.Wait(), 7);
}

TEST(ChildProcessTest, ReadLineTimesOutOnASilentChildAndKillEndsIt) {
    platform::ChildProcess child;
    ASSERT_TRUE(child.Start(Child(), {"hang"}));
    std::string line;
    ASSERT_TRUE(child.ReadLine(line, kPatience));
    EXPECT_EQ(line, "[hang]");
    EXPECT_FALSE(child.ReadLine(line, 50));
    EXPECT_TRUE(child.Kill());
    EXPECT_NE(child.Wait(), 7);
    EXPECT_FALSE(child.Kill());
    EXPECT_FALSE(child.ReadLine(line, kPatience));
}

TEST(ChildProcessTest, AProgramThatDoesNotExistIsNotStarted) {
    platform::ChildProcess child;
    EXPECT_FALSE(child.Start(platform::ProgramDirectory() + platform::ExecutableName("no-such-program"), {}));
    EXPECT_EQ(child.Wait(), -1);
}

}  // namespace
