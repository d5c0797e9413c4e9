// dialog_driver.exe: runs the progress dialog on real files, without the rest
// of the launcher, for the Windows lane.
//   dialog_driver.exe [--folder DIR] [--caption TEXT] SIZE[xCOUNT]...
// Creates one output file per size in DIR (default: the current folder), named
// file0000.bin, file0001.bin, ...; "SIZExCOUNT" stands for COUNT files of SIZE
// bytes.  Every file gets the same content, 32-bit little-endian word counters
// (0, 1, 2, ...), so a byte written twice or left out shows as a mismatch.  The
// launcher's taskbar wrapper is created and made current as the main flow does.
// Prints "result=N" (the dialog's result) and, per file,
//   file=PATH size=BYTES_ON_DISK written=BYTES_WRITTEN handle=open|closed content=match|differs
// where content=match means the file holds exactly the first BYTES_ON_DISK
// bytes of its content; then "complete=K of N".  Exit code: the dialog's
// result, 100 on bad usage, 101 when the files cannot be prepared.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <objbase.h>

#include "launcher/system_library.h"
#include "package/package_file.h"
#include "ui/progress_dialog.h"
#include "ui/taskbar_progress.h"

namespace {

const int kMaxFiles = 4096;
const DWORD kMaxSize = 0x40000000;
const DWORD kCompareChunk = 65536;

struct DriverOptions {
    const char* folder;
    const char* caption;
    DWORD sizes[kMaxFiles];
    int fileCount;
};

bool ParseNumber(const char* text, const char** end, DWORD* value)
{
    DWORD v = 0;
    const char* at = text;
    if (*at < '0' || *at > '9') return false;
    for (; *at >= '0' && *at <= '9'; ++at) {
        v = v * 10 + static_cast<DWORD>(*at - '0');
        if (v > kMaxSize) return false;
    }
    *end = at;
    *value = v;
    return true;
}

bool AddSizes(DriverOptions* options, const char* spec)
{
    const char* at = nullptr;
    DWORD size = 0;
    DWORD count = 1;
    if (!ParseNumber(spec, &at, &size)) return false;
    if (*at == 'x' && !ParseNumber(at + 1, &at, &count)) return false;
    if (*at != 0) return false;
    if (count > static_cast<DWORD>(kMaxFiles - options->fileCount)) return false;
    for (DWORD i = 0; i < count; ++i) options->sizes[options->fileCount++] = size;
    return true;
}

bool ParseOptions(int argc, char** argv, DriverOptions* options)
{
    options->folder = ".";
    options->caption = "Dialog Driver";
    options->fileCount = 0;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--folder") == 0 && i + 1 < argc) {
            options->folder = argv[++i];
        } else if (strcmp(argv[i], "--caption") == 0 && i + 1 < argc) {
            options->caption = argv[++i];
        } else if (!AddSizes(options, argv[i])) {
            fprintf(stderr, "dialog_driver: bad argument: %s\n", argv[i]);
            return false;
        }
    }
    return true;
}

// The content every file is cut from: word k holds k.
BYTE* MakeContent(DWORD size)
{
    BYTE* bytes = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, size + 4));
    if (bytes == nullptr) return nullptr;
    for (DWORD word = 0; word * 4 < size; ++word) {
        bytes[word * 4] = static_cast<BYTE>(word);
        bytes[word * 4 + 1] = static_cast<BYTE>(word >> 8);
        bytes[word * 4 + 2] = static_cast<BYTE>(word >> 16);
        bytes[word * 4 + 3] = static_cast<BYTE>(word >> 24);
    }
    return bytes;
}

