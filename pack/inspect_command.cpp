// inspect: a setup program's payload sources, their records (each decoded and
// verified by the launcher's reader) and manifest lines, and, given an
// architecture and an LCID, the package the launcher's selection chooses.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <functional>

#include "pack/arguments.h"
#include "pack/commands.h"
#include "pack/launcher_image.h"
#include "pack/package_choice.h"
#include "pack/setup_payload.h"
#include "package/manifest_line.h"
#include "payload/payload_record.h"

namespace {

const char kHelp[] =
    "usage: msilaunch-pack inspect SETUP [--key KEY.pem] [--arch x64|Intel --lcid LCID]\n"
    "\n"
    "Reads a setup program with the launcher's own code: its payload sources\n"
    "(certificate extensions first, else the whole image), every record decoded and\n"
    "verified, and every manifest line. Exits with 1 when anything fails to verify.\n"
    "\n"
    "  --key KEY.pem      verify against this key (public or private PEM); default:\n"
    "                     the key compiled into the launcher, found in the image by\n"
    "                     its PUBLICKEYBLOB header (06 02 00 00 00 A4 00 00 \"RSA1\"\n"
    "                     00 08 00 00 01 00 01 00)\n"
    "  --arch x64|Intel   with --lcid: show the MSI and CABs the launcher would choose\n"
    "  --lcid LCID        on a machine of that architecture (x64: 64-bit Windows)\n"
    "                     for a user with that language (decimal, or 0x hex)\n";

struct InspectOptions {
    std::string setupPath;
    std::string keyPath;
    std::string architecture;
    std::string lcid;
};

bool ParseLcid(const std::string& text, uint32_t* value)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        char* end = nullptr;
        unsigned long long number = strtoull(text.c_str() + 2, &end, 16);
        if (*end != '\0' || number > 0xFFFFFFFFull) return false;
        *value = static_cast<uint32_t>(number);
        return true;
    }
    return ParseU32(text, value);
}

const char* KindName(bool manifest)
{
    return manifest ? "manifest" : "file";
}

std::string LineKind(const std::string& text)
{
    ManifestField fields[4];
    int count = ReadManifestFields(text.c_str(), fields, 4);
    if (count >= 3 && EqualsIgnoringCase(fields[0], "cab")) return "CAB";
    if (count >= 4) return "MSI";
    return "other";
}

// Where a source's bytes stand in the image.
std::string SourceLocation(const Bytes& image, const PayloadSource& source)
{
    if (source.rawSize == image.size()) return "the whole image (its chain ends at the file's last byte)";
    std::boyer_moore_horspool_searcher<const BYTE*> searcher(source.rawBytes, source.rawBytes + source.rawSize);
    const BYTE* at = std::search(image.data(), image.data() + image.size(), searcher);
    std::string where = at == image.data() + image.size() ? "" : " at offset " + std::to_string(at - image.data());
    return "a certificate extension's value" + where;
}

// Prints the records of one source; false when one does not verify.
bool PrintRecords(const PayloadSource& source)
{
    bool complete = false;
    std::vector<ChainRecordInfo> records = ListChainRecords(source, &complete);
    bool ok = complete;
    printf("  records, head first:\n");
    printf("    %10s  %-8s  %10s  %10s  %9s  %10s  %s\n", "offset", "kind", "id", "data", "signature", "decoded",
           "check");
    for (const ChainRecordInfo& record : records) {
        BYTE* data = nullptr;
        DWORD size = 0;
        StatusPair status = ReadPayloadRecord(&source, record.isManifest ? &ManifestRecord : &FileRecord, record.id,
                                              &data, &size);
        LocalFree(data);
        if (status.code != 0) ok = false;
        printf("    %10u  %-8s  %10u  %10u  %9u  %10s  %s\n", record.offset, KindName(record.isManifest), record.id,
               record.dataLength, record.signatureLength, status.code == 0 ? std::to_string(size).c_str() : "-",
               DescribeReadStatus(status).c_str());
    }
    if (!complete) printf("    (no manifest record heads the chain: the records end in something that is no record)\n");
    return ok;
}

