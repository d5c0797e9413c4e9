// Package selection through the real manifest walk and record reader, over
// sources made by the payload writer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/launcher_state.h"
#include "package/selection.h"
#include "tests/host/payload_fixture.h"
#include "writer/manifest_writer.h"

namespace {

// One payload source: its manifest lines, and the files its chain holds (by
// id; a line may name an id the chain lacks).
struct SourceSpec {
    std::vector<ManifestLine> lines;
    std::vector<DWORD> fileIds;
};

// The item a file record of this id holds in every test chain.
Bytes ItemFor(DWORD id)
{
    return BytesOf("file " + std::to_string(id) + " content");
}

struct Selection {
    bool ok = false;
    DWORD chosen = 0;
    DWORD languageAfter = 0;
    std::string productCode;
    std::string productName;
    std::vector<std::pair<std::string, Bytes>> files;  // name, decoded bytes
};

Selection Select(const std::vector<SourceSpec>& specs, DWORD userLanguage, DWORD is64, long failAllocation = -1)
{
    LauncherState state = {};
    state.userLanguage = userLanguage;
    state.is64 = is64;
    std::vector<Bytes> chains;
    std::vector<PayloadSource> sources;
    for (const SourceSpec& spec : specs) {
        std::vector<std::pair<DWORD, Bytes>> files;
        for (DWORD id : spec.fileIds) files.emplace_back(id, ItemFor(id));
        chains.push_back(SignedChain(WriteManifestTable(spec.lines), files));
    }
    for (const Bytes& chain : chains) {
        PayloadSource source = SourceOver(chain, 3);
        StatusPair status = ReadPayloadRecord(&source, &ManifestRecord, 0, &source.manifest, &source.manifestSize);
        EXPECT_EQ(status.code, 0u);
        sources.push_back(source);
    }
    state.sources = sources.data();
    state.sourceCount = static_cast<DWORD>(sources.size());

    SelectionQuery query;
    CabQuery cabs = {};
    ExtractionQueue queue = {};
    Selection result;
    HostFailAllocationAfter(failAllocation);
    result.ok = SelectPackage(&state, &query, &cabs, &queue);
    HostFailAllocationAfter(-1);
    result.chosen = query.chosenEntryId;
    result.languageAfter = state.userLanguage;
    if (result.ok) {
        result.productCode = query.productCode;
        result.productName = query.productName;
    }
    for (int i = 0; i < queue.fileCount; ++i) {
        PackageFile* file = &queue.files[i];
        result.files.emplace_back(file->name, Bytes(file->decodedBytes, file->decodedBytes + file->decodedSize));
        LocalFree(file->decodedBytes);
    }
    LocalFree(queue.files);
    for (PayloadSource& source : sources) LocalFree(source.manifest);
    return result;
}

// The made-up manifest of the launcher's documentation.
SourceSpec ExampleSource()
{
    return SourceSpec{{{2000, "Intel\\1031;3079\\{6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}\\Example Product"},
                       {2001, "cab\\2000;2002\\data1.cab"},
                       {2002, "Intel\\1033\\{6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}\\Example Product"},
                       {2003, "x64\\1033\\{0D9E8F7A-6B5C-4D3E-9F21-0A1B2C3D4E5F}\\Example Product"},
                       {2004, "cab\\2003\\data1.cab"}},
                      {2000, 2001, 2002, 2003, 2004}};
}

TEST(SelectPackage, ExampleManifest)
{
    struct Case {
        DWORD language;
        DWORD is64;
        DWORD msi;
        DWORD cab;
        DWORD languageAfter;
    };
    const Case cases[] = {
        {3079, 0, 2000, 2001, 3079},  // exact language
        {2055, 0, 2000, 2001, 2055},  // low byte 0x07 of 1031
        {1049, 0, 2002, 2001, 1033},  // third pass, US English
        {3079, 1, 2003, 2004, 1033},  // no x64 line for German: US English
        {2055, 1, 2003, 2004, 1033},
        {1049, 1, 2003, 2004, 1033},
    };
    for (const Case& c : cases) {
        Selection s = Select({ExampleSource()}, c.language, c.is64);
        ASSERT_TRUE(s.ok) << c.language << " " << c.is64;
        EXPECT_EQ(s.chosen, c.msi) << c.language << " " << c.is64;
        EXPECT_EQ(s.languageAfter, c.languageAfter);
        ASSERT_EQ(s.files.size(), 2u);
        EXPECT_EQ(s.files[0].first, "main.msi");
        EXPECT_EQ(s.files[0].second, ItemFor(c.msi));
        EXPECT_EQ(s.files[1].first, "data1.cab");
        EXPECT_EQ(s.files[1].second, ItemFor(c.cab));
        EXPECT_EQ(s.productName, "Example Product");
    }
}

TEST(SelectPackage, EdgeCases)
{
    const char* code = "{6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}";
    auto msi = [&](DWORD id, const std::string& arch, const std::string& languages) {
        return ManifestLine{id, arch + "\\" + languages + "\\" + code + "\\Product " + std::to_string(id)};
    };
    struct Case {
        const char* what;
        std::vector<SourceSpec> sources;
        DWORD language;
        DWORD is64;
        DWORD chosen;  // 0: the selection fails
        size_t files;
    };
    const Case cases[] = {
        {"sort bits above the language are ignored", {{{msi(1, "Intel", "1031")}, {1}}}, 0x10407, 0, 1, 1},
        {"low-byte pass: 1033 takes 2057", {{{msi(1, "Intel", "2057")}, {1}}}, 1033, 0, 1, 1},
        {"no third pass for 1033", {{{msi(1, "Intel", "1031")}, {1}}}, 1033, 0, 0, 0},
        {"1049 with only 1031 and 2057", {{{msi(1, "Intel", "1031"), msi(2, "Intel", "2057")}, {1, 2}}}, 1049, 0, 0, 0},
        {"64-bit never takes Intel", {{{msi(1, "Intel", "1033")}, {1}}}, 1033, 1, 0, 0},
        {"32-bit never takes x64", {{{msi(1, "x64", "1033")}, {1}}}, 1033, 0, 0, 0},
        {"architecture in any letter case", {{{msi(1, "X64", "1033")}, {1}}}, 1033, 1, 1, 1},
        {"empty items and letters are skipped", {{{msi(1, "Intel", ";1031;;abc;1033 ")}, {1}}}, 1033, 0, 1, 1},
        {"  ... every number is tried", {{{msi(1, "Intel", ";1031;;abc;1033 ")}, {1}}}, 1031, 0, 1, 1},
        {"earlier line wins", {{{msi(1, "Intel", "1033"), msi(2, "Intel", "1033")}, {1, 2}}}, 1033, 0, 1, 1},
        {"source 0 wins over source 1",
         {{{msi(7, "Intel", "1033")}, {7}}, {{msi(1, "Intel", "1033")}, {1}}}, 1033, 0, 7, 1},
        {"exact language beats an earlier low-byte match",
         {{{msi(1, "Intel", "2057"), msi(2, "Intel", "1033")}, {1, 2}}}, 1033, 0, 2, 1},
        // The list keeps what it holds for the clean-up: main.msi and the CAB
        // element whose record did not decode.
        {"a CAB that fails to decode fails the selection",
         {{{msi(1, "Intel", "1033"), {2, "cab\\1\\a.cab"}}, {1}}}, 1033, 0, 0, 2},
        {"the MSI's record missing fails it", {{{msi(1, "Intel", "1033")}, {}}}, 1033, 0, 0, 0},
        {"no product name: no MSI line", {{{{1, std::string("Intel\\1033\\") + code}}, {1}}}, 1033, 0, 0, 0},
        {"empty language list: no MSI line", {{{{1, std::string("Intel\\\\") + code + "\\P"}}, {1}}}, 1033, 0, 0, 0},
        {"a field over 255 characters: no MSI line",
         {{{{1, "Intel\\1033\\" + std::string(256, 'c') + "\\P"}}, {1}}}, 1033, 0, 0, 0},
        {"255 characters are fine", {{{{1, "Intel\\1033\\" + std::string(255, 'c') + "\\P"}}, {1}}}, 1033, 0, 1, 1},
        {"trailing fields are ignored", {{{{1, std::string("Intel\\1033\\") + code + "\\P\\more\\x"}}, {1}}}, 1033, 0, 1, 1},
        {"a CAB naming the MSI twice comes twice",
         {{{msi(1, "Intel", "1033"), {2, "cab\\1;1\\a.cab"}}, {1, 2}}}, 1033, 0, 1, 3},
        {"CAB in letter case, other MSI ids skipped",
         {{{msi(1, "Intel", "1033"), {2, "CAB\\5;x;1\\a.cab"}, {3, "cab\\5\\b.cab"}}, {1, 2, 3}}}, 1033, 0, 1, 2},
        {"a CAB line of another source is never taken",
         {{{msi(1, "Intel", "1033")}, {1}}, {{{2, "cab\\1\\a.cab"}}, {2}}}, 1033, 0, 1, 1},
        {"no CAB line: main.msi alone", {{{msi(1, "Intel", "1033")}, {1}}}, 1033, 0, 1, 1},
        {"entry id 0 counts as nothing chosen", {{{msi(0, "Intel", "1033")}, {0}}}, 1033, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Selection s = Select(c.sources, c.language, c.is64);
        EXPECT_EQ(s.ok, c.chosen != 0) << c.what;
        if (c.chosen != 0) {
            EXPECT_EQ(s.chosen, c.chosen) << c.what;
        }
        EXPECT_EQ(s.files.size(), c.files) << c.what;
    }
}

TEST(SelectPackage, NoMemoryFailsCleanly)
{
    // Every allocation of a selection in turn fails; each must end without
    // leaking (ASan's leak check and the live-block count see to that).
    bool sawSuccess = false;
    for (long n = 0; n < 60 && !sawSuccess; ++n) {
        long before = HostLiveAllocations();
        Selection s = Select({ExampleSource()}, 3079, 0, n);
        EXPECT_EQ(HostLiveAllocations(), before) << n;
        if (s.ok) {
            EXPECT_EQ(s.files.size(), 2u);
        }
        sawSuccess = s.ok;
    }
    EXPECT_TRUE(sawSuccess) << "some allocation count lets the selection through";
}

TEST(Callbacks, NullQueriesGoOn)
{
    EXPECT_EQ(SelectMsiEntry(0, 1, "Intel\\1033\\{P}\\N", nullptr), 1);
    EXPECT_EQ(CollectCabEntry(0, 1, "cab\\1\\a.cab", nullptr), 1);
}

}  // namespace
