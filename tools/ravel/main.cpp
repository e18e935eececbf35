// ravel: the board library from a terminal. One subcommand per job; every
// library call goes through the library's exports.
#include "tools/ravel/Commands.h"
#include "tools/ravel/Numbers.h"
#include "tools/ravel/StopFlag.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace ravel {

namespace {

constexpr OptionSpec kHelp{"help", 'h', false};
constexpr OptionSpec kBoard{"board", 'b', true};
constexpr OptionSpec kStart{"start", 0, true};
constexpr OptionSpec kJson{"json", 0, false};
constexpr OptionSpec kFor{"for", 0, true};

constexpr OptionSpec kBoardsOptions[] = {kHelp, kJson};
constexpr OptionSpec kWatchOptions[] = {kHelp, kBoard, kStart, kJson, kFor};
constexpr OptionSpec kGmGetOptions[] = {kHelp, kBoard, kStart, kJson, {"width", 'w', true}};
constexpr OptionSpec kGmSetOptions[] = {kHelp, kBoard, kStart, {"width", 'w', true}};
constexpr OptionSpec kMailSendOptions[] = {kHelp, kBoard, kStart};
constexpr OptionSpec kMailListenOptions[] = {kHelp, kBoard, kStart, kJson, kFor};
constexpr OptionSpec kPingOptions[] = {kHelp,
                                       kBoard,
                                       kStart,
                                       kJson,
                                       {"count", 'c', true},
                                       {"size", 's', true},
                                       {"interval", 'i', true},
                                       {"timeout", 'W', true},
                                       {"quiet", 'q', false}};
constexpr OptionSpec kRegOptions[] = {kHelp, kBoard, kStart, kJson};
constexpr OptionSpec kDumpOptions[] = {kHelp, kBoard, kStart, kJson, kFor, {"log", 'l', true}, {"interval", 'i', true}};
constexpr OptionSpec kPlayOptions[] = {kHelp, kBoard, kStart};

constexpr const char* kCommonHelp =
    "  -b, --board N          the board, 0..3 (default 0)\n"
    "  --start SA:SIZE[:MODE] start communication first (MODE normal, lf or gmm) and stop it at the end\n";

const Command kCommands[] = {
    {"boards", "[--json]",
     "Lists boards 0..3: found or not, connect state, station address and size, and whether mail is\n"
     "open in some process.\n",
     kBoardsOptions, 0, 0, runBoards},
    {"watch", "[-b N] [--start SA:SIZE[:MODE]] [--for SECONDS] [--json]",
     "Shows the GM of all 64 stations and the member flags, refreshed every 100 ms, until Ctrl-C.\n"
     "On a terminal: a grid (own stations green, members cyan, changed words highlighted for half a\n"
     "second) under a header with the connect state and the cycle count; lines written to the\n"
     "terminal by others scroll below it. Otherwise: one trace line per change.\n"
     "  --for SECONDS          stop after that long\n",
     kWatchOptions, 0, 0, runWatch},
    {"gm get", "SA [COUNT] [--width 8|16|32|64] [-b N] [--json]",
     "Reads COUNT elements (default one block's worth) of GM from station SA's block on.\n"
     "  -w, --width BITS       element width, 8, 16 (default), 32 or 64\n",
     kGmGetOptions, 1, 2, runGmGet},
    {"gm set", "SA VALUE... [--width 8|16|32|64] [-b N]",
     "Writes the values into GM from station SA's block on (only the board's own stations reach\n"
     "the bus).\n"
     "  -w, --width BITS       element width, 8, 16 (default), 32 or 64\n",
     kGmSetOptions, 2, 256, runGmSet},
    {"mail send", "SA DATA|@FILE [-b N]",
     "Sends one mail to station SA and waits until the chip has sent it. DATA is hex bytes\n"
     "(\"01 02\", \"0102\"); @FILE takes the raw bytes of a file. 2..256 bytes, an even number.\n",
     kMailSendOptions, 2, 2, runMailSend},
    {"mail listen", "[-b N] [--for SECONDS] [--json]",
     "Prints one trace line per arrived mail (time, source station, length, hex bytes) until Ctrl-C.\n"
     "  --for SECONDS          stop after that long\n",
     kMailListenOptions, 0, 0, runMailListen},
    {"mail ping", "SA [-c COUNT] [-s BYTES] [-i INTERVAL] [-W TIMEOUT] [-q] [-b N] [--json]",
     "Mails station SA (an echo station) and times each round trip, checking the returned bytes,\n"
     "until COUNT round trips or Ctrl-C; then a summary as ping gives it.\n"
     "  -c, --count COUNT      round trips (default: until Ctrl-C)\n"
     "  -s, --size BYTES       mail length, 2..256, even (default 16)\n"
     "  -i, --interval SECONDS pause between round trips (default 1)\n"
     "  -W, --timeout SECONDS  wait for a reply at most this long (default 1)\n"
     "  -q, --quiet            the summary only\n",
     kPingOptions, 1, 1, runMailPing},
    {"reg", "[NAME|OFFSET] [VALUE] [-b N] [--json]",
     "Shows every chip register, or one by name (BCR) or offset (0x356), or writes VALUE to it\n"
     "(16 or 64 bits as the register is wide).\n",
     kRegOptions, 0, 2, runReg},
    {"dump", "[-l FILE] [-i INTERVAL] [-b N] [--for SECONDS] [--json]",
     "Records the bus as this board sees it, as a trace: the state at the start, then one line per\n"
     "GM change, member flag change and arrived mail (mail only when this process can open it).\n"
     "  -l, --log FILE         write the trace to FILE instead of standard output\n"
     "  -i, --interval SECONDS sampling period (default 0.01)\n"
     "  --for SECONDS          stop after that long\n",
     kDumpOptions, 0, 0, runDump},
    {"play", "FILE [-b N]",
     "Writes the GM values a trace recorded for its board's own stations back to this board's own\n"
     "stations, with their original timing. The board must own those stations.\n",
     kPlayOptions, 1, 1, runPlay},
};

void printCommandHelp(std::FILE* out, const Command& command) {
    std::fprintf(out, "usage: ravel %.*s %.*s\n%.*s", static_cast<int>(command.name.size()), command.name.data(),
                 static_cast<int>(command.usage.size()), command.usage.data(), static_cast<int>(command.help.size()),
                 command.help.data());
    for (const OptionSpec& option : command.options)
        if (option.name == "board") {
            std::fputs(kCommonHelp, out);
            break;
        }
    for (const OptionSpec& option : command.options)
        if (option.name == "json") {
            std::fputs("  --json                 machine-readable output (JSON)\n", out);
            break;
        }
}

void printOverview(std::FILE* out) {
    std::fputs("usage: ravel COMMAND [ARGUMENTS] [OPTIONS]\n\ncommands:\n", out);
    for (const Command& command : kCommands)
        std::fprintf(out, "  ravel %.*s %.*s\n", static_cast<int>(command.name.size()), command.name.data(),
                     static_cast<int>(command.usage.size()), command.usage.data());
    std::fputs("\n`ravel COMMAND --help` tells more. Failures print the library's return code and exit 1;\n"
               "bad arguments exit 2.\n",
               out);
}

// The command the first one or two words name, and how many words that took.
const Command* findCommand(int argc, char** argv, int& used) {
    for (const Command& command : kCommands) {
        std::string_view name = command.name;
        std::size_t blank = name.find(' ');
        if (blank == std::string_view::npos) {
            if (argc > 1 && name == argv[1]) {
                used = 2;
                return &command;
            }
        } else if (argc > 2 && name.substr(0, blank) == argv[1] && name.substr(blank + 1) == argv[2]) {
            used = 3;
            return &command;
        }
    }
    return nullptr;
}

}  // namespace

