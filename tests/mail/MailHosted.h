// Mail on boards of a ravkernd child: guarded waits that end a lost wakeup
// with a failure instead of a hang, and numbered mail contents.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <chrono>

#include "lib/Ravlib.h"
#include "lib/board/BoardTable.h"
#include "lib/sync/EvntCtrl.h"
#include "lib/window/MailThd.h"
#include "tests/support/HostedBoard.h"
#include "tests/support/Watchdog.h"

namespace mailtest {

using Mail = std::array<int16_t, 128>;

// A full mail whose every word tells its number `n` and its place apart.
inline Mail numbered(int n) {
    Mail words;
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<int16_t>(n * 131 + static_cast<int>(i));
    return words;
}

class HostedMail : public gmtest::HostedBoard {
protected:
    // Opens boards 0..boards-1, starts board b at station stations[b] with
    // size 1 and opens its mail.
    void openMail(const std::vector<std::string>& args, const std::vector<int>& stations) {
        openOn(args, static_cast<int>(stations.size()));
        for (size_t b = 0; b < stations.size(); ++b) {
            const int board = static_cast<int>(b);
            ASSERT_EQ(RV_start(board, 0, stations[b], 1, 0), MKY43_ER_OK);
            ASSERT_EQ(RV_MailOpen(board, 0), MKY43_ER_OK);
        }
        newLines();
    }

    // RV_MailWaitObject, but a wait still blocked after `limit` is ended by
    // closing the board, so it answers 25 and the test fails rather than hangs.
    static int32_t guardedWait(int32_t board, int16_t* status, std::chrono::seconds limit = std::chrono::seconds(10)) {
        ravtest::Watchdog watchdog([board] { RV_close(board); });
        watchdog.arm(limit);
        return RV_MailWaitObject(board, 0, status);
    }

    // Waits for mail, passing over send results.
    static int32_t waitForMail(int32_t board) {
        int16_t status = 0;
        int32_t result = MKY43_ER_MAILSENDRESULT;
        for (int i = 0; i < 8 && result == MKY43_ER_MAILSENDRESULT; ++i)
            result = guardedWait(board, &status);
        return result;
    }

    static std::shared_ptr<ravlib::BoardCtrl> ctrl(int board) { return ravlib::boardTable().find(board); }
};

}  // namespace mailtest
