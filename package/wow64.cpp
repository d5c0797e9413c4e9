// The WOW64 test: whether this 32-bit launcher runs on 64-bit Windows.
#include "package/selection.h"

int RunningUnderWow64(void)
{
    SetErrorMode(SEM_NOOPENFILEERRORBOX);
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleA("kernel32");
    IsWow64ProcessFn isWow64 =
        kernel ? reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
               : nullptr;
    BOOL flag = FALSE;
    if (isWow64 != nullptr) isWow64(GetCurrentProcess(), &flag);
    return flag ? 1 : 0;
}
