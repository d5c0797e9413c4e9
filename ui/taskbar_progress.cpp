// The taskbar progress wrapper.  No system indicator is used yet: the wrapper
// is always the null one.
#include "ui/taskbar_progress.h"

TaskbarProgress* TaskbarProgressCreate(void)
{
    return nullptr;
}

void TaskbarProgressRelease(TaskbarProgress*) {}
