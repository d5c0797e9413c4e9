// The unit tests' error box: recorded instead of shown, so a test can tell
// whether and what the report would have shown without a window appearing.
#include "tests/windows/unit/report_box_double.h"

#include "launcher/report.h"

std::vector<RecordedBox> g_recordedBoxes;

void ShowReportBox(const char* text, const char* caption)
{
    g_recordedBoxes.push_back(RecordedBox{text, caption});
}
