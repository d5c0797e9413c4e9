// Choosing the extraction folder, creating the output files, and removing them
// at the end of the run.
#include "package/extraction_folder.h"

#include <shlobj.h>

#include "launcher/ansi_text.h"
#include "launcher/system_library.h"
#include "launcher/system_message.h"

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// True when the open file holds exactly `size` bytes equal to `bytes`.
bool HandleHoldsBytes(HANDLE file, const BYTE* bytes, DWORD size)
{
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (high != 0 || low != size || (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)) return false;
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
    BYTE chunk[16384];
    for (DWORD at = 0; at < size;) {
        DWORD want = size - at < sizeof(chunk) ? size - at : static_cast<DWORD>(sizeof(chunk));
        DWORD read = 0;
        if (!ReadFile(file, chunk, want, &read, nullptr) || read != want || memcmp(chunk, bytes + at, want) != 0) {
            return false;
        }
        at += want;
    }
    return true;
}

// True when the file at path holds exactly `size` bytes equal to `bytes`.
bool FileHoldsBytes(const char* path, const BYTE* bytes, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool same = HandleHoldsBytes(file, bytes, size);
    CloseHandle(file);
    return same;
}

// Whether an earlier file of this attempt already has the same full path.
bool EarlierFileHasPath(const ExtractionQueue* queue, int index)
{
    for (int i = 0; i < index; ++i) {
        if (lstrcmpiA(queue->files[i].fullPath, queue->files[index].fullPath) == 0) return true;
    }
    return false;
}

// Creates the output file of every package file in the folder; false at the
// first one that cannot be created.
bool CreateOutputFiles(ExtractionQueue* queue, const char* folder)
{
    for (int i = 0; i < queue->fileCount; ++i) {
        PackageFile* file = &queue->files[i];
        AnsiText path;
        AnsiTextStart(&path, file->fullPath, kFileNameRoom);
        AnsiTextAppend(&path, folder);
        AnsiTextAppend(&path, "\\");
        AnsiTextAppend(&path, file->name);
        if (path.cut) return false;
        if (PathExists(file->fullPath)) {
            // A file left by an earlier run is used only when it holds exactly
            // the package's bytes; anything else there is replaced.
            if (EarlierFileHasPath(queue, i) || FileHoldsBytes(file->fullPath, file->decodedBytes, file->decodedSize)) {
                file->outputHandle = nullptr;
                continue;
            }
        }
        HANDLE handle = CreateFileA(file->fullPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            file->outputHandle = nullptr;
            return false;
        }
        file->outputHandle = handle;
    }
    return true;
}

// Undoes a failed attempt: files created in it are deleted, the product folder
// is removed when empty; files that were there before stay.
void RollBackAttempt(ExtractionQueue* queue, const char* folder)
{
    for (int i = 0; i < queue->fileCount; ++i) {
        PackageFile* file = &queue->files[i];
        if (file->outputHandle != nullptr) {
            CloseHandle(file->outputHandle);
            if (PathExists(file->fullPath)) DeleteFileA(file->fullPath);
        }
        file->outputHandle = nullptr;
        file->bytesWritten = 0;
        file->fullPath[0] = 0;
    }
    if (PathExists(folder)) RemoveDirectoryA(folder);
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

// Lets the user pick a folder into `folder`.  False when the user cancelled;
// `picked` tells whether the item had a file-system path.
bool BrowseForFolder(const char* prompt, char* folder, bool* picked)
{
    char defaultFolder[kFolderPathRoom];
    FindDefaultBrowseFolder(defaultFolder, sizeof(defaultFolder));
    char title[kFolderPathRoom];
    AnsiCopy(title, sizeof(title), prompt);

    BROWSEINFOA browse;
    ZeroMemory(&browse, sizeof(browse));
    browse.lpszTitle = title;
    browse.lpfn = BrowseCallback;
    browse.lParam = reinterpret_cast<LPARAM>(defaultFolder);

    IMalloc* allocator = nullptr;
    SHGetMalloc(&allocator);
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    if (item == nullptr) {
        if (allocator != nullptr) allocator->Release();
        return false;
    }
    *picked = SHGetPathFromIDListA(item, folder) != FALSE;
    if (allocator != nullptr) {
        allocator->Free(item);
        allocator->Release();
    }
    if (!*picked) {
        folder[0] = 0;
        return true;
    }
    DWORD length = AnsiLength(folder);
    while (length > 0 && folder[length - 1] == '\\') folder[--length] = 0;
    return true;
}

}  // namespace

