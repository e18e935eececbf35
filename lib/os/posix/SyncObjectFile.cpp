// Why a lock of our own around creation: NamedObject decides creator and
// opener under its directory lock but releases it before returning, so an
// opener could use a robust mutex the creator has not initialised yet. Every
// open of a synchronisation object runs under <objects>/.init; a creator that
// dies before initialising drops its hold, and the next opener creates anew.
//
// Why views are never unmapped: after a robust mutex is unlocked the kernel
// may still walk this thread's robust list through its address, and an event
// waiter may still read the words while another thread closes the handle.
// A view is kept per object path; when the file under that path has been
// made anew, the new file is mapped over the old view at the same address.
#include "lib/os/posix/SyncObjectFile.h"
#include "lib/os/posix/FileLock.h"
#include "lib/os/posix/ObjectsDir.h"

#include <atomic>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ravlib::os::sync {

namespace {

struct View {
    std::string path;
    dev_t device;
    ino_t inode;
    void* address;
};

std::mutex& viewsLock() {
    static std::mutex lock;
    return lock;
}

// Never destroyed: views outlive every static destructor.
std::vector<View>& views() {
    static auto* all = new std::vector<View>;
    return *all;
}

std::size_t pageSize() {
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

// The process-life view of the file at `path`, which a NamedObject of this
// process holds (so the file cannot be replaced meanwhile).
void* processView(const std::string& path, std::size_t size) {
    if (size > pageSize())
        return nullptr;
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || static_cast<std::size_t>(st.st_size) < size) {
        ::close(fd);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(viewsLock());
    for (View& view : views()) {
        if (view.path != path)
            continue;
        if (view.device != st.st_dev || view.inode != st.st_ino) {
            void* address = mmap(view.address, pageSize(), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, fd, 0);
            if (address == MAP_FAILED) {
                ::close(fd);
                return nullptr;
            }
            view.device = st.st_dev;
            view.inode = st.st_ino;
        }
        ::close(fd);
        return view.address;
    }
    void* address = mmap(nullptr, pageSize(), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (address == MAP_FAILED)
        return nullptr;
    views().push_back(View{path, st.st_dev, st.st_ino, address});
    return address;
}

}  // namespace

void* openObject(NamedObject& object, const char* name, std::uint32_t tag, std::size_t size, Initialiser initialise) {
    std::string dir = objectsDir();
    if (dir.empty() || size < sizeof(std::uint32_t))
        return nullptr;
    ExclusiveLockFile lock(dir + "/.init");
    if (!lock.held() || !object.open(name, size))
        return nullptr;
    void* view = processView(dir + "/" + name, size);
    if (view == nullptr) {
        object.close();
        return nullptr;
    }
    std::atomic_ref<std::uint32_t> kind(*static_cast<std::uint32_t*>(view));
    if (object.created()) {
        if (initialise != nullptr && !initialise(view)) {
            object.close();
            return nullptr;
        }
        kind.store(tag, std::memory_order_release);
    } else if (kind.load(std::memory_order_acquire) != tag) {
        // The name belongs to an object of another kind.
        object.close();
        return nullptr;
    }
    return view;
}

}  // namespace ravlib::os::sync
