// The taskbar progress wrapper around the shell's ITaskbarList3.  Shell calls
// are housekeeping: their results are not looked at.
#include "ui/taskbar_progress.h"

#include <objbase.h>
#include <shobjidl.h>

namespace {

// {56FDF344-FD6D-11D0-958A-006097C9A090}
const CLSID kTaskbarListClass = {0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
// {EA1AFB91-9E28-4B86-90E9-9E9F8A5EEFAF}
const IID kTaskbarList3Interface = {0xEA1AFB91, 0x9E28, 0x4B86, {0x90, 0xE9, 0x9E, 0x9F, 0x8A, 0x5E, 0xEF, 0xAF}};

const DWORD kTaskbarClassContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

TaskbarProgress* g_current;

ULONGLONG JoinHalves(DWORD low, DWORD high)
{
    return (static_cast<ULONGLONG>(high) << 32) | low;
}

void ShowValue(TaskbarProgress* progress)
{
    if (progress->taskbarList == nullptr) return;
    progress->taskbarList->SetProgressValue(progress->window,
                                            JoinHalves(progress->completedLow, progress->completedHigh),
                                            JoinHalves(progress->totalLow, progress->totalHigh));
}

}  // namespace

TaskbarProgress* TaskbarProgressCreate(void)
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    bool hasTaskbarProgress = version.dwMajorVersion > 6 || (version.dwMajorVersion == 6 && version.dwMinorVersion >= 1);
    if (!hasTaskbarProgress) return nullptr;

    // The main flow has initialised COM on this thread already; this call only
    // makes sure of it and is deliberately not paired with CoUninitialize.
    CoInitialize(nullptr);
    TaskbarProgress* progress = static_cast<TaskbarProgress*>(LocalAlloc(LPTR, sizeof(TaskbarProgress)));
    if (progress == nullptr) return nullptr;
    // Without the shell object the wrapper still works, showing nothing.
    CoCreateInstance(kTaskbarListClass, nullptr, kTaskbarClassContext, kTaskbarList3Interface,
                     reinterpret_cast<void**>(&progress->taskbarList));
    return progress;
}

void TaskbarProgressRelease(TaskbarProgress* progress)
{
    if (progress == nullptr) return;
    if (progress == g_current) g_current = nullptr;
    if (progress->taskbarList != nullptr) progress->taskbarList->Release();
    LocalFree(progress);
}

void TaskbarProgressSetWindow(TaskbarProgress* progress, HWND window)
{
    if (progress == nullptr) return;
    progress->window = window;
}

void TaskbarProgressSetState(TaskbarProgress* progress, DWORD flag)
{
    if (progress == nullptr || progress->taskbarList == nullptr) return;
    progress->taskbarList->SetProgressState(progress->window, flag != 0 ? TBPF_NORMAL : TBPF_NOPROGRESS);
}

void TaskbarProgressSetTotal(TaskbarProgress* progress, DWORD low, DWORD high)
{
    if (progress == nullptr) return;
    progress->totalLow = low;
    progress->totalHigh = high;
    ShowValue(progress);
}

void TaskbarProgressSetCompleted(TaskbarProgress* progress, DWORD low, DWORD high)
{
    if (progress == nullptr) return;
    progress->completedLow = low;
    progress->completedHigh = high;
    ShowValue(progress);
}

TaskbarProgress* CurrentTaskbarProgress(void)
{
    return g_current;
}

void SetCurrentTaskbarProgress(TaskbarProgress* progress)
{
    g_current = progress;
}
