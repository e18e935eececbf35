// The tests, or one child role when started with --role.
#include "tests/sync/SyncRoles.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    int role = synctest::runRole(argc, argv);
    if (role >= 0)
        return role;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
