// The commands of msilaunch-pack.  Each takes the arguments after its name
// and returns the process exit code (arguments.h); errors go to stderr,
// results to stdout.
#ifndef MSILAUNCH_PACK_COMMANDS_H
#define MSILAUNCH_PACK_COMMANDS_H

#include <string>
#include <vector>

int RunKeygenCommand(const std::vector<std::string>& arguments);
int RunBuildCommand(const std::vector<std::string>& arguments);
int RunInspectCommand(const std::vector<std::string>& arguments);
int RunExtractCommand(const std::vector<std::string>& arguments);

#endif
