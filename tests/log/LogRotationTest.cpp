#include "lib/files/LogFile.h"

#include "tests/log/LogTestSupport.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

namespace {

using ravlib::LOG_TRACE;
using ravlib::LogFile;
using namespace ravtest;

std::string logName(int fileNo) {
    char name[32];
    std::snprintf(name, sizeof name, "RavlibLog_00%02d.log", fileNo);
    return name;
}

struct RotationCase {
    const char* name;
    const char* ini;                 // after "[LOG]\r\nLOGLEVEL=10007H\r\n"
    std::vector<int> fileOfLine;     // the file number each written line lands in
    std::vector<std::string> final;  // per file number 0, 1, ...: the messages it holds at the end
    int fileNoAtClose;
    int lineCountAtClose;
};

class RotationTest : public ::testing::TestWithParam<RotationCase> {};

TEST_P(RotationTest, AlternatesBetweenTwoFiles) {
    Sandbox scratch;
    const auto& c = GetParam();
    writeFile("RavlibLog.ini", std::string("[LOG]\r\nLOGLEVEL=10007H\r\n") + c.ini);
    LogFile log;
    ASSERT_TRUE(openLog(log));
    for (std::size_t i = 0; i < c.fileOfLine.size(); ++i) {
        std::string message = "L" + std::to_string(i + 1);
        log.write(LOG_TRACE, message.c_str());
        std::string text = readFile(logName(c.fileOfLine[i]));
        std::string line = traceLine(message);
        ASSERT_GE(text.size(), line.size()) << message;
        EXPECT_EQ(line, text.substr(text.size() - line.size())) << message << " in " << logName(c.fileOfLine[i]);
    }
    log.close();
    for (std::size_t f = 0; f < c.final.size(); ++f) {
        std::string expected;
        std::stringstream messages(c.final[f]);
        for (std::string m; messages >> m;)
            expected += traceLine(m);
        EXPECT_EQ(expected, readFile(logName(static_cast<int>(f)))) << logName(static_cast<int>(f));
    }
    ravlib::IniFile ini;
    ini.setFile("RavlibLog.ini");
    EXPECT_EQ(c.fileNoAtClose, ini.getInt("LOG", "FILENO_00", -1));
    EXPECT_EQ(c.lineCountAtClose, ini.getInt("LOG", "LOGLINE_00", -1));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, RotationTest,
    ::testing::Values(
        RotationCase{"MaxLine3", "LOGMAXLINE=3\r\n", {0, 0, 0, 1, 1, 1, 0, 0, 0, 1}, {"L7 L8 L9", "L10"}, 1, 1},
        RotationCase{"MaxLine0", "LOGMAXLINE=0\r\n", {1, 0, 1, 0}, {"L4", "L3"}, 0, 1},
        RotationCase{"NegativeMaxLine", "LOGMAXLINE=-4\r\n", {1, 0, 1}, {"L2", "L3"}, 1, 1},
        RotationCase{
            "FileNo5", "LOGMAXLINE=2\r\nFILENO_00=5\r\n", {5, 5, 0, 0, 1}, {"L3 L4", "L5", "", "", "", "L1 L2"}, 1, 1},
        RotationCase{
            "ContinuesAtLogLine", "LOGMAXLINE=3\r\nFILENO_00=1\r\nLOGLINE_00=2\r\n", {1, 0, 0}, {"L2 L3", "L1"}, 0, 2},
        RotationCase{"LineCountAlreadyPastMax", "LOGMAXLINE=3\r\nLOGLINE_00=9\r\n", {1, 1}, {"", "L1 L2"}, 1, 2},
        RotationCase{"HugeFileNo", "LOGMAXLINE=1\r\nFILENO_00=2147483647\r\n", {2147483647, 0}, {"L2"}, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rotation, TheDefaultIs4000LinesPerFile) {
    Sandbox scratch;
    writeFile("RavlibLog.ini", "[LOG]\r\nLOGLEVEL=10007H\r\n");
    LogFile log;
    ASSERT_TRUE(openLog(log));
    for (int i = 0; i < 4001; ++i)
        log.write(LOG_TRACE, "x");
    EXPECT_EQ(4000u * traceLine("x").size(), readFile(logName(0)).size());
    EXPECT_EQ(traceLine("x"), readFile(logName(1)));
}

TEST(Rotation, AFailedReopenDropsLinesUntilTheNextRotation) {
    Sandbox scratch;
    writeFile("RavlibLog.ini", "[LOG]\r\nLOGLEVEL=10007H\r\nLOGMAXLINE=1\r\n");
    std::filesystem::create_directory(logName(1));  // cannot be opened as a file
    LogFile log;
    ASSERT_TRUE(openLog(log));
    log.write(LOG_TRACE, "L1");  // file 00
    log.write(LOG_TRACE, "L2");  // rotation to 01 fails: dropped
    log.write(LOG_TRACE, "L3");  // no file open: lost, but counted
    log.write(LOG_TRACE, "L4");  // rotation back to 00 (emptied)
    EXPECT_EQ(traceLine("L4"), readFile(logName(0)));
    log.close();
    ravlib::IniFile ini;
    ini.setFile("RavlibLog.ini");
    EXPECT_EQ(0, ini.getInt("LOG", "FILENO_00", -1));
    EXPECT_EQ(1, ini.getInt("LOG", "LOGLINE_00", -1));
}

}  // namespace
