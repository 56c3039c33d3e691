#include "support/child_process.h"

#include <gtest/gtest.h>

#include <string>

void ExpectRunTimeError(const char* child, unsigned long number) {
    ChildOutcome outcome = RunChild(child);
    EXPECT_EQ(outcome.exitCode, number) << child;
    ASSERT_TRUE(outcome.boxSeen) << child;
    EXPECT_EQ(outcome.boxCaption, "Error");
    std::string prefix = "Runtime error " + std::to_string(number) + " at $";
    EXPECT_EQ(outcome.boxText.substr(0, prefix.size()), prefix) << outcome.boxText;
    EXPECT_EQ(outcome.boxText.size(), prefix.size() + sizeof(void*) * 2) << outcome.boxText;
}
