// The fields of the manifest lines the builder writes, checked strictly, so
// that the launcher reads every line the way it was meant:
//   MSI line: architecture\language list\product code\product name
//   CAB line: cab\MSI id list\file name
// A field is 1 to 255 characters (UTF-16 units), without a backslash (the
// separator) or a control character (a NUL would end the launcher's text).
#ifndef MSILAUNCH_PACK_MANIFEST_FIELDS_H
#define MSILAUNCH_PACK_MANIFEST_FIELDS_H

#include <stdint.h>

#include <string>
#include <vector>

const size_t kMaxManifestField = 255;

// `what` names the field in the error, e.g. "product name of a.msi".
bool CheckManifestField(const std::string& what, const std::string& value, std::string* error);

// "x64" or "Intel" in any letter case, as the canonical spelling.
bool ParseArchitecture(const std::string& what, const std::string& text, std::string* architecture,
                       std::string* error);

// Decimal LCIDs separated by ';' or ','; at least one; every item a number
// from 1 to 4294967295 whose language identifier (low 16 bits) is not 0,
// which no user language ever matches.
bool ParseLanguageList(const std::string& what, const std::string& text, std::vector<uint32_t>* languages,
                       std::string* error);

// The language list field: the numbers joined by ';'.
std::string JoinNumbers(const std::vector<uint32_t>& numbers);

// A CAB's file name as the launcher writes it next to "main.msi": a valid
// field, a plain Windows file name (none of \ / : * ? " < > |, not "." or
// ".."), and not "main.msi" itself.
bool CheckCabFileName(const std::string& what, const std::string& name, std::string* error);

// ASCII letters compared without case.
bool SameIgnoringCase(const std::string& a, const std::string& b);

#endif
