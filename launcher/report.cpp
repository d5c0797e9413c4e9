// The final report of a run.
#include "launcher/report.h"

#include "launcher/ansi_text.h"
#include "launcher/command_line.h"
#include "launcher/system_message.h"

const char* ReportCaption(const char* ownPath)
{
    if (ownPath == nullptr) return "Loader";
    const char* slash = AnsiFindLast(ownPath, '\\');
    return slash != nullptr ? slash + 1 : ownPath;
}

void ReportOutcome(RunState* run, WCHAR** arguments, int count, const char* ownPath)
{
    if (arguments != nullptr && HasQuietSwitch(arguments, count)) run->suppressReport = 1;
    if (run->status.code == 0 || run->suppressReport != 0) return;

    if (run->messageText[0] == 0) {
        char detail[64];
        AnsiText text;
        AnsiTextStart(&text, detail, sizeof(detail));
        AnsiTextAppendUnsigned(&text, 1);
        AnsiTextAppend(&text, ", ");
        AnsiTextAppendUnsigned(&text, run->status.code);
        AnsiTextAppend(&text, ", ");
        AnsiTextAppendUnsigned(&text, run->status.line);
        ComposeSystemMessage(run->status.code, run->messageText, kMessageTextRoom, detail);
    }
    ShowReportBox(run->messageText, ReportCaption(ownPath));
}
