// Starting Windows Installer: the command line a real child process receives,
// its exit code as the run's status, the start failure's text, and the search
// that looks only in the system folder.  A recording stand-in plays the
// installer: it appends its command line to MSILAUNCH_STANDIN_LOG and exits
// with MSILAUNCH_STANDIN_EXIT.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "launcher/command_line.h"
#include "launcher/installer_launch.h"
#include "launcher/report.h"
#include "tests/windows/unit/report_box_double.h"

namespace {

std::string Environment(const char* name)
{
    char value[1024];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
    return (n > 0 && n < sizeof(value)) ? std::string(value, n) : std::string();
}

std::string ReadFile(const std::string& path)
{
    std::string text;
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) return text;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), file)) > 0) text.append(chunk, n);
    fclose(file);
    return text;
}

class LaunchInstallerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        standin_ = Environment("MSILAUNCH_TEST_STANDIN");
        ASSERT_FALSE(standin_.empty()) << "the lane sets MSILAUNCH_TEST_STANDIN";
        char folder[MAX_PATH];
        GetTempPathA(sizeof(folder), folder);
        log_ = std::string(folder) + "standin-unit.log";
        SetEnvironmentVariableA("MSILAUNCH_STANDIN_LOG", log_.c_str());
        DeleteFileA(log_.c_str());
        run_ = new RunState();
        run_->installerExitCode = ERROR_INSTALL_SERVICE_FAILURE;
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("MSILAUNCH_STANDIN_EXIT", nullptr);
        DeleteFileA(log_.c_str());
        delete run_;
    }

    // Runs the stand-in as the launcher would, with the launcher's own command
    // line `launcherLine`; returns what the stand-in received.
    std::string Launch(const std::string& installer, const char* package, const wchar_t* launcherLine,
                       const char* exitCode)
    {
        SetEnvironmentVariableA("MSILAUNCH_STANDIN_EXIT", exitCode);
        DeleteFileA(log_.c_str());
        int count = 0;
        WCHAR** arguments = SplitCommandLine(launcherLine, &count);
        EXPECT_NE(arguments, nullptr);
        LaunchInstaller(run_, installer.c_str(), package, arguments, count, SW_SHOWNORMAL);
        LocalFree(arguments);
        std::string received = ReadFile(log_);
        if (!received.empty() && received.back() == '\n') received.pop_back();
        return received;
    }

    std::string standin_;
    std::string log_;
    RunState* run_ = nullptr;
};

TEST_F(LaunchInstallerTest, ForwardedCommandLine)
{
    // Typed at the launcher: quotes in a word, an empty argument, an argument
    // ending in a backslash, a tab, characters inside and outside the code page.
    std::string received = Launch(standin_, "C:\\x y\\main.msi",
                                  L"\"C:\\dl\\set up.exe\" /qn PROP=\"a b\" \"\" x \"C:\\dir with space\\\\\" \"t\tab\" "
                                  L"\u00E9t\u00E9 \u0416",
                                  "0");
    // The stand-in logs UTF-8: é arrives, Ж became the code page's default character.
    EXPECT_EQ(received, standin_ + " /i \"C:\\x y\\main.msi\" /qn \"PROP=a b\"  x \"C:\\dir with space\\\\\" t\tab "
                                   "\xC3\xA9t\xC3\xA9 ?");
    EXPECT_EQ(run_->status.code, 0u);
    EXPECT_EQ(run_->installerExitCode, 0u);

    std::string bare = Launch(standin_, "C:\\p\\main.msi", L"setup.exe", "0");
    EXPECT_EQ(bare, standin_ + " /i C:\\p\\main.msi") << "nothing forwarded";
}

TEST_F(LaunchInstallerTest, FiveThousandCharacterArgument)
{
    std::wstring line = L"setup.exe " + std::wstring(5000, L'a');
    std::string received = Launch(standin_, "C:\\p\\main.msi", line.c_str(), "0");
    EXPECT_EQ(received, standin_ + " /i C:\\p\\main.msi " + std::string(5000, 'a'));
}

TEST_F(LaunchInstallerTest, ExitCodeBecomesTheStatus)
{
    struct Case {
        const char* exitCode;
        DWORD code;
        DWORD suppress;
    };
    const Case cases[] = {{"0", 0, 0}, {"3010", 3010, 1}, {"1602", 1602, 1}, {"1603", 1603, 1}};
    for (const Case& c : cases) {
        ZeroMemory(run_, sizeof(*run_));
        run_->installerExitCode = ERROR_INSTALL_SERVICE_FAILURE;
        Launch(standin_, "C:\\p\\main.msi", L"setup.exe /qb", c.exitCode);
        EXPECT_EQ(run_->installerExitCode, c.code) << c.exitCode;
        EXPECT_EQ(run_->status.code, c.code) << c.exitCode;
        EXPECT_EQ(run_->status.line, c.code ? 2349u : run_->status.line) << c.exitCode;
        EXPECT_EQ(run_->suppressReport, c.suppress) << c.exitCode;
        EXPECT_EQ(run_->messageText[0], 0) << "no text of its own";

        g_recordedBoxes.clear();
        ReportOutcome(run_, nullptr, 0, "C:\\dl\\setup.exe");
        EXPECT_TRUE(g_recordedBoxes.empty()) << "no box for exit code " << c.exitCode;
    }
}

TEST_F(LaunchInstallerTest, StartFailureNamesTheInstaller)
{
    const std::string missing = "C:\\no such folder\\msiexec.exe";
    Launch(missing, "C:\\p\\main.msi", L"setup.exe", "0");
    EXPECT_EQ(run_->status.code, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(run_->status.line, 2355u);
    EXPECT_EQ(run_->installerExitCode, static_cast<DWORD>(ERROR_INSTALL_SERVICE_FAILURE)) << "never ran";
    EXPECT_EQ(run_->suppressReport, 0u);
    EXPECT_EQ(std::string(run_->messageText), "Path not found (C:\\no such folder\\msiexec.exe).");

    g_recordedBoxes.clear();
    ReportOutcome(run_, nullptr, 0, "C:\\dl\\setup.exe");
    ASSERT_EQ(g_recordedBoxes.size(), 1u);
    EXPECT_EQ(g_recordedBoxes[0].text, run_->messageText) << "the prepared text, unchanged";
}

TEST(FindInstaller, OnlyTheSystemFolder)
{
    char expected[MAX_PATH];
    UINT n = GetSystemDirectoryA(expected, sizeof(expected));
    ASSERT_GT(n, 0u);
    strcat(expected, "\\msiexec.exe");

    // A planted msiexec.exe in the current folder is never taken.
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof(current), current);
    std::string planted = std::string(current) + "\\msiexec.exe";
    ASSERT_TRUE(CopyFileA(Environment("MSILAUNCH_TEST_STANDIN").c_str(), planted.c_str(), FALSE));

    char path[1024];
    bool found = FindInstaller(path, sizeof(path));
    DeleteFileA(planted.c_str());
    EXPECT_TRUE(found) << "the lane puts the stand-in into the system folder";
    EXPECT_STREQ(path, expected);
}

}  // namespace
