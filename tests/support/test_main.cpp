#include "support/child_process.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    RunChildActionFromCommandLine(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
