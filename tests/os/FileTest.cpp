#include "lib/os/File.h"

#include "tests/os/Scratch.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using ravlib::os::Access;
using ravlib::os::Disposition;
using ravlib::os::File;

std::string contentsOf(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void makeFile(const char* path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

struct DispositionCase {
    Disposition disposition;
    bool exists;
    bool opens;
    const char* afterWrite;  // contents after writing "new" (when it opens)
};

class FileDispositionTest : public ::testing::TestWithParam<DispositionCase> {};

TEST_P(FileDispositionTest, OpensAtTheEndOrRefuses)
{
    ravtest::ScratchDir scratch;
    const auto& c = GetParam();
    if (c.exists)
        makeFile("f.txt", "old");
    File file;
    ASSERT_EQ(c.opens, file.open("f.txt", c.disposition, Access::Write));
    if (!c.opens) {
        EXPECT_EQ(c.exists, std::filesystem::exists("f.txt"));
        return;
    }
    EXPECT_EQ(3, file.write("new", 3));
    file.close();
    EXPECT_EQ(c.afterWrite, contentsOf("f.txt"));
}

INSTANTIATE_TEST_SUITE_P(Dispositions, FileDispositionTest,
    ::testing::Values(DispositionCase {Disposition::CreateNew, false, true, "new"},
                      DispositionCase {Disposition::CreateNew, true, false, ""},
                      DispositionCase {Disposition::CreateAlways, false, true, "new"},
                      DispositionCase {Disposition::CreateAlways, true, true, "new"},
                      DispositionCase {Disposition::OpenExisting, false, false, ""},
                      DispositionCase {Disposition::OpenExisting, true, true, "oldnew"},
                      DispositionCase {Disposition::OpenAlways, false, true, "new"},
                      DispositionCase {Disposition::OpenAlways, true, true, "oldnew"},
                      DispositionCase {Disposition::TruncateExisting, false, false, ""},
                      DispositionCase {Disposition::TruncateExisting, true, true, "new"}));

TEST(File, SecondOpenFailsWhileOneIsOpen)
{
    ravtest::ScratchDir scratch;
    File file;
    ASSERT_TRUE(file.open("a", Disposition::OpenAlways, Access::Write));
    EXPECT_FALSE(file.open("b", Disposition::OpenAlways, Access::Write));
    EXPECT_FALSE(std::filesystem::exists("b"));
}

TEST(File, ReadAndWriteWithoutAnOpenFileReturnMinusOne)
{
    File file;
    char buffer[4];
    EXPECT_EQ(-1, file.read(buffer, sizeof buffer));
    EXPECT_EQ(-1, file.write("x", 1));
}

TEST(File, ReadingAWriteOnlyFileFails)
{
    ravtest::ScratchDir scratch;
    makeFile("r.txt", "abc");
    File file;
    ASSERT_TRUE(file.open("r.txt", Disposition::OpenExisting, Access::Write));
    char buffer[4];
    EXPECT_EQ(-1, file.read(buffer, sizeof buffer));
}

TEST(File, ReadsFromTheEndGiveNothingUntilDataFollows)
{
    ravtest::ScratchDir scratch;
    makeFile("r.txt", "abc");
    File file;
    ASSERT_TRUE(file.open("r.txt", Disposition::OpenExisting, Access::ReadWrite));
    char buffer[4];
    EXPECT_EQ(0, file.read(buffer, sizeof buffer));
    EXPECT_EQ(2, file.write("de", 2));
    EXPECT_EQ("abcde", contentsOf("r.txt"));
}

TEST(File, OpenInAMissingDirectoryFails)
{
    ravtest::ScratchDir scratch;
    File file;
    EXPECT_FALSE(file.open("no/such/dir/x.log", Disposition::OpenAlways, Access::Write));
    EXPECT_FALSE(file.isOpen());
}

}  // namespace
