// Launcher image checks: PE32 for i386 only, and the compiled-in key search.
#include "pack/launcher_image.h"
#include "tests/pack/pack_fixture.h"
#include "writer/pe_image.h"

TEST(LauncherImage, AcceptsPe32AndNamesWhatElseItIs)
{
    LauncherImage info;
    std::string error;
    ASSERT_TRUE(ExamineLauncherImage(MakeSkeletonPe32(1024), "l.exe", &info, &error)) << error;
    EXPECT_FALSE(info.hasCertificateTable);

    struct Case {
        const char* what;
        size_t at;
        uint16_t value;
        const char* message;
    };
    const Case cases[] = {
        {"no MZ", 0, 0x5A4E, "MZ header"},
        {"no PE signature", 64, 0x4550 + 1, "no PE header"},
        {"PE32+", 64 + 24, 0x20B, "not PE32"},
        {"x64 machine", 64 + 4, 0x8664, "not built for i386"},
        {"e_lfanew past the end", 60, 0xFF00, "no PE header"},
        {"certificate table past the end", 64 + 156, 0x7000, "certificate table does not lie inside"},
    };
    for (const Case& c : cases) {
        Bytes image = MakeSkeletonPe32(1024);
        StoreU16Le(&image, c.at, c.value);
        if (c.at == 64 + 156) StoreU32Le(&image, 64 + 152, 512);
        EXPECT_FALSE(ExamineLauncherImage(image, "l.exe", &info, &error)) << c.what;
        EXPECT_NE(error.find("l.exe"), std::string::npos) << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
    Bytes tiny = {'M', 'Z'};
    EXPECT_FALSE(ExamineLauncherImage(tiny, "l.exe", &info, &error));
}

TEST(LauncherImage, FindsTheCompiledInKeyByItsBlobHeader)
{
    ScratchFolder folder;
    Bytes blobA = KeyBlobOf(MakePayloadKey(folder, "a")), blobB = KeyBlobOf(MakePayloadKey(folder, "b"));
    Bytes image = MakeSkeletonPe32(4096), found;
    EXPECT_EQ(FindCompiledPublicKey(image, &found), kKeyNotFound);

    std::copy(blobA.begin(), blobA.end(), image.begin() + 1000);
    ASSERT_EQ(FindCompiledPublicKey(image, &found), kKeyFound);
    EXPECT_EQ(found, blobA);
    std::copy(blobA.begin(), blobA.end(), image.begin() + 2000);  // the same key twice is still one key
    EXPECT_EQ(FindCompiledPublicKey(image, &found), kKeyFound);
    std::copy(blobB.begin(), blobB.end(), image.begin() + 3000);
    EXPECT_EQ(FindCompiledPublicKey(image, &found), kKeyAmbiguous);

    Bytes cut = MakeSkeletonPe32(1024);  // a header with fewer than 256 bytes behind it is no key
    std::copy(blobA.begin(), blobA.begin() + 100, cut.end() - 100);
    EXPECT_EQ(FindCompiledPublicKey(cut, &found), kKeyNotFound);
}
