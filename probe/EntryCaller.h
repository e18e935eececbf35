// Calls the library through the binding table. An entry the loaded library
// lacks is never called: the log names the missing function instead.
#pragma once

#include <optional>
#include <type_traits>

#include "LibraryBinding.h"
#include "ResultLog.h"
#include "ReturnCodeText.h"

namespace ravprobe {

class EntryCaller {
public:
    EntryCaller(const LibraryBinding& binding, ResultLog& log) : binding_(binding), log_(log) {}

    // The entry's result, or nothing (and one log line) when it is not bound.
    template <Entry id, typename... Args>
    auto call(Args... args) const -> std::optional<std::invoke_result_t<typename EntryType<id>::type, Args...>> {
        const auto fn = binding_.entry<id>();
        if (fn == nullptr) {
            reportMissing(id);
            return std::nullopt;
        }
        return fn(args...);
    }

    // The same without the log line, for the background refreshes that would
    // repeat it every cycle.
    template <Entry id, typename... Args>
    auto callQuiet(Args... args) const -> std::optional<std::invoke_result_t<typename EntryType<id>::type, Args...>> {
        const auto fn = binding_.entry<id>();
        if (fn == nullptr)
            return std::nullopt;
        return fn(args...);
    }

    void reportMissing(Entry id) const {
        log_.ShowResult(QString::fromLatin1(entryName(id)) + QStringLiteral(": not exported by the loaded library"),
                        kPlainLine);
    }

private:
    const LibraryBinding& binding_;
    ResultLog& log_;
};

}  // namespace ravprobe
