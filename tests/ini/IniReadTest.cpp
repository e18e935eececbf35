#include "lib/files/IniFile.h"

#include "tests/support/Sandbox.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

using ravlib::IniFile;
using ravtest::writeFile;

struct ValueCase {
    const char* stored;  // the text after "K=" in section [S]; nullptr: no such key
    int32_t expected;
};

class GetIntTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(GetIntTest, ReadsTheLeadingDecimalNumber) {
    ravtest::Sandbox scratch;
    writeFile("t.ini",
              GetParam().stored ? std::string("[S]\r\nK=") + GetParam().stored + "\r\n" : "[S]\r\nOther=1\r\n");
    IniFile ini;
    ini.setFile("t.ini");
    EXPECT_EQ(GetParam().expected, ini.getInt("S", "K", 77));
}

INSTANTIATE_TEST_SUITE_P(Values, GetIntTest,
                         ::testing::Values(ValueCase{"42", 42}, ValueCase{"  42  ", 42}, ValueCase{"-7", -7},
                                           ValueCase{"+7", 7}, ValueCase{"12abc", 12}, ValueCase{"abc", 0},
                                           ValueCase{"", 0}, ValueCase{"-", 0}, ValueCase{"0x10", 0},
                                           ValueCase{"4000", 4000}, ValueCase{"2147483647", INT32_MAX},
                                           ValueCase{"-2147483648", INT32_MIN}, ValueCase{nullptr, 77}));

class GetHexTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(GetHexTest, ReadsDigitsWithTheHSuffix) {
    ravtest::Sandbox scratch;
    writeFile("t.ini", GetParam().stored ? std::string("[S]\r\nK=") + GetParam().stored + "\r\n" : "");
    IniFile ini;
    ini.setFile("t.ini");
    EXPECT_EQ(GetParam().expected, ini.getHex("S", "K", 0x55));
}

INSTANTIATE_TEST_SUITE_P(Values, GetHexTest,
                         ::testing::Values(ValueCase{"1fH", 0x1F}, ValueCase{"1Fh", 0x1F}, ValueCase{"1F", 0x55},
                                           ValueCase{"", 0x55}, ValueCase{"zzH", 0x55}, ValueCase{"H", 0x55},
                                           ValueCase{"10007H", 0x10007}, ValueCase{"10007", 0x55}, ValueCase{"7H", 7},
                                           ValueCase{"12zzH", 0x12}, ValueCase{"  \tabH", 0xAB},
                                           ValueCase{"ffffffffH", -1}, ValueCase{"0H", 0},
                                           // Only 31 characters are read: at 32 the suffix is lost.
                                           ValueCase{"000000000000000000000000000001H", 1},
                                           ValueCase{"0000000000000000000000000000001H", 0x55},
                                           ValueCase{nullptr, 0x55}));

TEST(IniRead, MissingFileOrSectionGivesDefaults) {
    ravtest::Sandbox scratch;
    IniFile ini;
    ini.setFile("absent.ini");
    EXPECT_EQ(4000, ini.getInt("LOG", "LOGMAXLINE", 4000));
    EXPECT_EQ(-1, ini.getHex("LOG", "LOGLEVEL", -1));
    char buffer[8];
    EXPECT_EQ(3u, ini.getString("LOG", "X", "def", buffer, sizeof buffer));
    EXPECT_STREQ("def", buffer);
    writeFile("t.ini", "[OTHER]\r\nLOGMAXLINE=3\r\n");
    ini.setFile("t.ini");
    EXPECT_EQ(4000, ini.getInt("LOG", "LOGMAXLINE", 4000));
}

