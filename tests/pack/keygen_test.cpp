// keygen: a private key for the owner only, its public half, no silent
// replacement of an existing key.
#include <sys/stat.h>

#include "pack/payload_key_files.h"
#include "tests/pack/pack_fixture.h"

TEST(Keygen, WritesAnOwnerOnlyRsa2048KeyAndItsPublicHalf)
{
    ScratchFolder folder;
    std::string key = MakePayloadKey(folder, "release");
    struct stat info;
    ASSERT_EQ(stat(key.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"release.pem", "release.pub.pem"}));

    SigningKey loaded;
    std::string error;
    ASSERT_TRUE(LoadPayloadSigningKey(key, &loaded, &error)) << error;
    Bytes fromPrivate = KeyBlobOf(key), fromPublic = KeyBlobOf(folder.Path("release.pub.pem"));
    EXPECT_EQ(fromPrivate.size(), 276u);
    EXPECT_EQ(fromPrivate, fromPublic);
    // The public file holds no private key.
    EXPECT_FALSE(LoadSigningKey(folder.Path("release.pub.pem"), &loaded, &error));
}

TEST(Keygen, NeverReplacesAKeyWithoutForce)
{
    ScratchFolder folder;
    std::string key = MakePayloadKey(folder, "k");
    Bytes before = ReadAll(key);
    ToolRun again = RunPack({"keygen", "--out", key});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find(key + " exists"), std::string::npos) << again.err;
    EXPECT_EQ(ReadAll(key), before);

    // Only the public file in the way: still nothing written.
    ToolRun other = RunPack({"keygen", "--out", folder.Path("new.pem"), "--public", folder.Path("k.pub.pem")});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"k.pem", "k.pub.pem"}));

    ToolRun forced = RunPack({"keygen", "--out", key, "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(ReadAll(key), before);
}

TEST(PayloadKey, RefusesKeysTheLauncherCannotHold)
{
    ScratchFolder folder;
    const struct {
        const char* what;
        const char* genpkey;
        const char* message;
    } cases[] = {
        {"RSA-1024", "-algorithm RSA -pkeyopt rsa_keygen_bits:1024", "RSA-1024"},
        {"exponent 3", "-algorithm RSA -pkeyopt rsa_keygen_bits:2048 -pkeyopt rsa_keygen_pubexp:3", "exponent"},
        {"EC", "-algorithm EC -pkeyopt ec_paramgen_curve:P-256", "no RSA"},
    };
    for (const auto& c : cases) {
        std::string path = folder.Path("key.pem");
        ASSERT_EQ(RunShell("openssl genpkey " + std::string(c.genpkey) + " -out " + Quote(path) + " 2>/dev/null"), 0);
        SigningKey key;
        std::string error;
        EXPECT_FALSE(LoadPayloadSigningKey(path, &key, &error)) << c.what;
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}
