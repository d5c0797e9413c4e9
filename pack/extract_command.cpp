// extract: the files of the package the launcher would choose, or of every
// package, written to a folder for administrators.  Every file comes through
// the launcher's reader, so it is written only when its record verified; a
// failure removes whatever this run wrote, and existing files are never
// replaced.
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <direct.h>
#define rmdir _rmdir
#else
#include <unistd.h>
#endif

#include "pack/arguments.h"
#include "pack/commands.h"
#include "pack/launcher_image.h"
#include "pack/package_choice.h"
#include "pack/pending_file.h"
#include "pack/setup_payload.h"
#include "package/manifest_line.h"
#include "package/selection.h"
#include "payload/manifest_table.h"

namespace {

const char kHelp[] =
    "usage: msilaunch-pack extract SETUP --to FOLDER (--arch x64|Intel --lcid LCID | --all)\n"
    "                              [--key KEY.pem]\n"
    "\n"
    "Writes verified files of a setup program's payload, as the launcher would\n"
    "extract them.\n"
    "\n"
    "  --to FOLDER        where the files go (made when missing); existing files\n"
    "                     are not replaced\n"
    "  --arch, --lcid     the package the launcher chooses for that architecture and\n"
    "                     user language: FOLDER/main.msi and its CABs\n"
    "  --all              every package: FOLDER/ID/main.msi and its CABs for each MSI\n"
    "                     line (ID is the line's entry id)\n"
    "  --key KEY.pem      verify against this key instead of the launcher's own\n";

struct ExtractOptions {
    std::string setupPath;
    std::string keyPath;
    std::string folder;
    std::string architecture;
    std::string lcid;
    bool all = false;
};

int MakeFolder(const std::string& path)
{
#ifdef _WIN32
    return _mkdir(path.c_str());
#else
    return mkdir(path.c_str(), 0755);
#endif
}

// What this run wrote, undone on failure in reverse order.
class ExtractionOutput {
public:
    ~ExtractionOutput()
    {
        if (committed_) return;
        for (auto it = files_.rbegin(); it != files_.rend(); ++it) remove(it->c_str());
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) rmdir(it->c_str());
    }

    bool Folder(const std::string& path, std::string* error)
    {
        if (FileOrFolderExists(path)) return true;
        if (MakeFolder(path) != 0) {
            *error = "cannot make the folder " + path + ": " + strerror(errno);
            return false;
        }
        folders_.push_back(path);
        return true;
    }

    bool File(const std::string& path, const Bytes& bytes, std::string* error)
    {
        if (FileOrFolderExists(path)) {
            *error = path + " exists already; extract into an empty folder";
            return false;
        }
        if (!WriteWholeFile(path, bytes.data(), bytes.size(), 0644, error)) return false;
        files_.push_back(path);
        printf("%s  %zu bytes\n", path.c_str(), bytes.size());
        return true;
    }

    void Commit() { committed_ = true; }

private:
    std::vector<std::string> files_;
    std::vector<std::string> folders_;
    bool committed_ = false;
};

