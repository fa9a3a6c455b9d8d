// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <cstring>

#include "vekdi.h"

namespace {

TEST(Version, RecordIsStaticAndExact) {
    const VekdiLibVersion* v = vekdiGetLibVersion();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v, vekdiGetLibVersion());
    EXPECT_EQ(v->versionMajor, 7);
    EXPECT_EQ(v->versionMinor, 1);
    EXPECT_EQ(v->versionUpdate, 0);
    EXPECT_EQ(v->revision, 36264);
    const char code[4] = {'h', '9', 0, 0};
    EXPECT_EQ(0, std::memcmp(v->targetCode, code, 4));
    EXPECT_STREQ(v->libraryName, "vekDI AVX2 (h9)");
    EXPECT_STREQ(v->versionText, "7.1.0 (r36264)");
    EXPECT_STREQ(v->buildDate, "Jul 23 2012");
}

}  // namespace
