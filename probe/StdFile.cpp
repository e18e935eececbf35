#include "StdFile.h"

#include <QFileInfo>

namespace ravprobe {

int StdFile::open(const QString& name, Access access, Disposition disposition) {
    if (file_.isOpen())
        return 0;
    const QFileInfo info(name);
    fullPath_ = info.absoluteFilePath();
    if (fullPath_.isEmpty())
        fullPath_ = name;
    QIODevice::OpenMode mode = QIODevice::Unbuffered;
    if (access == Access::GenericRead) {
        if (!info.isFile())
            return 0;
        mode |= QIODevice::ReadOnly;
    } else {
        mode |= QIODevice::WriteOnly;
    }
    if (disposition == Disposition::CreateAlways) {
        mode |= QIODevice::Truncate;
    } else if (!info.exists()) {
        return 0;
    }
    file_.setFileName(fullPath_);
    return file_.open(mode) ? 1 : 0;
}

void StdFile::close() {
    if (file_.isOpen())
        file_.close();
}

int64_t StdFile::read(void* buffer, int64_t count) {
    if (!file_.isOpen() || buffer == nullptr || count < 0)
        return -1;
    return file_.read(static_cast<char*>(buffer), count);
}

int64_t StdFile::write(const void* buffer, int64_t count) {
    if (!file_.isOpen() || buffer == nullptr || count < 0)
        return -1;
    return file_.write(static_cast<const char*>(buffer), count);
}

int64_t StdFile::size() const {
    return file_.isOpen() ? file_.size() : -1;
}

}  // namespace ravprobe
