// Writes hold an exclusive lock across read, change and write-back, and
// replace the file as a whole, so concurrent writers of different keys keep
// each other's keys and a crash never leaves half a file.
#include "lib/files/IniFile.h"

#include "lib/files/IniText.h"
#include "lib/os/FileUpdate.h"
#include "lib/os/Path.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace ravlib {

namespace {

std::optional<std::string> lookUp(const char* path, const char* section, const char* key) {
    if (path[0] == '\0' || section == nullptr || key == nullptr)
        return std::nullopt;
    std::string contents;
    if (os::readFile(path, contents) != os::ReadResult::Ok)
        return std::nullopt;
    return IniText(contents).find(section, key);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

uint32_t hexValue(char c) {
    if (c <= '9')
        return static_cast<uint32_t>(c - '0');
    return static_cast<uint32_t>((c | 0x20) - 'a' + 10);
}

}  // namespace

IniFile::IniFile() noexcept : path_{} {}

IniFile::~IniFile() = default;

void IniFile::setFile(const char* name) {
    path_[0] = '\0';
    if (name == nullptr)
        return;
    if (os::fullPath(name, path_, sizeof path_))
        return;
    // Unresolvable: the name as it is, unless it does not fit; a cut name
    // would be another file.
    if (std::strlen(name) < sizeof path_)
        std::strcpy(path_, name);
}

void IniFile::close() {}

int32_t IniFile::getInt(const char* section, const char* key, int32_t defaultValue) const {
    auto value = lookUp(path_, section, key);
    if (!value)
        return defaultValue;
    const char* p = value->c_str();
    while (isBlank(*p))
        ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    uint32_t result = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        result = result * 10u + static_cast<uint32_t>(*p - '0');
    return static_cast<int32_t>(negative ? 0u - result : result);
}

uint32_t IniFile::getString(const char* section, const char* key, const char* defaultText, char* buffer,
                            uint32_t size) const {
    if (buffer == nullptr || size == 0)
        return 0;
    auto value = lookUp(path_, section, key);
    std::string text = value ? *value : (defaultText ? defaultText : "");
    std::size_t count = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<uint32_t>(count);
}

int32_t IniFile::getHex(const char* section, const char* key, int32_t defaultValue) const {
    char defaultText[32];
    std::snprintf(defaultText, sizeof defaultText, "%xH", static_cast<unsigned>(defaultValue));
    char text[32];
    uint32_t length = getString(section, key, defaultText, text, sizeof text);
    if (length == 0 || (text[length - 1] != 'H' && text[length - 1] != 'h'))
        return defaultValue;
    text[length - 1] = '\0';
    const char* p = text;
    while (isBlank(*p))
        ++p;
    if (!isHexDigit(*p))
        return defaultValue;
    uint32_t result = 0;
    for (; isHexDigit(*p); ++p)
        result = (result << 4) | hexValue(*p);
    return static_cast<int32_t>(result);
}

bool IniFile::writeInt(const char* section, const char* key, int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return writeString(section, key, text);
}

bool IniFile::writeHex(const char* section, const char* key, int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%xH", static_cast<unsigned>(value));
    return writeString(section, key, text);
}

bool IniFile::writeString(const char* section, const char* key, const char* text) {
    if (path_[0] == '\0' || !IniText::validSection(section) || !IniText::validKey(key))
        return false;
    if (text != nullptr && !IniText::validValue(text))
        return false;
    os::FileUpdateLock lock(path_);
    if (!lock.held())
        return false;
    std::string contents;
    if (os::readFile(path_, contents) == os::ReadResult::Failed)
        return false;
    IniText ini(contents);
    // No text removes the key, as the platform's writer does.
    if (text == nullptr) {
        if (!ini.remove(section, key))
            return true;
    } else {
        ini.set(section, key, text);
    }
    return os::replaceFile(path_, ini.text());
}

IniFile& theConfig() {
    static IniFile config;
    return config;
}

}  // namespace ravlib
