// A library attached in a private current directory, with every log level
// on, next to a ravkernd child that serves its own runtime directory.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lib/exports/LibraryLoad.h"
#include "tests/support/HostProcess.h"
#include "tests/support/LogLines.h"
#include "tests/support/Sandbox.h"

namespace boardtest {

class HostedLibrary : public ::testing::Test {
protected:
    void SetUp() override { box_.write("RavlibLog.ini", ravtest::kLogAll); }
    void TearDown() override {
        if (attached_)
            ravlib::processDetach();
    }

    // Starts the host with `args` (empty: none at all, only its runtime
    // directory) and attaches the library in that directory.
    void start(const std::vector<std::string>& args) {
        if (args.empty()) {
            setenv("RAVEL_RUNTIME_DIR", host_.dir().c_str(), 1);
        } else {
            host_.spawn(args);
            ASSERT_TRUE(host_.waitReady()) << host_.standardError();
        }
        ASSERT_TRUE(ravlib::processAttach());
        attached_ = true;
        newLines();
    }

    void detach() {
        ravlib::processDetach();
        attached_ = false;
    }

    std::vector<std::string> allLines() const { return ravtest::logLines(box_.cwd() + "/RavlibLog_0000.log"); }

    // Lines written since the last call.
    std::vector<std::string> newLines() {
        std::vector<std::string> all = allLines();
        std::vector<std::string> fresh(all.begin() + std::min(seen_, all.size()), all.end());
        seen_ = all.size();
        return fresh;
    }

    ravtest::Sandbox box_;
    ravtest::HostProcess host_;
    bool attached_ = false;
    size_t seen_ = 0;
};

// "##    " + text: a detail line as the log file shows it.
inline std::string detail(const std::string& text) {
    return "##    " + text;
}

// The detail lines of a board's objects, in the order open makes them.
std::vector<std::string> semaphoreLines(int board);
std::vector<std::string> threadAndEventLines(int board);
// And the order close removes them.
std::vector<std::string> eventThreadSemaphoreCloseLines(int board);

// What this process holds: its threads, its open sockets, its views of the
// chip windows of the host serving `dir`.
int threadCount();
int socketCount();
int chipViews(const std::string& dir);
// True when no process holds the named object `name` any more.
bool objectGone(const char* name);

// Handle=n and CE=n of a line replaced by '#', for lines whose numbers a
// test cannot know.
std::string withoutNumbers(const std::string& line);
std::vector<std::string> withoutNumbers(const std::vector<std::string>& lines);

template <class... Lists>
std::vector<std::string> joined(const Lists&... lists) {
    std::vector<std::string> all;
    (all.insert(all.end(), lists.begin(), lists.end()), ...);
    return all;
}

}  // namespace boardtest
