// TaskbarProgress: the progress shown on the taskbar button.  A null wrapper is
// valid everywhere and makes every operation do nothing.
#ifndef MSILAUNCH_UI_TASKBAR_PROGRESS_H
#define MSILAUNCH_UI_TASKBAR_PROGRESS_H

#include "launcher/platform.h"

struct TaskbarProgress;

TaskbarProgress* TaskbarProgressCreate(void);
void TaskbarProgressRelease(TaskbarProgress* progress);

#endif
