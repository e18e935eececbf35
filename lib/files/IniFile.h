// Reads and writes one private-profile (INI) file: [sections] of key=value
// lines. Nothing is cached; every call goes to the file.
#pragma once

#include <cstdint>

namespace ravlib {

class IniFile {
public:
    IniFile() noexcept;
    virtual ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // Names the file: resolved against the current directory of the moment.
    virtual void setFile(const char* name);
    virtual void close();

    // The key as a decimal integer: blanks, an optional sign, the leading
    // digits; the default when the file, section or key is missing.
    virtual int32_t getInt(const char* section, const char* key, int32_t defaultValue) const;
    // The key's text or the default, cut to the buffer; characters copied.
    virtual uint32_t getString(const char* section, const char* key, const char* defaultText, char* buffer,
                               uint32_t size) const;
    // The key as hexadecimal digits with an H or h suffix, else the default.
    virtual int32_t getHex(const char* section, const char* key, int32_t defaultValue) const;

    // Create file, section or key as needed; false when the file could not
    // be written (it is then left as it was).
    virtual bool writeInt(const char* section, const char* key, int32_t value);
    virtual bool writeString(const char* section, const char* key, const char* text);
    virtual bool writeHex(const char* section, const char* key, int32_t value);

    const char* path() const { return path_; }

private:
    char path_[260];
};

// The library's configuration, "Ravlib.ini".
IniFile& theConfig();

}  // namespace ravlib
