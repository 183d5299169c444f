#include <gtest/gtest.h>

#include "expand/split_path.h"

TEST(SplitPath, Smoke)
{
    PathParts parts;
    SplitPath("C:\\Work\\Report.final.txt", &parts);
    EXPECT_STREQ("Report.final", parts.name);
}
