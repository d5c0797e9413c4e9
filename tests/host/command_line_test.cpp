// The command-line splitter and the quiet-switch scan, against typed command lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/command_line.h"

namespace {

std::vector<std::u16string> Split(const std::u16string& line)
{
    int count = -1;
    WCHAR** arguments = SplitCommandLine(line.c_str(), &count);
    EXPECT_NE(arguments, nullptr);
    std::vector<std::u16string> result;
    if (arguments == nullptr) return result;
    for (int i = 0; i < count; ++i) result.push_back(arguments[i]);
    EXPECT_EQ(arguments[count], nullptr) << "the slot after the last argument is null";
    LocalFree(arguments);
    return result;
}

struct SplitCase {
    const char* what;
    std::u16string line;
    std::vector<std::u16string> arguments;
};

TEST(SplitCommandLine, TypedLines)
{
    const SplitCase cases[] = {
        {"only the program name", u"setup.exe", {u"setup.exe"}},
        {"quoted program path with a space", u"\"C:\\Users\\Me\\My Downloads\\setup.exe\" /qn",
         {u"C:\\Users\\Me\\My Downloads\\setup.exe", u"/qn"}},
        {"quotes in the middle of a word", u"setup PROP=\"a b\"", {u"setup", u"PROP=a b"}},
        {"two adjacent quotes alone make an empty argument", u"setup \"\" x", {u"setup", u"", u"x"}},
        {"two adjacent quotes inside a word vanish", u"setup a\"\"b", {u"setup", u"ab"}},
        {"backslash before a quote is ordinary; the run never closes", u"setup x\\\"y z  w",
         {u"setup", u"x\\y z  w"}},
        {"runs of separators make no empty arguments", u" \t setup\r\n  a \t\r\n b  ", {u"setup", u"a", u"b"}},
        {"separators inside quotes stay", u"setup \"a\tb\r\nc d\"", {u"setup", u"a\tb\r\nc d"}},
        {"other whitespace is no separator", u"setup a\u00A0b\u3000c\vd\fe", {u"setup", u"a\u00A0b\u3000c\vd\fe"}},
        {"empty command line", u"", {}},
        {"only separators", u" \t\r\n", {}},
        {"a lone quote", u"\"", {u""}},
        {"argument ending in a backslash", u"setup \"C:\\a b\\\\\"", {u"setup", u"C:\\a b\\\\"}},
        {"non-ASCII text", u"setup \u00E9t\u00E9 \u0416", {u"setup", u"\u00E9t\u00E9", u"\u0416"}},
        {"many one-character arguments", u"a b c d e", {u"a", u"b", u"c", u"d", u"e"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(Split(c.line), c.arguments) << c.what;
    }
}

TEST(SplitCommandLine, EmptyLineGivesCountZeroAndNullFirstEntry)
{
    int count = -1;
    WCHAR** arguments = SplitCommandLine(u"", &count);
    ASSERT_NE(arguments, nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(arguments[0], nullptr);
    LocalFree(arguments);
}

TEST(SplitCommandLine, WorstCaseFitsItsBlock)
{
    // The most arguments a line of length L can hold, (L + 1) / 2, all of one
    // unit: the block must hold every pointer and the null after them.
    for (size_t length = 1; length < 40; ++length) {
        std::u16string line;
        for (size_t i = 0; i < length; ++i) line += (i % 2 == 0) ? u'x' : u' ';
        std::vector<std::u16string> arguments = Split(line);
        EXPECT_EQ(arguments.size(), (length + 1) / 2) << length;
        // Empty quoted arguments: each "" plus a separator yields one argument.
        std::u16string quotes;
        while (quotes.size() + 3 <= length) quotes += u"\"\" ";
        EXPECT_EQ(Split(quotes).size(), quotes.size() / 3) << length;
    }
}

TEST(SplitCommandLine, NoMemoryGivesNullAndLeavesCount)
{
    HostFailAllocationAfter(0);
    int count = 77;
    EXPECT_EQ(SplitCommandLine(u"setup /q", &count), nullptr);
    HostFailAllocationAfter(-1);
    EXPECT_EQ(count, 77);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
}

TEST(HasQuietSwitch, OnlyTheThreeSwitchesAfterArgumentZero)
{
    struct QuietCase {
        std::u16string line;
        bool quiet;
    };
    const QuietCase cases[] = {
        {u"setup /q", true},         {u"setup /QN", true},      {u"setup /Qn", true},
        {u"setup /QUIET", true},     {u"setup a /quiet b", true}, {u"setup /qb", false},
        {u"setup /quiet+", false},   {u"setup q", false},       {u"setup -q", false},
        {u"setup /q:", false},       {u"setup /passive", false}, {u"/q", false},
        {u"setup \"/q\"", true},     {u"setup", false},          {u"setup /Q /qb", true},
    };
    for (const QuietCase& c : cases) {
        int count = 0;
        WCHAR** arguments = SplitCommandLine(c.line.c_str(), &count);
        ASSERT_NE(arguments, nullptr);
        EXPECT_EQ(HasQuietSwitch(arguments, count), c.quiet) << std::string(c.line.begin(), c.line.end());
        LocalFree(arguments);
    }
}

}  // namespace
