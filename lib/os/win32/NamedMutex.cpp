// The mutex is a named object without memory, which is a Win32 mutex that
// nobody takes: it exists while a handle to it is open.
#include "lib/os/NamedMutex.h"

#include "lib/os/TestSeams.h"

namespace ravlib::os {

bool NamedMutex::open(const char* name) {
    if (isOpen() || detail::injectedFailure(testing::SyncKind::Mutex))
        return false;
    if (!object_.open(name, 0))
        return false;
    created_ = object_.created();
    return true;
}

void NamedMutex::close() {
    object_.close();
    created_ = false;
}

}  // namespace ravlib::os
