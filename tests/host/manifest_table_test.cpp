// The manifest walk: every entry of every source in order with its source
// index and id, the callback's stop, malformed tables ending the whole walk,
// and the texts as the callback receives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/launcher_state.h"
#include "payload/manifest_table.h"
#include "writer/manifest_writer.h"

namespace {

struct Call {
    DWORD source;
    DWORD id;
    std::string text;
    bool operator==(const Call& o) const { return source == o.source && id == o.id && text == o.text; }
};

struct Walk {
    std::vector<Call> calls;
    size_t stopAfter = 0;  // 0: never stop
    bool result = false;
};

int Record(DWORD source, DWORD id, const char* text, void* userData)
{
    Walk* walk = static_cast<Walk*>(userData);
    walk->calls.push_back({source, id, text});
    return walk->stopAfter == 0 || walk->calls.size() < walk->stopAfter;
}

// Walks manifests (not owned by the state) and checks that nothing leaks.
Walk WalkOver(const std::vector<Bytes>& manifests, size_t stopAfter = 0)
{
    std::vector<PayloadSource> sources(manifests.size());
    for (size_t i = 0; i < manifests.size(); ++i) {
        sources[i].manifest = const_cast<BYTE*>(manifests[i].data());
        sources[i].manifestSize = static_cast<DWORD>(manifests[i].size());
        sources[i].flags = 3;
    }
    LauncherState state = {};
    state.sources = sources.empty() ? nullptr : sources.data();
    state.sourceCount = static_cast<DWORD>(sources.size());
    Walk walk;
    walk.stopAfter = stopAfter;
    long live = HostLiveAllocations();
    walk.result = EnumManifestEntries(&state, Record, &walk);
    EXPECT_EQ(HostLiveAllocations(), live);
    return walk;
}

Bytes Entry(DWORD id, const Bytes& text)
{
    Bytes out;
    AppendManifestEntry(&out, id, text);
    return out;
}

const Bytes kFirst = WriteManifestTable({{1000, "Intel;1033;{A};Demo"}, {1001, "cab\\1000\\main.cab"}, {1002, "x64;1031;{B};Demo"}});
const Bytes kSecond = WriteManifestTable({{7, "Intel;1033,1031;{C};Other"}, {8, "cab\\7\\data1.cab"}});

TEST(EnumManifestEntries, EveryEntryOfEverySourceInOrder)
{
    Walk walk = WalkOver({kFirst, {}, kSecond});
    EXPECT_TRUE(walk.result);
    const std::vector<Call> expected = {{0, 1000, "Intel;1033;{A};Demo"}, {0, 1001, "cab\\1000\\main.cab"},
                                        {0, 1002, "x64;1031;{B};Demo"},   {2, 7, "Intel;1033,1031;{C};Other"},
                                        {2, 8, "cab\\7\\data1.cab"}};
    EXPECT_EQ(walk.calls, expected) << "the empty manifest of source 1 gives no call";

    Walk none = WalkOver({});
    EXPECT_TRUE(none.result);
    EXPECT_TRUE(none.calls.empty());
}

TEST(EnumManifestEntries, CallbackStopEndsTheWholeWalk)
{
    Walk walk = WalkOver({kFirst, kSecond}, 2);
    EXPECT_TRUE(walk.result);
    ASSERT_EQ(walk.calls.size(), 2u);
    EXPECT_EQ(walk.calls[1].id, 1001u);
}

TEST(EnumManifestEntries, MalformedEntryEndsTheWalkOverAllSources)
{
    auto with = [](const Bytes& tail) {
        Bytes table = kFirst;
        AppendBytes(&table, tail);
        return table;
    };
    Bytes claimsTooMuch = Entry(9, Utf16LeText("abc", true));
    StoreU32Le(&claimsTooMuch, 4, 9);  // 8 text bytes follow, 9 claimed
    Bytes claimsAll = Entry(9, {});
    StoreU32Le(&claimsAll, 4, 0xFFFFFFFFu);
    struct Case {
        const char* what;
        Bytes table;
    };
    const Case cases[] = {
        {"1 byte after the last entry", with(Bytes(1, 0))},
        {"7 bytes after the last entry", with(Bytes(7, 0))},
        {"last entry claims one byte more than remains", with(claimsTooMuch)},
        {"last entry claims 4 GiB", with(claimsAll)},
    };
    for (const Case& c : cases) {
        Walk walk = WalkOver({c.table, kSecond});
        EXPECT_FALSE(walk.result) << c.what;
        ASSERT_EQ(walk.calls.size(), 3u) << c.what << ": the complete entries, and no later source";
        EXPECT_EQ(walk.calls[2].id, 1002u) << c.what;
    }
}

TEST(EnumManifestEntries, TextsAsTheCallbackSeesThem)
{
    Bytes odd = Utf16LeText("odd", false);
    odd.push_back('X');  // an odd length: the last byte is no part of the text
    struct Case {
        const char* what;
        Bytes text;
        std::string expected;
    };
    const Case cases[] = {
        {"text length 0", {}, ""},
        {"no terminating NUL unit", Utf16LeText("cab\\1000\\main.cab", false), "cab\\1000\\main.cab"},
        {"a NUL unit inside ends the string", Utf16LeText(std::string("ab\0cd", 5), true), "ab"},
        {"odd text length", odd, "odd"},
        {"non-ASCII text in the narrow encoding (UTF-8 here)", Utf16LeText("Größe 日本", true), "Größe 日本"},
        {"an unpaired surrogate", Bytes{0x41, 0x00, 0x00, 0xD8, 0x42, 0x00}, "A?B"},
    };
    for (const Case& c : cases) {
        // The entry after an odd-length text starts at an odd offset.
        Bytes table = Entry(1, c.text);
        AppendBytes(&table, Entry(2, Utf16LeText("after", true)));
        Walk walk = WalkOver({table});
        EXPECT_TRUE(walk.result) << c.what;
        ASSERT_EQ(walk.calls.size(), 2u) << c.what;
        EXPECT_EQ(walk.calls[0].text, c.expected) << c.what;
        EXPECT_EQ(walk.calls[1].text, "after") << c.what;
    }
}

TEST(EnumManifestEntries, NoMemoryForATextEndsTheWalk)
{
    HostFailAllocationAfter(1);
    Walk walk = WalkOver({kFirst, kSecond});
    HostFailAllocationAfter(-1);
    EXPECT_FALSE(walk.result);
    EXPECT_EQ(walk.calls.size(), 1u);
}

}  // namespace
