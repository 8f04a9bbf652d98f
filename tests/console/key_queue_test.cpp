#include "console/key_queue.h"

#include <gtest/gtest.h>

namespace rt {
namespace {

class KeyQueue : public ::testing::Test {
 protected:
  void SetUp() override { clear_key_queue(); }
  void TearDown() override { clear_key_queue(); }
};

TEST_F(KeyQueue, KeysComeOutInTheOrderTheyArrived) {
  push_key("a");
  push_key("\xFFK");
  push_key("\r");
  EXPECT_EQ(take_key(), "a");
  EXPECT_EQ(take_key(), "\xFFK");
  EXPECT_EQ(take_key(), "\r");
  EXPECT_EQ(take_key(), "");
  EXPECT_TRUE(key_queue_empty());
}

TEST_F(KeyQueue, FlagIsSetByAKeyAndClearedByTakingOne) {
  EXPECT_FALSE(check_key_flag());
  push_key("a");
  push_key("b");
  EXPECT_EQ(take_key(), "a");
  // "b" arrived before "a" was taken: no key press since the last take.
  EXPECT_FALSE(check_key_flag());
  push_key("c");
  EXPECT_TRUE(check_key_flag());
  EXPECT_FALSE(key_queue_empty());  // the check leaves the keys queued
}

TEST_F(KeyQueue, CheckingReadsAndClearsTheFlag) {
  push_key("a");
  EXPECT_TRUE(check_key_flag());
  EXPECT_FALSE(check_key_flag());
  note_key_press();
  EXPECT_TRUE(check_key_flag());
  EXPECT_EQ(take_key(), "a");
}

TEST_F(KeyQueue, TakingFromAnEmptyQueueLeavesTheFlag) {
  note_key_press();
  EXPECT_EQ(take_key(), "");
  EXPECT_TRUE(check_key_flag());
}

}  // namespace
}  // namespace rt
