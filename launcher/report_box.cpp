// The error box of the final report.
#include "launcher/report.h"

void ShowReportBox(const char* text, const char* caption)
{
    MessageBoxA(nullptr, text, caption, MB_ICONERROR);
}
