// Board 0 (and more when asked) open in this process against a ravkernd
// child, with its chip window and helpers to seed GM and to wait for the bus.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "lib/Ravlib.h"
#include "lib/board/BoardTable.h"
#include "tests/support/HostedLibrary.h"

namespace gmtest {

class HostedBoard : public boardtest::HostedLibrary {
protected:
    // Starts the host with `args` and opens boards 0..boards-1.
    void openOn(const std::vector<std::string>& args, int boards = 1) {
        start(args);
        for (int b = 0; b < boards; ++b)
            ASSERT_EQ(RV_open(b), MKY43_ER_OK);
        newLines();
    }
    std::uint8_t* window(int board = 0) const {
        auto ctrl = ravlib::boardTable().find(board);
        return ctrl ? ctrl->gmBase() : nullptr;
    }
    // True once `done` holds, polling for up to `seconds`.
    static bool eventually(const std::function<bool()>& done, double seconds = 5) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    // The last line written, or "" when there is none.
    std::string lastLine() {
        const std::vector<std::string> lines = newLines();
        return lines.empty() ? std::string() : lines.back();
    }
};

inline const char* const kTrace = "**   ";
inline const char* const NG = "@@   ";
inline const char* const kDetail = "##    ";

}  // namespace gmtest
