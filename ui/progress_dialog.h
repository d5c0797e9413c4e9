// The modal progress window that runs the extraction: one writer step per
// timer message, the current file's share on its bar and on the taskbar button
// (the current TaskbarProgress), and a Retry/Cancel question when a write
// fails or the timer cannot be armed.  Results: 1 every file written, 2
// cancelled after a failure, 3 the window could not keep its state, -1 the
// dialog did not appear.
#ifndef MSILAUNCH_UI_PROGRESS_DIALOG_H
#define MSILAUNCH_UI_PROGRESS_DIALOG_H

#include "package/package_file.h"

// The longest caption, class name or typeface the window template holds, in
// UTF-16 units without the terminator; longer texts are cut there.
const int kTemplateTextUnits = 49;

// className, caption and typeface are ANSI text.  The window class is
// registered on the first run and stays registered.
int RunProgressDialog(ExtractionQueue* queue, const char* className, const char* caption, const char* typeface);

INT_PTR CALLBACK ProgressDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
