// TaskbarProgress: the progress shown on the taskbar button, through the
// shell's taskbar list object (Windows 7 and later).  A null wrapper, or one
// without a shell object, is valid everywhere: every operation then does
// nothing visible.  The main flow owns the one wrapper of the process and names
// it as the current one for the progress dialog.
#ifndef MSILAUNCH_UI_TASKBAR_PROGRESS_H
#define MSILAUNCH_UI_TASKBAR_PROGRESS_H

#include "launcher/platform.h"

struct ITaskbarList3;

struct TaskbarProgress {
    ITaskbarList3* taskbarList;  // null when the shell object could not be made
    HWND window;
    DWORD totalLow;
    DWORD totalHigh;
    DWORD completedLow;
    DWORD completedHigh;
};

// A new wrapper; null on systems before Windows 7 or without memory.  COM must
// be initialised on the calling thread.
TaskbarProgress* TaskbarProgressCreate(void);

// Releases the shell object and frees the wrapper.  When it is the current
// wrapper, there is no current wrapper afterwards.
void TaskbarProgressRelease(TaskbarProgress* progress);

// Stores the window whose button shows the progress; no shell call.
void TaskbarProgressSetWindow(TaskbarProgress* progress, HWND window);

// Normal progress for a non-zero flag, no progress for 0.
void TaskbarProgressSetState(TaskbarProgress* progress, DWORD flag);

// Store the value (kept even without a shell object), then show completed of
// total on the stored window.
void TaskbarProgressSetTotal(TaskbarProgress* progress, DWORD low, DWORD high);
void TaskbarProgressSetCompleted(TaskbarProgress* progress, DWORD low, DWORD high);

// The process-wide wrapper that the progress dialog drives (null when none).
// The main flow sets it right after TaskbarProgressCreate.
TaskbarProgress* CurrentTaskbarProgress(void);
void SetCurrentTaskbarProgress(TaskbarProgress* progress);

#endif
