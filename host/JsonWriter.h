// Builds one JSON text: objects, arrays, numbers, booleans, null and escaped
// strings, the commas between them placed by the writer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ravhost {

class JsonWriter {
public:
    JsonWriter& beginObject() { return open('{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray() { return open('['); }
    JsonWriter& endArray() { return close(']'); }
    // The name of the object member whose value comes next.
    JsonWriter& key(std::string_view name);

    JsonWriter& value(std::uint64_t number);
    JsonWriter& value(std::int64_t number);
    JsonWriter& value(unsigned number) { return value(std::uint64_t{number}); }
    JsonWriter& value(int number) { return value(std::int64_t{number}); }
    JsonWriter& value(bool flag);
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& null();

    const std::string& text() const { return text_; }

private:
    JsonWriter& open(char bracket);
    JsonWriter& close(char bracket);
    void separate();
    void appendString(std::string_view text);

    std::string text_;
    std::vector<bool> firstInLevel_;
    bool afterKey_ = false;
};

}  // namespace ravhost
