// Return codes and log lines of the exports with a board and a line when
// their checks fail: bad board, bad line, board not open, NULL pointers.
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>

#include "chip/Mky43.h"
#include "lib/Ravlib.h"
#include "tests/exports/FrameTestSupport.h"

namespace ravtest {
namespace {

int16_t words[128];
int32_t longs[64];
uint16_t word16;
int32_t long32;
uint8_t bytes[32];
void* pointer;
const char request[12] = {'1', '2'};

struct BoardLineExport {
    const char* name;
    std::function<int32_t(int32_t board, int32_t line)> call;
    const char* ngDetail;  // between "Line(n)" and ": NG"
};

const BoardLineExport kExports[] = {
    {"RV_start", [](int32_t b, int32_t l) { return RV_start(b, l, 5, 3, 0); }, ""},
    {"RV_start_lf", [](int32_t b, int32_t l) { return RV_start_lf(b, l, 5, 3, 0); }, ""},
    {"RV_start_gmm", [](int32_t b, int32_t l) { return RV_start_gmm(b, l, 0); }, ""},
    {"RV_stop", [](int32_t b, int32_t l) { return RV_stop(b, l); }, ""},
    {"RV_reset", [](int32_t b, int32_t l) { return RV_reset(b, l, 0x51234); }, " Data(4660)"},
    {"RV_Status", [](int32_t b, int32_t l) { return RV_Status(b, l, bytes); }, ""},
    {"RV_Name", [](int32_t b, int32_t l) { return RV_Name(b, l, bytes); }, ""},
    {"RV_Connect", [](int32_t b, int32_t l) { return RV_Connect(b, l, request); }, ""},
    {"RV_ConnectLF", [](int32_t b, int32_t l) { return RV_ConnectLF(b, l, request); }, ""},
    {"RV_ConnectGMM", [](int32_t b, int32_t l) { return RV_ConnectGMM(b, l); }, ""},
    {"RV_DisConnect", [](int32_t b, int32_t l) { return RV_DisConnect(b, l); }, ""},
    {"RV_Alloc", [](int32_t b, int32_t l) { return RV_Alloc(b, l, 5, &pointer); }, "-StationAdr(5)"},
    {"RV_Free", [](int32_t b, int32_t l) { return RV_Free(b, l); }, ""},
    {"RV_Attach", [](int32_t b, int32_t l) { return RV_Attach(b, l, &pointer); }, ""},
    {"RV_Map", [](int32_t b, int32_t l) { return RV_Map(b, l, "12", &pointer); }, ""},
    {"RV_UnMap", [](int32_t b, int32_t l) { return RV_UnMap(b, l); }, ""},
    {"RV_MailOpen", [](int32_t b, int32_t l) { return RV_MailOpen(b, l); }, ""},
    {"RV_MailClose", [](int32_t b, int32_t l) { return RV_MailClose(b, l); }, ""},
    {"RV_MailSend", [](int32_t b, int32_t l) { return RV_MailSend(b, l, 7, words, 16); }, "-StationAdr(7)-Leng(16)"},
    {"RV_MailReceive", [](int32_t b, int32_t l) { return RV_MailReceive(b, l, words, 256, &long32); }, "-Leng(256)"},
    {"RV_MailStatus", [](int32_t b, int32_t l) { return RV_MailStatus(b, l, words); }, ""},
    {"RV_MailWaitObject", [](int32_t b, int32_t l) { return RV_MailWaitObject(b, l, words); }, ""},
    {"RV_Ck", [](int32_t b, int32_t l) { return RV_Ck(b, l, &word16); }, ""},
    {"RV_Put", [](int32_t b, int32_t l) { return RV_Put(b, l, bytes); }, ""},
    {"RV_Get", [](int32_t b, int32_t l) { return RV_Get(b, l, 3, bytes); }, ""},
    {"RV_GetReg64", [](int32_t b, int32_t l) { return RV_GetReg64(b, l, mky43::RHPB0 + 4, longs); }, ""},
    {"RV_GetReg32", [](int32_t b, int32_t l) { return RV_GetReg32(b, l, mky43::BCR, &long32); }, ""},
    {"RV_GetReg16", [](int32_t b, int32_t l) { return RV_GetReg16(b, l, mky43::BCR, &word16); }, ""},
    {"RV_SetReg64", [](int32_t b, int32_t l) { return RV_SetReg64(b, l, 0x10, 1, 2); }, ""},
    {"RV_SetReg32", [](int32_t b, int32_t l) { return RV_SetReg32(b, l, 0x10, 1); }, ""},
    {"RV_SetReg16", [](int32_t b, int32_t l) { return RV_SetReg16(b, l, 0x10, 1); }, ""},
    {"RV_GetMemShort", [](int32_t b, int32_t l) { return RV_GetMemShort(b, l, words, 1, 2, 3); }, ""},
    {"RV_GetMemLong", [](int32_t b, int32_t l) { return RV_GetMemLong(b, l, longs, 1, 2, 3); }, ""},
    {"RV_GetMemDLong", [](int32_t b, int32_t l) { return RV_GetMemDLong(b, l, longs, 1, 2, 3); }, ""},
    {"RV_SetMemShort", [](int32_t b, int32_t l) { return RV_SetMemShort(b, l, words, 1, 2, 3); }, ""},
    {"RV_SetMemLong", [](int32_t b, int32_t l) { return RV_SetMemLong(b, l, longs, 1, 2, 3); }, ""},
    {"RV_SetMemDLong", [](int32_t b, int32_t l) { return RV_SetMemDLong(b, l, longs, 1, 2, 3); }, ""},
    {"RV_HardReset", [](int32_t b, int32_t l) { return RV_HardReset(b, l); }, ""},
};

std::string ngLine(const BoardLineExport& e, int32_t board, int32_t line, int32_t result) {
    char text[300];
    std::snprintf(text, sizeof text, "@@   Ravlib(%d) %s: Line(%d)%s: NG: Ret(%xh)", board, e.name, line, e.ngDetail,
                  static_cast<unsigned>(result));
    return text;
}

struct CheckCase {
    int32_t board;
    int32_t line;
    int32_t result;
};

// Every board is closed here.
const CheckCase kCheckCases[] = {
    {4, 0, MKY43_ER_INVALIDPARAM}, {-1, 0, MKY43_ER_INVALIDPARAM}, {INT_MIN, 0, MKY43_ER_INVALIDPARAM},
    {0, 1, MKY43_ER_INVALIDPARAM}, {0, -1, MKY43_ER_INVALIDPARAM}, {4, 1, MKY43_ER_INVALIDPARAM},
    {0, 0, MKY43_ER_NOTOPEN},      {3, 0, MKY43_ER_NOTOPEN},
};

class EveryExport : public AttachedLibrary, public ::testing::WithParamInterface<BoardLineExport> {};

TEST_P(EveryExport, SharedCheckCodesAndLines) {
    const BoardLineExport& e = GetParam();
    for (const CheckCase& c : kCheckCases) {
        EXPECT_EQ(e.call(c.board, c.line), c.result) << "board " << c.board << " line " << c.line;
        EXPECT_EQ(newLines(), std::vector<std::string>{ngLine(e, c.board, c.line, c.result)});
    }
}

TEST_P(EveryExport, BadLineOnOpenBoardIsInvalid) {
    const BoardLineExport& e = GetParam();
    placeBoard(1);
    for (int32_t line : {1, -1, 2, INT_MAX}) {
        EXPECT_EQ(e.call(1, line), MKY43_ER_INVALIDPARAM) << "line " << line;
        EXPECT_EQ(newLines(), std::vector<std::string>{ngLine(e, 1, line, MKY43_ER_INVALIDPARAM)});
    }
}

TEST_P(EveryExport, InertLibraryAnswersOtherAndWritesNothing) {
    const BoardLineExport& e = GetParam();
    ravlib::processDetach();
    ASSERT_EQ(allLines().back(), kServiceStop);
    seen_ = allLines().size();
    EXPECT_EQ(e.call(0, 0), MKY43_ER_OTHER);
    EXPECT_EQ(e.call(4, 0), MKY43_ER_OTHER);
    EXPECT_TRUE(newLines().empty());
}

TEST(InertLibrary, EveryExportAnswersOtherWhenTheLogCannotOpen) {
    Sandbox box;
    box.write("RavlibLog.ini", kLogAll);
    std::filesystem::create_directory(box.cwd() + "/RavlibLog_0000.log");
    ASSERT_FALSE(ravlib::processAttach());
    for (const BoardLineExport& e : kExports)
        EXPECT_EQ(e.call(0, 0), MKY43_ER_OTHER) << e.name;
    EXPECT_EQ(RV_open(0), MKY43_ER_OTHER);
    EXPECT_EQ(RV_close(0), MKY43_ER_OTHER);
    EXPECT_EQ(RV_GetMemByte(9, 0, nullptr, 0, 0, 0), MKY43_ER_OTHER);
    EXPECT_EQ(RV_SetMemByte(0, 0, nullptr, 0, 0, 0), MKY43_ER_OTHER);
    char name[32];
    EXPECT_STREQ(RV_dllname(name), "Ravlib.dll");
    EXPECT_EQ(RV_maxline(), 1);
    // The failed open left no board reserved, and unloading does nothing.
    EXPECT_TRUE(ravlib::boardTable().reserve(0));
    ravlib::boardTable().fill(0, nullptr);
    ravlib::processDetach();
    EXPECT_TRUE(std::filesystem::is_directory(box.cwd() + "/RavlibLog_0000.log"));
}

INSTANTIATE_TEST_SUITE_P(Frame, EveryExport, ::testing::ValuesIn(kExports),
                         [](const auto& info) { return std::string(info.param.name); });

using Frame = AttachedLibrary;

TEST_F(Frame, GetCnectStatLineShowsCallersVariablesAfterFailedCheck) {
    int32_t adr = 7, size = -9;
    EXPECT_EQ(RV_GetCnectStat(2, 0, &adr, &size), MKY43_ER_NOTOPEN);
    EXPECT_EQ(adr, 7);
    EXPECT_EQ(size, -9);
    EXPECT_EQ(RV_GetCnectStat(5, 0, &adr, &size), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(RV_GetCnectStat(2, 1, &adr, &size), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(newLines(), (std::vector<std::string>{
                              "**   Ravlib(2) RV_GetCnectStat: Line(0): StationAdr(7)-StationSize(-9): Ret(2h)",
                              "**   Ravlib(5) RV_GetCnectStat: Line(0): StationAdr(7)-StationSize(-9): Ret(3h)",
                              "**   Ravlib(2) RV_GetCnectStat: Line(1): StationAdr(7)-StationSize(-9): Ret(3h)",
                          }));
}

TEST_F(Frame, GetCnectStatOnOpenBoardReportsRecordedRange) {
    placeBoard(3);
    int32_t adr = 7, size = 9;
    EXPECT_EQ(RV_GetCnectStat(3, 0, &adr, &size), MKY43_ER_OK);
    EXPECT_EQ(adr, 0);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(newLines(), std::vector<std::string>{
                              "**   Ravlib(3) RV_GetCnectStat: Line(0): StationAdr(0)-StationSize(0): Ret(0h)"});
}

TEST_F(Frame, ConfigLineShowsRateCodeWhateverTheResult) {
    EXPECT_EQ(RV_config(0, 0, 12), MKY43_ER_NOTOPEN);
    EXPECT_EQ(RV_config(-2, 0, -1), MKY43_ER_INVALIDPARAM);
    auto board = placeBoard(0);
    EXPECT_EQ(board->rateCode(0), -1);
    EXPECT_EQ(RV_config(0, 0, 7), MKY43_ER_OK);
    EXPECT_EQ(board->rateCode(0), 7);
    EXPECT_EQ(RV_config(0, 1, 3), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(board->rateCode(0), 7);
    EXPECT_EQ(newLines(), (std::vector<std::string>{
                              "**   Ravlib(0) RV_config: Line(0): Baudrate(12): Ret(2h)",
                              "**   Ravlib(-2) RV_config: Line(0): Baudrate(-1): Ret(3h)",
                              "**   Ravlib(0) RV_config: Line(0): Baudrate(7): Ret(0h)",
                              "**   Ravlib(0) RV_config: Line(1): Baudrate(3): Ret(3h)",
                          }));
}

TEST_F(Frame, OperationsWithoutResultAnswerTheCheck) {
    placeBoard(2);
    EXPECT_EQ(RV_stop(2, 0), MKY43_ER_OK);
    EXPECT_EQ(RV_Free(2, 0), MKY43_ER_OK);
    EXPECT_EQ(RV_UnMap(2, 0), MKY43_ER_OK);
    // A board without a device: the refused disconnect shows only in its detail line.
    EXPECT_EQ(newLines(), (std::vector<std::string>{
                              "##    RavlibBrd2 RavelDisConnect: NG: <CE=6>",
                              "**   Ravlib(2) RV_stop: Line(0): OK",
                              "**   Ravlib(2) RV_Free: Line(0): OK",
                              "**   Ravlib(2) RV_UnMap: Line(0): OK",
                          }));
}

struct AllocCase {
    int32_t board;
    int32_t stationAdr;
    int32_t result;
};

TEST_F(Frame, AllocStationAddressCheckWinsOverClosedBoard) {
    const AllocCase cases[] = {
        {0, 64, MKY43_ER_INVALIDPARAM}, {0, -1, MKY43_ER_INVALIDPARAM}, {4, 64, MKY43_ER_INVALIDPARAM},
        {0, 63, MKY43_ER_NOTOPEN},      {0, 0, MKY43_ER_NOTOPEN},
    };
    for (const AllocCase& c : cases) {
        void* block = &pointer;
        EXPECT_EQ(RV_Alloc(c.board, 0, c.stationAdr, &block), c.result) << c.stationAdr;
        EXPECT_EQ(block, &pointer);
        char line[200];
        std::snprintf(line, sizeof line, "@@   Ravlib(%d) RV_Alloc: Line(0)-StationAdr(%d): NG: Ret(%xh)", c.board,
                      c.stationAdr, c.result);
        EXPECT_EQ(newLines(), std::vector<std::string>{line});
    }
    placeBoard(1);
    EXPECT_EQ(RV_Alloc(1, 0, 64, &pointer), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(newLines(), std::vector<std::string>{"@@   Ravlib(1) RV_Alloc: Line(0)-StationAdr(64): NG: Ret(3h)"});
}

struct MailLengthCase {
    int32_t board;
    int32_t length;
    bool open;
    int32_t result;
};

TEST_F(Frame, MailLengthIsCheckedOnlyAfterTheSharedCheck) {
    const MailLengthCase cases[] = {
        {0, 0, false, MKY43_ER_NOTOPEN}, {0, 257, false, MKY43_ER_NOTOPEN}, {4, 0, false, MKY43_ER_INVALIDPARAM},
        {1, 0, true, MKY43_ER_MAILSIZE}, {1, -5, true, MKY43_ER_MAILSIZE},  {1, 257, true, MKY43_ER_MAILSIZE},
    };
    placeBoard(1);
    for (const MailLengthCase& c : cases) {
        EXPECT_EQ(RV_MailSend(c.board, 0, 9, words, c.length), c.result) << c.board << " " << c.length;
        EXPECT_EQ(RV_MailReceive(c.board, 0, words, c.length, &long32), c.result) << c.board << " " << c.length;
        char send[200], receive[200];
        std::snprintf(send, sizeof send, "@@   Ravlib(%d) RV_MailSend: Line(0)-StationAdr(9)-Leng(%d): NG: Ret(%xh)",
                      c.board, c.length, c.result);
        std::snprintf(receive, sizeof receive, "@@   Ravlib(%d) RV_MailReceive: Line(0)-Leng(%d): NG: Ret(%xh)",
                      c.board, c.length, c.result);
        EXPECT_EQ(newLines(), (std::vector<std::string>{send, receive}));
    }
    // A bad length with a NULL buffer is a bad length.
    EXPECT_EQ(RV_MailSend(1, 0, 9, nullptr, 0), MKY43_ER_MAILSIZE);
}

struct ByteCase {
    int32_t board;
    int32_t line;
};

TEST_F(Frame, ByteWideAccessIsNeverSupported) {
    placeBoard(2);
    const ByteCase cases[] = {{9, 0}, {0, 0}, {2, 0}, {2, 1}, {-3, 5}, {INT_MIN, INT_MAX}};
    for (const ByteCase& c : cases) {
        EXPECT_EQ(RV_GetMemByte(c.board, c.line, nullptr, 1, 2, 3), MKY43_ER_NOTSUPPORT);
        EXPECT_EQ(RV_SetMemByte(c.board, c.line, bytes, -1, 70000, -4), MKY43_ER_NOTSUPPORT);
        char get[200], set[200];
        std::snprintf(get, sizeof get, "@@   Ravlib(%d) RV_GetMemByte: Line(%d): NG: Ret(1bh)", c.board, c.line);
        std::snprintf(set, sizeof set, "@@   Ravlib(%d) RV_SetMemByte: Line(%d): NG: Ret(1bh)", c.board, c.line);
        EXPECT_EQ(newLines(), (std::vector<std::string>{get, set}));
    }
}

TEST_F(Frame, IdentityCallsFillExactlyTheirTextAndLogNothing) {
    struct Identity {
        char* (*call)(char*);
        const char* text;
        size_t size;
    };
    const Identity cases[] = {
        {RV_boardname, "MKY43 RAVEL-PCIE-MST", 21}, {RV_dllname, "Ravlib.dll", 11}, {RV_version, "1.0.0.0", 8}};
    for (const Identity& c : cases) {
        char buffer[32];
        std::memset(buffer, 0x7f, sizeof buffer);
        EXPECT_EQ(c.call(buffer), buffer);
        EXPECT_EQ(std::string(buffer, c.size), std::string(c.text, c.size));
        EXPECT_EQ(buffer[c.size], 0x7f) << c.text;
        EXPECT_EQ(c.call(nullptr), nullptr);
    }
    EXPECT_EQ(RV_maxline(), 1);
    EXPECT_TRUE(newLines().empty());
}

TEST_F(Frame, WithoutLogSettingsNothingIsWrittenAndCodesStay) {
    ravlib::processDetach();
    Sandbox quiet;
    ASSERT_TRUE(ravlib::processAttach());
    EXPECT_EQ(RV_Status(0, 0, bytes), MKY43_ER_NOTOPEN);
    EXPECT_EQ(RV_Alloc(0, 0, 64, &pointer), MKY43_ER_INVALIDPARAM);
    EXPECT_EQ(RV_GetMemByte(9, 0, nullptr, 0, 0, 0), MKY43_ER_NOTSUPPORT);
    EXPECT_EQ(RV_open(4), MKY43_ER_INVALIDPARAM);
    EXPECT_TRUE(std::filesystem::exists(quiet.cwd() + "/RavlibLog_0000.log"));
    EXPECT_EQ(std::filesystem::file_size(quiet.cwd() + "/RavlibLog_0000.log"), 0u);
    ravlib::processDetach();
}

}  // namespace
}  // namespace ravtest
