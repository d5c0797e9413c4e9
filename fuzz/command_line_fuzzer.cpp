// The launcher's command line: SplitCommandLine, HasQuietSwitch, and Windows
// Installer's command line built from the split arguments
// (CheckInstallerCommandLineRoom, BuildInstallerCommandLine).  Input: a 5-byte
// header, then the command line as UTF-16LE units (an odd last byte is
// dropped; the line ends at its first NUL unit or at the end).
//   byte 0: the package path's length, 12 + value * 248 / 255 (12 to 260)
//   byte 1: bit 0 a space in the package path, bit 1 one in the installer
//           path, bits 2-4 how many times the line is repeated (1 to 8),
//           bit 5 a local-heap allocation fails (after byte 4 successful ones),
//           bits 6-7 both set with bit 5 clear: a long installer path (the
//           line's limit is reached with it, but every character costs time)
//   bytes 2-3: the installer path's length, 32000 + value % 1000 when long,
//           else 1 + value % 260 (little-endian)
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "launcher/command_line.h"
#include "launcher/installer_command.h"

#define CHECK(condition) \
    do {                 \
        if (!(condition)) __builtin_trap(); \
    } while (0)

namespace {

const size_t kHeaderSize = 5;

bool IsSeparator(WCHAR u)
{
    return u == 0x09 || u == 0x0A || u == 0x0D || u == 0x20;
}

// `length` characters: a drive, 'x's, an optional space in the middle and the
// given ending when there is room for it.
std::string MakePath(size_t length, bool space, const char* ending)
{
    std::string path(length, 'x');
    if (length >= 3) path.replace(0, 3, "C:\\");
    const size_t endingLength = strlen(ending);
    if (length >= 3 + endingLength) path.replace(length - endingLength, endingLength, ending);
    if (space && length >= 5) path[length / 2] = ' ';
    return path;
}

std::string Utf8Of(const WCHAR* text)
{
    size_t units = 0;
    while (text[units] != 0) ++units;
    if (units == 0) return std::string();
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(units), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(units), &out[0], bytes, nullptr, nullptr);
    return out;
}

// The splitter's promises: at most (L + 1) / 2 arguments, the array null
// after them, every argument in the block's text area, after the one before
// it, free of double quotes; none at all only for a line of separators.
void CheckSplit(const std::u16string& line, WCHAR** arguments, int count)
{
    const size_t length = line.size();
    CHECK(count >= 0 && static_cast<size_t>(count) <= (length + 1) / 2);
    CHECK(arguments[count] == nullptr);
    const char* block = reinterpret_cast<const char*>(arguments);
    const char* blockEnd = block + LocalSize(arguments);
    const char* area = reinterpret_cast<const char*>(arguments + count + 1);
    size_t characters = 0;
    for (int i = 0; i < count; ++i) {
        const char* start = reinterpret_cast<const char*>(arguments[i]);
        CHECK(start >= area && start < blockEnd);
        CHECK((start - block) % sizeof(WCHAR) == 0);
        size_t units = 0;
        while (start + (units + 1) * sizeof(WCHAR) <= blockEnd && arguments[i][units] != 0) ++units;
        CHECK(start + (units + 1) * sizeof(WCHAR) <= blockEnd);  // terminated inside the block
        for (size_t k = 0; k < units; ++k) CHECK(arguments[i][k] != '"');
        characters += units;
        area = start + (units + 1) * sizeof(WCHAR);
    }
    CHECK(characters <= length);
    bool onlySeparators = true;
    for (WCHAR u : line) onlySeparators = onlySeparators && IsSeparator(u);
    CHECK((count == 0) == onlySeparators);
}

// HasQuietSwitch: never for argument 0 alone, and for the whole list exactly
// when it holds for argument 0 with one of the others alone.
void CheckQuiet(WCHAR** arguments, int count)
{
    CHECK(!HasQuietSwitch(arguments, 0) && !HasQuietSwitch(arguments, count < 1 ? count : 1));
    bool any = false;
    for (int i = 1; i < count && !any; ++i) {
        WCHAR* pair[3] = {arguments[0], arguments[i], nullptr};
        any = HasQuietSwitch(pair, 2);
    }
    CHECK(HasQuietSwitch(arguments, count) == any);
}

