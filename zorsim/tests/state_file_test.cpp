#include "state_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace zorsim {
namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(StateFile, IsReplacedWholeAndLeavesNoTemporaryFile) {
    char pattern[] = "/tmp/zorsim-state-XXXXXX";
    std::string directory = mkdtemp(pattern);
    std::string path = directory + "/unit.state";
    ASSERT_TRUE(WriteStateFile(path, {{"commands", "1"}, {"last_reply", "01 04 02 00 01 78 F0"}}));
    ASSERT_TRUE(WriteStateFile(path, {{"commands", "2"}}));
    EXPECT_EQ(Contents(path), "commands=2\n");
    EXPECT_NE(access((path + ".tmp").c_str(), F_OK), 0);
    std::remove(path.c_str());
    rmdir(directory.c_str());
}

TEST(StateFile, FailsWhenTheDirectoryIsMissing) {
    EXPECT_FALSE(WriteStateFile("/nonexistent-zorsim-dir/unit.state", {{"a", "b"}}));
}

} // namespace
} // namespace zorsim
