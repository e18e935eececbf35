#include "lib/os/Path.h"

#include "tests/support/Sandbox.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

struct PathCase {
    const char* name;
    const char* expected;  // "<cwd>" stands for the current directory
};

std::string expand(const std::string& pattern, const std::string& cwd) {
    std::string result = pattern;
    if (auto pos = result.find("<cwd>"); pos != std::string::npos)
        result.replace(pos, 5, cwd);
    return result;
}

class FullPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(FullPathTest, ResolvesAgainstCurrentDirectory) {
    ravtest::Sandbox scratch;
    std::string parent = scratch.cwd().substr(0, scratch.cwd().rfind('/'));
    char out[260];
    ASSERT_TRUE(ravlib::os::fullPath(GetParam().name, out, sizeof out));
    std::string expected = expand(GetParam().expected, scratch.cwd());
    if (auto pos = expected.find("<parent>"); pos != std::string::npos)
        expected.replace(pos, 8, parent);
    EXPECT_EQ(expected, out);
}

INSTANTIATE_TEST_SUITE_P(Names, FullPathTest,
                         ::testing::Values(PathCase{"RavlibLog", "<cwd>/RavlibLog"},
                                           PathCase{"./Ravlib.ini", "<cwd>/Ravlib.ini"},
                                           PathCase{"sub/../x.ini", "<cwd>/x.ini"},
                                           PathCase{"../up.ini", "<parent>/up.ini"},
                                           PathCase{"/abs//b/./c", "/abs/b/c"}, PathCase{"/../..", "/"},
                                           PathCase{"dir/", "<cwd>/dir/"}, PathCase{"a/./b/../../c", "<cwd>/c"}));

TEST(FullPath, RejectsEmptyAndNull) {
    char out[16] = "unchanged";
    EXPECT_FALSE(ravlib::os::fullPath("", out, sizeof out));
    EXPECT_FALSE(ravlib::os::fullPath(nullptr, out, sizeof out));
    EXPECT_STREQ("unchanged", out);
}

TEST(FullPath, FailsWhenTheResultDoesNotFitAndLeavesTheBufferAlone) {
    char out[8] = "keep";
    EXPECT_FALSE(ravlib::os::fullPath("/abcdefgh", out, sizeof out));
    EXPECT_STREQ("keep", out);
    EXPECT_TRUE(ravlib::os::fullPath("/abcdef", out, sizeof out));  // 7 characters and the NUL
    EXPECT_STREQ("/abcdef", out);
}

TEST(FullPath, LaterDirectoryChangesDoNotMoveAResolvedName) {
    ravtest::Sandbox scratch;
    char out[260];
    ASSERT_TRUE(ravlib::os::fullPath("Ravlib.ini", out, sizeof out));
    std::filesystem::create_directory("elsewhere");
    std::filesystem::current_path("elsewhere");
    EXPECT_EQ(scratch.cwd() + "/Ravlib.ini", out);
}

}  // namespace
