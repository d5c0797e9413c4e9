// build: a setup program from the launcher image, the payload key and MSIs.
// The order: check the key and the launcher, resolve every MSI's fields,
// plan ids and lines, seal the chain, place it, read the result back with
// the launcher's own reader, and only then move the file into place.
#include <stdio.h>

#include <algorithm>
#include <utility>

#include "pack/arguments.h"
#include "pack/chain_builder.h"
#include "pack/commands.h"
#include "pack/launcher_image.h"
#include "pack/package_inputs.h"
#include "pack/package_plan.h"
#include "pack/payload_key_files.h"
#include "pack/payload_placement.h"
#include "pack/pending_file.h"
#include "pack/setup_payload.h"
#include "payload/payload_record.h"

namespace {

const char kHelp[] =
    "usage: msilaunch-pack build --launcher msilaunch.exe --key KEY.pem --out setup.exe\n"
    "                            [--placement end|certificate-table|certificate-extension] [--quiet]\n"
    "                            MSI [MSI OPTIONS] [MSI [MSI OPTIONS]...]\n"
    "\n"
    "Places every MSI and the CABs it uses in the launcher, each compressed with zlib\n"
    "and signed with the payload key, behind a manifest that the launcher's selection\n"
    "reads. The same inputs give the same bytes.\n"
    "\n"
    "  --launcher FILE    the launcher image (PE32), built with KEY's public half\n"
    "  --key KEY.pem      the payload key (RSA-2048, from keygen)\n"
    "  --out FILE         the setup program; written only when everything succeeded\n"
    "  --placement WHERE  end: at the end of an unsigned launcher (default for one);\n"
    "                     certificate-table: inside the certificate table of a signed\n"
    "                       launcher, behind its signature (default for one);\n"
    "                     certificate-extension: as an extension of an extra\n"
    "                       certificate (signed with KEY) in a signed launcher's\n"
    "                       signature\n"
    "                     The Authenticode signature stays valid in both signed cases.\n"
    "  --quiet            no progress on stderr\n"
    "\n"
    "Each MSI's line is read from the database: architecture and languages from the\n"
    "Summary Information Template (\"x64;1033,1031\"), ProductCode and ProductName from\n"
    "the Property table, and its external cabinets from the Media table, looked for\n"
    "next to the MSI (\"#name\" cabinets stay inside it). These options, after an MSI,\n"
    "give its fields by hand instead:\n"
    "  --arch x64|Intel        the architecture\n"
    "  --languages LIST        LCIDs, separated by ';' or ',', e.g. 1033;1031\n"
    "  --product-code TEXT     the product code (the extraction folder's name)\n"
    "  --product-name TEXT     the product name (the progress window's title)\n"
    "  --cab FILE              a CAB of this MSI, written under its file name\n"
    "  --cab-as NAME FILE      a CAB of this MSI, written under NAME\n"
    "  --no-cabs               this MSI uses no external CAB\n"
    "With --cab, --cab-as or --no-cabs the Media table is not read; with every field\n"
    "given the MSI is not opened at all.\n"
    "\n"
    "MSIs get entry ids 1000, 1001, ... in the order given, CABs the ids after them;\n"
    "a CAB that several MSIs use (same name, same bytes) is stored once. Two MSIs of\n"
    "one architecture may not share a language.\n";

struct BuildOptions {
    std::string launcherPath;
    std::string keyPath;
    std::string outPath;
    Placement placement = kPlacementDefault;
    bool quiet = false;
    std::vector<MsiInput> msis;
};

// 0 when parsed, else the exit code (help printed, or a usage error).
int ParseBuildOptions(const std::vector<std::string>& arguments, BuildOptions* options, bool* helped)
{
    ArgumentCursor cursor("build", arguments);
    std::string error, value;
    *helped = false;
    while (!cursor.Done()) {
        const std::string argument = cursor.Take();
        bool ok = true;
        MsiInput* msi = options->msis.empty() ? nullptr : &options->msis.back();
        const bool perMsi = argument == "--arch" || argument == "--languages" || argument == "--product-code" ||
                            argument == "--product-name" || argument == "--cab" || argument == "--cab-as" ||
                            argument == "--no-cabs";
        if (IsHelpOption(argument)) {
            fputs(kHelp, stdout);
            *helped = true;
            return kExitSuccess;
        } else if (perMsi && msi == nullptr) {
            error = "build: " + argument + " gives a field of the MSI before it; name an MSI first";
            ok = false;
        } else if (argument == "--launcher") {
            ok = cursor.TakeValue(argument, &options->launcherPath, &error);
        } else if (argument == "--key") {
            ok = cursor.TakeValue(argument, &options->keyPath, &error);
        } else if (argument == "--out") {
            ok = cursor.TakeValue(argument, &options->outPath, &error);
        } else if (argument == "--placement") {
            ok = cursor.TakeValue(argument, &value, &error);
            if (ok && !ParsePlacement(value, &options->placement)) {
                error = "build: --placement is end, certificate-table or certificate-extension, not " + value;
                ok = false;
            }
        } else if (argument == "--quiet") {
            options->quiet = true;
        } else if (argument == "--arch") {
            ok = cursor.TakeValue(argument, &value, &error);
            msi->architecture = value;
        } else if (argument == "--languages") {
            ok = cursor.TakeValue(argument, &value, &error);
            msi->languages = value;
        } else if (argument == "--product-code") {
            ok = cursor.TakeValue(argument, &value, &error);
            msi->productCode = value;
        } else if (argument == "--product-name") {
            ok = cursor.TakeValue(argument, &value, &error);
            msi->productName = value;
        } else if (argument == "--cab") {
            ok = cursor.TakeValue(argument, &value, &error);
            msi->cabsGiven = true;
            msi->cabs.push_back({FileNameOf(value), value});
        } else if (argument == "--cab-as") {
            std::string name;
            ok = cursor.TakeValue(argument, &name, &error) && cursor.TakeValue(argument, &value, &error);
            msi->cabsGiven = true;
            msi->cabs.push_back({name, value});
        } else if (argument == "--no-cabs") {
            msi->cabsGiven = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            error = "build: unknown option " + argument;
            ok = false;
        } else {
            MsiInput input;
            input.path = argument;
            options->msis.push_back(input);
        }
        if (!ok) {
            PrintError(error);
            return kExitUsage;
        }
    }
    const std::pair<const char*, const std::string*> required[] = {
        {"--launcher", &options->launcherPath}, {"--key", &options->keyPath}, {"--out", &options->outPath}};
    for (const auto& option : required) {
        if (option.second->empty()) {
            PrintError(std::string("build: ") + option.first + " is required (see msilaunch-pack build --help)");
            return kExitUsage;
        }
    }
    if (options->msis.empty()) {
        PrintError("build: name at least one MSI");
        return kExitUsage;
    }
    return kExitSuccess;
}

// The launcher's compiled-in key must be the signing key's public half, or
// the launcher would refuse every record.
bool CheckLauncherKey(const Bytes& launcher, const std::string& launcherPath, const SigningKey& key,
                      const std::string& keyPath, std::string* error)
{
    Bytes signing, compiled;
    if (!PublicKeyBlob(key, &signing, error)) return false;
    switch (FindCompiledPublicKey(launcher, &compiled)) {
    case kKeyNotFound:
        *error = launcherPath + " holds no payload key (is it the msilaunch launcher?)";
        return false;
    case kKeyAmbiguous:
        *error = launcherPath + " holds more than one payload key";
        return false;
    case kKeyFound: break;
    }
    if (compiled != signing) {
        *error = launcherPath + " was built with another payload key than " + keyPath +
                 ": the launcher would refuse every record (configure its build with the public half of " + keyPath +
                 ")";
        return false;
    }
    return true;
}

// Reads the setup program back as the launcher will: one source whose
// manifest is the one written, verified with the signing key.
bool CheckWrittenPayload(const Bytes& setup, const PackagePlan& plan, const Bytes& keyBlob, const std::string& path,
                         std::string* error)
{
    SetupPayload payload;
    if (!payload.Load(path, setup, keyBlob, error)) return false;
    const LauncherState* state = payload.state();
    const Bytes expected = WriteManifestTable(plan.lines);
    if (state->sourceCount != 1 || state->sources[0].manifestSize != expected.size() ||
        !std::equal(expected.begin(), expected.end(), state->sources[0].manifest)) {
        *error = path + ": the launcher would read another payload than the one written (does the launcher carry "
                        "one already?)";
        return false;
    }
    return true;
}

// The output replaces its target only at the very end, so it must not be one
// of the inputs: a failed build would keep it, a successful one destroy it.
bool CheckOutputIsNoInput(const BuildOptions& options, std::string* error)
{
    std::vector<std::string> inputs = {options.launcherPath, options.keyPath};
    for (const MsiInput& msi : options.msis) {
        inputs.push_back(msi.path);
        for (const CabSource& cab : msi.cabs) inputs.push_back(cab.path);
    }
    for (const std::string& input : inputs) {
        if (SameFile(options.outPath, input)) {
            *error = "the output " + options.outPath + " is one of the inputs (" + input + ")";
            return false;
        }
    }
    return true;
}

int Build(const BuildOptions& options)
{
    std::string error;
    if (!CheckOutputIsNoInput(options, &error)) {
        PrintError("build: " + error);
        return kExitFailure;
    }
    SigningKey key;
    if (!LoadPayloadSigningKey(options.keyPath, &key, &error)) {
        PrintError("build: " + error);
        return kExitFailure;
    }
    Bytes launcher;
    LauncherImage image;
    Placement placement;
    if (!ReadFileBytes(options.launcherPath, &launcher, &error) ||
        !ExamineLauncherImage(launcher, options.launcherPath, &image, &error) ||
        !ResolvePlacement(options.placement, image, options.launcherPath, &placement, &error) ||
        !CheckLauncherKey(launcher, options.launcherPath, key, options.keyPath, &error)) {
        PrintError("build: " + error);
        return kExitFailure;
    }
    if (EndsInPayloadRecord(launcher)) {
        PrintError("build: " + options.launcherPath + " carries a payload already; start from the bare launcher");
        return kExitFailure;
    }

    std::vector<PackageMsi> msis;
    for (const MsiInput& input : options.msis) {
        PackageMsi msi;
        if (!ResolvePackageMsi(input, &msi, &error)) {
            PrintError("build: " + error);
            return kExitFailure;
        }
        msis.push_back(msi);
    }
    PackagePlan plan;
    if (!PlanPackage(msis, &plan, &error)) {
        PrintError("build: " + error);
        return kExitFailure;
    }

    Bytes chain, setup, keyBlob;
    if (!BuildPlannedChain(plan, key, options.quiet ? nullptr : stderr, &chain, &error)) {
        PrintError("build: " + error);
        return kExitFailure;
    }
    if (!PlaceChain(placement, launcher, chain, key, &setup, &error)) {
        PrintError("build: " + options.launcherPath + ": " + error);
        return kExitFailure;
    }
    Bytes().swap(chain);
    Bytes().swap(launcher);
    if (setup.size() > kMaxItemBytes) {
        PrintError("build: the setup program would be " + std::to_string(setup.size()) +
                   " bytes; the launcher reads itself with 32-bit sizes");
        return kExitFailure;
    }
    if (!PublicKeyBlob(key, &keyBlob, &error) ||
        !CheckWrittenPayload(setup, plan, keyBlob, options.outPath, &error) ||
        !WriteWholeFile(options.outPath, setup.data(), setup.size(), 0755, &error)) {
        PrintError("build: " + error);
        return kExitFailure;
    }

    size_t msiCount = msis.size(), cabCount = plan.items.size() - msis.size();
    printf("%s: %zu MSI%s and %zu CAB%s, payload %s, %zu bytes\n", options.outPath.c_str(), msiCount,
           msiCount == 1 ? "" : "s", cabCount, cabCount == 1 ? "" : "s", PlacementDescription(placement),
           setup.size());
    for (const ManifestLine& line : plan.lines) printf("  %u  %s\n", line.id, line.text.c_str());
    return kExitSuccess;
}

}  // namespace

int RunBuildCommand(const std::vector<std::string>& arguments)
{
    BuildOptions options;
    bool helped = false;
    int parsed = ParseBuildOptions(arguments, &options, &helped);
    if (parsed != kExitSuccess || helped) return parsed;
    return Build(options);
}