bool PrepareFiles(const DriverOptions* options, BYTE* content, ExtractionQueue* queue)
{
    CreateDirectoryA(options->folder, nullptr);
    for (int i = 0; i < options->fileCount; ++i) {
        PackageFile* file = &queue->files[i];
        snprintf(file->name, sizeof(file->name), "file%04d.bin", i);
        char relative[kFileNameRoom];
        int n = snprintf(relative, sizeof(relative), "%s\\%s", options->folder, file->name);
        if (n < 0 || n >= static_cast<int>(sizeof(relative))) return false;
        DWORD length = GetFullPathNameA(relative, sizeof(file->fullPath), file->fullPath, nullptr);
        if (length == 0 || length >= sizeof(file->fullPath)) return false;
        file->decodedBytes = content;
        file->decodedSize = options->sizes[i];
        file->outputHandle = CreateFileA(file->fullPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file->outputHandle == INVALID_HANDLE_VALUE) {
            file->outputHandle = nullptr;
            fprintf(stderr, "dialog_driver: cannot create %s: error %lu\n", file->fullPath, GetLastError());
            return false;
        }
        queue->fileCount = i + 1;
    }
    return true;
}

// Whether the file holds exactly the first *size bytes of content (its size
// on disk, returned in *size).
bool FileMatches(const PackageFile* file, DWORD* size)
{
    *size = 0;
    HANDLE handle = CreateFileA(file->fullPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    DWORD low = GetFileSize(handle, &high);
    bool matches = high == 0 && low <= file->decodedSize;
    *size = low;
    static BYTE chunk[kCompareChunk];
    DWORD offset = 0;
    while (matches && offset < low) {
        DWORD got = 0;
        if (!ReadFile(handle, chunk, sizeof(chunk), &got, nullptr) || got == 0) {
            matches = false;
            break;
        }
        if (got > low - offset || memcmp(chunk, file->decodedBytes + offset, got) != 0) matches = false;
        offset += got;
    }
    CloseHandle(handle);
    return matches;
}

// Prints each file's state and closes the handles the dialog left open.
void ReportFiles(ExtractionQueue* queue)
{
    int complete = 0;
    for (int i = 0; i < queue->fileCount; ++i) {
        PackageFile* file = &queue->files[i];
        bool open = file->outputHandle != nullptr;
        if (open) CloseHandle(file->outputHandle);
        file->outputHandle = nullptr;
        DWORD size = 0;
        bool matches = FileMatches(file, &size);
        if (matches && size == file->decodedSize && !open) ++complete;
        printf("file=%s size=%lu written=%lu handle=%s content=%s\n", file->fullPath, size, file->bytesWritten,
               open ? "open" : "closed", matches ? "match" : "differs");
    }
    printf("complete=%d of %d\n", complete, queue->fileCount);
}

}  // namespace

int main(int argc, char** argv)
{
    static DriverOptions options;
    if (!ParseOptions(argc, argv, &options)) return 100;
    InitCommonControlsFromSystem();
    CoInitialize(nullptr);

    DWORD largest = 0;
    for (int i = 0; i < options.fileCount; ++i) {
        if (options.sizes[i] > largest) largest = options.sizes[i];
    }
    int exitCode = 101;
    ExtractionQueue queue;
    ZeroMemory(&queue, sizeof(queue));
    queue.currentIndex = -1;
    queue.chunkSize = kExtractionChunkSize;
    BYTE* content = MakeContent(largest);
    if (options.fileCount > 0) {
        queue.files = static_cast<PackageFile*>(LocalAlloc(LPTR, options.fileCount * sizeof(PackageFile)));
    }
    if (content != nullptr && (options.fileCount == 0 || queue.files != nullptr) &&
        PrepareFiles(&options, content, &queue)) {
        TaskbarProgress* taskbar = TaskbarProgressCreate();
        SetCurrentTaskbarProgress(taskbar);
        int result = RunProgressDialog(&queue, "MSI_STUB_WINDOW_CLASS_NAME", options.caption, "MS Sans Serif");
        TaskbarProgressRelease(taskbar);
        printf("result=%d\n", result);
        exitCode = result;
    } else {
        fprintf(stderr, "dialog_driver: cannot prepare the files\n");
    }
    ReportFiles(&queue);
    fflush(stdout);
    LocalFree(queue.files);
    LocalFree(content);
    CoUninitialize();
    return exitCode;
}
