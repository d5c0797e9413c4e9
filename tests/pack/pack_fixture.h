// Fixtures of the package builder's tests, all made at test time: a scratch
// folder, runs of the msilaunch-pack program, payload keys from its keygen,
// example MSIs from scripts/make-product-msi, launcher images (a PE32
// skeleton from the payload writer with a key blob inside, as the launcher
// carries it) and their Authenticode-signed copies from osslsigncode.
#ifndef MSILAUNCH_TESTS_PACK_PACK_FIXTURE_H
#define MSILAUNCH_TESTS_PACK_PACK_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "writer/bytes.h"

// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::string Path(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    // Names of every file below the folder, sorted, relative to it.
    std::vector<std::string> Files() const;

private:
    std::string path_;
};

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

// Runs msilaunch-pack with the arguments.
ToolRun RunPack(const std::vector<std::string>& arguments);
// Runs a shell command line; its exit code (output goes to the test log).
int RunShell(const std::string& command);
std::string Quote(const std::string& text);

// A payload key made by `msilaunch-pack keygen` in the folder: KEY.pem and
// KEY.pub.pem; returns the private key's path.
std::string MakePayloadKey(const ScratchFolder& folder, const std::string& name);

// The PUBLICKEYBLOB of a PEM key file (through the builder's own loader).
Bytes KeyBlobOf(const std::string& pemPath);

// An unsigned launcher stand-in: a PE32 image with the key blob compiled in.
std::string MakeLauncher(const ScratchFolder& folder, const std::string& name, const std::string& keyPath);

// The image signed by osslsigncode with a certificate made for the test; the
// CA file that verifies it is folder/signer.crt.  Empty when osslsigncode is
// not installed.
std::string SignImage(const ScratchFolder& folder, const std::string& image, const std::string& signedName);
bool OsslsigncodeVerifies(const ScratchFolder& folder, const std::string& image);

struct ProductSpec {
    std::string arch;       // x86 or x64
    std::string languages;  // e.g. "1033,1031"
    std::string code;
    std::string name;
    std::string cab = "data1.cab";
    size_t dataBytes = 65536;
};

// folder/SUBFOLDER/product.msi with its external CAB next to it; returns the
// MSI's path.
std::string MakeProductMsi(const ScratchFolder& folder, const std::string& subfolder, const ProductSpec& spec);

Bytes ReadAll(const std::string& path);

#endif
