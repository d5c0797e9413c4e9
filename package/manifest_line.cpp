// Reading the fields and number lists of manifest lines.
#include "package/manifest_line.h"

int ReadManifestFields(const char* text, ManifestField* fields, int wanted)
{
    int read = 0;
    const char* p = text;
    while (read < wanted) {
        // The field's length in bytes; a double-byte character is stepped over
        // whole, since its trail byte may have the value of a backslash.
        DWORD length = 0;
        while (p[length] != 0 && p[length] != '\\') {
            length += (IsDBCSLeadByte(static_cast<BYTE>(p[length])) && p[length + 1] != 0) ? 2 : 1;
        }
        // An empty field ends the line; so does one too long for its buffer:
        // a cut product code or file name would name something else.
        if (length == 0 || length >= kManifestFieldRoom) break;
        for (DWORD i = 0; i < length; ++i) fields[read][i] = p[i];
        fields[read][length] = 0;
        ++read;
        p += length;
        if (*p == 0) break;
        ++p;
    }
    return read;
}

void StartNumberList(NumberListCursor* cursor, const char* list)
{
    cursor->at = list;
}

namespace {

bool IsListSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool NextListNumber(NumberListCursor* cursor, DWORD* value)
{
    while (cursor->at != nullptr && *cursor->at != 0) {
        const char* item = cursor->at;
        const char* end = item;
        while (*end != 0 && *end != ';') ++end;
        cursor->at = *end == ';' ? end + 1 : end;

        const char* p = item;
        while (p < end && IsListSpace(*p)) ++p;
        bool digits = false;
        bool fits = true;
        unsigned long long number = 0;
        while (p < end && *p >= '0' && *p <= '9') {
            digits = true;
            if (fits) {
                number = number * 10 + static_cast<unsigned>(*p - '0');
                if (number > 0xFFFFFFFFull) fits = false;
            }
            ++p;
        }
        if (digits && fits) {
            *value = static_cast<DWORD>(number);
            return true;
        }
    }
    return false;
}

bool EqualsIgnoringCase(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a + 32) : *a;
        char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b + 32) : *b;
        if (x != y) return false;
        if (x == 0) return true;
    }
}
