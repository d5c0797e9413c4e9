// Finding and reading the launcher's own image file.
#include "launcher/own_image.h"

char* GetOwnPath(void)
{
    DWORD room = 261;
    char* path = nullptr;
    for (;;) {
        char* bigger = static_cast<char*>(LocalAlloc(LPTR, room));
        LocalFree(path);
        path = bigger;
        if (path == nullptr) return nullptr;
        DWORD length = GetModuleFileNameA(nullptr, path, room);
        if (length == 0) {
            LocalFree(path);
            return nullptr;
        }
        if (length < room) return path;
        room += 64;
    }
}

StatusPair ReadOwnImage(const char* path, BYTE** image, DWORD* size)
{
    *image = nullptr;
    *size = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return MakeStatus(GetLastError, ERROR_OPEN_FAILED, 2042);

    StatusPair status = MakeStatus(nullptr, 0, 2023);
    BYTE* block = nullptr;
    DWORD bytes = GetFileSize(file, nullptr);
    if (bytes == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        status = MakeStatus(nullptr, ERROR_SEEK_ON_DEVICE, 2035);
        goto done;
    }
    block = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, bytes ? bytes : 1));
    if (block == nullptr) {
        status = MakeStatus(GetLastError, ERROR_NOT_ENOUGH_MEMORY, 2030);
        goto done;
    }
    {
        DWORD read = 0;
        if (!ReadFile(file, block, bytes, &read, nullptr) || read != bytes) {
            status = MakeStatus(nullptr, ERROR_READ_FAULT, 2023);
            LocalFree(block);
            block = nullptr;
            goto done;
        }
    }
    *image = block;
    *size = bytes;
done:
    CloseHandle(file);
    return status;
}
