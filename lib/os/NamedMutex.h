// A named mutex that is never taken: only whether it exists counts. It
// exists while any process holds it, and a holder's death lets go of it.
#pragma once

#include "lib/os/NamedObject.h"

namespace ravlib::os {

class NamedMutex {
public:
    NamedMutex() = default;
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Creates the mutex or opens the existing one. False when one is already
    // held here, the name is unusable or names another kind of object, or
    // the system refuses.
    bool open(const char* name);
    void close();
    bool isOpen() const { return object_.isOpen(); }

    // True when this open made the mutex: no other holder, in any process
    // or in this one, existed at that moment.
    bool created() const { return created_; }

private:
    NamedObject object_;
    bool created_ = false;
};

}  // namespace ravlib::os