bool PrintChoice(LauncherState* state, const std::string& architecture, uint32_t lcid)
{
    PackageChoice choice = ChoosePackage(state, architecture == "x64", lcid);
    printf("choice for %s, LCID %u (0x%04X):\n", architecture.c_str(), lcid, lcid);
    if (choice.msiEntryId == 0) {
        printf("  none: no MSI line fits; the launcher fails with 13 (the corrupted-or-architecture message)\n");
        return false;
    }
    const char* how = choice.fellBackToUsEnglish ? "by the fallback to US English 1033 (third pass)"
                      : choice.pass == 0         ? "by the exact language identifier (first pass)"
                                                 : "by the language's low byte (second pass)";
    printf("  MSI line %u of source %d, %s\n", choice.msiEntryId, choice.sourceIndex, how);
    printf("  product code %s, product name %s\n", choice.productCode.c_str(), choice.productName.c_str());
    if (!choice.chosen) {
        printf("  but a chosen record cannot be decoded or verified: the launcher fails with 13\n");
        return false;
    }
    for (const ChosenFile& file : choice.files) printf("  %-24s %10zu bytes\n", file.name.c_str(), file.bytes.size());
    return true;
}

}  // namespace

int RunInspectCommand(const std::vector<std::string>& arguments)
{
    ArgumentCursor cursor("inspect", arguments);
    InspectOptions options;
    std::string error;
    while (!cursor.Done()) {
        const std::string argument = cursor.Take();
        bool ok = true;
        if (IsHelpOption(argument)) {
            fputs(kHelp, stdout);
            return kExitSuccess;
        } else if (argument == "--key") {
            ok = cursor.TakeValue(argument, &options.keyPath, &error);
        } else if (argument == "--arch") {
            ok = cursor.TakeValue(argument, &options.architecture, &error);
        } else if (argument == "--lcid") {
            ok = cursor.TakeValue(argument, &options.lcid, &error);
        } else if (argument.size() > 1 && argument[0] == '-') {
            ok = false;
            error = "inspect: unknown option " + argument;
        } else if (!options.setupPath.empty()) {
            ok = false;
            error = "inspect: one setup program at a time (" + options.setupPath + ", " + argument + ")";
        } else {
            options.setupPath = argument;
        }
        if (!ok) {
            PrintError(error);
            return kExitUsage;
        }
    }
    uint32_t lcid = 0;
    if (options.setupPath.empty()) {
        PrintError("inspect: name the setup program (see msilaunch-pack inspect --help)");
        return kExitUsage;
    }
    if (options.architecture.empty() != options.lcid.empty()) {
        PrintError("inspect: --arch and --lcid go together");
        return kExitUsage;
    }
    if (!options.architecture.empty()) {
        if (options.architecture != "x64" && options.architecture != "Intel") {
            PrintError("inspect: --arch is x64 or Intel, not " + options.architecture);
            return kExitUsage;
        }
        if (!ParseLcid(options.lcid, &lcid)) {
            PrintError("inspect: --lcid takes a decimal or 0x-hex LCID, not " + options.lcid);
            return kExitUsage;
        }
    }

    Bytes image, keyBlob;
    LauncherImage info;
    std::string keyOrigin;
    if (!ReadFileBytes(options.setupPath, &image, &error) ||
        !ExamineLauncherImage(image, options.setupPath, &info, &error) ||
        !ChooseVerifyingKey(image, options.setupPath, options.keyPath, &keyBlob, &keyOrigin, &error)) {
        PrintError("inspect: " + error);
        return kExitFailure;
    }
    printf("%s: PE32 image, %zu bytes, ", options.setupPath.c_str(), image.size());
    if (info.hasCertificateTable) {
        printf("signed (certificate table at offset %u, %u bytes)\n", info.certificateTableOffset,
               info.certificateTableSize);
    } else {
        printf("unsigned\n");
    }
    printf("key: %s\n", keyOrigin.c_str());

    SetupPayload payload;
    if (!payload.Load(options.setupPath, image, keyBlob, &error)) {
        PrintError("inspect: " + error);
        return kExitFailure;
    }
    LauncherState* state = payload.state();
    bool ok = true;
    for (DWORD i = 0; i < state->sourceCount; ++i) {
        const PayloadSource& source = state->sources[i];
        printf("source %u: %s, %u bytes, manifest of %u bytes\n", static_cast<unsigned>(i),
               SourceLocation(image, source).c_str(), static_cast<unsigned>(source.rawSize),
               static_cast<unsigned>(source.manifestSize));
        ok = PrintRecords(source) && ok;
    }
    bool complete = false;
    std::vector<ManifestLineInfo> lines = ListManifestLines(state, &complete);
    printf("manifest lines:\n");
    for (const ManifestLineInfo& line : lines) {
        printf("  %u:%-6u %-5s %s\n", line.sourceIndex, line.id, LineKind(line.text).c_str(), line.text.c_str());
    }
    if (!complete) {
        printf("  (a malformed entry ends the manifest walk here)\n");
        ok = false;
    }
    if (!options.architecture.empty()) ok = PrintChoice(state, options.architecture, lcid) && ok;
    return ok ? kExitSuccess : kExitFailure;
}
