// Fixed-capacity ANSI text: appends that never pass the room they are given and
// always leave the text terminated, and character searches that step over the
// trail bytes of the system's double-byte code pages.
#ifndef MSILAUNCH_LAUNCHER_ANSI_TEXT_H
#define MSILAUNCH_LAUNCHER_ANSI_TEXT_H

#include "launcher/platform.h"

// A view of a caller's buffer: `room` bytes from `text`, terminator included.
// `length` counts the characters written so far; `cut` is set once an append
// did not fit whole.
struct AnsiText {
    char* text;
    DWORD room;
    DWORD length;
    DWORD cut;
};

// Starts an empty text in the `room` bytes at `text` (terminated when room > 0).
void AnsiTextStart(AnsiText* out, char* text, DWORD room);

// Each append writes as much as fits, keeps the text terminated and returns the
// number of characters it wrote; a double-byte character is never split.
DWORD AnsiTextAppend(AnsiText* out, const char* piece);
DWORD AnsiTextAppendUnsigned(AnsiText* out, DWORD value);

// Copies src into dst (room bytes, terminator included), cutting as needed.
void AnsiCopy(char* dst, DWORD room, const char* src);

// Number of characters of `text` before its terminator.
DWORD AnsiLength(const char* text);

// The last occurrence of the single-byte character `ch` in `text` as a
// character (never a trail byte), or null.
const char* AnsiFindLast(const char* text, char ch);

#endif
