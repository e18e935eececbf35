#include "lib/LogFile.h"

#include "tests/log/LogTestSupport.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

using ravlib::LOG_DETAIL;
using ravlib::LOG_NG;
using ravlib::LOG_TRACE;
using ravlib::LogFile;
using namespace ravtest;

TEST(LogFile, WithoutAnIniFileNothingIsWrittenButTheFileExists)
{
    Sandbox scratch;
    LogFile log;
    ASSERT_TRUE(openLog(log));
    EXPECT_EQ(0, log.slotNo());
    for (int32_t level : {LOG_NG, LOG_TRACE, LOG_DETAIL})
        log.write(level, "not written");
    EXPECT_TRUE(std::filesystem::exists("RavlibLog_0000.log"));
    EXPECT_EQ("", readFile("RavlibLog_0000.log"));
    log.close();
    EXPECT_EQ("", readFile("RavlibLog_0000.log"));
}

struct MaskCase {
    const char* name;
    const char* loglevel;  // nullptr: no LOGLEVEL key
    int32_t defaultLevel;
    const char* expected;  // markers of the lines written for NG, TRACE, DETAIL
};

class LevelMaskTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(LevelMaskTest, LetsThroughOnlyEnabledLevels)
{
    Sandbox scratch;
    const auto& c = GetParam();
    writeFile("RavlibLog.ini", c.loglevel ? std::string("[LOG]\r\nLOGLEVEL=") + c.loglevel + "\r\n" : "[LOG]\r\n");
    LogFile log;
    ASSERT_TRUE(openLog(log, c.defaultLevel));
    log.write(LOG_NG, "ng");
    log.write(LOG_TRACE, "trace");
    log.write(LOG_DETAIL, "detail");
    std::string expected;
    for (char marker : std::string(c.expected)) {
        if (marker == '@')
            expected += std::string(fixedPrefix) + "@@   ng\r\n";
        if (marker == '*')
            expected += std::string(fixedPrefix) + "**   trace\r\n";
        if (marker == '#')
            expected += std::string(fixedPrefix) + "##    detail\r\n";
    }
    EXPECT_EQ(expected, readFile("RavlibLog_0000.log"));
}

