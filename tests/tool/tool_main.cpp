// SPDX-License-Identifier: Apache-2.0
// The tool tests' main: `--program PATH` runs every command through that
// program (for instance an older build) instead of in this process.
#include <cstring>
#include <gtest/gtest.h>

#include "tool_run.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--program") == 0 && i + 1 < argc) {
            vekdi::test::programPath = argv[++i];
        } else {
            std::fprintf(stderr, "unknown argument %s (expected --program PATH)\n", argv[i]);
            return 2;
        }
    }
    return RUN_ALL_TESTS();
}
