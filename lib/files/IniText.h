// The text of a private-profile (INI) file as lines, for looking up and
// changing one key while every other line stays as it was.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ravlib {

class IniText {
public:
    explicit IniText(const std::string& text);

    // The value of the first matching key of the first matching section,
    // blanks around it removed; names compare without regard to case.
    std::optional<std::string> find(const char* section, const char* key) const;

    // Replaces the key's line, or adds the key (and the section) as needed.
    void set(const char* section, const char* key, const char* value);
    // Drops the key's line; false when there was none.
    bool remove(const char* section, const char* key);

    std::string text() const;

    // Names and values that would break the line structure of the file.
    static bool validSection(const char* section);
    static bool validKey(const char* key);
    static bool validValue(const char* value);

private:
    struct Range {
        std::size_t header;  // index of the section's header line
        std::size_t end;     // one past its last line
    };
    std::optional<Range> findSection(const char* section) const;
    std::optional<std::size_t> findKey(const Range& range, const char* key) const;

    std::vector<std::string> lines_;  // without their "\n"; a "\r" stays
    bool endsWithNewline_ = false;
    std::string newline_ = "\r\n";
};

}  // namespace ravlib
