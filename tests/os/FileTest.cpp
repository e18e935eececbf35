#include "lib/os/File.h"

#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

namespace {

using ravlib::os::Access;
using ravlib::os::Disposition;
using ravlib::os::File;
using ravtest::readFile;
using ravtest::writeFile;

struct DispositionCase {
    Disposition disposition;
    bool exists;
    bool opens;
    const char* afterWrite;  // contents after writing "new" (when it opens)
};

class FileDispositionTest : public ::testing::TestWithParam<DispositionCase> {};

TEST_P(FileDispositionTest, OpensAtTheEndOrRefuses) {
    ravtest::Sandbox scratch;
    const auto& c = GetParam();
    if (c.exists)
        writeFile("f.txt", "old");
    File file;
    ASSERT_EQ(c.opens, file.open("f.txt", c.disposition, Access::Write));
    if (!c.opens) {
        EXPECT_EQ(c.exists, std::filesystem::exists("f.txt"));
        return;
    }
    EXPECT_EQ(3, file.write("new", 3));
    file.close();
    EXPECT_EQ(c.afterWrite, readFile("f.txt"));
}

INSTANTIATE_TEST_SUITE_P(Dispositions, FileDispositionTest,
                         ::testing::Values(DispositionCase{Disposition::CreateNew, false, true, "new"},
                                           DispositionCase{Disposition::CreateNew, true, false, ""},
                                           DispositionCase{Disposition::CreateAlways, false, true, "new"},
                                           DispositionCase{Disposition::CreateAlways, true, true, "new"},
                                           DispositionCase{Disposition::OpenExisting, false, false, ""},
                                           DispositionCase{Disposition::OpenExisting, true, true, "oldnew"},
                                           DispositionCase{Disposition::OpenAlways, false, true, "new"},
                                           DispositionCase{Disposition::OpenAlways, true, true, "oldnew"},
                                           DispositionCase{Disposition::TruncateExisting, false, false, ""},
                                           DispositionCase{Disposition::TruncateExisting, true, true, "new"}));

TEST(File, SecondOpenFailsWhileOneIsOpen) {
    ravtest::Sandbox scratch;
    File file;
    ASSERT_TRUE(file.open("a", Disposition::OpenAlways, Access::Write));
    EXPECT_FALSE(file.open("b", Disposition::OpenAlways, Access::Write));
    EXPECT_FALSE(std::filesystem::exists("b"));
}

TEST(File, ReadAndWriteWithoutAnOpenFileReturnMinusOne) {
    File file;
    char buffer[4];
    EXPECT_EQ(-1, file.read(buffer, sizeof buffer));
    EXPECT_EQ(-1, file.write("x", 1));
}

TEST(File, ReadingAWriteOnlyFileFails) {
    ravtest::Sandbox scratch;
    writeFile("r.txt", "abc");
    File file;
    ASSERT_TRUE(file.open("r.txt", Disposition::OpenExisting, Access::Write));
    char buffer[4];
    EXPECT_EQ(-1, file.read(buffer, sizeof buffer));
}

TEST(File, ReadsFromTheEndGiveNothingUntilDataFollows) {
    ravtest::Sandbox scratch;
    writeFile("r.txt", "abc");
    File file;
    ASSERT_TRUE(file.open("r.txt", Disposition::OpenExisting, Access::ReadWrite));
    char buffer[4];
    EXPECT_EQ(0, file.read(buffer, sizeof buffer));
    EXPECT_EQ(2, file.write("de", 2));
    EXPECT_EQ("abcde", readFile("r.txt"));
}

TEST(File, OpenInAMissingDirectoryFails) {
    ravtest::Sandbox scratch;
    File file;
    EXPECT_FALSE(file.open("no/such/dir/x.log", Disposition::OpenAlways, Access::Write));
    EXPECT_FALSE(file.isOpen());
}

}  // namespace
