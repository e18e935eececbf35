#include "host/Options.h"

#include "sim/RuntimeDir.h"
#include "sim/StationRange.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string_view>

namespace ravhost {

const char* const kUsage =
    "usage: ravkernd [--config FILE] [--runtime-dir DIR] [--board SWITCH[:RANGES]]... [--station SA:SIZE:ROLE]...\n"
    "                [--cycle-us N] [--mail-min-us N]\n"
    "       ravkernd status [--json]|station-off SA|station-on SA [--runtime-dir DIR]\n"
    "  --config FILE            read options from FILE, one a line without its dashes (\"station 10:2:counter\");\n"
    "                           # begins a comment; the service reads /etc/ravel/ravkernd.conf\n"
    "  --runtime-dir DIR        where devices and board memory live (default: $RAVEL_RUNTIME_DIR, else\n"
    "                           /run/ravel when it exists, else $XDG_RUNTIME_DIR/ravel, else /tmp/ravel-<uid>)\n"
    "  --board SWITCH[:RANGES]  add a simulated board: switch 0..255, memory ranges 0..3 (default 3);\n"
    "                           without --board, one board with switch 0\n"
    "  --station SA:SIZE:ROLE   add a remote station at SA (0..63) with SIZE stations (1..64, SA + SIZE\n"
    "                           at most 64); ROLE counter (blocks count up), echo (returns every mail)\n"
    "                           or idle (zero blocks, takes no mail)\n"
    "  --cycle-us N             bus cycle in microseconds, 10..1000000 (default 1000)\n"
    "  --mail-min-us N          shortest mail send in microseconds, 0..10000000 (default 15000)\n"
    "  status                   print the running host's network: boards, stations, members, cycles,\n"
    "                           and its statistics: late cycles, supervision restarts, mail and\n"
    "                           membership counts per station; --json prints one JSON object\n"
    "  station-off SA           take the remote station at SA off the bus; station-on SA brings it back\n";

namespace {

bool parseNumber(std::string_view text, unsigned low, unsigned high, unsigned& value) {
    if (text.empty())
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

bool parseBoard(std::string_view text, BoardSetup& board) {
    std::size_t colon = text.find(':');
    if (!parseNumber(text.substr(0, colon), 0, 255, board.switchValue))
        return false;
    board.ranges = 3;
    return colon == std::string_view::npos || parseNumber(text.substr(colon + 1), 0, 3, board.ranges);
}

bool parseStation(std::string_view text, StationSetup& station) {
    std::size_t first = text.find(':');
    std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos)
        return false;
    auto role = ravsim::parseStationRole(text.substr(second + 1));
    if (!role || !parseNumber(text.substr(0, first), 0, 63, station.address) ||
        !parseNumber(text.substr(first + 1, second - first - 1), 1, 64, station.size) ||
        station.address + station.size > 64)
        return false;
    station.role = *role;
    return true;
}

bool isOption(std::string_view option) {
    return option == "--runtime-dir" || option == "--board" || option == "--station" || option == "--cycle-us" ||
           option == "--mail-min-us";
}

bool applyOption(std::string_view option, std::string_view value, HostConfig& config, std::string& message) {
    if (option == "--runtime-dir") {
        if (value.empty()) {
            message = "--runtime-dir needs a directory";
            return false;
        }
        config.runtimeDir = value;
    } else if (option == "--board") {
        BoardSetup board;
        if (!parseBoard(value, board)) {
            message = "bad --board " + std::string(value) + ": want SWITCH (0..255) or SWITCH:RANGES (0..3)";
            return false;
        }
        config.boards.push_back(board);
    } else if (option == "--station") {
        StationSetup station;
        if (!parseStation(value, station)) {
            message = "bad --station " + std::string(value) +
                      ": want SA:SIZE:ROLE, SA 0..63, SIZE 1..64, SA + SIZE at most 64, ROLE counter, echo or idle";
            return false;
        }
        for (const StationSetup& other : config.stations) {
            if (ravsim::stationMask(station.address, station.size) & ravsim::stationMask(other.address, other.size)) {
                message = "--station " + std::string(value) + " overlaps --station " + std::to_string(other.address) +
                          ":" + std::to_string(other.size);
                return false;
            }
        }
        config.stations.push_back(station);
    } else if (option == "--mail-min-us") {
        unsigned us = 0;
        if (!parseNumber(value, 0, 10000000, us)) {
            message = "bad --mail-min-us " + std::string(value) + ": want 0..10000000";
            return false;
        }
        config.mailMinimum = std::chrono::microseconds(us);
    } else {
        unsigned us = 0;
        if (!parseNumber(value, 10, 1000000, us)) {
            message = "bad --cycle-us " + std::string(value) + ": want 10..1000000";
            return false;
        }
        config.cycle = std::chrono::microseconds(us);
    }
    return true;
}

// `path` read line by line: an option's name without its dashes, blanks, its
// value; # begins a comment. A file names no other file.
bool applyConfigFile(const std::string& path, HostConfig& config, std::string& message) {
    std::ifstream file(path);
    if (!file) {
        message = "cannot read --config " + path;
        return false;
    }
    std::string line;
    for (unsigned number = 1; std::getline(file, line); ++number) {
        std::string_view text = line;
        text = text.substr(0, text.find('#'));
        std::size_t begin = text.find_first_not_of(" \t\r");
        if (begin == std::string_view::npos)
            continue;
        text = text.substr(begin, text.find_last_not_of(" \t\r") + 1 - begin);
        std::size_t blank = text.find_first_of(" \t");
        std::string option = "--" + std::string(text.substr(0, blank));
        std::string_view value = blank == std::string_view::npos ? std::string_view{} : text.substr(blank + 1);
        value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
        bool printable = std::all_of(text.begin(), text.end(),
                                     [](char c) { return c == '\t' || static_cast<unsigned char>(c) >= ' '; });
        if (!printable)
            message = "not a line of text";
        else if (option == "--config" || !isOption(option))
            message = "unknown option " + option.substr(2);
        else if (value.empty())
            message = option.substr(2) + " needs a value";
        else if (applyOption(option, value, config, message))
            continue;
        message = path + ":" + std::to_string(number) + ": " + message;
        return false;
    }
    if (!file.eof()) {
        message = "cannot read --config " + path;
        return false;
    }
    return true;
}

}  // namespace

ParseResult parseOptions(int argc, const char* const* argv, HostConfig& config, std::string& message) {
    config = HostConfig{};
    message.clear();
    for (int i = 1; i < argc; ++i) {
        std::string_view option = argv[i];
        if (option == "--help" || option == "-h")
            return ParseResult::Help;
        if (option != "--config" && !isOption(option)) {
            message = "unknown argument: " + std::string(option);
            return ParseResult::Bad;
        }
        if (i + 1 >= argc) {
            message = std::string(option) + " needs a value";
            return ParseResult::Bad;
        }
        std::string_view value = argv[++i];
        bool applied = option == "--config" ? applyConfigFile(std::string(value), config, message)
                                            : applyOption(option, value, config, message);
        if (!applied)
            return ParseResult::Bad;
    }
    if (config.boards.empty())
        config.boards.push_back(BoardSetup{});
    // The host makes and checks it when it starts, a given one as the default.
    if (config.runtimeDir.empty())
        config.runtimeDir = ravsim::runtimeDir();
    return ParseResult::Run;
}

}  // namespace ravhost
