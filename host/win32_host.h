// The few Win32 names and calls that the launcher's portable parts use, for a
// build on a POSIX host (tests, fuzzing, sanitizers, the package builder).
// Semantics follow the Windows calls closely enough for that code: the local
// heap keeps sizes so LocalReAlloc can zero-fill, the "ANSI code page" is
// UTF-8, and FormatMessageA answers from a table that tests may replace.
// Tests can also make one chosen local-heap allocation fail.
#ifndef MSILAUNCH_HOST_WIN32_HOST_H
#define MSILAUNCH_HOST_WIN32_HOST_H

#include <stddef.h>
#include <stdint.h>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef int32_t LONG;
typedef int BOOL;
typedef char16_t WCHAR;
typedef void* HLOCAL;
typedef void* HANDLE;
typedef const char* LPCSTR;
typedef char* LPSTR;

#define WINAPI
#define TRUE 1
#define FALSE 0

#define LMEM_FIXED 0x0000u
#define LMEM_MOVEABLE 0x0002u
#define LMEM_ZEROINIT 0x0040u
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

#define CP_ACP 0u

#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200u
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000u

#define ERROR_SUCCESS 0u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_INVALID_DATA 13u
#define ERROR_WRITE_FAULT 29u
#define ERROR_DISK_FULL 112u
#define ERROR_MORE_DATA 234u
#define ERROR_NOT_FOUND 1168u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_MR_MID_NOT_FOUND 317u
#define ERROR_FILE_CORRUPT 1392u
#define NTE_BAD_KEY 0x80090003u
#define E_INVALIDARG 0x80070057u

inline void ZeroMemory(void* block, size_t bytes)
{
    unsigned char* p = static_cast<unsigned char*>(block);
    for (size_t i = 0; i < bytes; ++i) p[i] = 0;
}

HLOCAL LocalAlloc(UINT flags, size_t bytes);
HLOCAL LocalReAlloc(HLOCAL block, size_t bytes, UINT flags);
HLOCAL LocalFree(HLOCAL block);
size_t LocalSize(HLOCAL block);

DWORD GetLastError(void);
void SetLastError(DWORD code);

// UTF-16 to UTF-8; an unpaired surrogate becomes '?', like a character the
// code page cannot hold.  Length -1 means up to and including the terminator.
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* text, int length,
                        char* output, int outputBytes, const char* defaultChar, BOOL* usedDefault);
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length,
                        WCHAR* output, int outputUnits);
BOOL IsDBCSLeadByte(BYTE value);

// Files for code that writes through handles: on the host a handle is a memory
// file made by HostCreateMemoryFile (see the test controls below).
BOOL WriteFile(HANDLE file, const void* data, DWORD bytes, DWORD* written, void* overlapped);
BOOL CloseHandle(HANDLE object);

DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     char* buffer, DWORD size, void* arguments);

// Test controls.
struct HostSystemMessage {
    DWORD code;
    const char* text;
};
// Replaces the message table FormatMessageA answers from (null: the built-in one).
void HostSetSystemMessages(const HostSystemMessage* table, size_t count);
// The one allocation after `allowed` more successful ones fails with
// ERROR_NOT_ENOUGH_MEMORY; a negative value cancels a failure still pending.
void HostFailAllocationAfter(long allowed);
// Whether a failure asked for with HostFailAllocationAfter is still to come.
bool HostFailAllocationPending(void);
// Every local-heap block asked for larger than `bytes` is refused with
// ERROR_NOT_ENOUGH_MEMORY, as when the process has no more memory to give; 0
// lifts the limit.
void HostLimitBlockSize(size_t bytes);
// Local-heap blocks currently allocated.
long HostLiveAllocations(void);

// A memory file collects what is written to it.  HostMemoryFileFailAfter makes
// the write that would take it past `bytes` more bytes store only up to there
// and fail (ERROR_DISK_FULL); a negative value lets writes succeed again.
HANDLE HostCreateMemoryFile(void);
void HostMemoryFileFailAfter(HANDLE file, long bytes);
const BYTE* HostMemoryFileData(HANDLE file, size_t* size);
size_t HostMemoryFileWrites(HANDLE file);
bool HostMemoryFileClosed(HANDLE file);
void HostFreeMemoryFile(HANDLE file);

#endif
