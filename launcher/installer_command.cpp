// Building Windows Installer's command line: measured first, then written into
// a block of exactly that size, one whole piece at a time.
#include "launcher/installer_command.h"

#include "launcher/ansi_text.h"

namespace {

// Either counts the characters of the pieces (text.text null) or writes them.
struct PieceSink {
    AnsiText text;
    DWORD needed;
};

bool HoldsSpace(const char* piece)
{
    return AnsiFindLast(piece, ' ') != nullptr;
}

void PutPiece(PieceSink* sink, const char* lead, const char* body)
{
    bool quote = HoldsSpace(body);
    DWORD size = AnsiLength(lead) + AnsiLength(body) + (quote ? 2 : 0);
    sink->needed += size;
    if (sink->text.text == nullptr) return;
    // Only whole pieces: one that no longer fits is left out altogether.
    if (sink->text.length + size >= sink->text.room) {
        sink->text.cut = 1;
        return;
    }
    AnsiTextAppend(&sink->text, lead);
    if (quote) AnsiTextAppend(&sink->text, "\"");
    AnsiTextAppend(&sink->text, body);
    if (quote) AnsiTextAppend(&sink->text, "\"");
}

// The argument in the ANSI code page, as a new block, or null for no memory.
char* ConvertArgument(const WCHAR* argument)
{
    int units = 0;
    while (argument[units] != 0) ++units;
    int bytes = units == 0 ? 0 : WideCharToMultiByte(CP_ACP, 0, argument, units, nullptr, 0, nullptr, nullptr);
    char* text = static_cast<char*>(LocalAlloc(LPTR, static_cast<size_t>(bytes) + 1));
    if (text == nullptr) return nullptr;
    if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, argument, units, text, bytes, nullptr, nullptr);
    return text;
}

// Characters of the package piece at its longest: " /i ", a full path of 260
// characters, and the quotes it gets when it holds a space.
const DWORD kLongestPackagePiece = 4 + (kFileNameRoom - 1) + 2;

// A null packagePath counts the package piece at its longest.
void PutAllPieces(PieceSink* sink, const char* installerPath, const char* packagePath, char** converted,
                  int convertedCount)
{
    PutPiece(sink, "", installerPath);
    if (packagePath != nullptr) {
        PutPiece(sink, " /i ", packagePath);
    } else {
        sink->needed += kLongestPackagePiece;
    }
    for (int i = 0; i < convertedCount; ++i) {
        if (converted[i] != nullptr) PutPiece(sink, " ", converted[i]);
    }
}

void FreeConverted(char** converted, int convertedCount)
{
    for (int i = 0; i < convertedCount; ++i) LocalFree(converted[i]);
    LocalFree(converted);
}

// Converts every forwarded argument once, so that the pieces measured are
// exactly the pieces written; null for no memory.
char** ConvertArguments(WCHAR** arguments, int count, int* convertedCount)
{
    *convertedCount = count > 1 ? count - 1 : 0;
    char** converted = static_cast<char**>(LocalAlloc(LPTR, (*convertedCount + 1) * sizeof(char*)));
    if (converted == nullptr) return nullptr;
    for (int i = 0; i < *convertedCount; ++i) converted[i] = ConvertArgument(arguments[i + 1]);
    return converted;
}

}  // namespace

StatusPair CheckInstallerCommandLineRoom(const char* installerPath, WCHAR** arguments, int count)
{
    int convertedCount = 0;
    char** converted = ConvertArguments(arguments, count, &convertedCount);
    if (converted == nullptr) return MakeStatus(GetLastError, ERROR_NOT_ENOUGH_MEMORY, kLineCommandLineNoMemory);
    PieceSink sink = {};
    PutAllPieces(&sink, installerPath, nullptr, converted, convertedCount);
    FreeConverted(converted, convertedCount);
    if (sink.needed + 1 > kInstallerCommandLineRoom) {
        return MakeStatus(nullptr, kStatusCommandLineTooLong, kLineCommandLineTooLong);
    }
    return MakeStatus(nullptr, 0, kLineCommandLineBuilt);
}

StatusPair BuildInstallerCommandLine(const char* installerPath, const char* packagePath, WCHAR** arguments,
                                     int count, char** commandLine)
{
    *commandLine = nullptr;
    int convertedCount = 0;
    char** converted = ConvertArguments(arguments, count, &convertedCount);
    if (converted == nullptr) return MakeStatus(GetLastError, ERROR_NOT_ENOUGH_MEMORY, kLineCommandLineNoMemory);

    PieceSink sink = {};
    PutAllPieces(&sink, installerPath, packagePath, converted, convertedCount);
    if (sink.needed + 1 > kInstallerCommandLineRoom) {
        FreeConverted(converted, convertedCount);
        return MakeStatus(nullptr, kStatusCommandLineTooLong, kLineCommandLineTooLong);
    }
    DWORD room = sink.needed + 1;
    char* line = static_cast<char*>(LocalAlloc(LPTR, room));
    if (line == nullptr) {
        StatusPair status = MakeStatus(GetLastError, ERROR_NOT_ENOUGH_MEMORY, kLineCommandLineNoMemory);
        FreeConverted(converted, convertedCount);
        return status;
    }
    sink.needed = 0;
    AnsiTextStart(&sink.text, line, room);
    PutAllPieces(&sink, installerPath, packagePath, converted, convertedCount);
    FreeConverted(converted, convertedCount);
    *commandLine = line;
    return MakeStatus(nullptr, 0, kLineCommandLineBuilt);
}
