#include "host/Options.h"

#include "sim/RuntimeDir.h"

#include <charconv>
#include <string_view>

namespace ravhost {

const char* const kUsage =
    "usage: ravkernd [--runtime-dir DIR] [--board SWITCH[:RANGES]]... [--station SA:SIZE:ROLE]... [--cycle-us N]\n"
    "  --runtime-dir DIR        where devices and board memory live (default: $RAVEL_RUNTIME_DIR,\n"
    "                           else $XDG_RUNTIME_DIR/ravel, else /tmp/ravel-<uid>)\n"
    "  --board SWITCH[:RANGES]  add a simulated board: switch 0..255, memory ranges 0..3 (default 3);\n"
    "                           without --board, one board with switch 0\n"
    "  --station SA:SIZE:ROLE   add a remote station (not yet supported)\n"
    "  --cycle-us N             bus cycle in microseconds, 10..1000000 (default 1000)\n";

namespace {

bool parseNumber(std::string_view text, unsigned low, unsigned high, unsigned& value)
{
    if (text.empty())
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

bool parseBoard(std::string_view text, BoardSetup& board)
{
    std::size_t colon = text.find(':');
    if (!parseNumber(text.substr(0, colon), 0, 255, board.switchValue))
        return false;
    board.ranges = 3;
    return colon == std::string_view::npos || parseNumber(text.substr(colon + 1), 0, 3, board.ranges);
}

}  // namespace

ParseResult parseOptions(int argc, const char* const* argv, HostConfig& config, std::string& message)
{
    config = HostConfig{};
    for (int i = 1; i < argc; ++i) {
        std::string_view option = argv[i];
        if (option == "--help" || option == "-h")
            return ParseResult::Help;
        if (option != "--runtime-dir" && option != "--board" && option != "--station" && option != "--cycle-us") {
            message = "unknown argument: " + std::string(option);
            return ParseResult::Bad;
        }
        if (i + 1 >= argc) {
            message = std::string(option) + " needs a value";
            return ParseResult::Bad;
        }
        std::string_view value = argv[++i];
        if (option == "--runtime-dir") {
            if (value.empty()) {
                message = "--runtime-dir needs a directory";
                return ParseResult::Bad;
            }
            config.runtimeDir = value;
        } else if (option == "--board") {
            BoardSetup board;
            if (!parseBoard(value, board)) {
                message = "bad --board " + std::string(value) + ": want SWITCH (0..255) or SWITCH:RANGES (0..3)";
                return ParseResult::Bad;
            }
            config.boards.push_back(board);
        } else if (option == "--station") {
            message = "--station " + std::string(value) + ": remote stations are not yet supported";
            return ParseResult::Unsupported;
        } else {
            unsigned us = 0;
            if (!parseNumber(value, 10, 1000000, us)) {
                message = "bad --cycle-us " + std::string(value) + ": want 10..1000000";
                return ParseResult::Bad;
            }
            config.cycle = std::chrono::microseconds(us);
        }
    }
    if (config.boards.empty())
        config.boards.push_back(BoardSetup{});
    if (config.runtimeDir.empty()) {
        config.runtimeDir = ravsim::ensureRuntimeDir();
        if (config.runtimeDir.empty()) {
            message = "cannot make the runtime directory " + ravsim::runtimeDir();
            return ParseResult::Bad;
        }
    }
    return ParseResult::Run;
}

}  // namespace ravhost
