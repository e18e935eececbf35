// The loaded board library and its table of 48 entry points, bound by name.
#pragma once

#include <QString>

#include <array>

#include "RvEntries.h"

namespace ravprobe {

class LibraryBinding {
public:
    LibraryBinding() = default;
    LibraryBinding(const LibraryBinding&) = delete;
    LibraryBinding& operator=(const LibraryBinding&) = delete;
    ~LibraryBinding();

    // Loads the library at fullPath (never through the search path) and looks
    // up all 48 names in order. Returns 0, or the loader's error number with
    // the handle and every entry left empty.
    int BindLibrary(const QString& fullPath);
    // Releases the library if one is held.
    void UnbindLibrary();

    bool loaded() const { return handle_ != nullptr; }
    const QString& loadError() const { return loadError_; }
    bool has(Entry id) const { return slots_[static_cast<std::size_t>(id)] != nullptr; }

    template <Entry id>
    typename EntryType<id>::type entry() const {
        return reinterpret_cast<typename EntryType<id>::type>(slots_[static_cast<std::size_t>(id)]);
    }

private:
    void* handle_ = nullptr;
    std::array<void*, kEntryCount> slots_{};
    QString loadError_;
};

}  // namespace ravprobe
