#include "LibraryBinding.h"

#include <QFile>

#include <cerrno>
#include <dlfcn.h>

namespace ravprobe {

LibraryBinding::~LibraryBinding() {
    UnbindLibrary();
}

int LibraryBinding::BindLibrary(const QString& fullPath) {
    UnbindLibrary();
    loadError_.clear();
    // A name without a directory would make the loader search its path.
    if (!fullPath.contains(QLatin1Char('/'))) {
        loadError_ = QStringLiteral("not a path: ") + fullPath;
        return EINVAL;
    }
    errno = 0;
    void* handle = dlopen(QFile::encodeName(fullPath).constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const int error = errno != 0 ? errno : ENOENT;
        const char* text = dlerror();
        loadError_ = text != nullptr ? QString::fromLocal8Bit(text) : fullPath;
        return error;
    }
    handle_ = handle;
    for (std::size_t i = 0; i < kEntryCount; ++i)
        slots_[i] = dlsym(handle_, kEntryNames[i]);
    return 0;
}

void LibraryBinding::UnbindLibrary() {
    if (handle_ == nullptr)
        return;
    slots_.fill(nullptr);
    dlclose(handle_);
    handle_ = nullptr;
}

}  // namespace ravprobe
