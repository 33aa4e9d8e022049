// The layer's tests, or, with "--child <role> ...", one of the other
// processes they start.
#include "Processes.h"

#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char** argv)
{
    karuvel::test::setProgramPath(argv[0]);
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) return karuvel::test::runChild(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