// Splitting the built line again gives back its pieces, when every piece
// survives the trip: none empty, none with a separator other than a space.
void CheckRoundTrip(const char* line, const std::string& installerPath, const std::string& packagePath,
                    WCHAR** arguments, int count)
{
    std::vector<std::string> pieces = {installerPath, "/i", packagePath};
    for (int i = 1; i < count; ++i) pieces.push_back(Utf8Of(arguments[i]));
    for (const std::string& piece : pieces) {
        if (piece.empty() || piece.find_first_of("\t\n\r") != std::string::npos) return;
    }
    const int units = MultiByteToWideChar(CP_ACP, 0, line, -1, nullptr, 0);
    std::u16string wide(static_cast<size_t>(units), u'\0');
    MultiByteToWideChar(CP_ACP, 0, line, -1, &wide[0], units);
    int again = 0;
    WCHAR** split = SplitCommandLine(wide.c_str(), &again);
    CHECK(split != nullptr);
    CHECK(static_cast<size_t>(again) == pieces.size());
    for (int i = 0; i < again; ++i) CHECK(Utf8Of(split[i]) == pieces[i]);
    LocalFree(split);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kHeaderSize) return 0;
    const long liveBefore = HostLiveAllocations();
    const std::string packagePath = MakePath(12 + data[0] * 248u / 255u, data[1] & 1, "\\main.msi");
    const unsigned lengthBits = data[2] | (data[3] << 8);
    const unsigned installerLength = (data[1] >> 5) == 6 ? 32000 + lengthBits % 1000 : 1 + lengthBits % 260;
    const std::string installerPath = MakePath(installerLength, (data[1] >> 1) & 1, "\\msiexec.exe");
    const int repeat = 1 + ((data[1] >> 2) & 7);
    const bool faults = (data[1] >> 5) & 1;

    std::u16string once;
    for (size_t i = kHeaderSize; i + 1 < size; i += 2) {
        const WCHAR u = static_cast<WCHAR>(data[i] | (data[i + 1] << 8));
        if (u == 0) break;
        once.push_back(u);
    }
    std::u16string line;
    for (int i = 0; i < repeat; ++i) line += once;
    // An exact-size copy, so a read past the terminator is caught.
    std::vector<WCHAR> text(line.begin(), line.end());
    text.push_back(0);

    if (faults) HostFailAllocationAfter(data[4]);
    int count = -1;
    WCHAR** arguments = SplitCommandLine(text.data(), &count);
    if (arguments == nullptr) {
        CHECK(faults && count == -1);
        HostFailAllocationAfter(-1);
        CHECK(HostLiveAllocations() == liveBefore);
        return 0;
    }
    CheckSplit(line, arguments, count);
    CheckQuiet(arguments, count);

    const StatusPair room = CheckInstallerCommandLineRoom(installerPath.c_str(), arguments, count);
    CHECK(room.code == 0 ? room.line == kLineCommandLineBuilt
                         : room.line == (room.code == kStatusCommandLineTooLong ? kLineCommandLineTooLong
                                                                                 : kLineCommandLineNoMemory));
    char* built = reinterpret_cast<char*>(0x1);
    const StatusPair status =
        BuildInstallerCommandLine(installerPath.c_str(), packagePath.c_str(), arguments, count, &built);
    if (status.code == 0) {
        CHECK(status.line == kLineCommandLineBuilt && built != nullptr);
        const size_t length = strnlen(built, LocalSize(built));
        CHECK(length < LocalSize(built));  // terminated
        CHECK(length <= kInstallerCommandLineRoom - 1);
        // Nothing measured was left out.
        CHECK(LocalSize(built) == length + 1);
        // (Long lines only make the trip slow.)
        if (!faults && length <= 4096) CheckRoundTrip(built, installerPath, packagePath, arguments, count);
    } else {
        CHECK(built == nullptr);
        CHECK(status.line == (status.code == kStatusCommandLineTooLong ? kLineCommandLineTooLong
                                                                      : kLineCommandLineNoMemory));
        if (status.line == kLineCommandLineNoMemory) CHECK(faults);
    }
    if (!faults) {
        // The room check allows for any package path: what it passes builds.
        if (room.code == 0) CHECK(status.code == 0);
        // And it allows no more than the longest path with a space.
        if (packagePath.size() == kFileNameRoom - 1 && (data[1] & 1) && status.code == 0) CHECK(room.code == 0);
        CHECK(room.code == 0 || room.code == kStatusCommandLineTooLong);
    }
    LocalFree(built);
    LocalFree(arguments);
    HostFailAllocationAfter(-1);
    CHECK(HostLiveAllocations() == liveBefore);
    return 0;
}
