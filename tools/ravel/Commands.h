// The subcommands of ravel and what each gets from the command line.
#pragma once

#include "tools/ravel/Args.h"
#include "tools/ravel/Board.h"

#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ravel {

struct Command;

// One run of a subcommand: its parsed words and the options every board
// command shares.
struct Invocation {
    const Command& command;
    const Args& args;
    int board = 0;
    std::optional<StartRequest> start;
    bool json = false;
    std::optional<double> forSeconds;  // --for: how long a streaming command runs

    // Prints the complaint and the command's usage; the exit status 2.
    int usageError(const std::string& message) const;
};

struct Command {
    std::string_view name;   // "gm get"
    std::string_view usage;  // the arguments after the name
    std::string_view help;   // what it does, and its options
    std::span<const OptionSpec> options;
    std::size_t minPositional;
    std::size_t maxPositional;
    int (*run)(const Invocation&);
};

// Opens the invocation's board and starts it when --start asks.
bool openBoard(Board& board, const Invocation& call);

// Writes one line and flushes; a closed output stops the command.
bool writeLine(std::FILE* out, std::string_view line);

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

int runBoards(const Invocation& call);
int runWatch(const Invocation& call);
int runGmGet(const Invocation& call);
int runGmSet(const Invocation& call);
int runMailSend(const Invocation& call);
int runMailListen(const Invocation& call);
int runMailPing(const Invocation& call);
int runReg(const Invocation& call);
int runDump(const Invocation& call);
int runPlay(const Invocation& call);

}  // namespace ravel