TEST(IniRead, NamesCompareWithoutCaseAndBlanksAroundAreIgnored) {
    ravtest::Sandbox scratch;
    writeFile("t.ini", "[ log ]\r\n  LogLevel  =  10002H  \r\nlogmaxline=3\r\n");
    IniFile ini;
    ini.setFile("t.ini");
    EXPECT_EQ(0x10002, ini.getHex("LOG", "LOGLEVEL", 0));
    EXPECT_EQ(3, ini.getInt("Log", "LOGMAXLINE", 4000));
    char buffer[32];
    EXPECT_EQ(6u, ini.getString("LOG", "loglevel", "", buffer, sizeof buffer));
    EXPECT_STREQ("10002H", buffer);
}

TEST(IniRead, CommentsKeysBeforeAnySectionAndLinesWithoutEqualsAreNotKeys) {
    ravtest::Sandbox scratch;
    writeFile("t.ini", "K=top\n[S]\n;K=comment\nK\n  ; K=also\nK=real\nK=second\n");
    IniFile ini;
    ini.setFile("t.ini");
    char buffer[32];
    ini.getString("S", "K", "", buffer, sizeof buffer);
    EXPECT_STREQ("real", buffer);
    EXPECT_EQ(-5, ini.getInt("", "K", -5));
}

TEST(IniRead, StringsAreCutToTheBuffer) {
    ravtest::Sandbox scratch;
    writeFile("t.ini", "[S]\r\nK=abcdefgh\r\n");
    IniFile ini;
    ini.setFile("t.ini");
    char buffer[5] = "....";
    EXPECT_EQ(4u, ini.getString("S", "K", "", buffer, sizeof buffer));
    EXPECT_STREQ("abcd", buffer);
    EXPECT_EQ(0u, ini.getString("S", "K", "", buffer, 0));
    EXPECT_EQ(0u, ini.getString("S", "K", "", nullptr, 10));
    EXPECT_EQ(2u, ini.getString("S", "Missing", "xyzzy", buffer, 3));
    EXPECT_STREQ("xy", buffer);
    EXPECT_EQ(0u, ini.getString("S", "Missing", nullptr, buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
}

TEST(IniRead, NullNamesGiveDefaults) {
    ravtest::Sandbox scratch;
    writeFile("t.ini", "[S]\r\nK=1\r\n");
    IniFile ini;
    ini.setFile("t.ini");
    EXPECT_EQ(9, ini.getInt(nullptr, "K", 9));
    EXPECT_EQ(9, ini.getInt("S", nullptr, 9));
    EXPECT_EQ(9, ini.getHex(nullptr, nullptr, 9));
}

TEST(IniRead, SetFileFixesTheFullPathOfTheMoment) {
    ravtest::Sandbox scratch;
    writeFile("t.ini", "[S]\r\nK=5\r\n");
    IniFile ini;
    ini.setFile("t.ini");
    EXPECT_EQ(scratch.cwd() + "/t.ini", ini.path());
    std::filesystem::create_directory("sub");
    std::filesystem::current_path("sub");
    EXPECT_EQ(5, ini.getInt("S", "K", 0));
}

TEST(IniRead, AValueEditedByHandIsSeenByTheNextRead) {
    ravtest::Sandbox scratch;
    writeFile("t.ini", "[S]\r\nK=1\r\n");
    IniFile ini;
    ini.setFile("t.ini");
    EXPECT_EQ(1, ini.getInt("S", "K", 0));
    writeFile("t.ini", "[S]\r\nK=2\r\n");
    EXPECT_EQ(2, ini.getInt("S", "K", 0));
}

TEST(IniRead, ANameTooLongForThePathIsNoFile) {
    IniFile ini;
    ini.setFile(std::string(300, 'a').c_str());
    EXPECT_STREQ("", ini.path());
    EXPECT_EQ(3, ini.getInt("S", "K", 3));
    EXPECT_FALSE(ini.writeInt("S", "K", 1));
}

TEST(IniRead, TheConfigurationObjectIsOneProcessWideInstance) {
    EXPECT_EQ(&ravlib::theConfig(), &ravlib::theConfig());
}

}  // namespace
