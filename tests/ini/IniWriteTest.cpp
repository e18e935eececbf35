#include "lib/files/IniFile.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/Sandbox.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using ravlib::IniFile;
using ravtest::readFile;
using ravtest::writeFile;

struct WriteCase {
    const char* before;  // nullptr: no file
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

class WriteStringTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteStringTest, ChangesOnlyTheKeyLine) {
    ravtest::Sandbox scratch;
    const auto& c = GetParam();
    if (c.before)
        writeFile("t.ini", c.before);
    IniFile ini;
    ini.setFile("t.ini");
    ASSERT_TRUE(ini.writeString(c.section, c.key, c.value));
    EXPECT_EQ(c.after, readFile("t.ini"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, WriteStringTest,
    ::testing::Values(WriteCase{nullptr, "LOG", "FILENO_00", "1", "[LOG]\r\nFILENO_00=1\r\n"},
                      WriteCase{"", "LOG", "A", "1", "[LOG]\r\nA=1\r\n"},
                      WriteCase{"[LOG]\r\nA=1\r\n", "LOG", "B", "2", "[LOG]\r\nA=1\r\nB=2\r\n"},
                      WriteCase{"; top\r\n[LOG]\r\n  A = 1 \r\n\r\n; mid\r\n[X]\r\nY=2\r\n", "log", "a", "5",
                                "; top\r\n[LOG]\r\na=5\r\n\r\n; mid\r\n[X]\r\nY=2\r\n"},
                      WriteCase{"[LOG]\r\nA=1\r\n\r\n[X]\r\n", "LOG", "B", "2", "[LOG]\r\nA=1\r\nB=2\r\n\r\n[X]\r\n"},
                      WriteCase{"[LOG]\r\n\r\n[X]\r\n", "LOG", "B", "2", "[LOG]\r\nB=2\r\n\r\n[X]\r\n"},
                      WriteCase{"[s]\nk=v\n", "s", "k2", "x", "[s]\nk=v\nk2=x\n"},
                      WriteCase{"[s]\r\nk=v", "s", "t", "1", "[s]\r\nk=v\r\nt=1\r\n"},
                      WriteCase{"[s]\r\nk=v", "s", "k", "w", "[s]\r\nk=w"},
                      WriteCase{"[a]\r\nk=1\r\n", "b", "k", "2", "[a]\r\nk=1\r\n[b]\r\nk=2\r\n"},
                      WriteCase{"[a]\r\nk=1", "b", "k", "2", "[a]\r\nk=1\r\n[b]\r\nk=2\r\n"},
                      WriteCase{"[s]\r\n;k=old\r\n", "s", "k", "new", "[s]\r\n;k=old\r\nk=new\r\n"},
                      WriteCase{"k=top\r\n[s]\r\n", "s", "k", "1", "k=top\r\n[s]\r\nk=1\r\n"},
                      WriteCase{"[ LOG ]\r\nx=1\r\n", "LOG", "X", "", "[ LOG ]\r\nX=\r\n"},
                      WriteCase{"[a]\r\nk=1\r\n[b]\r\nk=2\r\n[a]\r\nk=3\r\n", "A", "K", "9",
                                "[a]\r\nK=9\r\n[b]\r\nk=2\r\n[a]\r\nk=3\r\n"}));

TEST(IniWrite, NumbersAreWrittenInTheirForms) {
    ravtest::Sandbox scratch;
    IniFile ini;
    ini.setFile("t.ini");
    ASSERT_TRUE(ini.writeHex("S", "H1", 4096));
    ASSERT_TRUE(ini.writeHex("S", "H2", 255));
    ASSERT_TRUE(ini.writeInt("S", "I1", -1));
    ASSERT_TRUE(ini.writeInt("S", "I2", 2147483647));
    ASSERT_TRUE(ini.writeHex("S", "H3", -1));
    EXPECT_EQ("[S]\r\nH1=1000H\r\nH2=ffH\r\nI1=-1\r\nI2=2147483647\r\nH3=ffffffffH\r\n", readFile("t.ini"));
    EXPECT_EQ(4096, ini.getHex("S", "H1", 0));
    EXPECT_EQ(-1, ini.getHex("S", "H3", 0));
    EXPECT_EQ(-1, ini.getInt("S", "I1", 0));
}

TEST(IniWrite, NoTextRemovesTheKey) {
    ravtest::Sandbox scratch;
    writeFile("t.ini", "[S]\r\nA=1\r\nB=2\r\n");
    IniFile ini;
    ini.setFile("t.ini");
    ASSERT_TRUE(ini.writeString("S", "a", nullptr));
    EXPECT_EQ("[S]\r\nB=2\r\n", readFile("t.ini"));
    EXPECT_TRUE(ini.writeString("S", "Gone", nullptr));
    EXPECT_EQ("[S]\r\nB=2\r\n", readFile("t.ini"));
}

struct BadWrite {
    const char* section;
    const char* key;
    const char* value;
};

class BadWriteTest : public ::testing::TestWithParam<BadWrite> {};

TEST_P(BadWriteTest, IsRefusedAndLeavesTheFileAlone) {
    ravtest::Sandbox scratch;
    writeFile("t.ini", "[S]\r\nK=1\r\n");
    IniFile ini;
    ini.setFile("t.ini");
    EXPECT_FALSE(ini.writeString(GetParam().section, GetParam().key, GetParam().value));
    EXPECT_EQ("[S]\r\nK=1\r\n", readFile("t.ini"));
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadWriteTest,
                         ::testing::Values(BadWrite{nullptr, "K", "1"}, BadWrite{"S", nullptr, "1"},
                                           BadWrite{"", "K", "1"}, BadWrite{"S", "", "1"}, BadWrite{"S", "  ", "1"},
                                           BadWrite{"S]", "K", "1"}, BadWrite{"S\n[T", "K", "1"},
                                           BadWrite{"S", "K=J", "1"}, BadWrite{"S", "K\r\nL", "1"},
                                           BadWrite{"S", "K", "1\r\nL=2"}, BadWrite{"S", ";K", "1"},
                                           BadWrite{"S", "[K", "1"}));

TEST(IniWrite, AnUnreadableFileIsNotOverwritten) {
    ravtest::Sandbox scratch;
    std::filesystem::create_directory("t.ini");
    IniFile ini;
    ini.setFile("t.ini");
    EXPECT_FALSE(ini.writeInt("S", "K", 1));
    EXPECT_TRUE(std::filesystem::is_directory("t.ini"));
}

TEST(IniWrite, ReplacesTheFileAsAWholeAndLeavesNoTemporary) {
    ravtest::Sandbox scratch;
    writeFile("t.ini", "[S]\r\nK=1\r\n");
    struct stat before {};
    ASSERT_EQ(0, stat("t.ini", &before));
    // A reader holding the old file still sees all of the old contents.
    std::ifstream oldReader("t.ini", std::ios::binary);
    IniFile ini;
    ini.setFile("t.ini");
    ASSERT_TRUE(ini.writeInt("S", "K", 2));
    struct stat after {};
    ASSERT_EQ(0, stat("t.ini", &after));
    EXPECT_NE(before.st_ino, after.st_ino);
    std::stringstream old;
    old << oldReader.rdbuf();
    EXPECT_EQ("[S]\r\nK=1\r\n", old.str());
    EXPECT_EQ("[S]\r\nK=2\r\n", readFile("t.ini"));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("."))
        ++entries;
    EXPECT_EQ(1, entries);
}

constexpr int writesPerWriter = 150;

int writeKeys(const char* prefix) {
    IniFile ini;
    ini.setFile("shared.ini");
    for (int i = 0; i < writesPerWriter; ++i) {
        std::string key = std::string(prefix) + std::to_string(i);
        if (!ini.writeInt("LOG", key.c_str(), i))
            return 1;
    }
    return 0;
}

void expectAllKeys(const std::vector<std::string>& prefixes) {
    IniFile ini;
    ini.setFile("shared.ini");
    int missing = 0;
    for (const auto& prefix : prefixes)
        for (int i = 0; i < writesPerWriter; ++i)
            missing += ini.getInt("LOG", (prefix + std::to_string(i)).c_str(), -1) != i;
    EXPECT_EQ(0, missing);
}

TEST(IniWrite, TwoProcessesWritingDifferentKeysLoseNothing) {
    ravtest::Sandbox scratch;
    ravtest::Gate start;
    std::vector<pid_t> children;
    for (const char* prefix : {"FILENO_", "LOGLINE_"}) {
        children.push_back(ravtest::startChild([&, prefix] {
            start.becomeWaiter();
            start.wait();
            return writeKeys(prefix);
        }));
    }
    start.open();
    for (pid_t pid : children)
        EXPECT_EQ(0, ravtest::waitChild(pid));
    expectAllKeys({"FILENO_", "LOGLINE_"});
}

TEST(IniWrite, ThreadsWritingDifferentKeysLoseNothing) {
    ravtest::Sandbox scratch;
    std::vector<std::thread> threads;
    int results[3] = {};
    const char* prefixes[3] = {"A", "B", "C"};
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&, t] { results[t] = writeKeys(prefixes[t]); });
    for (auto& thread : threads)
        thread.join();
    for (int r : results)
        EXPECT_EQ(0, r);
    expectAllKeys({"A", "B", "C"});
}

}  // namespace
