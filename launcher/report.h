// The end-of-run report: the quiet-switch scan and at most one error box.
// The box shows the prepared message text when a step wrote one, else the
// system text of the status code with "(1, code, line)"; its caption is the
// launcher's file name, or "Loader" when the own path is unknown.
#ifndef MSILAUNCH_LAUNCHER_REPORT_H
#define MSILAUNCH_LAUNCHER_REPORT_H

#include "launcher/launcher_state.h"

// Sets run->suppressReport on a quiet switch; when the status failed and
// nothing suppressed the report, composes the text (if the run left none) and
// shows the box.  Changes nothing else.
void ReportOutcome(RunState* run, WCHAR** arguments, int count, const char* ownPath);

// The caption: the part of ownPath after its last backslash (the whole path
// without one), or "Loader" for a null path.
const char* ReportCaption(const char* ownPath);

// Shows the error box and blocks until it is closed (MessageBoxA on Windows;
// the host tests supply their own).
void ShowReportBox(const char* text, const char* caption);

#endif
