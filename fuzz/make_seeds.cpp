// make-fuzz-seeds DIR: small seed corpora for the fuzz targets, made with the
// payload writer and this build tree's payload key (DIR/read_record,
// DIR/manifest, DIR/certificate; DIR/manifest_line and DIR/command_line come
// from text_seeds.cpp).
#include <stdio.h>
#include <sys/stat.h>

#include <string>

#include "fuzz/text_seeds.h"
#include "writer/certificate_writer.h"
#include "writer/chain_writer.h"
#include "writer/image_placement.h"
#include "writer/manifest_writer.h"
#include "writer/pe_image.h"
#include "writer/record_writer.h"

namespace {

bool g_ok = true;

void Put(const std::string& dir, const std::string& name, const Bytes& data)
{
    std::string error;
    if (!WriteFileBytes(dir + "/" + name, data, &error)) {
        fprintf(stderr, "make-fuzz-seeds: %s\n", error.c_str());
        g_ok = false;
    }
}

Bytes Prefixed(uint8_t flags, bool file, uint32_t id, const Bytes& chain)
{
    Bytes out = {flags, static_cast<uint8_t>(file ? 1 : 0)};
    AppendU32Le(&out, id);
    AppendBytes(&out, chain);
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make-fuzz-seeds DIR\n");
        return 2;
    }
    std::string root = argv[1];
    for (const char* sub : {"", "/read_record", "/manifest", "/certificate"}) mkdir((root + sub).c_str(), 0755);
    SigningKey key;
    std::string error;
    if (!LoadSigningKey(MSILAUNCH_FUZZ_SIGNING_KEY, &key, &error)) {
        fprintf(stderr, "make-fuzz-seeds: %s\n", error.c_str());
        return 1;
    }
    const Bytes manifest = WriteManifestTable({{1000, "Intel\\1033\\{6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}\\Seed"},
                                               {1001, "cab\\1000\\data1.cab"}});
    Bytes chain;
    if (!WritePayloadChain(manifest, {{1000, BytesOf("msi seed")}, {1001, Bytes(300, 0x41)}}, key, &chain, &error)) {
        fprintf(stderr, "make-fuzz-seeds: %s\n", error.c_str());
        return 1;
    }
    Put(root + "/read_record", "manifest", Prefixed(3, false, 0, chain));
    Put(root + "/read_record", "file", Prefixed(3, true, 1001, chain));
    Put(root + "/read_record", "uncompressed", Prefixed(2, true, 7, [&] {
            RecordParts parts;
            Bytes one;
            SealPayloadItem(BytesOf("raw item"), 2, &key, &parts, &error);
            AppendPayloadRecord(&one, FileRecord, 7, parts.data, parts.signature);
            return one;
        }()));

    Put(root + "/manifest", "one", Bytes{0});
    Bytes two = {1};
    AppendBytes(&two, manifest);
    AppendBytes(&two, manifest);
    Put(root + "/manifest", "two", two);
    Bytes table = {0};
    AppendBytes(&table, manifest);
    Put(root + "/manifest", "table", table);

    Bytes certificate, signedData, image;
    if (!MakeCertificate("seed", {PayloadExtension(chain)}, key, &certificate, &error) ||
        !MakeSignedData({certificate}, key, BytesOf("digest"), &signedData, &error) ||
        !AttachCertificateTable(MakeSkeletonPe32(1024), signedData, &image, &error)) {
        fprintf(stderr, "make-fuzz-seeds: %s\n", error.c_str());
        return 1;
    }
    Put(root + "/certificate", "extension", image);
    Bytes withTable;
    if (AppendChainToCertificateTable(image, chain, &withTable, &error)) Put(root + "/certificate", "table", withTable);
    Put(root + "/certificate", "skeleton", MakeSkeletonPe32(512));
    if (!WriteTextSeeds(root)) g_ok = false;
    return g_ok ? 0 : 1;
}
