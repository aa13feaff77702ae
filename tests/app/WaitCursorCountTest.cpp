#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app/WaitCursorCount.h"

TEST(WaitCursorCountTest, NestedRequestsEndWithTheLast) {
    WaitCursorCount cursor;
    EXPECT_FALSE(cursor.IsWaiting());
    EXPECT_TRUE(cursor.Begin());
    EXPECT_FALSE(cursor.Begin());
    EXPECT_FALSE(cursor.End());
    EXPECT_TRUE(cursor.IsWaiting());
    EXPECT_TRUE(cursor.End());
    EXPECT_FALSE(cursor.IsWaiting());
}

TEST(WaitCursorCountTest, UnpairedEndDoesNotHideALaterRequest) {
    WaitCursorCount cursor;
    EXPECT_FALSE(cursor.End());
    EXPECT_TRUE(cursor.Begin());
    EXPECT_TRUE(cursor.IsWaiting());
}

TEST(WaitCursorCountTest, CountsRequestsFromSeveralThreads) {
    WaitCursorCount cursor;
    cursor.Begin();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&cursor] {
            for (int i = 0; i < 10000; ++i) {
                cursor.Begin();
                cursor.End();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_TRUE(cursor.IsWaiting());
    EXPECT_TRUE(cursor.End());
}
