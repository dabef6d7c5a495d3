// One boot of the IDE's managers for all tests of a binary.
#include <gtest/gtest.h>

#include "SdkHarness.h"

int main(int argc, char** argv)
{
    if (!harness::onPrivateDisplay(argc, argv))
        return 1;
    ::testing::InitGoogleTest(&argc, argv);
    if (!harness::boot(argc, argv))
        return 1;
    const int result = RUN_ALL_TESTS();
    harness::shutDown();
    return result;
}
