// Composing the text of a status code from the system's message table.
#include "launcher/system_message.h"

#include "launcher/ansi_text.h"

namespace {

bool IsTrailingMark(char c)
{
    return c == '.' || c == ' ' || c == '\r' || c == '\n';
}

}  // namespace

int ComposeSystemMessage(DWORD code, char* buffer, DWORD size, const char* detail)
{
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = 0;
    // Inserts are ignored: the launcher has no arguments to give, and a text
    // with inserts then comes back as it stands instead of failing.
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                             0x0400, buffer, size, nullptr);
    if (n >= size) n = 0;
    long i = static_cast<long>(n) - 1;
    while (i >= 0 && IsTrailingMark(buffer[i])) --i;

    bool hasDetail = detail != nullptr && detail[0] != 0;
    AnsiText text;
    if (i >= 0) {
        DWORD kept = static_cast<DWORD>(i + 1);
        AnsiTextStart(&text, buffer + kept, size - kept);
        if (hasDetail) {
            AnsiTextAppend(&text, " (");
            AnsiTextAppend(&text, detail);
            AnsiTextAppend(&text, ").");
        } else {
            AnsiTextAppend(&text, ".");
        }
        return static_cast<int>(kept + text.length);
    }
    AnsiTextStart(&text, buffer, size);
    AnsiTextAppend(&text, "Error ");
    AnsiTextAppendUnsigned(&text, code);
    if (hasDetail) {
        AnsiTextAppend(&text, " (");
        AnsiTextAppend(&text, detail);
        AnsiTextAppend(&text, ").");
    }
    return static_cast<int>(text.length);
}
