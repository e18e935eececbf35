#include "lib/exports/CallFrame.h"

#include <algorithm>
#include <cstdio>

#include "lib/Ravlib.h"
#include "lib/board/BoardTable.h"
#include "lib/exports/LibraryLoad.h"
#include "lib/files/LogFile.h"

namespace ravlib {

namespace {

// A log message built in pieces; a piece that does not fit is cut.
class LineText {
public:
    void add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        addv(format, args);
        va_end(args);
    }
    void addv(const char* format, va_list args) {
        if (used_ >= sizeof text_ - 1)
            return;
        const int n = std::vsnprintf(text_ + used_, sizeof text_ - used_, format, args);
        if (n > 0)
            used_ = std::min(used_ + static_cast<size_t>(n), sizeof text_ - 1);
    }
    const char* text() const { return text_; }

private:
    char text_[260] = {};
    size_t used_ = 0;
};

}  // namespace

CallFrame::CallFrame(const char* exportName, int32_t board, int32_t line)
    : name_(exportName), boardNo_(board), line_(line) {
    if (!inService()) {
        inert_ = true;
        result_ = MKY43_ER_OTHER;
        return;
    }
    if (!BoardTable::inRange(board) || line != 0) {
        result_ = MKY43_ER_INVALIDPARAM;
        return;
    }
    board_ = boardTable().find(board);
    // A board whose close has begun counts as closed.
    if (!board_ || !pass_.take(board_->gate())) {
        board_.reset();
        result_ = MKY43_ER_NOTOPEN;
    }
}

void CallFrame::checkAlways(bool ok, int32_t code) {
    if (!inert_ && !ok)
        result_ = code;
}

void CallFrame::check(bool ok, int32_t code) {
    if (result_ == 0 && !ok)
        result_ = code;
}

void CallFrame::needPointers(std::initializer_list<const void*> pointers) {
    for (const void* pointer : pointers)
        check(pointer != nullptr, MKY43_ER_INVALIDPARAM);
}

int32_t CallFrame::finish() {
    writeLine(result_ == 0 ? LOG_TRACE : LOG_NG, nullptr, nullptr);
    return result_;
}

int32_t CallFrame::finish(const char* detailFormat, ...) {
    va_list args;
    va_start(args, detailFormat);
    writeLine(result_ == 0 ? LOG_TRACE : LOG_NG, detailFormat, &args);
    va_end(args);
    return result_;
}

int32_t CallFrame::finishShowing(const char* detailFormat, ...) {
    va_list args;
    va_start(args, detailFormat);
    if (result_ == 0)
        writeLine(LOG_TRACE, detailFormat, &args);
    else
        writeLine(LOG_NG, nullptr, nullptr);
    va_end(args);
    return result_;
}

int32_t CallFrame::finishTrace(const char* textFormat, ...) {
    if (!inert_ && theLog().enabled(LOG_TRACE)) {
        va_list args;
        va_start(args, textFormat);
        LineText line;
        line.add("%s(%d) %s: Line(%d)", kLibraryName, boardNo_, name_, line_);
        line.addv(textFormat, args);
        va_end(args);
        theLog().write(LOG_TRACE, line.text());
    }
    return result_;
}

void CallFrame::writeLine(int32_t level, const char* detailFormat, va_list* args) {
    if (inert_ || !theLog().enabled(level))
        return;
    LineText line;
    line.add("%s(%d) %s: Line(%d)", kLibraryName, boardNo_, name_, line_);
    if (detailFormat)
        line.addv(detailFormat, *args);
    if (result_ == 0)
        line.add(": OK");
    else
        line.add(": NG: Ret(%xh)", static_cast<unsigned>(result_));
    theLog().write(level, line.text());
}

}  // namespace ravlib
