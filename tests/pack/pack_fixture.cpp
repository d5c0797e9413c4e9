// Fixtures of the package builder's tests.
#include "tests/pack/pack_fixture.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>

#include "pack/payload_key_files.h"
#include "writer/certificate_writer.h"
#include "writer/pe_image.h"
#include "writer/signing_key.h"

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder()
{
    std::string pattern = (fs::temp_directory_path() / "msilaunch-pack-test-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) ADD_FAILURE() << "cannot make a scratch folder";
    path_ = name.data();
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::Files() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(path_)) {
        if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), path_).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int RunShell(const std::string& command)
{
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Bytes ReadAll(const std::string& path)
{
    Bytes bytes;
    std::string error;
    if (!ReadFileBytes(path, &bytes, &error)) ADD_FAILURE() << error;
    return bytes;
}

ToolRun RunPack(const std::vector<std::string>& arguments)
{
    ScratchFolder streams;
    std::string command = Quote(MSILAUNCH_PACK_TOOL);
    for (const std::string& argument : arguments) command += " " + Quote(argument);
    command += " >" + Quote(streams.Path("out")) + " 2>" + Quote(streams.Path("err"));
    ToolRun run;
    run.exitCode = RunShell(command);
    Bytes out = ReadAll(streams.Path("out")), err = ReadAll(streams.Path("err"));
    run.out.assign(out.begin(), out.end());
    run.err.assign(err.begin(), err.end());
    return run;
}

std::string MakePayloadKey(const ScratchFolder& folder, const std::string& name)
{
    std::string path = folder.Path(name + ".pem");
    ToolRun run = RunPack({"keygen", "--out", path});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return path;
}

Bytes KeyBlobOf(const std::string& pemPath)
{
    Bytes blob;
    std::string error;
    EXPECT_TRUE(LoadPublicKeyBlob(pemPath, &blob, &error)) << error;
    return blob;
}

std::string MakeLauncher(const ScratchFolder& folder, const std::string& name, const std::string& keyPath)
{
    Bytes image = MakeSkeletonPe32(4096);
    Bytes blob = KeyBlobOf(keyPath);
    std::copy(blob.begin(), blob.end(), image.begin() + 1024);
    std::string path = folder.Path(name);
    std::string error;
    EXPECT_TRUE(WriteFileBytes(path, image, &error)) << error;
    return path;
}

std::string SignImage(const ScratchFolder& folder, const std::string& image, const std::string& signedName)
{
    std::string tool = MSILAUNCH_OSSLSIGNCODE;
    if (tool.empty()) return std::string();
    const std::string certificate = folder.Path("signer.crt"), key = folder.Path("signer.key");
    if (!fs::exists(certificate)) {
        SigningKey signer;
        Bytes der;
        std::string pem, keyPem, error;
        EXPECT_TRUE(GenerateSigningKey(2048, &signer, &error) &&
                    MakeCertificate("msilaunch test signer", {}, signer, &der, &error) &&
                    CertificatePem(der, &pem, &error) && SigningKeyPem(signer, &keyPem, &error) &&
                    WriteFileBytes(certificate, BytesOf(pem), &error) && WriteFileBytes(key, BytesOf(keyPem), &error))
            << error;
    }
    std::string out = folder.Path(signedName);
    EXPECT_EQ(RunShell(Quote(tool) + " sign -certs " + Quote(certificate) + " -key " + Quote(key) + " -in " +
                       Quote(image) + " -out " + Quote(out) + " >/dev/null"),
              0);
    return out;
}

bool OsslsigncodeVerifies(const ScratchFolder& folder, const std::string& image)
{
    return RunShell(Quote(MSILAUNCH_OSSLSIGNCODE) + " verify -CAfile " + Quote(folder.Path("signer.crt")) + " -in " +
                    Quote(image) + " >/dev/null 2>&1") == 0;
}

std::string MakeProductMsi(const ScratchFolder& folder, const std::string& subfolder, const ProductSpec& spec)
{
    std::string out = folder.Path(subfolder);
    std::string command = Quote(std::string(MSILAUNCH_SOURCE_DIR) + "/scripts/make-product-msi") + " --arch " +
                          spec.arch + " --lang " + spec.languages + " --code " + Quote(spec.code) + " --name " +
                          Quote(spec.name) + " --cab " + Quote(spec.cab) + " --data-bytes " +
                          std::to_string(spec.dataBytes) + " --out " + Quote(out);
    EXPECT_EQ(RunShell(command), 0) << command;
    return out + "/product.msi";
}
