// The steps every export with a board and a line runs: the shared check,
// its own checks, the board operation, and one result line in the log.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <initializer_list>
#include <memory>

#include "lib/board/BoardCtrl.h"

namespace ravlib {

inline constexpr const char* kLibraryName = "Ravlib";

class CallFrame {
public:
    // Runs the shared check (3 for a board outside 0..3 or a line other than
    // 0, else 2 when the board is not open) and, when it passes, holds the
    // board for the frame's lifetime. An inert library answers MKY43_ER_OTHER and logs nothing.
    CallFrame(const char* exportName, int32_t board, int32_t line);
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;

    int32_t result() const { return result_; }

    // Own check that overrides the shared one, whatever it gave.
    void checkAlways(bool ok, int32_t code);
    // Own check that runs only when every check so far passed.
    void check(bool ok, int32_t code);
    // Pointers the call reads or stores through: NULL is bad input. Runs
    // after all other checks, so a closed board still answers 2.
    void needPointers(std::initializer_list<const void*> pointers);

    // Runs the board operation when every check passed; its result is the call's.
    template <class Operation>
    void run(Operation&& operation) {
        if (result_ == 0)
            result_ = operation(*board_);
    }
    // The same for an operation without a result.
    template <class Operation>
    void runOnly(Operation&& operation) {
        if (result_ == 0)
            operation(*board_);
    }

    // Writes "Name: Line(n)[detail]: OK" at LOG_TRACE or
    // "Name: Line(n)[detail]: NG: Ret(xh)" at LOG_NG; returns the result.
    int32_t finish();
    // Detail on both lines.
    int32_t finish(const char* detailFormat, ...) __attribute__((format(printf, 2, 3)));
    // Detail on the OK line only: the NG line is the plain one.
    int32_t finishShowing(const char* detailFormat, ...) __attribute__((format(printf, 2, 3)));
    // One line at LOG_TRACE whatever the result: "Name: Line(n)" + text.
    int32_t finishTrace(const char* textFormat, ...) __attribute__((format(printf, 2, 3)));

private:
    void writeLine(int32_t level, const char* detailFormat, va_list* args);

    const char* name_;
    int32_t boardNo_;
    int32_t line_;
    int32_t result_ = 0;
    bool inert_ = false;
    std::shared_ptr<BoardCtrl> board_;
    GatePass pass_;  // released before the board reference
};

// The default pattern: shared check, pointer check, operation, plain line.
template <class Operation>
int32_t plainCall(const char* exportName, int32_t board, int32_t line, std::initializer_list<const void*> pointers,
                  Operation&& operation) {
    CallFrame call(exportName, board, line);
    call.needPointers(pointers);
    call.run(operation);
    return call.finish();
}

}  // namespace ravlib
