// Bounded ANSI text and code-page-aware character search.
#include "launcher/ansi_text.h"

void AnsiTextStart(AnsiText* out, char* text, DWORD room)
{
    out->text = text;
    out->room = room;
    out->length = 0;
    out->cut = 0;
    if (room > 0) text[0] = 0;
}

DWORD AnsiTextAppend(AnsiText* out, const char* piece)
{
    if (out->room == 0) {
        if (piece[0] != 0) out->cut = 1;
        return 0;
    }
    DWORD start = out->length;
    DWORD i = 0;
    while (piece[i] != 0) {
        DWORD width = (IsDBCSLeadByte(static_cast<BYTE>(piece[i])) && piece[i + 1] != 0) ? 2 : 1;
        if (out->length + width >= out->room) {
            out->cut = 1;
            break;
        }
        for (DWORD k = 0; k < width; ++k) out->text[out->length++] = piece[i++];
    }
    out->text[out->length] = 0;
    return out->length - start;
}

DWORD AnsiTextAppendUnsigned(AnsiText* out, DWORD value)
{
    char digits[11];
    int at = 10;
    digits[at] = 0;
    do {
        digits[--at] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return AnsiTextAppend(out, digits + at);
}

void AnsiCopy(char* dst, DWORD room, const char* src)
{
    AnsiText text;
    AnsiTextStart(&text, dst, room);
    AnsiTextAppend(&text, src);
}

DWORD AnsiLength(const char* text)
{
    DWORD n = 0;
    while (text[n] != 0) ++n;
    return n;
}

const char* AnsiFindLast(const char* text, char ch)
{
    const char* found = nullptr;
    for (const char* p = text; *p != 0; ++p) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p))) {
            if (p[1] == 0) break;
            ++p;
            continue;
        }
        if (*p == ch) found = p;
    }
    return found;
}
