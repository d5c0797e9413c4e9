// msilaunch-pack: the package builder of msilaunch.  Dispatches to the
// command named by the first argument.
#include <stdio.h>
#include <string.h>

#include "pack/arguments.h"
#include "pack/commands.h"

namespace {

const char kUsage[] =
    "usage: msilaunch-pack COMMAND [OPTIONS]\n"
    "\n"
    "Builds setup programs from the msilaunch launcher and MSI databases.\n"
    "\n"
    "commands:\n"
    "  keygen   make a new RSA-2048 payload key and its public key file\n"
    "  build    place signed, compressed MSIs and CABs in a launcher image\n"
    "  inspect  show a setup program's payload, verify it, and show the choice\n"
    "           the launcher makes for an architecture and a language\n"
    "  extract  write the verified files of a chosen package (or all) to a folder\n"
    "\n"
    "msilaunch-pack COMMAND --help shows the options of a command.\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string command = argv[1];
    if (IsHelpOption(command) || command == "help") {
        fputs(kUsage, stdout);
        return kExitSuccess;
    }
    std::vector<std::string> arguments(argv + 2, argv + argc);
    if (command == "keygen") return RunKeygenCommand(arguments);
    if (command == "build") return RunBuildCommand(arguments);
    if (command == "inspect") return RunInspectCommand(arguments);
    if (command == "extract") return RunExtractCommand(arguments);
    PrintError("unknown command \"" + command + "\"");
    fputs(kUsage, stderr);
    return kExitUsage;
}
