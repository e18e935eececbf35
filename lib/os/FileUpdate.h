// Whole-file read and crash-safe replacement, for small text files that
// several processes update (read, change, write back).
#pragma once

#include <string>

namespace ravlib::os {

// Serialises read-modify-write cycles on the files of one directory across
// processes and threads; released by the destructor, also when the holder dies.
class FileUpdateLock {
public:
    explicit FileUpdateLock(const char* path);
    ~FileUpdateLock();
    FileUpdateLock(const FileUpdateLock&) = delete;
    FileUpdateLock& operator=(const FileUpdateLock&) = delete;

    bool held() const { return handle_ >= 0; }

private:
    int handle_ = -1;
};

enum class ReadResult { Ok, Missing, Failed };

// The file's whole contents. Missing only when the file does not exist;
// Failed for every other error, so that an update never mistakes an
// unreadable file for an empty one.
ReadResult readFile(const char* path, std::string& contents);

// Replaces the file by a new one holding `contents`: readers see the old or
// the new file, never a part. Keeps the old file's permissions (a new file
// gets none for other users) and leaves a file this process may not write
// as it is. A symbolic link is replaced at its target, unless another user
// could have planted it: that is refused. In a directory this process may
// not write, the file is rewritten in place, under the caller's lock.
bool replaceFile(const char* path, const std::string& contents);

}  // namespace ravlib::os
