// Checks of manifest fields, architectures, language lists and CAB names.
#include "pack/manifest_fields.h"

#include <ctype.h>

#include "writer/manifest_writer.h"

bool CheckManifestField(const std::string& what, const std::string& value, std::string* error)
{
    if (value.empty()) {
        *error = "the " + what + " is empty";
        return false;
    }
    for (unsigned char c : value) {
        if (c == '\\') {
            *error = "the " + what + " \"" + value + "\" holds a backslash, which separates manifest fields";
            return false;
        }
        if (c < 0x20 || c == 0x7F) {
            *error = "the " + what + " holds a control character";
            return false;
        }
    }
    size_t units = Utf16LeText(value, false).size() / 2;
    if (units > kMaxManifestField) {
        *error = "the " + what + " is " + std::to_string(units) + " characters long; a manifest field holds at most " +
                 std::to_string(kMaxManifestField);
        return false;
    }
    return true;
}

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

bool ParseArchitecture(const std::string& what, const std::string& text, std::string* architecture,
                       std::string* error)
{
    if (SameIgnoringCase(text, "x64")) {
        *architecture = "x64";
    } else if (SameIgnoringCase(text, "Intel")) {
        *architecture = "Intel";
    } else {
        *error = "the " + what + " is \"" + text + "\"; the launcher knows \"x64\" and \"Intel\" only";
        return false;
    }
    return true;
}

bool ParseLanguageList(const std::string& what, const std::string& text, std::vector<uint32_t>* languages,
                       std::string* error)
{
    languages->clear();
    size_t at = 0;
    for (;;) {
        size_t end = text.find_first_of(";,", at);
        std::string item = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        uint64_t value = 0;
        bool digits = !item.empty() && item.size() <= 10;
        for (char c : item) {
            if (!isdigit(static_cast<unsigned char>(c))) digits = false;
            if (digits) value = value * 10 + static_cast<uint64_t>(c - '0');
        }
        if (!digits || value > 0xFFFFFFFFull) {
            *error = "the " + what + " \"" + text + "\" holds \"" + item + "\", which is no decimal LCID";
            return false;
        }
        if ((value & 0xFFFF) == 0) {
            *error = "the " + what + " \"" + text + "\" holds the neutral language " + item +
                     ", which matches no user language; give the LCIDs it is for";
            return false;
        }
        languages->push_back(static_cast<uint32_t>(value));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return true;
}

std::string JoinNumbers(const std::vector<uint32_t>& numbers)
{
    std::string text;
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) text += ';';
        text += std::to_string(numbers[i]);
    }
    return text;
}

bool CheckCabFileName(const std::string& what, const std::string& name, std::string* error)
{
    if (!CheckManifestField(what, name, error)) return false;
    if (name.find_first_of("/:*?\"<>|") != std::string::npos || name == "." || name == "..") {
        *error = "the " + what + " \"" + name + "\" is no plain file name";
        return false;
    }
    if (SameIgnoringCase(name, "main.msi")) {
        *error = "the " + what + " is \"" + name + "\", the name the launcher gives the MSI itself";
        return false;
    }
    return true;
}