std::string Join(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool WriteFiles(ExtractionOutput* output, const std::string& folder, const std::vector<ChosenFile>& files,
                std::string* error)
{
    if (!output->Folder(folder, error)) return false;
    for (const ChosenFile& file : files) {
        if (!output->File(Join(folder, file.name), file.bytes, error)) return false;
    }
    return true;
}

int CollectMsiLine(DWORD sourceIndex, DWORD entryId, const char* text, void* userData)
{
    ManifestField fields[4];
    if (ReadManifestFields(text, fields, 4) == 4 && !EqualsIgnoringCase(fields[0], "cab")) {
        static_cast<std::vector<std::pair<DWORD, DWORD>>*>(userData)->push_back({sourceIndex, entryId});
    }
    return 1;
}

// One package's files through the launcher's own LoadPackageFile and
// CollectCabEntry, with the MSI line given instead of chosen.
bool LoadPackage(LauncherState* state, DWORD sourceIndex, DWORD msiId, std::vector<ChosenFile>* files,
                 std::string* error)
{
    ExtractionQueue queue;
    ZeroMemory(&queue, sizeof(queue));
    queue.files = static_cast<PackageFile*>(LocalAlloc(LPTR, sizeof(PackageFile)));
    bool ok = queue.files != nullptr &&
              LoadPackageFile(state, static_cast<int>(sourceIndex), msiId, &queue.files[0], "main.msi");
    if (queue.files != nullptr) queue.fileCount = 1;
    if (ok) {
        CabQuery query = {&queue.files, &queue.fileCount, static_cast<int>(sourceIndex), msiId, 0};
        CabSearch search = {&query, state};
        EnumManifestEntries(state, CollectCabEntry, &search);
        ok = query.errorFlag == 0;
    }
    for (int i = 0; i < queue.fileCount; ++i) {
        PackageFile* file = &queue.files[i];
        if (ok) files->push_back({file->name, Bytes(file->decodedBytes, file->decodedBytes + file->decodedSize)});
        LocalFree(file->decodedBytes);
    }
    LocalFree(queue.files);
    if (!ok) *error = "a record of MSI line " + std::to_string(msiId) + " or of its CABs does not verify";
    return ok;
}

int ParseExtractOptions(const std::vector<std::string>& arguments, ExtractOptions* options, bool* helped)
{
    ArgumentCursor cursor("extract", arguments);
    std::string error;
    *helped = false;
    while (!cursor.Done()) {
        const std::string argument = cursor.Take();
        bool ok = true;
        if (IsHelpOption(argument)) {
            fputs(kHelp, stdout);
            *helped = true;
            return kExitSuccess;
        } else if (argument == "--key") {
            ok = cursor.TakeValue(argument, &options->keyPath, &error);
        } else if (argument == "--to") {
            ok = cursor.TakeValue(argument, &options->folder, &error);
        } else if (argument == "--arch") {
            ok = cursor.TakeValue(argument, &options->architecture, &error);
        } else if (argument == "--lcid") {
            ok = cursor.TakeValue(argument, &options->lcid, &error);
        } else if (argument == "--all") {
            options->all = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            ok = false;
            error = "extract: unknown option " + argument;
        } else if (!options->setupPath.empty()) {
            ok = false;
            error = "extract: one setup program at a time";
        } else {
            options->setupPath = argument;
        }
        if (!ok) {
            PrintError(error);
            return kExitUsage;
        }
    }
    const bool chosen = !options->architecture.empty() && !options->lcid.empty();
    if (options->setupPath.empty() || options->folder.empty() || chosen == options->all ||
        options->architecture.empty() != options->lcid.empty()) {
        PrintError("extract: give SETUP, --to FOLDER, and either --arch with --lcid or --all (see --help)");
        return kExitUsage;
    }
    if (chosen && options->architecture != "x64" && options->architecture != "Intel") {
        PrintError("extract: --arch is x64 or Intel, not " + options->architecture);
        return kExitUsage;
    }
    return kExitSuccess;
}

}  // namespace

int RunExtractCommand(const std::vector<std::string>& arguments)
{
    ExtractOptions options;
    bool helped = false;
    int parsed = ParseExtractOptions(arguments, &options, &helped);
    if (parsed != kExitSuccess || helped) return parsed;
    uint32_t lcid = 0;
    if (!options.all && !ParseU32(options.lcid, &lcid)) {
        PrintError("extract: --lcid takes a decimal LCID, not " + options.lcid);
        return kExitUsage;
    }

    std::string error, keyOrigin;
    Bytes image, keyBlob;
    LauncherImage info;
    SetupPayload payload;
    if (!ReadFileBytes(options.setupPath, &image, &error) ||
        !ExamineLauncherImage(image, options.setupPath, &info, &error) ||
        !ChooseVerifyingKey(image, options.setupPath, options.keyPath, &keyBlob, &keyOrigin, &error) ||
        !payload.Load(options.setupPath, image, keyBlob, &error)) {
        PrintError("extract: " + error);
        return kExitFailure;
    }
    Bytes().swap(image);

    ExtractionOutput output;
    if (options.all) {
        std::vector<std::pair<DWORD, DWORD>> msiLines;
        EnumManifestEntries(payload.state(), CollectMsiLine, &msiLines);
        if (msiLines.empty()) {
            PrintError("extract: " + options.setupPath + " holds no MSI line");
            return kExitFailure;
        }
        if (!output.Folder(options.folder, &error)) {
            PrintError("extract: " + error);
            return kExitFailure;
        }
        for (const auto& line : msiLines) {
            std::vector<ChosenFile> files;
            std::string name = std::to_string(line.second);
            if (payload.state()->sourceCount > 1) name = std::to_string(line.first) + "-" + name;
            if (!LoadPackage(payload.state(), line.first, line.second, &files, &error) ||
                !WriteFiles(&output, Join(options.folder, name), files, &error)) {
                PrintError("extract: " + error);
                return kExitFailure;
            }
        }
    } else {
        PackageChoice choice = ChoosePackage(payload.state(), options.architecture == "x64", lcid);
        if (!choice.chosen) {
            PrintError("extract: " + std::string(choice.msiEntryId == 0
                                                     ? "no package fits " + options.architecture + " and LCID " +
                                                           options.lcid
                                                     : "a record of the chosen package does not verify"));
            return kExitFailure;
        }
        if (!WriteFiles(&output, options.folder, choice.files, &error)) {
            PrintError("extract: " + error);
            return kExitFailure;
        }
    }
    output.Commit();
    return kExitSuccess;
}
