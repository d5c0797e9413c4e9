// The end-of-run report: when the box shows, its caption and its text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/command_line.h"
#include "launcher/report.h"

namespace {

struct ShownBox {
    std::string text;
    std::string caption;
};
std::vector<ShownBox> g_boxes;

struct Outcome {
    std::vector<ShownBox> boxes;
    DWORD suppressed;
};

Outcome Report(DWORD code, DWORD line, const char* prepared, DWORD suppress, const std::u16string& commandLine,
               const char* ownPath)
{
    RunState* run = new RunState();
    run->status = MakeStatus(nullptr, code, line);
    run->suppressReport = suppress;
    if (prepared) snprintf(run->messageText, sizeof(run->messageText), "%s", prepared);
    int count = 0;
    WCHAR** arguments = SplitCommandLine(commandLine.c_str(), &count);
    g_boxes.clear();
    ReportOutcome(run, arguments, count, ownPath);
    Outcome outcome{g_boxes, run->suppressReport};
    LocalFree(arguments);
    delete run;
    return outcome;
}

TEST(ReportOutcome, WhenTheBoxShows)
{
    struct Case {
        const char* what;
        DWORD code;
        DWORD suppress;
        std::u16string line;
        size_t boxes;
    };
    const Case cases[] = {
        {"success shows nothing", 0, 0, u"setup", 0},
        {"success with a quiet switch shows nothing", 0, 0, u"setup /q", 0},
        {"a failure shows one box", 1168, 0, u"setup", 1},
        {"/qb does not suppress", 1168, 0, u"setup /qb", 1},
        {"/QUIET suppresses", 1168, 0, u"setup x /QUIET", 0},
        {"a step's suppression holds", 1602, 1, u"setup", 0},
        {"argument 0 is never a switch", 1168, 0, u"/q", 1},
    };
    for (const Case& c : cases) {
        Outcome outcome = Report(c.code, 509, nullptr, c.suppress, c.line, "C:\\dl\\setup.exe");
        EXPECT_EQ(outcome.boxes.size(), c.boxes) << c.what;
    }
    EXPECT_EQ(Report(0, 1, nullptr, 0, u"setup /qn", "x").suppressed, 1u) << "the scan runs whatever the outcome";
}

TEST(ReportOutcome, TextAndCaption)
{
    // A prepared text is shown alone, without code or line.
    Outcome prepared = Report(1168, 509, "The installation file is either corrupted.", 0, u"setup", "C:\\Users\\Me\\Downloads\\setup.exe");
    ASSERT_EQ(prepared.boxes.size(), 1u);
    EXPECT_EQ(prepared.boxes[0].text, "The installation file is either corrupted.");
    EXPECT_EQ(prepared.boxes[0].caption, "setup.exe");

    // The generic text: system text, then (1, code, line); codes unsigned.
    Outcome generic = Report(1921, 2406, nullptr, 0, u"setup", nullptr);
    ASSERT_EQ(generic.boxes.size(), 1u);
    EXPECT_EQ(generic.boxes[0].text, "The name of the file cannot be resolved by the system (1, 1921, 2406).");
    EXPECT_EQ(generic.boxes[0].caption, "Loader");

    Outcome hresult = Report(0x80090003u, 599, nullptr, 0, u"setup", "setup.exe");
    ASSERT_EQ(hresult.boxes.size(), 1u);
    EXPECT_EQ(hresult.boxes[0].text, "Error 2148073475 (1, 2148073475, 599).");
    EXPECT_EQ(hresult.boxes[0].caption, "setup.exe") << "no backslash: the whole path";
}

TEST(ReportCaption, LastBackslash)
{
    EXPECT_STREQ(ReportCaption("C:\\a\\b\\setup.exe"), "setup.exe");
    EXPECT_STREQ(ReportCaption("setup.exe"), "setup.exe");
    EXPECT_STREQ(ReportCaption("C:\\dir\\"), "");
    EXPECT_STREQ(ReportCaption(nullptr), "Loader");
}

}  // namespace

void ShowReportBox(const char* text, const char* caption)
{
    g_boxes.push_back(ShownBox{text, caption});
}
