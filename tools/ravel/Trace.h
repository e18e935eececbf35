// The trace format of `dump`, `play`, `mail listen` and the line output of
// `watch`: one line per GM change, member flag change or arrived mail, time
// in seconds since the trace began, as text or as JSON lines.
#pragma once

#include "tools/ravel/BusState.h"

#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace ravel {

struct TraceEvent {
    enum class Kind { Gm, Member, Mail };
    double seconds = 0;
    Kind kind = Kind::Gm;
    int station = 0;                 // Mail: the source station
    Block words{};                   // Gm
    bool joined = false;             // Member
    std::vector<std::uint8_t> mail;  // Mail: the received units, 8 bytes each
};

struct TraceHeader {
    int board = 0;
    int ownStation = -1;  // -1: the recording board owned no station
    int ownSize = 0;
    std::string started;  // UTC, ISO 8601 with milliseconds
};

TraceEvent eventFrom(const BusChange& change, double seconds);

std::string formatHeader(const TraceHeader& header, bool json);
std::string formatEvent(const TraceEvent& event, bool json);

// The text format back; false with "line N: why" in `error`.
bool parseTrace(std::istream& in, TraceHeader& header, std::vector<TraceEvent>& events, std::string& error);

// Now, as a trace header states it.
std::string utcNow();

}  // namespace ravel
