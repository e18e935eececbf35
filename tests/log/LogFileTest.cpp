#include "lib/files/LogFile.h"
#include "lib/Ravlib.h"
#include "lib/exports/LibraryLoad.h"

#include "tests/log/LogTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using ravlib::LOG_DETAIL;
using ravlib::LOG_NG;
using ravlib::LOG_TRACE;
using ravlib::LogFile;
using namespace ravtest;

TEST(LogFile, WithoutAnIniFileNothingIsWrittenButTheFileExists) {
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

TEST_P(LevelMaskTest, LetsThroughOnlyEnabledLevels) {
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

INSTANTIATE_TEST_SUITE_P(Masks, LevelMaskTest,
                         ::testing::Values(MaskCase{"TraceOnly", "10002H", 0, "*"},
                                           MaskCase{"NoSuffix", "10007", 0, ""}, MaskCase{"NoCategory", "7H", 0, ""},
                                           MaskCase{"All", "10007H", 0, "@*#"}, MaskCase{"NgOnly", "10001h", 0, "@"},
                                           MaskCase{"DetailOtherCategoryToo", "30004H", 0, "#"},
                                           MaskCase{"WrongCategory", "20007H", 0, ""},
                                           MaskCase{"Empty", "", 0x10007, "@*#"},
                                           MaskCase{"NoDigits", "zzH", 0x10002, "*"},
                                           MaskCase{"MissingKeyUsesDefault", nullptr, 0x10005, "@#"},
                                           MaskCase{"CategoryWithoutSeverity", "10000H", 0, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LogFile, EnabledMatchesTheMask) {
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

TEST(LogFile, TickCountSettingPutsTheTickOnEachLine) {
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

TEST(LogFile, WritefFormatsOnlyEnabledLevelsAndCutsLongLines) {
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

TEST(LogFile, CloseWritesThePositionBackAndKeepsTheRestOfTheIni) {
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

TEST(LogFile, ALaterOpenInTheSameSlotContinuesTheFile) {
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

TEST(LogFile, WritesAfterCloseDoNothing) {
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

TEST(LogFile, OpenFailsWhenTheLogFileCannotBeOpenedAndCloseStillReleases) {
    Sandbox scratch;
    std::filesystem::create_directory("RavlibLog_0000.log");
    LogFile log;
    EXPECT_FALSE(openLog(log));
    EXPECT_EQ(1, log.processCount());
    log.close();
    EXPECT_EQ(0, log.processCount());
    EXPECT_FALSE(std::filesystem::exists(scratch.runtime() + "/objects/RavlibLog.Map"));
}

TEST(LogFile, OpenRefusesBadArgumentsAndASecondOpen) {
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

TEST(LogFile, ThreadsWritingAtOnceKeepLinesWholeAndCountsRight) {
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

TEST(LogFile, TheProcessWideLogIsOneInstanceAndStartsClosed) {
    EXPECT_EQ(&ravlib::theLog(), &ravlib::theLog());
    EXPECT_EQ(-1, ravlib::theLog().slotNo());
    EXPECT_EQ(0, ravlib::theLog().processCount());
    EXPECT_FALSE(ravlib::theLog().enabled(LOG_NG));
}

// Where the library keeps its files: a runtime directory that others
// control, links that others planted, files and folders it may not write,
// current directories of every length. Each case loads the library, opens
// board 0 (no host runs) and unloads it, in a child as an unprivileged user;
// a planted link is met by root.
constexpr uid_t kNobody = 65534;

struct PlaceCase {
    const char* name;
    mode_t runtimeMode;     // with S_IFLNK: the runtime directory is a link to one of this mode
    uid_t runtimeOwner;     // its group is nobody's
    std::size_t cwdLength;  // 0: the sandbox's; the current directory is nobody's
    mode_t cwdMode;         // from the load on
    mode_t iniMode;         // of RavlibLog.ini, nobody's, which switches every level on
    const char* planted;    // instead, a link of nobody's there (or in the runtime directory) to such a file of root's
    int result;             // of RV_open
    const char* refusal;    // of the runtime directory, in the log
    bool iniChanges;        // the log's position is written back
};

class PlaceTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceTest, TheLibraryUsesOnlyWhatNobodyElseControls) {
    if (geteuid() != 0)
        GTEST_SKIP() << "files of other users need root to make";
    const PlaceCase& c = GetParam();
    Sandbox box;
    std::string runtime = box.root() + "/place", real = runtime + (S_ISLNK(c.runtimeMode) ? ".real" : "");
    std::string cwd = c.cwdLength ? box.cwd() + "/" + std::string(c.cwdLength - box.cwd().size() - 1, 'd') : box.cwd();
    std::string ini = c.planted ? box.root() + "/victim" : cwd + "/RavlibLog.ini";
    std::filesystem::create_directory(cwd);
    writeFile(ini, "[LOG]\r\nLOGLEVEL=10007H\r\n");
    ASSERT_FALSE(chdir(cwd.c_str()) || chmod(box.root().c_str(), 0755) || mkdir(real.c_str(), 0) ||
                 chmod(real.c_str(), c.runtimeMode & 07777) || chown(real.c_str(), c.runtimeOwner, kNobody) ||
                 (S_ISLNK(c.runtimeMode) && symlink(real.c_str(), runtime.c_str())) || chown(".", kNobody, kNobody) ||
                 (c.planted ? symlink(ini.c_str(), c.planted) || lchown(c.planted, kNobody, kNobody)
                            : chmod(ini.c_str(), c.iniMode) || chown(ini.c_str(), kNobody, kNobody)) ||
                 chmod(".", c.cwdMode | S_IWUSR) || setenv("RAVEL_RUNTIME_DIR", runtime.c_str(), 1));
    EXPECT_EQ(c.result & 0xFF, waitChild(startChild([&] {
                  int result = (c.planted || (!setgid(kNobody) && !setuid(kNobody))) && ravlib::processAttach()
                                   ? RV_open(0)
                                   : -1;
                  chmod(".", c.cwdMode);
                  ravlib::processDetach();
                  return result;
              })));
    std::string line = c.refusal ? "open: NG: <runtime directory " + runtime + " refused: " + c.refusal + ">" : "";
    EXPECT_NE(std::string::npos, readFile("RavlibLog_0000.log").find(line));
    EXPECT_EQ(c.iniChanges, readFile(ini).find("LOGLINE_00=") != std::string::npos) << readFile(ini);
}

INSTANTIATE_TEST_SUITE_P(
    Places, PlaceTest,
    ::testing::Values(PlaceCase{"OwnRuntimeDirectory", 0700, kNobody, 0, 0755, 0644, nullptr, 4, nullptr, true},
                      PlaceCase{"AnotherUsers", 0700, 65533, 0, 0755, 0644, nullptr, 4,
                                "it belongs to uid 65533, not to uid 65534", false},
                      PlaceCase{"OthersMayWrite", 01777, 0, 0, 0755, 0644, nullptr, 4,
                                "other users may write in it (mode 1777)", false},
                      PlaceCase{"SymbolicLink", S_IFLNK | 0700, kNobody, 0, 0755, 0644, nullptr, 4,
                                "it is a symbolic link", false},
                      PlaceCase{"ReadOnlyIni", 0700, kNobody, 0, 0755, 0444, nullptr, 4, nullptr, false},
                      PlaceCase{"IniInAReadOnlyDirectory", 0700, kNobody, 0, 0555, 0644, nullptr, 4, nullptr, true},
                      PlaceCase{"PlantedIniLink", 0700, 0, 0, 01777, 0, "RavlibLog.ini", 4, nullptr, false},
                      PlaceCase{"PlantedLogLink", 0700, 0, 0, 01777, 0, "RavlibLog_0000.log", -1, nullptr, false},
                      PlaceCase{"PlantedObjectsLink", 0700, 0, 0, 0755, 0, "../place/objects", 4, nullptr, false},
                      PlaceCase{"Cwd249", 0700, kNobody, 249, 0755, 0644, nullptr, 4, nullptr, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
