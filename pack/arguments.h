// The arguments of one command, taken in order, with the usage errors that
// every command words the same way.
#ifndef MSILAUNCH_PACK_ARGUMENTS_H
#define MSILAUNCH_PACK_ARGUMENTS_H

#include <stdint.h>

#include <string>
#include <vector>

// Exit codes of every command.
const int kExitSuccess = 0;
const int kExitFailure = 1;  // bad input, a record that does not verify, no package chosen
const int kExitUsage = 2;    // the command line itself is wrong

class ArgumentCursor {
public:
    ArgumentCursor(const std::string& command, const std::vector<std::string>& arguments)
        : command_(command), arguments_(arguments) {}

    bool Done() const { return next_ >= arguments_.size(); }
    const std::string& Take() { return arguments_[next_++]; }

    // The value after `option`; false with "COMMAND: OPTION needs a value".
    bool TakeValue(const std::string& option, std::string* value, std::string* error);

    const std::string& command() const { return command_; }

private:
    std::string command_;
    std::vector<std::string> arguments_;
    size_t next_ = 0;
};

bool IsHelpOption(const std::string& argument);

// A decimal number within 32 bits.
bool ParseU32(const std::string& text, uint32_t* value);

// Prints "msilaunch-pack: TEXT" on stderr.
void PrintError(const std::string& text);

#endif
