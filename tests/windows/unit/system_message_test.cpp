// Status texts composed from the system's real message table.
#include <gtest/gtest.h>

#include <string>

#include "launcher/report.h"
#include "launcher/system_message.h"
#include "tests/windows/unit/report_box_double.h"

namespace {

std::string Compose(DWORD code, const char* detail)
{
    char buffer[2048];
    int length = ComposeSystemMessage(code, buffer, sizeof(buffer), detail);
    EXPECT_EQ(length, static_cast<int>(strlen(buffer)));
    return buffer;
}

TEST(ComposeSystemMessage, RealSystemTexts)
{
    // The system's text ends in a period and a line break; both go, and the
    // detail follows in parentheses with exactly one period at the end.
    char raw[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0x0400, raw, sizeof(raw), nullptr);
    ASSERT_GT(n, 2u);
    EXPECT_EQ(std::string(raw + n - 2), "\r\n") << "the system text ends in a line break";

    EXPECT_EQ(Compose(ERROR_FILE_NOT_FOUND, "C:\\x\\main.msi"), "File not found (C:\\x\\main.msi).");
    EXPECT_EQ(Compose(ERROR_FILE_NOT_FOUND, nullptr), "File not found.");
    EXPECT_EQ(Compose(ERROR_WRITE_FAULT, "D:\\{P}\\data1.cab"), "Write fault (D:\\{P}\\data1.cab).");
    EXPECT_EQ(Compose(ERROR_NOT_FOUND, "1, 1168, 509"), "Element not found (1, 1168, 509).");
}

TEST(ComposeSystemMessage, CodesWithoutSystemText)
{
    EXPECT_EQ(Compose(0x2000ABCDu, "1, 536914893, 7"), "Error 536914893 (1, 536914893, 7).");
    EXPECT_EQ(Compose(0x2000ABCDu, nullptr), "Error 536914893");
}

TEST(ReportOutcome, HresultPrintsUnsigned)
{
    RunState* run = new RunState();
    run->status = MakeStatus(nullptr, 0x80090003u, 599);
    g_recordedBoxes.clear();
    ReportOutcome(run, nullptr, 0, "C:\\dl\\setup.exe");
    ASSERT_EQ(g_recordedBoxes.size(), 1u);
    const std::string& text = g_recordedBoxes[0].text;
    const std::string tail = " (1, 2148073475, 599).";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;
    EXPECT_EQ(g_recordedBoxes[0].caption, "setup.exe");
    delete run;
}

}  // namespace
