#include "driver/DebugText.h"

#include <cstdio>
#include <cstring>

namespace ravkern {

namespace {

class TextSink {
public:
    TextSink(char* out, size_t size) : out_(out), size_(size) {}

    void put(const char* text, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            if (size_ != 0 && length_ + 1 < size_)
                out_[length_++] = text[i];
        }
    }

    size_t finish() {
        if (size_ != 0)
            out_[length_] = '\0';
        return length_;
    }

private:
    char* out_;
    size_t size_;
    size_t length_ = 0;
};

}  // namespace

size_t formatDebugText(char* out, size_t size, const char* format, NTSTATUS status) {
    TextSink sink(out, size);
    bool argumentUsed = false;
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && !argumentUsed && (p[1] == 'd' || p[1] == 'X')) {
            char number[16];
            const int n = p[1] == 'd' ? std::snprintf(number, sizeof number, "%d", status)
                                      : std::snprintf(number, sizeof number, "%X", static_cast<unsigned>(status));
            sink.put(number, static_cast<size_t>(n));
            argumentUsed = true;
            ++p;
            continue;
        }
        sink.put(p, 1);
    }
    return sink.finish();
}

}  // namespace ravkern
