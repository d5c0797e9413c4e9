// The package plan: ids, line texts, CAB sharing, and the inputs it refuses.
#include <fcntl.h>
#include <unistd.h>

#include "pack/manifest_fields.h"
#include "pack/package_plan.h"
#include "tests/pack/pack_fixture.h"

namespace {

std::string WriteText(const ScratchFolder& folder, const std::string& name, const std::string& text)
{
    std::string path = folder.Path(name);
    std::string error;
    EXPECT_TRUE(WriteFileBytes(path, BytesOf(text), &error)) << error;
    return path;
}

PackageMsi Msi(const std::string& path, const std::string& arch, std::vector<uint32_t> languages,
               std::vector<CabSource> cabs)
{
    return {path, arch, languages, "{CODE}", "Product", cabs};
}

}  // namespace

TEST(PackagePlan, IdsLinesAndCabsStoredOncePerNameAndBytes)
{
    ScratchFolder folder;
    std::string a = WriteText(folder, "a.msi", "A"), b = WriteText(folder, "b.msi", "B"),
                c = WriteText(folder, "c.msi", "C");
    std::string shared1 = WriteText(folder, "s1.cab", "shared"), shared2 = WriteText(folder, "s2.cab", "shared");
    std::string other = WriteText(folder, "o.cab", "other!");  // same size, other bytes
    std::vector<PackageMsi> msis = {
        Msi(a, "x64", {1033, 1031}, {{"data1.cab", shared1}}),
        Msi(b, "Intel", {1033}, {{"DATA1.CAB", shared2}, {"extra.cab", shared1}}),
        Msi(c, "Intel", {1031}, {{"data1.cab", other}}),
    };
    PackagePlan plan;
    std::string error;
    ASSERT_TRUE(PlanPackage(msis, &plan, &error)) << error;

    std::vector<std::pair<uint32_t, std::string>> lines;
    for (const ManifestLine& line : plan.lines) lines.push_back({line.id, line.text});
    std::vector<std::pair<uint32_t, std::string>> expected = {
        {1000, "x64\\1033;1031\\{CODE}\\Product"},
        {1001, "Intel\\1033\\{CODE}\\Product"},
        {1002, "Intel\\1031\\{CODE}\\Product"},
        {1003, "cab\\1000;1001\\data1.cab"},  // same name (case aside) and bytes: shared
        {1004, "cab\\1001\\extra.cab"},       // same bytes, other name: its own entry
        {1005, "cab\\1002\\data1.cab"},       // same name, other bytes: its own entry
    };
    EXPECT_EQ(lines, expected);
    std::vector<std::pair<uint32_t, std::string>> items;
    for (const PlannedItem& item : plan.items) items.push_back({item.id, item.path});
    std::vector<std::pair<uint32_t, std::string>> expectedItems = {{1000, a},       {1001, b},       {1002, c},
                                                                   {1003, shared1}, {1004, shared1}, {1005, other}};
    EXPECT_EQ(items, expectedItems);
}

TEST(PackagePlan, RefusesWhatTheLauncherWouldReadOtherwise)
{
    ScratchFolder folder;
    std::string a = WriteText(folder, "a.msi", "A"), b = WriteText(folder, "b.msi", "B");
    std::string cab1 = WriteText(folder, "1.cab", "one"), cab2 = WriteText(folder, "2.cab", "two");
    struct Case {
        const char* what;
        std::vector<PackageMsi> msis;
        const char* message;
    };
    PackageMsi longName = Msi(a, "x64", {1033}, {});
    longName.productName = std::string(256, 'n');
    PackageMsi backslash = Msi(a, "x64", {1033}, {});
    backslash.productCode = "{A}\\x";
    const std::vector<Case> cases = {
        {"same architecture and language", {Msi(a, "x64", {1033, 1031}, {}), Msi(b, "x64", {1031}, {})},
         "both x64 packages for language 1031"},
        {"same language identifier, other sort order", {Msi(a, "Intel", {1031}, {}), Msi(b, "Intel", {0x10407}, {})},
         "for language 66567"},
        {"field over 255 characters", {longName}, "256 characters long"},
        {"backslash in a field", {backslash}, "holds a backslash"},
        {"missing MSI", {Msi(folder.Path("none.msi"), "x64", {1033}, {})}, "cannot open MSI"},
        {"missing CAB", {Msi(a, "x64", {1033}, {{"data1.cab", folder.Path("gone.cab")}})}, "gone.cab"},
        {"CAB named main.msi", {Msi(a, "x64", {1033}, {{"Main.msi", cab1}})}, "the name the launcher gives the MSI"},
        {"CAB name with a path", {Msi(a, "x64", {1033}, {{"sub/data.cab", cab1}})}, "no plain file name"},
        {"two CABs of one MSI under one name", {Msi(a, "x64", {1033}, {{"d.cab", cab1}, {"d.cab", cab2}})},
         "two different CABs named d.cab"},
    };
    for (const Case& c : cases) {
        PackagePlan plan;
        std::string error;
        EXPECT_FALSE(PlanPackage(c.msis, &plan, &error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}

TEST(PackagePlan, RefusesAnItemBeyondThirtyTwoBitSizesWithoutReadingIt)
{
    ScratchFolder folder;
    std::string huge = folder.Path("huge.msi");
    int fd = open(huge.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 0x100000000ll), 0);  // sparse: 4 GiB, one byte over
    close(fd);
    PackagePlan plan;
    std::string error;
    EXPECT_FALSE(PlanPackage({Msi(huge, "x64", {1033}, {})}, &plan, &error));
    EXPECT_NE(error.find("at most 4294967295 bytes"), std::string::npos) << error;
}

TEST(ManifestFields, LanguageListsAndArchitectures)
{
    struct Case {
        const char* text;
        std::vector<uint32_t> languages;  // empty: refused
    };
    const Case cases[] = {
        {"1033;1031", {1033, 1031}}, {"1033,1031", {1033, 1031}}, {"66567", {66567}},
        {"", {}},                    {"1033;", {}},               {";1033", {}},
        {"1033x", {}},               {" 1033", {}},               {"0", {}},  // neutral: matches nobody
        {"65536", {}},               {"4294967296", {}},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> languages;
        std::string error;
        bool ok = ParseLanguageList("list", c.text, &languages, &error);
        EXPECT_EQ(ok, !c.languages.empty()) << "\"" << c.text << "\": " << error;
        if (ok) {
            EXPECT_EQ(languages, c.languages) << c.text;
        }
    }
    std::string arch, error;
    EXPECT_TRUE(ParseArchitecture("arch", "X64", &arch, &error));
    EXPECT_EQ(arch, "x64");
    EXPECT_TRUE(ParseArchitecture("arch", "intel", &arch, &error));
    EXPECT_EQ(arch, "Intel");
    EXPECT_FALSE(ParseArchitecture("arch", "Arm64", &arch, &error));
    EXPECT_FALSE(CheckManifestField("name", std::string("a\0b", 3), &error));  // a NUL would end the line
    EXPECT_TRUE(CheckManifestField("name", std::string(255, 'n'), &error));
}
