#include "tools/ravel/Trace.h"

#include "tools/ravel/Numbers.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <sstream>

namespace ravel {

namespace {

constexpr const char* kMagic = "# ravel trace 1";

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

std::vector<std::string> splitWords(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

bool parseStation(const std::string& word, int& station) {
    auto value = parseInteger(word, 0, mky43::kStations - 1);
    if (value)
        station = static_cast<int>(*value);
    return value.has_value();
}

bool parseHeader(const std::vector<std::string>& words, TraceHeader& header) {
    // # ravel trace 1 board N own SA:SIZE|- start TIME
    if (words.size() != 10 || words[4] != "board" || words[6] != "own" || words[8] != "start")
        return false;
    auto board = parseInteger(words[5], 0, 3);
    if (!board)
        return false;
    header.board = static_cast<int>(*board);
    header.started = words[9];
    if (words[7] == "-")
        return true;
    std::size_t colon = words[7].find(':');
    if (colon == std::string::npos)
        return false;
    auto station = parseInteger(words[7].substr(0, colon), 0, mky43::kStations - 1);
    auto size = parseInteger(words[7].substr(colon + 1), 1, mky43::kStations);
    if (!station || !size || *station + *size > mky43::kStations)
        return false;
    header.ownStation = static_cast<int>(*station);
    header.ownSize = static_cast<int>(*size);
    return true;
}

std::string parseEvent(const std::vector<std::string>& words, TraceEvent& event) {
    if (words.size() < 3)
        return "expected TIME KIND STATION ...";
    auto time = parseSeconds(words[0], 1e9);
    if (!time)
        return "bad time " + words[0];
    event.seconds = *time;
    if (!parseStation(words[2], event.station))
        return "bad station " + words[2];
    if (words[1] == "gm") {
        event.kind = TraceEvent::Kind::Gm;
        if (words.size() != 3 + mky43::kBlockWords)
            return "a gm line has four words";
        for (std::size_t w = 0; w < mky43::kBlockWords; ++w) {
            auto value = words[3 + w].size() == 4 ? parseValue("0x" + words[3 + w], 16) : std::nullopt;
            if (!value)
                return "bad word " + words[3 + w];
            event.words[w] = static_cast<std::uint16_t>(*value);
        }
    } else if (words[1] == "member") {
        event.kind = TraceEvent::Kind::Member;
        if (words.size() != 4 || (words[3] != "on" && words[3] != "off"))
            return "a member line ends in on or off";
        event.joined = words[3] == "on";
    } else if (words[1] == "mail") {
        event.kind = TraceEvent::Kind::Mail;
        auto length = words.size() > 3 ? parseInteger(words[3], 0, 256) : std::nullopt;
        if (!length || words.size() != 4 + static_cast<std::size_t>(*length))
            return "a mail line has LENGTH and that many bytes";
        for (std::size_t i = 4; i < words.size(); ++i) {
            auto byte = parseHexBytes(words[i]);
            if (!byte || byte->size() != 1)
                return "bad byte " + words[i];
            event.mail.push_back((*byte)[0]);
        }
    } else {
        return "unknown kind " + words[1];
    }
    return "";
}

}  // namespace

TraceEvent eventFrom(const BusChange& change, double at) {
    TraceEvent event;
    event.seconds = at;
    event.station = change.station;
    event.kind = change.kind == BusChange::Kind::Gm ? TraceEvent::Kind::Gm : TraceEvent::Kind::Member;
    event.words = change.words;
    event.joined = change.joined;
    return event;
}

std::string formatHeader(const TraceHeader& header, bool json) {
    std::string own = header.ownStation < 0
                          ? (json ? "null" : "-")
                          : std::to_string(header.ownStation) + (json ? "," : ":") + std::to_string(header.ownSize);
    if (json)
        return "{\"trace\":1,\"board\":" + std::to_string(header.board) +
               ",\"own\":" + (header.ownStation < 0 ? own : "[" + own + "]") + ",\"start\":\"" + header.started + "\"}";
    return std::string(kMagic) + " board " + std::to_string(header.board) + " own " + own + " start " + header.started;
}

std::string formatEvent(const TraceEvent& event, bool json) {
    std::string station = std::to_string(event.station);
    switch (event.kind) {
    case TraceEvent::Kind::Gm: {
        std::string words;
        for (std::size_t w = 0; w < event.words.size(); ++w)
            words += (w ? (json ? "," : " ") : "") + (json ? std::to_string(event.words[w]) : hex(event.words[w], 4));
        if (json)
            return "{\"t\":" + seconds(event.seconds) + ",\"event\":\"gm\",\"station\":" + station + ",\"words\":[" +
                   words + "]}";
        return seconds(event.seconds) + " gm " + station + " " + words;
    }
    case TraceEvent::Kind::Member:
        if (json)
            return "{\"t\":" + seconds(event.seconds) + ",\"event\":\"member\",\"station\":" + station +
                   ",\"member\":" + (event.joined ? "true" : "false") + "}";
        return seconds(event.seconds) + " member " + station + (event.joined ? " on" : " off");
    case TraceEvent::Kind::Mail: {
        std::string length = std::to_string(event.mail.size());
        std::string bytes = hexBytes(event.mail.data(), event.mail.size());
        if (json)
            return "{\"t\":" + seconds(event.seconds) + ",\"event\":\"mail\",\"source\":" + station +
                   ",\"length\":" + length + ",\"data\":\"" + bytes + "\"}";
        return seconds(event.seconds) + " mail " + station + " " + length + (bytes.empty() ? "" : " " + bytes);
    }
    }
    return "";
}

bool parseTrace(std::istream& in, TraceHeader& header, std::vector<TraceEvent>& events, std::string& error) {
    bool sawHeader = false;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        std::vector<std::string> words = splitWords(line);
        if (words.empty())
            continue;
        if (words[0][0] == '#') {
            if (line.rfind(kMagic, 0) == 0) {
                if (sawHeader || !parseHeader(words, header)) {
                    error = "line " + std::to_string(number) + ": bad or second trace header";
                    return false;
                }
                sawHeader = true;
            }
            continue;
        }
        TraceEvent event;
        std::string why = parseEvent(words, event);
        if (why.empty() && !events.empty() && event.seconds < events.back().seconds)
            why = "time goes backwards";
        if (!why.empty()) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        events.push_back(std::move(event));
    }
    if (!sawHeader) {
        error = "no trace header (\"" + std::string(kMagic) + " ...\")";
        return false;
    }
    return true;
}

std::string utcNow() {
    auto now = std::chrono::system_clock::now();
    std::time_t whole = std::chrono::system_clock::to_time_t(now);
    auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&whole, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(millis));
    return text;
}

}  // namespace ravel
