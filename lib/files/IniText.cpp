#include "lib/files/IniText.h"

#include <cctype>
#include <cstring>

namespace ravlib {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string trim(const std::string& s) {
    std::size_t begin = 0, end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A line without its "\r" and leading blanks.
std::string body(const std::string& line) {
    std::string s = line;
    if (!s.empty() && s.back() == '\r')
        s.pop_back();
    return trim(s);
}

bool isHeader(const std::string& line, std::string* name) {
    std::string s = body(line);
    if (s.empty() || s[0] != '[')
        return false;
    std::size_t close = s.find(']');
    if (name)
        *name = trim(s.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

bool keyOf(const std::string& line, std::string& key, std::string* value) {
    std::string s = body(line);
    if (s.empty() || s[0] == ';' || s[0] == '[')
        return false;
    std::size_t eq = s.find('=');
    if (eq == std::string::npos)
        return false;
    key = trim(s.substr(0, eq));
    if (value)
        *value = trim(s.substr(eq + 1));
    return true;
}

bool hasAny(const char* text, const char* characters) {
    return std::strpbrk(text, characters) != nullptr;
}

}  // namespace

IniText::IniText(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) {
            lines_.push_back(text.substr(pos));
            break;
        }
        lines_.push_back(text.substr(pos, nl - pos));
        pos = nl + 1;
    }
    endsWithNewline_ = !text.empty() && text.back() == '\n';
    // New lines follow the file's own line ends.
    if (!lines_.empty() && (lines_.size() > 1 || endsWithNewline_))
        newline_ = !lines_[0].empty() && lines_[0].back() == '\r' ? "\r\n" : "\n";
}

bool IniText::validSection(const char* section) {
    return section != nullptr && !trim(section).empty() && !hasAny(section, "\r\n]");
}

bool IniText::validKey(const char* key) {
    std::string name = key ? trim(key) : "";
    return !name.empty() && name[0] != ';' && name[0] != '[' && !hasAny(key, "\r\n=");
}

bool IniText::validValue(const char* value) {
    return value != nullptr && !hasAny(value, "\r\n");
}

std::optional<IniText::Range> IniText::findSection(const char* section) const {
    std::string wanted = trim(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string name;
        if (!isHeader(lines_[i], &name) || !sameName(name, wanted))
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !isHeader(lines_[end], nullptr))
            ++end;
        return Range{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> IniText::findKey(const Range& range, const char* key) const {
    std::string wanted = trim(key);
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        std::string name;
        if (keyOf(lines_[i], name, nullptr) && sameName(name, wanted))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniText::find(const char* section, const char* key) const {
    auto range = findSection(section);
    if (!range)
        return std::nullopt;
    auto index = findKey(*range, key);
    if (!index)
        return std::nullopt;
    std::string name, value;
    keyOf(lines_[*index], name, &value);
    return value;
}

void IniText::set(const char* section, const char* key, const char* value) {
    std::string carriage = newline_ == "\r\n" ? "\r" : "";
    std::string line = trim(key) + "=" + value + carriage;
    auto range = findSection(section);
    if (!range) {
        if (!lines_.empty() && !endsWithNewline_)
            lines_.back() += carriage;
        std::string header(1, '[');
        header.append(trim(section)).append(1, ']').append(carriage);
        lines_.push_back(header);
        lines_.push_back(line);
        endsWithNewline_ = true;
        return;
    }
    if (auto index = findKey(*range, key)) {
        bool hadCarriage = !lines_[*index].empty() && lines_[*index].back() == '\r';
        lines_[*index] = trim(key) + "=" + value + (hadCarriage ? "\r" : "");
        return;
    }
    // After the section's last line that is not blank, so that blank lines
    // before the next section stay where they are.
    std::size_t at = range->header + 1;
    for (std::size_t i = range->header + 1; i < range->end; ++i)
        if (!body(lines_[i]).empty())
            at = i + 1;
    if (at == lines_.size() && !endsWithNewline_) {
        lines_.back() += carriage;
        endsWithNewline_ = true;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), line);
}

bool IniText::remove(const char* section, const char* key) {
    auto range = findSection(section);
    if (!range)
        return false;
    auto index = findKey(*range, key);
    if (!index)
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*index));
    return true;
}

std::string IniText::text() const {
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i];
        if (i + 1 < lines_.size() || endsWithNewline_)
            out += '\n';
    }
    return out;
}

}  // namespace ravlib
