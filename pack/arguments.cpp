// Argument cursor, numbers and the error line.
#include "pack/arguments.h"

#include <stdio.h>

bool ArgumentCursor::TakeValue(const std::string& option, std::string* value, std::string* error)
{
    if (Done()) {
        *error = command_ + ": " + option + " needs a value";
        return false;
    }
    *value = Take();
    return true;
}

bool IsHelpOption(const std::string& argument)
{
    return argument == "--help" || argument == "-h";
}

bool ParseU32(const std::string& text, uint32_t* value)
{
    if (text.empty() || text.size() > 10) return false;
    uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    if (number > 0xFFFFFFFFull) return false;
    *value = static_cast<uint32_t>(number);
    return true;
}

void PrintError(const std::string& text)
{
    fprintf(stderr, "msilaunch-pack: %s\n", text.c_str());
}