int Invocation::usageError(const std::string& message) const {
    std::fprintf(stderr, "ravel %.*s: %s\n", static_cast<int>(command.name.size()), command.name.data(),
                 message.c_str());
    printCommandHelp(stderr, command);
    return kExitUsage;
}

bool openBoard(Board& board, const Invocation& call) {
    if (!board.open())
        return false;
    return !call.start || board.start(*call.start);
}

bool writeLine(std::FILE* out, std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), out);
    std::fputc('\n', out);
    if (std::fflush(out) != 0 || std::ferror(out)) {
        requestStop();
        return false;
    }
    return true;
}

}  // namespace ravel

int main(int argc, char** argv) {
    using namespace ravel;
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printOverview(argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitUsage : kExitOk;
    }
    int used = 0;
    const Command* command = findCommand(argc, argv, used);
    if (!command) {
        std::fprintf(stderr, "ravel: unknown command %s\n", argv[1]);
        printOverview(stderr);
        return kExitUsage;
    }
    Args args;
    std::string error;
    Invocation call{*command, args, 0, std::nullopt, false, std::nullopt};
    if (!args.parse(std::span<char* const>(argv + used, static_cast<std::size_t>(argc - used)), command->options,
                    command->minPositional, command->maxPositional, error))
        return call.usageError(error);
    if (args.has("help")) {
        printCommandHelp(stdout, *command);
        return kExitOk;
    }
    if (auto board = args.value("board")) {
        auto number = parseInteger(*board, 0, 3);
        if (!number)
            return call.usageError("the board is 0..3, not " + *board);
        call.board = static_cast<int>(*number);
    }
    if (auto start = args.value("start")) {
        call.start = parseStartRequest(*start);
        if (!call.start)
            return call.usageError("--start takes SA:SIZE[:MODE] (SA + SIZE at most 64, MODE normal, lf or gmm), not " +
                                   *start);
    }
    call.json = args.has("json");
    if (auto text = args.value("for")) {
        call.forSeconds = parseSeconds(*text, 1e7);
        if (!call.forSeconds)
            return call.usageError("--for takes seconds, not " + *text);
    }
    installStopHandlers();
    return command->run(call);
}
