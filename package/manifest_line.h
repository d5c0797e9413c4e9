// The text of manifest lines: backslash-separated fields and ';'-separated
// lists of decimal numbers.
//   MSI line: architecture\language list\product code\product name
//   CAB line: cab\MSI id list\file name
// A field is one to 255 characters other than a backslash; an empty field (two
// backslashes, a leading one) or a longer field ends the reading there.
#ifndef MSILAUNCH_PACKAGE_MANIFEST_LINE_H
#define MSILAUNCH_PACKAGE_MANIFEST_LINE_H

#include "launcher/platform.h"

const DWORD kManifestFieldRoom = 256;

typedef char ManifestField[kManifestFieldRoom];

// Reads up to `wanted` fields of text into fields[0..]; returns how many were
// read.  Fields after the last one read are left as they were.
int ReadManifestFields(const char* text, ManifestField* fields, int wanted);

// A walk over a number list.  NextListNumber gives the next item that holds a
// number (leading white space skipped, digits up to the first other
// character, the value within 32 bits); items without one are skipped.
struct NumberListCursor {
    const char* at;
};
void StartNumberList(NumberListCursor* cursor, const char* list);
bool NextListNumber(NumberListCursor* cursor, DWORD* value);

// ASCII letters compared without case.
bool EqualsIgnoringCase(const char* a, const char* b);

#endif
