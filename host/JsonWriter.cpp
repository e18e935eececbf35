#include "host/JsonWriter.h"

#include <cstdio>

namespace ravhost {

JsonWriter& JsonWriter::key(std::string_view name) {
    separate();
    appendString(name);
    text_ += ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::uint64_t number) {
    separate();
    text_ += std::to_string(number);
    return *this;
}

JsonWriter& JsonWriter::value(std::int64_t number) {
    separate();
    text_ += std::to_string(number);
    return *this;
}

JsonWriter& JsonWriter::value(bool flag) {
    separate();
    text_ += flag ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view text) {
    separate();
    appendString(text);
    return *this;
}

JsonWriter& JsonWriter::null() {
    separate();
    text_ += "null";
    return *this;
}

JsonWriter& JsonWriter::open(char bracket) {
    separate();
    text_ += bracket;
    firstInLevel_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::close(char bracket) {
    if (!firstInLevel_.empty())
        firstInLevel_.pop_back();
    text_ += bracket;
    return *this;
}

// A value right after its key takes no comma; any other item but the first
// of its object or array does.
void JsonWriter::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (firstInLevel_.empty())
        return;
    if (!firstInLevel_.back())
        text_ += ',';
    firstInLevel_.back() = false;
}

void JsonWriter::appendString(std::string_view text) {
    text_ += '"';
    for (char c : text) {
        switch (c) {
        case '"': text_ += "\\\""; break;
        case '\\': text_ += "\\\\"; break;
        case '\n': text_ += "\\n"; break;
        case '\t': text_ += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[7];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                text_ += escaped;
            } else {
                text_ += c;
            }
        }
    }
    text_ += '"';
}

}  // namespace ravhost
