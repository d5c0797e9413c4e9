// A DLL to plant in tests: when any process loads it, it leaves a marker file
// C:\plant-markers\<its own file name>.txt naming the process, so a test can
// see that a library was taken from where it must never be taken from.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char self[MAX_PATH];
    char process[MAX_PATH];
    DWORD n = GetModuleFileNameA(instance, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return TRUE;
    if (GetModuleFileNameA(nullptr, process, MAX_PATH) == 0) process[0] = 0;
    const char* name = self;
    for (const char* p = self; *p; ++p) {
        if (*p == '\\' || *p == '/') name = p + 1;
    }
    CreateDirectoryA("C:\\plant-markers", nullptr);
    char marker[MAX_PATH + 32];
    lstrcpyA(marker, "C:\\plant-markers\\");
    if (lstrlenA(marker) + lstrlenA(name) + 5 >= static_cast<int>(sizeof(marker))) return TRUE;
    lstrcatA(marker, name);
    lstrcatA(marker, ".txt");
    HANDLE file = CreateFileA(marker, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, self, lstrlenA(self), &written, nullptr);
        WriteFile(file, " loaded by ", 11, &written, nullptr);
        WriteFile(file, process, lstrlenA(process), &written, nullptr);
        WriteFile(file, "\r\n", 2, &written, nullptr);
        CloseHandle(file);
    }
    return TRUE;
}
