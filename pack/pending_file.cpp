// Temporary file beside the target, renamed into place on success.
#include "pack/pending_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
const int kOpenFlags = O_WRONLY | O_CREAT | O_EXCL | O_BINARY;
int CloseDescriptor(int fd) { return _close(fd); }
int SyncDescriptor(int fd) { return _commit(fd); }
long ProcessId() { return _getpid(); }
bool ReplaceFile(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
#else
const int kOpenFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
int CloseDescriptor(int fd) { return close(fd); }
int SyncDescriptor(int fd) { return fsync(fd); }
long ProcessId() { return static_cast<long>(getpid()); }
bool ReplaceFile(const std::string& from, const std::string& to)
{
    return rename(from.c_str(), to.c_str()) == 0;
}
#endif

std::string Reason()
{
    return strerror(errno);
}

}  // namespace

PendingFile::~PendingFile()
{
    Discard();
}

bool PendingFile::Open(const std::string& target, int mode, std::string* error)
{
    Discard();
    target_ = target;
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = target + ".partial-" + std::to_string(ProcessId()) + "-" + std::to_string(counter++);
        int fd = open(name.c_str(), kOpenFlags, mode);
        if (fd >= 0) {
            descriptor_ = fd;
            temporary_ = name;
            return true;
        }
        if (errno != EEXIST) break;
    }
    *error = "cannot create a file beside " + target + ": " + Reason();
    return false;
}

bool PendingFile::Write(const void* data, size_t size, std::string* error)
{
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        // Windows' write takes an unsigned int count; keep every call small.
        unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
        auto written = write(descriptor_, at, chunk);
        if (written < 0) {
            if (errno == EINTR) continue;
            *error = "cannot write " + target_ + ": " + Reason();
            return false;
        }
        at += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool PendingFile::Commit(std::string* error)
{
    if (descriptor_ < 0) {
        *error = "cannot write " + target_ + ": not open";
        return false;
    }
    bool ok = SyncDescriptor(descriptor_) == 0;
    ok = CloseDescriptor(descriptor_) == 0 && ok;
    descriptor_ = -1;
    if (!ok) {
        *error = "cannot write " + target_ + ": " + Reason();
        Discard();
        return false;
    }
    if (!ReplaceFile(temporary_, target_)) {
        *error = "cannot move the new file onto " + target_ + ": " + Reason();
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void PendingFile::Discard()
{
    if (descriptor_ >= 0) CloseDescriptor(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) remove(temporary_.c_str());
    temporary_.clear();
}

bool FileOrFolderExists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool SameFile(const std::string& a, const std::string& b)
{
#ifdef _WIN32
    return a == b;
#else
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
#endif
}

bool WriteWholeFile(const std::string& target, const void* data, size_t size, int mode, std::string* error)
{
    PendingFile file;
    return file.Open(target, mode, error) && file.Write(data, size, error) && file.Commit(error);
}
