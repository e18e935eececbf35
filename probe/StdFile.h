// The mail data windows' file: one open file, raw bytes in and out.
#pragma once

#include <QFile>
#include <QString>

#include <cstdint>

namespace ravprobe {

class StdFile {
public:
    enum class Access { GenericRead, GenericWrite };
    enum class Disposition { OpenExisting, CreateAlways };

    StdFile() = default;
    StdFile(const StdFile&) = delete;
    StdFile& operator=(const StdFile&) = delete;
    ~StdFile() { close(); }

    // 1 on success, 0 when already open or the file cannot be opened. Only
    // regular files are opened for reading, so a device or pipe never blocks.
    int open(const QString& name, Access access, Disposition disposition);
    void close();
    // Bytes transferred, or -1.
    int64_t read(void* buffer, int64_t count);
    int64_t write(const void* buffer, int64_t count);
    // Size in bytes, or -1 when closed.
    int64_t size() const;

    const QString& fullPath() const { return fullPath_; }

private:
    QFile file_;
    QString fullPath_;
};

}  // namespace ravprobe
