// ravel end to end: the program run as a child process, with the real
// library, against a ravkernd child with the demo network.
#include "tests/support/ChildProcess.h"
#include "tests/support/HostProcess.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <thread>

namespace ravtest {
namespace {

struct Outcome {
    int status;
    std::string output;  // standard output and error together
};

Outcome ravel(const std::string& args) {
    ChildProcess child({"/bin/sh", "-c", "exec " RAVEL_PATH " " + args + " 2>&1"});
    std::string output;
    for (std::string line; (line = child.readLine(60000)) != "<eof>" && line != "<timeout>";)
        output += line + "\n";
    return {child.wait(60000), output};
}

// A ravel command that runs until SIGINT, its output in `file`; started
// once the file holds `ready`.
class Background {
public:
    Background(const std::string& args, const std::string& file, const char* ready = "\n")
        : child_({"/bin/sh", "-c", "exec " RAVEL_PATH " " + args + " >" + file + " 2>&1"}) {
        for (int i = 0; i < 3000 && readFile(file).find(ready) == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    int interrupt() {
        kill(child_.pid(), SIGINT);
        return child_.wait(60000);
    }

private:
    ChildProcess child_;
};

// The values of station 1's gm lines, times left out.
std::vector<std::string> stationOneValues(const std::string& trace) {
    std::vector<std::string> values;
    std::istringstream in(trace);
    for (std::string line; std::getline(in, line);)
        if (std::size_t at = line.find(" gm 1 "); at != std::string::npos)
            values.push_back(line.substr(at + 6));
    return values;
}

class RavelTest : public ::testing::Test {
protected:
    void startHost(const std::vector<std::string>& args) {
        host_.spawn(args);
        ASSERT_TRUE(host_.waitReady());
    }
    Sandbox box_;  // the current directory, for the library's log files
    HostProcess host_;
};

TEST_F(RavelTest, SubcommandsOnTheDemoNetwork) {
    startHost({"--board", "0", "--station", "10:2:counter", "--station", "20:1:echo"});
    Background keeper("watch --start 1:1 --json", "keeper.out");
    struct Case {
        const char* args;
        int status;
        const char* pattern;  // searched in the output
    };
    const Case cases[] = {
        {"boards", 0, "board 0: running \\(sequence 100[34]\\), station 1 size 1, mail closed\nboard 1: not found\n"},
        {"boards --json", 0, "^\\[\\{\"board\":0,\"found\":true,\"state\":\"running\".*\"found\":false\\}\\]\n$"},
        {"gm get 10 2 --width 64", 0, "^[0-9A-F]{16} [0-9A-F]{16}\n$"},
        {"gm set 1 0x1234 5 -w 32", 0, "^$"},
        {"gm get 1 --json", 0, "\"station\":1,\"width\":16,\"values\":\\[4660,0,5,0\\]"},
        {"gm get 1 8 -w 8", 0, "^34 12 00 00 05 00 00 00\n$"},
        {"gm set 1 0x10000", 2, "0x10000 is not a 16-bit value\nusage: ravel gm set"},
        {"gm get 63 5", 2, "COUNT is 1..4 here"},
        {"reg BCR", 0, "^BCR +0x356  0101\n$"},
        {"reg 0x368 --json", 0, "\"name\":\"CCR\",.*\"text\":\"MKY43\"\\}"},
        {"reg NOPE", 2, "NOPE names no register"},
        {"reg", 0, "^RFR +0x300  [0-9A-F]{16}\n[^]*\nWHPB1 +0x388  [0-9A-F]{16}\n$"},
        {"mail send 20 0102", 0, "^$"},
        {"mail send 33 0102", 1, "not delivered: no member has station 33 as its first station"},
        {"mail send 20 010", 2, "DATA is hex bytes"},
        {"mail ping 20 -c3 -i 0", 0,
         "seq=3 time=[0-9.]+ ms\n--- station 20 mail ping ---\n3 sent, 3 received, 0 lost, 0 corrupted\nrtt "
         "min/median/p99/max = "},
        {"mail ping 20 -s 3", 2, "-s takes 2..256 bytes, an even number"},
        {"mail listen --for 0.2 --json", 0, "^$"},
        {"watch --for 0.25", 0, "0\\.0[0-9]+ gm 10 [0-9A-F]{4}( [0-9A-F]{4}){3}\n(.*\n)*.* member 20 on\n"},
        {"dump --for 0.1 --json", 0, "^\\{\"trace\":1,\"board\":0,\"own\":\\[1,1\\]"},
        {"gm get 0 -b 2", 1, "RV_open\\(board 2\\): MKY43_ER_OPENDEVICE \\(4\\)"},
        {"play nothing.trace", 2, "cannot read nothing.trace"},
        {"watch --start 60:8", 2, "--start takes SA:SIZE"},
        {"boards -b 1", 2, "unknown option -b"},
        {"gm get", 2, "missing argument"},
        {"frobnicate", 2, "unknown command frobnicate"},
        {"mail ping --help", 0, "^usage: ravel mail ping SA"},
    };
    for (const Case& c : cases) {
        Outcome run = ravel(c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.output;
        EXPECT_TRUE(std::regex_search(run.output, std::regex(c.pattern))) << c.args << "\n" << run.output;
    }
    EXPECT_EQ(keeper.interrupt(), 0);
    EXPECT_TRUE(std::regex_search(ravel("boards").output, std::regex("board 0: stopped")));
}

TEST_F(RavelTest, TraceRecordedAndReplayedOntoASecondBoard) {
    startHost({"--board", "0", "--board", "1"});
    Background recorder("dump --start 1:1", "recorded.trace", " gm 1 ");
    ASSERT_EQ(ravel("gm set 1 0x1111 0x2222 0x3333 0x4444").status, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(ravel("gm set 1 5 6 7 8").status, 0);
    ASSERT_EQ(ravel("mail send 1 0102030405060708 -b 1 --start 2:1").status, 0);
    ASSERT_EQ(recorder.interrupt(), 0);
    const std::string recorded = readFile(box_.cwd() + "/recorded.trace");
    EXPECT_TRUE(std::regex_search(recorded, std::regex("^# ravel trace 1 board 0 own 1:1 start ")));
    EXPECT_TRUE(std::regex_search(recorded, std::regex("\n[0-9.]+ member 2 on\n")));
    EXPECT_TRUE(std::regex_search(recorded, std::regex("\n[0-9.]+ mail 2 8 01 02 03 04 05 06 07 08\n")));

    Background replayed("dump -b 1 --start 1:1", "replayed.trace", " gm 1 ");
    Outcome play = ravel("play recorded.trace -b 1");
    EXPECT_EQ(play.status, 0) << play.output;
    ASSERT_EQ(replayed.interrupt(), 0);
    const std::vector<std::string> expected{"0000 0000 0000 0000", "1111 2222 3333 4444", "0005 0006 0007 0008"};
    EXPECT_EQ(stationOneValues(recorded), expected) << recorded;
    EXPECT_EQ(stationOneValues(readFile(box_.cwd() + "/replayed.trace")), expected);
    // The board that recorded owns station 1 no more: nothing to play onto it.
    EXPECT_EQ(ravel("play recorded.trace").status, 1);
}

TEST_F(RavelTest, PingThroughAStationSwitchedOffCountsLossesAndEnds) {
    startHost({"--board", "0", "--station", "20:1:echo"});
    Background keeper("watch --start 1:1 --json", "keeper.out");
    std::string off = std::string(RAVKERND_PATH) + " station-off 20 --runtime-dir " + host_.dir();
    ASSERT_EQ(std::system(off.c_str()), 0);
    Outcome run = ravel("mail ping 20 -c 3 -i 0 -W 0.5");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_TRUE(std::regex_search(run.output, std::regex("seq=3 lost \\(no member has station 20")));
    EXPECT_TRUE(std::regex_search(run.output, std::regex("\n3 sent, 0 received, 3 lost, 0 corrupted\n")));
    EXPECT_EQ(keeper.interrupt(), 0);
}

}  // namespace
}  // namespace ravtest
