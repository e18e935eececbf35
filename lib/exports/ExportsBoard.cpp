// The identity exports and the open and close of a board.
#include <cstring>
#include <memory>
#include <new>

#include "lib/Ravlib.h"
#include "lib/board/BoardTable.h"
#include "lib/exports/CallFrame.h"
#include "lib/exports/LibraryLoad.h"
#include "lib/files/LogFile.h"

using namespace ravlib;

namespace {

char* copyText(char* buffer, const char* text) {
    if (buffer)
        std::memcpy(buffer, text, std::strlen(text) + 1);
    return buffer;
}

int32_t openBoard(int32_t board) {
    if (!BoardTable::inRange(board))
        return MKY43_ER_INVALIDPARAM;
    if (!boardTable().reserve(board))
        return MKY43_ER_ALREADYOPEN;
    std::shared_ptr<BoardCtrl> ctrl;
    try {
        ctrl = std::make_shared<BoardCtrl>(board);
    } catch (const std::bad_alloc&) {
        boardTable().fill(board, nullptr);
        return MKY43_ER_OTHER;
    }
    const int32_t result = ctrl->open();
    if (result != MKY43_ER_OK) {
        ctrl->close(false);
        boardTable().fill(board, nullptr);
        return result;
    }
    boardTable().fill(board, std::move(ctrl));
    return MKY43_ER_OK;
}

int32_t closeBoard(int32_t board) {
    if (!BoardTable::inRange(board))
        return MKY43_ER_INVALIDPARAM;
    // Calls still running keep their own reference; the object goes with the last.
    std::shared_ptr<BoardCtrl> ctrl = boardTable().take(board);
    if (!ctrl)
        return MKY43_ER_NOTOPEN;
    ctrl->close(true);
    return MKY43_ER_OK;
}

// Runs the open or close of `board` between its log lines: the call, then
// OK or NG with the code. The NG lines of open and close differ in one colon
// (`failed` is " NG" or ": NG").
int32_t logged(int32_t (*action)(int32_t), int32_t board, const char* name, const char* failed) {
    if (!inService())
        return MKY43_ER_OTHER;
    theLog().writef(LOG_TRACE, "%s(%d) %s", kLibraryName, board, name);
    const int32_t result = action(board);
    if (result != MKY43_ER_OK)
        theLog().writef(LOG_NG, "%s(%d) %s%s: Ret(%xh)", kLibraryName, board, name, failed,
                        static_cast<unsigned>(result));
    else
        theLog().writef(LOG_DETAIL, "%s(%d) %s: OK", kLibraryName, board, name);
    return result;
}

}  // namespace

extern "C" {

char* RAVLIB_CALL RV_boardname(char* text) {
    return copyText(text, "MKY43 RAVEL-PCIE-MST");
}

char* RAVLIB_CALL RV_dllname(char* text) {
    return copyText(text, "Ravlib.dll");
}

char* RAVLIB_CALL RV_version(char* text) {
    return copyText(text, "1.0.0.0");
}

int32_t RAVLIB_CALL RV_maxline(void) {
    return 1;
}

int32_t RAVLIB_CALL RV_open(int32_t board) {
    return logged(openBoard, board, "RV_open", " NG");
}

int32_t RAVLIB_CALL RV_close(int32_t board) {
    return logged(closeBoard, board, "RV_close", ": NG");
}

}  // extern "C"
