// Entry of every test exe: the code page's lead bytes are read once, as the
// program does at start-up, before any case runs.
#include <gtest/gtest.h>

#include "expand/split_path.h"

int main(int argc, char** argv)
{
    LoadCodePageLeadBytes();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
