// The object file's shared lock is the mutex's existence; whoever finds no
// other holder under the creation lock made it.
#include "lib/os/NamedMutex.h"

#include "lib/os/TestSeams.h"
#include "lib/os/posix/SyncObjectFile.h"

#include <cstdint>

namespace ravlib::os {

bool NamedMutex::open(const char* name) {
    if (isOpen() || detail::injectedFailure(testing::SyncKind::Mutex))
        return false;
    if (sync::openObject(object_, name, sync::kTagMutex, sizeof(std::uint32_t), nullptr) == nullptr)
        return false;
    created_ = object_.created();
    return true;
}

void NamedMutex::close() {
    object_.close();
    created_ = false;
}

}  // namespace ravlib::os
