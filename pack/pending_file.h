// Output files that appear whole or not at all: the bytes go to a temporary
// file beside the target (same folder, so the final rename stays on one file
// system), which replaces the target only when Commit succeeds.  A
// PendingFile that is destroyed without a successful Commit removes its
// temporary file, so every failure path leaves nothing behind.
#ifndef MSILAUNCH_PACK_PENDING_FILE_H
#define MSILAUNCH_PACK_PENDING_FILE_H

#include <stddef.h>

#include <string>

class PendingFile {
public:
    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();

    // Creates the temporary file with the given permission bits (POSIX; the
    // umask applies) before any byte is written, so a private key is never
    // readable by others, not even briefly.
    bool Open(const std::string& target, int mode, std::string* error);
    bool Write(const void* data, size_t size, std::string* error);
    // Flushes, closes and renames the temporary file onto the target.
    bool Commit(std::string* error);
    // Removes the temporary file (also done by the destructor).
    void Discard();

    const std::string& target() const { return target_; }

private:
    std::string target_;
    std::string temporary_;
    int descriptor_ = -1;
};

// Whether a file or folder exists at path.
bool FileOrFolderExists(const std::string& path);

// Whether both paths name one existing file (the same device and inode; on
// Windows the same path text).
bool SameFile(const std::string& a, const std::string& b);

// Writes the whole file through a PendingFile.
bool WriteWholeFile(const std::string& target, const void* data, size_t size, int mode, std::string* error);

#endif