bool PathExists(const char* path)
{
    if (path == nullptr || path[0] == 0) return false;
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

StatusPair PrepareOutputFiles(RunState* run, const LauncherState*)
{
    char* folder = run->extractionFolder;
    folder[0] = 0;
    bool firstAttempt = true;
    for (;;) {
        if (firstAttempt) {
            firstAttempt = false;
            UINT length = GetWindowsDirectoryA(folder, kFolderPathRoom);
            // Without the Windows folder the first attempt has no place to go:
            // straight to the folder browser, never a folder relative to here.
            if (length == 0 || length >= kFolderPathRoom) {
                folder[0] = 0;
                continue;
            }
            AnsiText text;
            AnsiTextStart(&text, folder + length, kFolderPathRoom - length);
            AnsiTextAppend(&text, "\\Installer");
            if (!PathExists(folder)) CreateDirectoryA(folder, nullptr);
        } else {
            bool picked = false;
            if (!BrowseForFolder(run->string102, folder, &picked)) {
                run->suppressReport = 1;
                return MakeStatus(nullptr, ERROR_CANCELLED, 2219);
            }
            // An item without a file-system path (a virtual folder): ask again.
            if (!picked) continue;
        }

        DWORD length = AnsiLength(folder);
        AnsiText text;
        AnsiTextStart(&text, folder + length, kFolderPathRoom - length);
        AnsiTextAppend(&text, "\\");
        AnsiTextAppend(&text, run->selection.productCode);
        if (!text.cut && !PathExists(folder)) CreateDirectoryA(folder, nullptr);
        if (!text.cut && CreateOutputFiles(&run->queue, folder)) return MakeStatus(nullptr, 0, 2219);
        RollBackAttempt(&run->queue, folder);
    }
}

StatusPair LockOutputFiles(RunState* run)
{
    ExtractionQueue* queue = &run->queue;
    for (int i = 0; i < queue->fileCount; ++i) {
        PackageFile* file = &queue->files[i];
        if (file->lockHandle != nullptr) continue;
        HANDLE lock = CreateFileA(file->fullPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (lock == INVALID_HANDLE_VALUE) {
            StatusPair status = MakeStatus(GetLastError, ERROR_OPEN_FAILED, 2283);
            ComposeSystemMessage(status.code, run->messageText, kMessageTextRoom, file->fullPath);
            return status;
        }
        file->lockHandle = lock;
        // Read back under the lock: whatever happened to the file between its
        // writing and now, the installer gets these bytes or nothing.
        if (!HandleHoldsBytes(lock, file->decodedBytes, file->decodedSize)) {
            StatusPair status = MakeStatus(nullptr, ERROR_FILE_CORRUPT, 2285);
            ComposeSystemMessage(status.code, run->messageText, kMessageTextRoom, file->fullPath);
            return status;
        }
    }
    return MakeStatus(nullptr, 0, 2283);
}

void RemoveExtractedFiles(RunState* run, const LauncherState* state)
{
    ExtractionQueue* queue = &run->queue;
    // The registry is read after Windows Installer has finished.
    bool installed = IsProductInstalled(run->selection.productCode, state->is64);
    for (int i = 0; queue->files != nullptr && i < queue->fileCount; ++i) {
        PackageFile* file = &queue->files[i];
        LocalFree(file->decodedBytes);
        file->decodedBytes = nullptr;
        if (file->outputHandle != nullptr) CloseHandle(file->outputHandle);
        file->outputHandle = nullptr;
        if (file->lockHandle != nullptr) CloseHandle(file->lockHandle);
        file->lockHandle = nullptr;
        if (run->installerExitCode != 0 && !installed && PathExists(file->fullPath)) DeleteFileA(file->fullPath);
    }
    LocalFree(queue->files);
    queue->files = nullptr;
    queue->fileCount = 0;
    if (!installed && PathExists(run->extractionFolder)) RemoveDirectoryA(run->extractionFolder);
}

bool IsProductInstalled(const char* productCode, DWORD is64)
{
    char key[256];
    AnsiText text;
    AnsiTextStart(&text, key, sizeof(key));
    AnsiTextAppend(&text, kUninstallKey);
    AnsiTextAppend(&text, "\\");
    AnsiTextAppend(&text, productCode);
    if (text.cut) return false;
    HKEY handle = nullptr;
    REGSAM access = KEY_READ | (is64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, access, &handle) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG result = RegQueryValueExA(handle, "UninstallString", nullptr, nullptr, nullptr, &size);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS && size > 0;
}

BOOL GetSpecialFolderPathDynamic(HWND window, char* path, int folderId, BOOL create)
{
    HMODULE shell = GetModuleHandleA("Shell32.dll");
    if (shell == nullptr) shell = LoadSystemLibrary("Shell32.dll");
    if (shell == nullptr) return 0;
    SetErrorMode(SEM_NOOPENFILEERRORBOX);
    typedef BOOL(WINAPI * GetSpecialFolderPathFn)(HWND, LPSTR, int, BOOL);
    GetSpecialFolderPathFn get = reinterpret_cast<GetSpecialFolderPathFn>(
        reinterpret_cast<void*>(GetProcAddress(shell, "SHGetSpecialFolderPathA")));
    if (get == nullptr) return 0;
    return get(window, path, folderId, create);
}

void FindDefaultBrowseFolder(char* destination, DWORD size)
{
    char buffer[kFolderPathRoom];
    buffer[0] = 0;
    if (!GetSpecialFolderPathDynamic(nullptr, buffer, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, TRUE)) {
        buffer[0] = 0;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                          0, KEY_READ, &key) == ERROR_SUCCESS) {
            DWORD bytes = sizeof(buffer) - 1;
            RegQueryValueExA(key, "Personal", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes);
            buffer[sizeof(buffer) - 1] = 0;
            RegCloseKey(key);
        }
    }
    if (buffer[0] == 0) {
        DWORD length = GetCurrentDirectoryA(sizeof(buffer), buffer);
        if (length == 0 || length >= sizeof(buffer)) buffer[0] = 0;
    }
    ZeroMemory(destination, size);
    DWORD expanded = ExpandEnvironmentStringsA(buffer, destination, size);
    if (expanded == 0 || expanded > size) destination[0] = 0;

    if (destination[0] == 0 || PathExists(destination)) return;
    // Create every folder along the path; existing ancestors fail harmlessly.
    char scratch[kFolderPathRoom];
    for (DWORD i = 0; i < size && i < sizeof(scratch); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(destination[i])) && destination[i + 1] != 0) {
            ++i;
            continue;
        }
        if (destination[i] != '\\' && destination[i] != 0) continue;
        CopyMemory(scratch, destination, i);
        scratch[i] = 0;
        if (i > 0) CreateDirectoryA(scratch, nullptr);
        if (destination[i] == 0) break;
    }
}
