// Host stand-ins for the Win32 calls of the portable parts (see win32_host.h).
#include "host/win32_host.h"

#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {

struct BlockHeader {
    size_t bytes;
    size_t pad;  // keeps the block 16-byte aligned, as the system's is
};

thread_local DWORD g_lastError = 0;
long g_failAfter = -1;
size_t g_largestBlock = 0;
long g_live = 0;

const HostSystemMessage kBuiltInMessages[] = {
    {2, "The system cannot find the file specified.\r\n"},
    {5, "Access is denied.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {13, "The data is invalid.\r\n"},
    {29, "The system cannot write to the specified device.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {1155, "No application is associated with the specified file for this operation.\r\n"},
    {1168, "Element not found.\r\n"},
    {1392, "The file or directory is corrupted and unreadable.\r\n"},
    {1921, "The name of the file cannot be resolved by the system.\r\n"},
};
const HostSystemMessage* g_messages = kBuiltInMessages;
size_t g_messageCount = sizeof(kBuiltInMessages) / sizeof(kBuiltInMessages[0]);

bool AllocationAllowed(size_t bytes)
{
    if (g_largestBlock != 0 && bytes > g_largestBlock) {
        g_lastError = ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    if (g_failAfter < 0) return true;
    if (g_failAfter == 0) {
        g_failAfter = -1;
        g_lastError = ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    --g_failAfter;
    return true;
}

BlockHeader* HeaderOf(HLOCAL block)
{
    return reinterpret_cast<BlockHeader*>(block) - 1;
}

struct MemoryFile {
    std::vector<BYTE> data;
    long failAfter = -1;
    size_t writes = 0;
    bool closed = false;
};

}  // namespace

HLOCAL LocalAlloc(UINT flags, size_t bytes)
{
    if (!AllocationAllowed(bytes)) return nullptr;
    BlockHeader* header = static_cast<BlockHeader*>(malloc(sizeof(BlockHeader) + (bytes ? bytes : 1)));
    if (header == nullptr) {
        g_lastError = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    header->bytes = bytes;
    if (flags & LMEM_ZEROINIT) memset(header + 1, 0, bytes);
    ++g_live;
    return header + 1;
}

HLOCAL LocalReAlloc(HLOCAL block, size_t bytes, UINT flags)
{
    if (block == nullptr) {
        g_lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    if (!(flags & LMEM_MOVEABLE) || !AllocationAllowed(bytes)) {
        if (!(flags & LMEM_MOVEABLE)) g_lastError = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    size_t old = HeaderOf(block)->bytes;
    BlockHeader* header = static_cast<BlockHeader*>(realloc(HeaderOf(block), sizeof(BlockHeader) + (bytes ? bytes : 1)));
    if (header == nullptr) {
        g_lastError = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    header->bytes = bytes;
    if ((flags & LMEM_ZEROINIT) && bytes > old) memset(reinterpret_cast<BYTE*>(header + 1) + old, 0, bytes - old);
    return header + 1;
}

HLOCAL LocalFree(HLOCAL block)
{
    if (block != nullptr) {
        free(HeaderOf(block));
        --g_live;
    }
    return nullptr;
}

size_t LocalSize(HLOCAL block)
{
    return block ? HeaderOf(block)->bytes : 0;
}

DWORD GetLastError(void)
{
    return g_lastError;
}

void SetLastError(DWORD code)
{
    g_lastError = code;
}

int WideCharToMultiByte(UINT, DWORD, const WCHAR* text, int length, char* output, int outputBytes,
                        const char*, BOOL* usedDefault)
{
    if (text == nullptr || outputBytes < 0 || (outputBytes > 0 && output == nullptr)) {
        g_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    size_t units = 0;
    if (length < 0) {
        while (text[units] != 0) ++units;
        ++units;
    } else {
        units = static_cast<size_t>(length);
    }
    if (usedDefault) *usedDefault = FALSE;
    size_t needed = 0;
    for (int pass = 0; pass < 2; ++pass) {
        size_t at = 0;
        for (size_t i = 0; i < units; ++i) {
            uint32_t c = text[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
                ++i;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                c = '?';
                if (usedDefault) *usedDefault = TRUE;
            }
            BYTE bytes[4];
            size_t count;
            if (c < 0x80) {
                bytes[0] = static_cast<BYTE>(c);
                count = 1;
            } else if (c < 0x800) {
                bytes[0] = static_cast<BYTE>(0xC0 | (c >> 6));
                bytes[1] = static_cast<BYTE>(0x80 | (c & 0x3F));
                count = 2;
            } else if (c < 0x10000) {
                bytes[0] = static_cast<BYTE>(0xE0 | (c >> 12));
                bytes[1] = static_cast<BYTE>(0x80 | ((c >> 6) & 0x3F));
                bytes[2] = static_cast<BYTE>(0x80 | (c & 0x3F));
                count = 3;
            } else {
                bytes[0] = static_cast<BYTE>(0xF0 | (c >> 18));
                bytes[1] = static_cast<BYTE>(0x80 | ((c >> 12) & 0x3F));
                bytes[2] = static_cast<BYTE>(0x80 | ((c >> 6) & 0x3F));
                bytes[3] = static_cast<BYTE>(0x80 | (c & 0x3F));
                count = 4;
            }
            if (pass == 1) memcpy(output + at, bytes, count);
            at += count;
        }
        needed = at;
        if (outputBytes == 0) return static_cast<int>(needed);
        if (pass == 0 && needed > static_cast<size_t>(outputBytes)) {
            g_lastError = ERROR_INSUFFICIENT_BUFFER;
            return 0;
        }
    }
    return static_cast<int>(needed);
}

int MultiByteToWideChar(UINT, DWORD, const char* text, int length, WCHAR* output, int outputUnits)
{
    if (text == nullptr || outputUnits < 0 || (outputUnits > 0 && output == nullptr)) {
        g_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    size_t bytes = length < 0 ? strlen(text) + 1 : static_cast<size_t>(length);
    const BYTE* in = reinterpret_cast<const BYTE*>(text);
    size_t at = 0;
    for (size_t i = 0; i < bytes;) {
        uint32_t c = in[i];
        size_t extra = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 0;
        if (c >= 0x80 && extra == 0) c = 0xFFFD;
        for (size_t k = 1; k <= extra; ++k) {
            if (i + k >= bytes || (in[i + k] & 0xC0) != 0x80) {
                c = 0xFFFD;
                extra = 0;
                break;
            }
        }
        if (extra) {
            c &= 0x3Fu >> extra;
            for (size_t k = 1; k <= extra; ++k) c = (c << 6) | (in[i + k] & 0x3Fu);
        }
        i += extra + 1;
        size_t units = c >= 0x10000 ? 2 : 1;
        if (outputUnits > 0) {
            if (at + units > static_cast<size_t>(outputUnits)) {
                g_lastError = ERROR_INSUFFICIENT_BUFFER;
                return 0;
            }
            if (units == 2) {
                output[at] = static_cast<WCHAR>(0xD800 + ((c - 0x10000) >> 10));
                output[at + 1] = static_cast<WCHAR>(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                output[at] = static_cast<WCHAR>(c);
            }
        }
        at += units;
    }
    return static_cast<int>(at);
}

BOOL IsDBCSLeadByte(BYTE)
{
    // UTF-8 has no double-byte lead bytes: no byte of a multibyte sequence is
    // ever an ASCII character, so byte-wise searches for ASCII are exact.
    return FALSE;
}

DWORD FormatMessageA(DWORD flags, const void*, DWORD messageId, DWORD, char* buffer, DWORD size, void*)
{
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || buffer == nullptr) {
        g_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    for (size_t i = 0; i < g_messageCount; ++i) {
        if (g_messages[i].code != messageId) continue;
        size_t length = strlen(g_messages[i].text);
        if (length + 1 > size) {
            g_lastError = ERROR_INSUFFICIENT_BUFFER;
            return 0;
        }
        memcpy(buffer, g_messages[i].text, length + 1);
        return static_cast<DWORD>(length);
    }
    g_lastError = ERROR_MR_MID_NOT_FOUND;
    return 0;
}

void HostSetSystemMessages(const HostSystemMessage* table, size_t count)
{
    if (table == nullptr) {
        g_messages = kBuiltInMessages;
        g_messageCount = sizeof(kBuiltInMessages) / sizeof(kBuiltInMessages[0]);
    } else {
        g_messages = table;
        g_messageCount = count;
    }
}

void HostFailAllocationAfter(long allowed)
{
    g_failAfter = allowed;
}

bool HostFailAllocationPending()
{
    return g_failAfter >= 0;
}

void HostLimitBlockSize(size_t bytes)
{
    g_largestBlock = bytes;
}

long HostLiveAllocations(void)
{
    return g_live;
}

BOOL WriteFile(HANDLE file, const void* data, DWORD bytes, DWORD* written, void*)
{
    MemoryFile* memory = static_cast<MemoryFile*>(file);
    if (written) *written = 0;
    if (memory == nullptr || memory->closed) {
        g_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    ++memory->writes;
    DWORD stored = bytes;
    bool fail = memory->failAfter >= 0 && static_cast<long>(bytes) > memory->failAfter;
    if (fail) stored = static_cast<DWORD>(memory->failAfter);
    const BYTE* from = static_cast<const BYTE*>(data);
    memory->data.insert(memory->data.end(), from, from + stored);
    if (memory->failAfter >= 0) memory->failAfter -= static_cast<long>(stored);
    if (written) *written = stored;
    if (fail) {
        g_lastError = ERROR_DISK_FULL;
        return FALSE;
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE object)
{
    MemoryFile* memory = static_cast<MemoryFile*>(object);
    if (memory == nullptr || memory->closed) {
        g_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    memory->closed = true;
    return TRUE;
}

HANDLE HostCreateMemoryFile(void)
{
    return new MemoryFile();
}

void HostMemoryFileFailAfter(HANDLE file, long bytes)
{
    static_cast<MemoryFile*>(file)->failAfter = bytes;
}

const BYTE* HostMemoryFileData(HANDLE file, size_t* size)
{
    MemoryFile* memory = static_cast<MemoryFile*>(file);
    *size = memory->data.size();
    return memory->data.data();
}

size_t HostMemoryFileWrites(HANDLE file)
{
    return static_cast<MemoryFile*>(file)->writes;
}

bool HostMemoryFileClosed(HANDLE file)
{
    return static_cast<MemoryFile*>(file)->closed;
}

void HostFreeMemoryFile(HANDLE file)
{
    delete static_cast<MemoryFile*>(file);
}