INSTANTIATE_TEST_SUITE_P(Masks, LevelMaskTest, ::testing::Values(
    MaskCase {"TraceOnly", "10002H", 0, "*"},
    MaskCase {"NoSuffix", "10007", 0, ""},
    MaskCase {"NoCategory", "7H", 0, ""},
    MaskCase {"All", "10007H", 0, "@*#"},
    MaskCase {"NgOnly", "10001h", 0, "@"},
    MaskCase {"DetailOtherCategoryToo", "30004H", 0, "#"},
    MaskCase {"WrongCategory", "20007H", 0, ""},
    MaskCase {"Empty", "", 0x10007, "@*#"},
    MaskCase {"NoDigits", "zzH", 0x10002, "*"},
    MaskCase {"MissingKeyUsesDefault", nullptr, 0x10005, "@#"},
    MaskCase {"CategoryWithoutSeverity", "10000H", 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LogFile, EnabledMatchesTheMask)
{
    Sandbox scratch;
    writeFile("RavlibLog.ini", "[LOG]\r\nLOGLEVEL=10005H\r\n");
    LogFile log;
    EXPECT_FALSE(log.enabled(LOG_NG));
    ASSERT_TRUE(openLog(log));
    EXPECT_TRUE(log.enabled(LOG_NG));
    EXPECT_FALSE(log.enabled(LOG_TRACE));
    EXPECT_TRUE(log.enabled(LOG_DETAIL));
    EXPECT_FALSE(log.enabled(0x5));
    EXPECT_FALSE(log.enabled(0x10000));
    log.close();
    EXPECT_FALSE(log.enabled(LOG_NG));
}

TEST(LogFile, TickCountSettingPutsTheTickOnEachLine)
{
    Sandbox scratch;
    writeFile("RavlibLog.ini", "[LOG]\r\nLOGLEVEL=10007H\r\nLOGTICKCOUNT=1\r\n");
    LogFile log;
    ASSERT_TRUE(openLog(log));
    log.write(LOG_TRACE, "------------------- Ravlib.dll Service Start -------------------");
    log.write(LOG_NG, "Ravlib(0) RV_start: Line(0): NG: Ret(2h)");
    EXPECT_EQ("12/09/26 05:07:03 [4242] **   ------------------- Ravlib.dll Service Start -------------------\r\n"
              "12/09/26 05:07:03 [4242] @@   Ravlib(0) RV_start: Line(0): NG: Ret(2h)\r\n",
              readFile("RavlibLog_0000.log"));
}

TEST(LogFile, WritefFormatsOnlyEnabledLevelsAndCutsLongLines)
{
    Sandbox scratch;
    writeFile("RavlibLog.ini", "[LOG]\r\nLOGLEVEL=10002H\r\n");
    LogFile log;
    ASSERT_TRUE(openLog(log));
    log.writef(LOG_TRACE, "%s(%d) RV_start: Line(%d): OK", "Ravlib", 1, 0);
    log.writef(LOG_NG, "%s", "dropped");
    log.writef(LOG_TRACE, "%s", std::string(500, 'q').c_str());
    std::string text = readFile("RavlibLog_0000.log");
    std::string first = traceLine("Ravlib(1) RV_start: Line(0): OK");
    ASSERT_EQ(first, text.substr(0, first.size()));
    std::string second = text.substr(first.size());
    EXPECT_EQ(259u, second.size());
    EXPECT_EQ(std::string(fixedPrefix) + "**   " + std::string(234, 'q') + "\r\n", second);
}

TEST(LogFile, CloseWritesThePositionBackAndKeepsTheRestOfTheIni)
{
    Sandbox scratch;
    writeFile("RavlibLog.ini", "; settings\r\n[LOG]\r\nLOGLEVEL=10007H\r\n\r\n[OTHER]\r\nX=1\r\n");
    LogFile log;
    ASSERT_TRUE(openLog(log));
    log.write(LOG_TRACE, "a");
    log.write(LOG_TRACE, "b");
    log.close();
    EXPECT_EQ("; settings\r\n[LOG]\r\nLOGLEVEL=10007H\r\nFILENO_00=0\r\nLOGLINE_00=2\r\n\r\n[OTHER]\r\nX=1\r\n",
              readFile("RavlibLog.ini"));
    EXPECT_EQ(0, log.processCount());
    EXPECT_EQ(-1, log.slotNo());
    log.close();  // a second close finds nothing to do
    EXPECT_EQ(traceLine("a") + traceLine("b"), readFile("RavlibLog_0000.log"));
}

TEST(LogFile, ALaterOpenInTheSameSlotContinuesTheFile)
{
    Sandbox scratch;
    writeFile("RavlibLog.ini", "[LOG]\r\nLOGLEVEL=10007H\r\nLOGMAXLINE=3\r\n");
    {
        LogFile log;
        ASSERT_TRUE(openLog(log));
        log.write(LOG_TRACE, "1");
        log.write(LOG_TRACE, "2");
        log.close();
    }
    LogFile log;
    ASSERT_TRUE(openLog(log));
    log.write(LOG_TRACE, "3");
    log.write(LOG_TRACE, "4");
    EXPECT_EQ(traceLine("1") + traceLine("2") + traceLine("3"), readFile("RavlibLog_0000.log"));
    EXPECT_EQ(traceLine("4"), readFile("RavlibLog_0001.log"));
}

TEST(LogFile, WritesAfterCloseDoNothing)
{
    Sandbox scratch;
    writeFile("RavlibLog.ini", "[LOG]\r\nLOGLEVEL=10007H\r\nLOGMAXLINE=0\r\n");
    LogFile log;
    ASSERT_TRUE(openLog(log));
    log.close();
    log.write(LOG_NG, "late");
    log.writef(LOG_NG, "%s", "late");
    EXPECT_FALSE(std::filesystem::exists("RavlibLog_0001.log"));
    EXPECT_EQ("", readFile("RavlibLog_0000.log"));
}

TEST(LogFile, OpenFailsWhenTheLogFileCannotBeOpenedAndCloseStillReleases)
{
    Sandbox scratch;
    std::filesystem::create_directory("RavlibLog_0000.log");
    LogFile log;
    EXPECT_FALSE(openLog(log));
    EXPECT_EQ(1, log.processCount());
    log.close();
    EXPECT_EQ(0, log.processCount());
    EXPECT_FALSE(std::filesystem::exists(scratch.runtime() + "/objects/RavlibLog.Map"));
}

TEST(LogFile, OpenRefusesBadArgumentsAndASecondOpen)
{
    Sandbox scratch;
    LogFile log;
    EXPECT_FALSE(log.open(nullptr, "RavlibLog.ini", "RavlibLog.Map", 0));
    EXPECT_FALSE(log.open("RavlibLog", nullptr, "RavlibLog.Map", 0));
    EXPECT_FALSE(log.open("RavlibLog", "RavlibLog.ini", nullptr, 0));
    EXPECT_FALSE(log.open(std::string(300, 'b').c_str(), "RavlibLog.ini", "RavlibLog.Map", 0));
    EXPECT_FALSE(log.open("RavlibLog", "RavlibLog.ini", "bad/name", 0));
    ASSERT_TRUE(openLog(log));
    EXPECT_FALSE(openLog(log));
    EXPECT_EQ(1, log.processCount());
}

TEST(LogFile, ThreadsWritingAtOnceKeepLinesWholeAndCountsRight)
{
    Sandbox scratch;
    writeFile("RavlibLog.ini", "[LOG]\r\nLOGLEVEL=10007H\r\nLOGMAXLINE=50\r\n");
    LogFile log;
    ASSERT_TRUE(openLog(log));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&log, t] {
            for (int i = 0; i < 200; ++i)
                log.writef(LOG_TRACE, "thread %d line %03d", t, i);
        });
    for (auto& thread : threads)
        thread.join();
    log.close();
    // 800 lines in files of 50: both files end full and every line is whole.
    for (const char* name : {"RavlibLog_0000.log", "RavlibLog_0001.log"}) {
        std::string text = readFile(name);
        std::size_t lines = 0, pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find("\r\n", pos);
            ASSERT_NE(std::string::npos, end);
            std::string line = text.substr(pos, end - pos);
            EXPECT_EQ(0u, line.find(std::string(fixedPrefix) + "**   thread ")) << line;
            EXPECT_EQ(std::string(fixedPrefix).size() + 5 + 17, line.size()) << line;
            ++lines;
            pos = end + 2;
        }
        EXPECT_EQ(50u, lines) << name;
    }
    ravlib::IniFile ini;
    ini.setFile("RavlibLog.ini");
    EXPECT_EQ(50, ini.getInt("LOG", "LOGLINE_00", -1));
}

TEST(LogFile, TheProcessWideLogIsOneInstanceAndStartsClosed)
{
    EXPECT_EQ(&ravlib::theLog(), &ravlib::theLog());
    EXPECT_EQ(-1, ravlib::theLog().slotNo());
    EXPECT_EQ(0, ravlib::theLog().processCount());
    EXPECT_FALSE(ravlib::theLog().enabled(LOG_NG));
}

}  // namespace
