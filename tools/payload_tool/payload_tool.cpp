// payload-tool: the payload writer on the command line, for test fixtures and
// scripts (host only).
//   payload-tool chain --key KEY.pem --out CHAIN [--line ID TEXT]... [--file ID PATH]...
//                [--corrupt-manifest]
//       a signed, compressed chain: the manifest of the lines (UTF-8 text), then
//       one file record per --file; --corrupt-manifest flips one bit of the
//       manifest record's signature.
//   payload-tool append IMAGE CHAIN OUT          chain at the end of an unsigned image
//   payload-tool append-table IMAGE CHAIN OUT    chain inside a signed image's certificate table
//   payload-tool certificate --key KEY.pem --cn NAME --out CERT.pem
//                [--payload CHAIN] [--critical-payload CHAIN]
//       a self-signed certificate with a payload extension per option, in order.
// Exit code 0 on success, 1 on failure (with a message), 2 on bad usage.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "writer/certificate_writer.h"
#include "writer/chain_writer.h"
#include "writer/image_placement.h"
#include "writer/manifest_writer.h"

namespace {

int Usage()
{
    fprintf(stderr, "usage: payload-tool chain|append|append-table|certificate ... (see the source's header)\n");
    return 2;
}

int Fail(const std::string& message)
{
    fprintf(stderr, "payload-tool: %s\n", message.c_str());
    return 1;
}

int Chain(int argc, char** argv)
{
    std::string keyPath, outPath, error;
    std::vector<ManifestLine> lines;
    std::vector<ChainFile> files;
    bool corrupt = false;
    for (int i = 0; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--key" && i + 1 < argc) {
            keyPath = argv[++i];
        } else if (option == "--out" && i + 1 < argc) {
            outPath = argv[++i];
        } else if (option == "--line" && i + 2 < argc) {
            uint32_t id = static_cast<uint32_t>(strtoul(argv[i + 1], nullptr, 10));
            lines.push_back(ManifestLine{id, argv[i + 2]});
            i += 2;
        } else if (option == "--file" && i + 2 < argc) {
            ChainFile file{static_cast<uint32_t>(strtoul(argv[i + 1], nullptr, 10)), {}};
            if (!ReadFileBytes(argv[i + 2], &file.item, &error)) return Fail(error);
            files.push_back(file);
            i += 2;
        } else if (option == "--corrupt-manifest") {
            corrupt = true;
        } else {
            return Usage();
        }
    }
    if (keyPath.empty() || outPath.empty()) return Usage();
    SigningKey key;
    if (!LoadSigningKey(keyPath, &key, &error)) return Fail(error);
    Bytes chain;
    Bytes manifest = WriteManifestTable(lines);
    if (!WritePayloadChain(manifest, files, key, &chain, &error)) return Fail(error);
    if (corrupt) {
        // The manifest record heads the chain: its signature ends 28 bytes
        // after its data; flip the signature's last bit.
        Bytes head;
        if (!WritePayloadChain(manifest, {}, key, &head, &error)) return Fail(error);
        chain[head.size() - 29] ^= 0x01;
    }
    return WriteFileBytes(outPath, chain, &error) ? 0 : Fail(error);
}

int Place(int argc, char** argv, bool intoTable)
{
    if (argc != 3) return Usage();
    Bytes image, chain, out;
    std::string error;
    if (!ReadFileBytes(argv[0], &image, &error) || !ReadFileBytes(argv[1], &chain, &error)) return Fail(error);
    bool ok = intoTable ? AppendChainToCertificateTable(image, chain, &out, &error)
                        : AppendChainToImage(image, chain, &out, &error);
    if (!ok) return Fail(error);
    return WriteFileBytes(argv[2], out, &error) ? 0 : Fail(error);
}

int Certificate(int argc, char** argv)
{
    std::string keyPath, outPath, name = "msilaunch", error;
    std::vector<CertificateExtension> extensions;
    for (int i = 0; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--key" && i + 1 < argc) {
            keyPath = argv[++i];
        } else if (option == "--out" && i + 1 < argc) {
            outPath = argv[++i];
        } else if (option == "--cn" && i + 1 < argc) {
            name = argv[++i];
        } else if ((option == "--payload" || option == "--critical-payload") && i + 1 < argc) {
            Bytes chain;
            if (!ReadFileBytes(argv[++i], &chain, &error)) return Fail(error);
            extensions.push_back(PayloadExtension(chain, option == "--critical-payload"));
        } else {
            return Usage();
        }
    }
    if (keyPath.empty() || outPath.empty()) return Usage();
    SigningKey key;
    Bytes der;
    std::string pem;
    if (!LoadSigningKey(keyPath, &key, &error) || !MakeCertificate(name, extensions, key, &der, &error) ||
        !CertificatePem(der, &pem, &error)) {
        return Fail(error);
    }
    return WriteFileBytes(outPath, BytesOf(pem), &error) ? 0 : Fail(error);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return Usage();
    std::string command = argv[1];
    if (command == "chain") return Chain(argc - 2, argv + 2);
    if (command == "append") return Place(argc - 2, argv + 2, false);
    if (command == "append-table") return Place(argc - 2, argv + 2, true);
    if (command == "certificate") return Certificate(argc - 2, argv + 2);
    return Usage();
}
