// The modal progress window that runs the extraction: one writer step per
// timer message.  Results: 1 every file written, 2 cancelled after a failure,
// 3 the window could not keep its state, -1 the dialog did not appear.
#ifndef MSILAUNCH_UI_PROGRESS_DIALOG_H
#define MSILAUNCH_UI_PROGRESS_DIALOG_H

#include "package/package_file.h"

int RunProgressDialog(ExtractionQueue* queue, const char* className, const char* caption, const char* typeface);

#endif
