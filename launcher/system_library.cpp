// Loading libraries from the system folder only.
#include "launcher/system_library.h"

#include "launcher/ansi_text.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

void PrepareLibrarySearch(void)
{
    SetErrorMode(SEM_NOOPENFILEERRORBOX);
    SetDllDirectoryA("");
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32");
    SetDefaultDllDirectoriesFn setDefault =
        kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                     reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
               : nullptr;
    if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const char* name)
{
    HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // Systems without the search flags: name the file in the system folder.
    char path[MAX_PATH + 1];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    AnsiText text;
    AnsiTextStart(&text, path + length, sizeof(path) - length);
    AnsiTextAppend(&text, "\\");
    AnsiTextAppend(&text, name);
    if (text.cut) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    return LoadLibraryA(path);
}

void InitCommonControlsFromSystem(void)
{
    HMODULE controls = LoadSystemLibrary("comctl32.dll");
    if (controls == nullptr) return;
    typedef void(WINAPI * InitCommonControlsFn)(void);
    InitCommonControlsFn init =
        reinterpret_cast<InitCommonControlsFn>(reinterpret_cast<void*>(GetProcAddress(controls, "InitCommonControls")));
    if (init != nullptr) init();
}
