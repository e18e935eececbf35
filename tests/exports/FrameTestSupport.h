// A library attached in a private directory with every log level on, and
// the log lines it has written since.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "lib/board/BoardTable.h"
#include "lib/exports/LibraryLoad.h"
#include "tests/support/LogLines.h"
#include "tests/support/Sandbox.h"

namespace ravtest {

inline const std::string kServiceStart = "**   ------------------- Ravlib.dll Service Start -------------------";
inline const std::string kServiceStop = "**   ------------------- Ravlib.dll Service Stop -------------------";

class AttachedLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        box_.write("RavlibLog.ini", kLogAll);
        ASSERT_TRUE(ravlib::processAttach());
        ASSERT_EQ(allLines(), std::vector<std::string>{kServiceStart});
        seen_ = 1;
    }
    void TearDown() override { ravlib::processDetach(); }

    std::vector<std::string> allLines() const { return logLines(box_.cwd() + "/RavlibLog_0000.log"); }

    // Lines written since the last call.
    std::vector<std::string> newLines() {
        std::vector<std::string> all = allLines();
        std::vector<std::string> fresh(all.begin() + std::min(seen_, all.size()), all.end());
        seen_ = all.size();
        return fresh;
    }

    // Puts a board into its slot as a successful open does.
    static std::shared_ptr<ravlib::BoardCtrl> placeBoard(int32_t board) {
        auto ctrl = std::make_shared<ravlib::BoardCtrl>(board);
        EXPECT_TRUE(ravlib::boardTable().reserve(board));
        ravlib::boardTable().fill(board, ctrl);
        return ctrl;
    }

    Sandbox box_;
    size_t seen_ = 0;
};

}  // namespace ravtest
