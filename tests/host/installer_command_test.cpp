// Windows Installer's command line built from the launcher's own command line:
// quoting by the space character only, whole pieces in order, the size limit.
#include <gtest/gtest.h>

#include <string>

#include "launcher/command_line.h"
#include "launcher/installer_command.h"

namespace {

struct Built {
    StatusPair status;
    std::string line;
};

Built Build(const char* installer, const char* package, const std::u16string& launcherLine)
{
    int count = 0;
    WCHAR** arguments = SplitCommandLine(launcherLine.c_str(), &count);
    EXPECT_NE(arguments, nullptr);
    char* line = nullptr;
    Built built;
    built.status = BuildInstallerCommandLine(installer, package, arguments, count, &line);
    if (line != nullptr) {
        built.line = line;
        EXPECT_EQ(LocalSize(line), built.line.size() + 1) << "sized to what it needs";
        LocalFree(line);
    }
    LocalFree(arguments);
    return built;
}

TEST(BuildInstallerCommandLine, Pieces)
{
    struct Case {
        const char* what;
        const char* installer;
        const char* package;
        std::u16string launcherLine;
        const char* line;
    };
    const char* sys = "C:\\windows\\system32\\msiexec.exe";
    const char* pkg = "C:\\windows\\Installer\\{P}\\main.msi";
    const Case cases[] = {
        {"nothing forwarded", sys, pkg, u"setup.exe", "C:\\windows\\system32\\msiexec.exe /i C:\\windows\\Installer\\{P}\\main.msi"},
        {"paths with spaces are quoted", "C:\\Win Dir\\msiexec.exe", "D:\\My Files\\{P}\\main.msi", u"setup",
         "\"C:\\Win Dir\\msiexec.exe\" /i \"D:\\My Files\\{P}\\main.msi\""},
        {"quiet switches are forwarded too", sys, pkg, u"setup /qn /quiet",
         "C:\\windows\\system32\\msiexec.exe /i C:\\windows\\Installer\\{P}\\main.msi /qn /quiet"},
        {"quotes in a word: the argument is quoted again as a whole", "m", "p", u"setup PROP=\"a b\"",
         "m /i p \"PROP=a b\""},
        {"an empty argument is a lone space", "m", "p", u"setup \"\" x", "m /i p  x"},
        {"a tab without a space is not quoted", "m", "p", u"setup \"a\tb\"", "m /i p a\tb"},
        {"a trailing backslash stands right before the closing quote", "m", "p", u"setup \"C:\\a b\\\\\"",
         "m /i p \"C:\\a b\\\\\""},
        {"no escaping of inner characters", "m", "p", u"setup a\\b", "m /i p a\\b"},
        {"non-ASCII text in the narrow encoding", "m", "p", u"setup \u00E9 \u0416", "m /i p \xC3\xA9 \xD0\x96"},
    };
    for (const Case& c : cases) {
        Built built = Build(c.installer, c.package, c.launcherLine);
        EXPECT_EQ(built.status.code, 0u) << c.what;
        EXPECT_EQ(built.line, c.line) << c.what;
    }
}

TEST(BuildInstallerCommandLine, SizeLimit)
{
    // "m /i p" is 6 characters; one argument of n characters adds n + 1.
    const size_t room = kInstallerCommandLineRoom;  // terminator included
    std::u16string fits = u"setup " + std::u16string(room - 1 - 6 - 1, u'a');
    Built atLimit = Build("m", "p", fits);
    EXPECT_EQ(atLimit.status.code, 0u);
    EXPECT_EQ(atLimit.line.size(), room - 1);

    Built over = Build("m", "p", fits + u"a");
    EXPECT_EQ(over.status.code, kStatusCommandLineTooLong);
    EXPECT_EQ(over.status.line, kLineCommandLineTooLong);
    EXPECT_TRUE(over.line.empty());

    std::u16string five(5000, u'x');
    Built long5000 = Build("m", "p", u"setup " + five);
    EXPECT_EQ(long5000.status.code, 0u);
    EXPECT_EQ(long5000.line, "m /i p " + std::string(5000, 'x'));
}

TEST(BuildInstallerCommandLine, MemoryFailures)
{
    int count = 0;
    WCHAR** arguments = SplitCommandLine(u"setup one two three", &count);
    ASSERT_NE(arguments, nullptr);
    long before = HostLiveAllocations();
    char* line = nullptr;

    // Allocations: the array of converted arguments, "one", "two", "three",
    // then the line itself.
    HostFailAllocationAfter(0);
    StatusPair noArray = BuildInstallerCommandLine("m", "p", arguments, count, &line);
    EXPECT_EQ(noArray.code, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(line, nullptr);
    HostFailAllocationAfter(4);
    StatusPair noLine = BuildInstallerCommandLine("m", "p", arguments, count, &line);
    EXPECT_EQ(noLine.code, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(noLine.line, kLineCommandLineNoMemory);
    EXPECT_EQ(line, nullptr);

    // An argument that cannot be converted is left out; the rest goes on.
    HostFailAllocationAfter(2);
    StatusPair dropped = BuildInstallerCommandLine("m", "p", arguments, count, &line);
    HostFailAllocationAfter(-1);
    EXPECT_EQ(dropped.code, 0u);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(std::string(line), "m /i p one three");
    LocalFree(line);
    EXPECT_EQ(HostLiveAllocations(), before);
    LocalFree(arguments);
}

}  // namespace

namespace {

TEST(CheckInstallerCommandLineRoom, CountsTheLongestPackagePath)
{
    // The installer path "m" (1) and the longest package piece (266) leave
    // 32,766 - 267 characters for " arg" pieces.
    const size_t free = kInstallerCommandLineRoom - 1 - 1 - 266;
    struct Case {
        size_t argument;
        DWORD code;
    };
    const Case cases[] = {{free - 1, 0}, {free, kStatusCommandLineTooLong}, {5000, 0}};
    for (const Case& c : cases) {
        std::u16string line = u"setup " + std::u16string(c.argument, u'a');
        int count = 0;
        WCHAR** arguments = SplitCommandLine(line.c_str(), &count);
        ASSERT_NE(arguments, nullptr);
        StatusPair status = CheckInstallerCommandLineRoom("m", arguments, count);
        EXPECT_EQ(status.code, c.code) << c.argument;
        if (c.code == 0) {
            // Whatever the package path, the line then fits.
            std::string longest(259, 'p');
            longest[3] = ' ';
            char* built = nullptr;
            EXPECT_EQ(BuildInstallerCommandLine("m", longest.c_str(), arguments, count, &built).code, 0u);
            LocalFree(built);
        }
        LocalFree(arguments);
    }
}

}  // namespace
