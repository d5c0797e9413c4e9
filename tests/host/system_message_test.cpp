// Composing status texts: trimming the system text, the detail, the "Error"
// forms, unsigned codes and bounded writes.  The host answers FormatMessageA
// from a table, so the texts here are chosen to exercise the trimming.
#include <gtest/gtest.h>

#include <string>

#include "launcher/status.h"
#include "launcher/system_message.h"

namespace {

const HostSystemMessage kMessages[] = {
    {2, "The system cannot find the file specified.\r\n"},
    {3, "No period at all"},
    {4, "Ends with several. . .\r\n\r\n"},
    {5, ". \r\n"},
    {6, "Middle. periods stay.\r\n"},
};

class SystemMessage : public ::testing::Test {
protected:
    void SetUp() override { HostSetSystemMessages(kMessages, sizeof(kMessages) / sizeof(kMessages[0])); }
    void TearDown() override { HostSetSystemMessages(nullptr, 0); }

    static std::string Compose(DWORD code, const char* detail, DWORD size = 2048)
    {
        std::string buffer(size + 8, '#');
        int length = ComposeSystemMessage(code, &buffer[0], size, detail);
        EXPECT_EQ(buffer[size + 1], '#') << "wrote past the buffer";
        std::string text = buffer.c_str();
        EXPECT_EQ(length, static_cast<int>(text.size()));
        return text;
    }
};

TEST_F(SystemMessage, Forms)
{
    struct Case {
        DWORD code;
        const char* detail;
        const char* text;
    };
    const Case cases[] = {
        {2, "C:\\x\\main.msi", "The system cannot find the file specified (C:\\x\\main.msi)."},
        {2, nullptr, "The system cannot find the file specified."},
        {2, "", "The system cannot find the file specified."},
        {3, "d", "No period at all (d)."},
        {4, "d", "Ends with several (d)."},
        {6, nullptr, "Middle. periods stay."},
        // Only periods, spaces and line breaks: no text remains.
        {5, "1, 5, 7", "Error 5 (1, 5, 7)."},
        {5, nullptr, "Error 5"},
        // No system text at all; the form without detail has no period.
        {1168, "1, 1168, 509", "Error 1168 (1, 1168, 509)."},
        {1168, nullptr, "Error 1168"},
        // Codes print unsigned.
        {0x80090003u, "1, 2148073475, 599", "Error 2148073475 (1, 2148073475, 599)."},
        {0xFFFFFFFFu, nullptr, "Error 4294967295"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Compose(c.code, c.detail), c.text) << c.code;
    }
}

TEST_F(SystemMessage, WritesStayInsideTheBuffer)
{
    // The system text fits but the detail does not: the text is cut, terminated.
    EXPECT_EQ(Compose(2, "a long detail", 48), "The system cannot find the file specified (a lo");
    EXPECT_EQ(Compose(1168, "detail", 8), "Error 1");
    EXPECT_EQ(Compose(1168, nullptr, 1), "");
    // A system text longer than the buffer is no text.
    EXPECT_EQ(Compose(2, "d", 20), "Error 2 (d).");
    char untouched = 'x';
    EXPECT_EQ(ComposeSystemMessage(2, &untouched, 0, "d"), 0);
    EXPECT_EQ(untouched, 'x');
}

TEST(MakeStatus, LastErrorOrFixedCode)
{
    SetLastError(0);
    StatusPair fixed = MakeStatus(GetLastError, 8, 2030);
    EXPECT_EQ(fixed.code, 8u);
    EXPECT_EQ(fixed.line, 2030u);
    SetLastError(5);
    StatusPair fromSystem = MakeStatus(GetLastError, 8, 2030);
    EXPECT_EQ(fromSystem.code, 5u);
    EXPECT_EQ(fromSystem.line, 2030u);
    StatusPair noSource = MakeStatus(nullptr, 13, 2151);
    EXPECT_EQ(noSource.code, 13u);
    EXPECT_EQ(noSource.line, 2151u);
    SetLastError(0);
}

}  // namespace
