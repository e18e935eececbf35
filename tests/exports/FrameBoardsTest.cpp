// Open and close, NULL pointers on open and closed boards, unloading with
// open boards, and boards closed while other threads call.
#include <atomic>
#include <cstdio>
#include <functional>
#include <latch>
#include <thread>
#include <vector>

#include "lib/Ravlib.h"
#include "lib/exports/CallFrame.h"
#include "tests/exports/FrameTestSupport.h"

namespace ravtest {
namespace {

using Boards = AttachedLibrary;

struct OpenCase {
    int32_t board;
    int32_t result;
};

TEST_F(Boards, OpenFailuresLeaveTheSlotEmpty) {
    const OpenCase cases[] = {{4, MKY43_ER_INVALIDPARAM},
                              {-1, MKY43_ER_INVALIDPARAM},
                              {0, MKY43_ER_OPENDEVICE},
                              {3, MKY43_ER_OPENDEVICE},
                              {0, MKY43_ER_OPENDEVICE}};
    for (const OpenCase& c : cases) {
        EXPECT_EQ(RV_open(c.board), c.result) << c.board;
        char entry[100], failure[100];
        std::snprintf(entry, sizeof entry, "**   Ravlib(%d) RV_open", c.board);
        std::snprintf(failure, sizeof failure, "@@   Ravlib(%d) RV_open NG: Ret(%xh)", c.board, c.result);
        std::vector<std::string> expected{entry};
        if (c.result == MKY43_ER_OPENDEVICE)
            for (const std::string& line : noDeviceOpenLines(c.board))
                expected.push_back(line);
        expected.push_back(failure);
        EXPECT_EQ(newLines(), expected);
        EXPECT_FALSE(ravlib::boardTable().find(c.board));
    }
    EXPECT_EQ(RV_Free(0, 0), MKY43_ER_NOTOPEN);
}

TEST_F(Boards, OpenOfATakenSlotAnswersAlreadyOpenAndKeepsTheBoard) {
    auto first = placeBoard(2);
    EXPECT_EQ(RV_open(2), MKY43_ER_ALREADYOPEN);
    EXPECT_EQ(ravlib::boardTable().find(2), first);
    // An open still in progress holds the slot as well.
    ASSERT_TRUE(ravlib::boardTable().reserve(1));
    EXPECT_EQ(RV_open(1), MKY43_ER_ALREADYOPEN);
    EXPECT_EQ(RV_Free(1, 0), MKY43_ER_NOTOPEN);
    ravlib::boardTable().fill(1, nullptr);
    EXPECT_EQ(newLines(), (std::vector<std::string>{"**   Ravlib(2) RV_open", "@@   Ravlib(2) RV_open NG: Ret(1h)",
                                                    "**   Ravlib(1) RV_open", "@@   Ravlib(1) RV_open NG: Ret(1h)",
                                                    "@@   Ravlib(1) RV_Free: Line(0): NG: Ret(2h)"}));
}

TEST_F(Boards, CloseCodesAndLines) {
    placeBoard(2);
    EXPECT_EQ(RV_close(0), MKY43_ER_NOTOPEN);
    EXPECT_EQ(RV_close(4), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(RV_close(-1), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(RV_close(2), MKY43_ER_OK);
    EXPECT_EQ(RV_close(2), MKY43_ER_NOTOPEN);
    EXPECT_EQ(RV_Free(2, 0), MKY43_ER_NOTOPEN);
    EXPECT_EQ(newLines(), (std::vector<std::string>{
                              "**   Ravlib(0) RV_close",
                              "@@   Ravlib(0) RV_close: NG: Ret(2h)",
                              "**   Ravlib(4) RV_close",
                              "@@   Ravlib(4) RV_close: NG: Ret(3h)",
                              "**   Ravlib(-1) RV_close",
                              "@@   Ravlib(-1) RV_close: NG: Ret(3h)",
                              "**   Ravlib(2) RV_close",
                              "##    Ravlib(2) RV_close: OK",
                              "**   Ravlib(2) RV_close",
                              "@@   Ravlib(2) RV_close: NG: Ret(2h)",
                              "@@   Ravlib(2) RV_Free: Line(0): NG: Ret(2h)",
                          }));
}

TEST_F(Boards, BoardNamesFollowTheBoardNumber) {
    const ravlib::BoardCtrl board(2);
    EXPECT_STREQ(board.boardName(), "RavlibBrd2");
    EXPECT_STREQ(board.mailEventBase(0), "MailRecv1_2");
    EXPECT_STREQ(board.mailEventBase(1), "MailRecv2_2");
    EXPECT_STREQ(board.mailEventBase(2), "MailSeRes_2");
    EXPECT_STREQ(board.mailEventBase(3), "MailClose_2");
    EXPECT_STREQ(board.mailEventBase(4), "MailError_2");
    EXPECT_EQ(board.rateCode(0), -1);
}

int16_t words[16];
int32_t longs[4];
void* pointer;

struct NullCase {
    const char* name;
    std::function<int32_t(int32_t board)> call;
    const char* ngDetail;
};

const NullCase kNullCases[] = {
    {"RV_Status", [](int32_t b) { return RV_Status(b, 0, nullptr); }, ""},
    {"RV_Name", [](int32_t b) { return RV_Name(b, 0, nullptr); }, ""},
    {"RV_Connect", [](int32_t b) { return RV_Connect(b, 0, nullptr); }, ""},
    {"RV_ConnectLF", [](int32_t b) { return RV_ConnectLF(b, 0, nullptr); }, ""},
    {"RV_Alloc", [](int32_t b) { return RV_Alloc(b, 0, 5, nullptr); }, "-StationAdr(5)"},
    {"RV_Attach", [](int32_t b) { return RV_Attach(b, 0, nullptr); }, ""},
    {"RV_Map", [](int32_t b) { return RV_Map(b, 0, nullptr, &pointer); }, ""},
    {"RV_Map", [](int32_t b) { return RV_Map(b, 0, "1", nullptr); }, ""},
    {"RV_MailSend", [](int32_t b) { return RV_MailSend(b, 0, 1, nullptr, 8); }, "-StationAdr(1)-Leng(8)"},
    {"RV_MailReceive", [](int32_t b) { return RV_MailReceive(b, 0, nullptr, 8, longs); }, "-Leng(8)"},
    {"RV_MailReceive", [](int32_t b) { return RV_MailReceive(b, 0, words, 8, nullptr); }, "-Leng(8)"},
    {"RV_MailStatus", [](int32_t b) { return RV_MailStatus(b, 0, nullptr); }, ""},
    {"RV_MailWaitObject", [](int32_t b) { return RV_MailWaitObject(b, 0, nullptr); }, ""},
    {"RV_Ck", [](int32_t b) { return RV_Ck(b, 0, nullptr); }, ""},
    {"RV_Put", [](int32_t b) { return RV_Put(b, 0, nullptr); }, ""},
    {"RV_Get", [](int32_t b) { return RV_Get(b, 0, 1, nullptr); }, ""},
    {"RV_GetReg64", [](int32_t b) { return RV_GetReg64(b, 0, 0x10, nullptr); }, ""},
    {"RV_GetReg32", [](int32_t b) { return RV_GetReg32(b, 0, 0x10, nullptr); }, ""},
    {"RV_GetReg16", [](int32_t b) { return RV_GetReg16(b, 0, 0x10, nullptr); }, ""},
    {"RV_GetMemShort", [](int32_t b) { return RV_GetMemShort(b, 0, nullptr, 0, 0, 1); }, ""},
    {"RV_GetMemLong", [](int32_t b) { return RV_GetMemLong(b, 0, nullptr, 0, 0, 1); }, ""},
    {"RV_GetMemDLong", [](int32_t b) { return RV_GetMemDLong(b, 0, nullptr, 0, 0, 1); }, ""},
    {"RV_SetMemShort", [](int32_t b) { return RV_SetMemShort(b, 0, nullptr, 0, 0, 1); }, ""},
    {"RV_SetMemLong", [](int32_t b) { return RV_SetMemLong(b, 0, nullptr, 0, 0, 1); }, ""},
    {"RV_SetMemDLong", [](int32_t b) { return RV_SetMemDLong(b, 0, nullptr, 0, 0, 1); }, ""},
};

class NullPointer : public AttachedLibrary, public ::testing::WithParamInterface<NullCase> {};

TEST_P(NullPointer, IsInvalidOnAnOpenBoardAndNotOpenOnAClosedOne) {
    const NullCase& c = GetParam();
    placeBoard(1);
    for (const auto& [board, result] : {std::pair{1, MKY43_ER_INVALIDPARAM}, std::pair{0, MKY43_ER_NOTOPEN}}) {
        EXPECT_EQ(c.call(board), result) << "board " << board;
        char line[200];
        std::snprintf(line, sizeof line, "@@   Ravlib(%d) %s: Line(0)%s: NG: Ret(%xh)", board, c.name, c.ngDetail,
                      result);
        EXPECT_EQ(newLines(), std::vector<std::string>{line});
    }
}

INSTANTIATE_TEST_SUITE_P(Frame, NullPointer, ::testing::ValuesIn(kNullCases));

TEST_F(Boards, GetCnectStatWithANullVariableShowsZeroForIt) {
    placeBoard(1);
    int32_t adr = 5;
    EXPECT_EQ(RV_GetCnectStat(1, 0, &adr, nullptr), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(RV_GetCnectStat(1, 0, nullptr, &adr), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(RV_GetCnectStat(0, 0, nullptr, nullptr), MKY43_ER_NOTOPEN);
    EXPECT_EQ(adr, 5);
    EXPECT_EQ(newLines(), (std::vector<std::string>{
                              "**   Ravlib(1) RV_GetCnectStat: Line(0): StationAdr(5)-StationSize(0): Ret(3h)",
                              "**   Ravlib(1) RV_GetCnectStat: Line(0): StationAdr(0)-StationSize(5): Ret(3h)",
                              "**   Ravlib(0) RV_GetCnectStat: Line(0): StationAdr(0)-StationSize(0): Ret(2h)",
                          }));
}

TEST_F(Boards, UnloadFinishesAndClosesOpenBoardsBeforeServiceStop) {
    std::weak_ptr<ravlib::BoardCtrl> first = placeBoard(0);
    std::weak_ptr<ravlib::BoardCtrl> second = placeBoard(2);
    ravlib::processDetach();
    // Boards without a device: each stop's refused disconnect, then its Finish line.
    EXPECT_EQ(newLines(),
              (std::vector<std::string>{"##    RavlibBrd0 RavelDisConnect: NG: <CE=6>",
                                        "##    RavlibBrd0 Finish: OK: ", "##    RavlibBrd2 RavelDisConnect: NG: <CE=6>",
                                        "##    RavlibBrd2 Finish: OK: ", kServiceStop}));
    EXPECT_TRUE(first.expired());
    EXPECT_TRUE(second.expired());
    EXPECT_EQ(RV_Free(0, 0), MKY43_ER_OTHER);
}

TEST_F(Boards, CloseWaitsForTheCallInProgressAndLetsNoNewCallIn) {
    auto board = placeBoard(1);
    std::weak_ptr<ravlib::BoardCtrl> watch = board;
    ravlib::CallGate& gate = board->gate();
    board.reset();
    std::latch entered(1), released(1);
    std::atomic<bool> closeReturned{false};
    std::thread caller([&] {
        ravlib::CallFrame call("RV_Test", 1, 0);
        call.run([&](ravlib::BoardCtrl& b) {
            entered.count_down();
            released.wait();
            // The close has begun but must not have taken the board apart.
            EXPECT_FALSE(closeReturned.load());
            return b.boardNo() == 1 && std::string(b.boardName()) == "RavlibBrd1" ? 0 : 1;
        });
        EXPECT_EQ(call.finish(), MKY43_ER_OK);
    });
    entered.wait();
    std::thread closer([&] {
        EXPECT_EQ(RV_close(1), MKY43_ER_OK);
        closeReturned = true;
    });
    // The caller inside keeps the object (and its gate) alive until it leaves.
    while (!gate.shut())
        std::this_thread::yield();
    EXPECT_EQ(RV_Free(1, 0), MKY43_ER_NOTOPEN);
    EXPECT_FALSE(closeReturned.load());
    released.count_down();
    caller.join();
    closer.join();
    EXPECT_TRUE(closeReturned.load());
    EXPECT_TRUE(watch.expired());
}

TEST(BoardTable, ConcurrentReservationsOfOneSlotHaveOneWinner) {
    for (int round = 0; round < 50; ++round) {
        ravlib::BoardTable table;
        constexpr int kThreads = 8;
        std::latch start(kThreads);
        std::atomic<int> winners{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i)
            threads.emplace_back([&] {
                start.arrive_and_wait();
                if (table.reserve(3))
                    ++winners;
            });
        for (auto& t : threads)
            t.join();
        EXPECT_EQ(winners.load(), 1);
    }
}

TEST(BoardTable, OutOfRangeBoardsHaveNoSlot) {
    ravlib::BoardTable table;
    for (int32_t board : {-1, 4, INT32_MIN, INT32_MAX}) {
        EXPECT_FALSE(table.reserve(board));
        table.fill(board, std::make_shared<ravlib::BoardCtrl>(0));
        EXPECT_FALSE(table.find(board));
        EXPECT_FALSE(table.take(board));
    }
    // fill without a reservation leaves the slot as it was.
    table.fill(0, std::make_shared<ravlib::BoardCtrl>(0));
    EXPECT_FALSE(table.find(0));
}

TEST_F(Boards, CallsRaceWithOpensAndClosesWithoutHarm) {
    constexpr int kRounds = 300;
    std::atomic<bool> done{false};
    std::atomic<int> unexpected{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 3; ++t)
        callers.emplace_back([&, t] {
            int32_t adr = 0, size = 0;
            while (!done.load()) {
                for (int32_t board = 0; board < 4; ++board) {
                    const int32_t results[] = {RV_GetCnectStat(board, 0, &adr, &size), RV_config(board, 0, t),
                                               RV_Free(board, 0), RV_stop(board, 0)};
                    for (int32_t r : results)
                        if (r != MKY43_ER_OK && r != MKY43_ER_NOTOPEN)
                            ++unexpected;
                    if (RV_Alloc(board, 0, 64, &pointer) != MKY43_ER_INVALIDPARAM)
                        ++unexpected;
                }
            }
        });
    std::thread opener([&] {
        for (int round = 0; round < kRounds; ++round) {
            const int32_t board = round % 4;
            if (ravlib::boardTable().reserve(board))
                ravlib::boardTable().fill(board, std::make_shared<ravlib::BoardCtrl>(board));
            const int32_t open = RV_open(board);
            if (open != MKY43_ER_ALREADYOPEN)
                ++unexpected;
            if (RV_close(board) != MKY43_ER_OK)
                ++unexpected;
            if (RV_open(board) != MKY43_ER_OPENDEVICE)
                ++unexpected;
        }
        done = true;
    });
    opener.join();
    for (auto& t : callers)
        t.join();
    EXPECT_EQ(unexpected.load(), 0);
    for (int32_t board = 0; board < 4; ++board)
        EXPECT_FALSE(ravlib::boardTable().find(board));
}

}  // namespace
}  // namespace ravtest
