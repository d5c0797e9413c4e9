// Splitting the UTF-16 command line, and the quiet-switch scan.
#include "launcher/command_line.h"

namespace {

bool IsSeparator(WCHAR u)
{
    return u == 0x09 || u == 0x0A || u == 0x0D || u == 0x20;
}

WCHAR AsciiLower(WCHAR u)
{
    return (u >= 'A' && u <= 'Z') ? static_cast<WCHAR>(u + ('a' - 'A')) : u;
}

bool EqualsIgnoringAsciiCase(const WCHAR* text, const char* wanted)
{
    size_t i = 0;
    for (; wanted[i] != 0; ++i) {
        if (AsciiLower(text[i]) != static_cast<WCHAR>(wanted[i])) return false;
    }
    return text[i] == 0;
}

}  // namespace

WCHAR** SplitCommandLine(const WCHAR* commandLine, int* count)
{
    size_t length = 0;
    while (commandLine[length] != 0) ++length;

    // Pointer array first: at most (L + 1) / 2 arguments and the null after them.
    size_t slots = (length + 2) / 2 + 1;
    size_t bytes = slots * sizeof(WCHAR*) + (length + 2) * sizeof(WCHAR);
    WCHAR** arguments = static_cast<WCHAR**>(LocalAlloc(LMEM_FIXED, bytes));
    if (arguments == nullptr) return nullptr;
    WCHAR* area = reinterpret_cast<WCHAR*>(arguments + slots);

    bool insideQuotes = false;
    bool insideArgument = false;
    bool atStart = true;
    int found = 0;
    size_t at = 0;
    for (size_t i = 0; i < length; ++i) {
        WCHAR u = commandLine[i];
        if (insideQuotes) {
            if (u == '"') {
                insideQuotes = false;
            } else {
                area[at++] = u;
            }
            continue;
        }
        if (IsSeparator(u)) {
            if (insideArgument) area[at++] = 0;
            insideArgument = false;
            atStart = true;
            continue;
        }
        insideArgument = true;
        if (atStart) arguments[found++] = area + at;
        atStart = false;
        if (u == '"') {
            insideQuotes = true;
        } else {
            area[at++] = u;
        }
    }
    area[at] = 0;
    arguments[found] = nullptr;
    *count = found;
    return arguments;
}

bool HasQuietSwitch(WCHAR** arguments, int count)
{
    static const char* const kSwitches[] = {"/q", "/qn", "/quiet"};
    for (int i = 1; i < count; ++i) {
        for (const char* wanted : kSwitches) {
            if (EqualsIgnoringAsciiCase(arguments[i], wanted)) return true;
        }
    }
    return false;
}
