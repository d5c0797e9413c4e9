// keygen: a new payload key.  The private key (PEM, PKCS#8) is created with
// owner-only permissions; its public half goes to a second PEM file, the one
// the launcher's build compiles in.  An existing key is never replaced
// without --force: a lost release key cannot be made again.
#include <stdio.h>

#include "pack/arguments.h"
#include "pack/commands.h"
#include "pack/payload_key_files.h"
#include "pack/pending_file.h"

namespace {

const char kHelp[] =
    "usage: msilaunch-pack keygen --out KEY.pem [--public PUBLIC.pem] [--force]\n"
    "\n"
    "Makes a new RSA-2048 payload key (exponent 65537).\n"
    "\n"
    "  --out KEY.pem        the private key, PEM, readable by its owner only (0600);\n"
    "                       build signs the payload with it. Keep it secret.\n"
    "  --public PUBLIC.pem  the public key, PEM (default: KEY.pub.pem beside it);\n"
    "                       configure the launcher's build with it:\n"
    "                       cmake --preset windows -DMSILAUNCH_PAYLOAD_PUBLIC_KEY=PUBLIC.pem\n"
    "  --force              replace existing files\n";

std::string DefaultPublicPath(const std::string& privatePath)
{
    const std::string suffix = ".pem";
    if (privatePath.size() > suffix.size() &&
        privatePath.compare(privatePath.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return privatePath.substr(0, privatePath.size() - suffix.size()) + ".pub.pem";
    }
    return privatePath + ".pub.pem";
}

}  // namespace

int RunKeygenCommand(const std::vector<std::string>& arguments)
{
    ArgumentCursor cursor("keygen", arguments);
    std::string privatePath, publicPath, error;
    bool force = false;
    while (!cursor.Done()) {
        const std::string argument = cursor.Take();
        if (IsHelpOption(argument)) {
            fputs(kHelp, stdout);
            return kExitSuccess;
        }
        bool ok = true;
        if (argument == "--out") {
            ok = cursor.TakeValue(argument, &privatePath, &error);
        } else if (argument == "--public") {
            ok = cursor.TakeValue(argument, &publicPath, &error);
        } else if (argument == "--force") {
            force = true;
        } else {
            ok = false;
            error = "keygen: unknown argument " + argument;
        }
        if (!ok) {
            PrintError(error);
            return kExitUsage;
        }
    }
    if (privatePath.empty()) {
        PrintError("keygen: --out KEY.pem is required");
        return kExitUsage;
    }
    if (publicPath.empty()) publicPath = DefaultPublicPath(privatePath);
    if (publicPath == privatePath) {
        PrintError("keygen: the public key cannot go to the private key's file " + privatePath);
        return kExitUsage;
    }
    for (const std::string& path : {privatePath, publicPath}) {
        if (!force && FileOrFolderExists(path)) {
            PrintError("keygen: " + path + " exists; a key is not replaced without --force");
            return kExitFailure;
        }
    }

    SigningKey key;
    std::string privatePem, publicPem;
    if (!GenerateSigningKey(2048, &key, &error) || !SigningKeyPem(key, &privatePem, &error) ||
        !PublicKeyPem(key, &publicPem, &error)) {
        PrintError("keygen: " + error);
        return kExitFailure;
    }
    // Both files are complete before either is moved into place.
    PendingFile privateFile, publicFile;
    if (!privateFile.Open(privatePath, 0600, &error) ||
        !privateFile.Write(privatePem.data(), privatePem.size(), &error) ||
        !publicFile.Open(publicPath, 0644, &error) || !publicFile.Write(publicPem.data(), publicPem.size(), &error) ||
        !privateFile.Commit(&error)) {
        PrintError("keygen: " + error);
        return kExitFailure;
    }
    if (!publicFile.Commit(&error)) {
        remove(privatePath.c_str());
        PrintError("keygen: " + error);
        return kExitFailure;
    }
    printf("payload key: %s (private, keep it secret)\npublic key:  %s (for MSILAUNCH_PAYLOAD_PUBLIC_KEY)\n",
           privatePath.c_str(), publicPath.c_str());
    return kExitSuccess;
}
