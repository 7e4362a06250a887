#include "classlib/Clipbrd.h"

#include <gtest/gtest.h>

namespace {

TEST(Clipboard, TextRoundTrip)
{
    const std::string Cases[] = {
        "one line",
        "C:\\Mail\\Inbox\r\nmailbox:///C|/Mail/Sent\r\n",
        std::string(100000, 'x'),
        "",
    };
    for (const std::string& Text : Cases) {
        SCOPED_TRACE(Text.substr(0, 40));
        Clipboard().SetAsText(Text);
        EXPECT_TRUE(Clipboard().HasFormat(CF_TEXT));
        EXPECT_EQ(Clipboard().AsText(), Text);
        // Another reader sees the same text through the system calls.
        ASSERT_TRUE(OpenClipboard(nullptr));
        HANDLE Data = GetClipboardData(CF_TEXT);
        ASSERT_NE(Data, nullptr);
        EXPECT_EQ(std::string(static_cast<const char*>(GlobalLock(Data))), Text);
        GlobalUnlock(Data);
        CloseClipboard();
    }
    Clipboard().Clear();
    EXPECT_FALSE(Clipboard().HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard().AsText(), "");
}

TEST(Clipboard, NestedOpenKeepsOneEntry)
{
    // Text and a second format put on as one entry: the second put does not
    // empty the clipboard again.
    const UINT Private = RegisterClipboardFormatA("Tessaly test format");
    Clipboard().Open();
    Clipboard().SetAsText("first");
    HGLOBAL Extra = GlobalAlloc(GMEM_MOVEABLE, 4);
    ASSERT_NE(SetClipboardData(Private, Extra), nullptr);
    Clipboard().Close();
    EXPECT_TRUE(Clipboard().HasFormat(CF_TEXT));
    EXPECT_TRUE(Clipboard().HasFormat(Private));
    Clipboard().SetAsText("second");
    EXPECT_FALSE(Clipboard().HasFormat(Private));
}

} // namespace
