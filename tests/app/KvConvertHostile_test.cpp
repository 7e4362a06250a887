// Conversion runs over trees and targets built to trip the driver: link
// loops, device names, names the code page cannot carry, mailboxes without
// an index, unusable targets.

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "ConvertTestFiles.h"
#include "app/KvConvertDriver.h"
#include "classlib/SysUtils.h"
#include "foundation/KvFiles.h"
#include "tests/TestFolder.h"
#include "tests/TestLinks.h"

namespace {

std::string Message(int N, const std::string& Br = "\n")
{
    const std::string n = std::to_string(N);
    return "From a@b Mon Jan  5 10:00:00 2009" + Br + "From: a@b" + Br + "Subject: note " + n + Br +
           "Date: Mon, 05 Jan 2009 10:00:00 +0000" + Br + "Message-ID: <m" + n + "@b>" + Br + Br + "Body " + n +
           "." + Br + Br;
}

std::string Mbox(std::initializer_list<int> Numbers)
{
    std::string s;
    for (const int n : Numbers)
        s += Message(n);
    return s;
}

// The names of the written message files, sorted.
std::vector<std::string> Written(const TConvertRun& R)
{
    std::vector<std::string> names;
    for (const auto& [name, bytes] : TreeFiles(R.Out()))
        names.push_back(name);
    return names;
}

}  // namespace

TEST(KvConvertHostile, MozillaTreeWithLoopsDevicesWideNamesAndOrphans)
{
    TConvertRun r;
    const std::string src = r.Dir.File("src");
    PutFile(src + "\\Inbox", Mbox({1, 2}));
    PutFile(src + "\\Inbox.msf", "index");
    PutFile(src + "\\Inbox.sbd\\Work", Mbox({3}));
    PutFile(src + "\\Inbox.sbd\\Work.msf", "index");
    // A mailbox whose name is a device: the search must not open it.
    PutFile(src + "\\Inbox.sbd\\x", "");
    ASSERT_TRUE(PutWideNamedFile(src + "\\Inbox.sbd", "AUX", Mbox({90})));
    ASSERT_TRUE(PutWideNamedFile(src + "\\Inbox.sbd", "AUX.msf", "index"));
    // Names the ANSI code page cannot give, or that the ANSI API trims.
    ASSERT_TRUE(PutWideNamedFile(src, "\xD0\x96\xD1\x83\xD0\xBA", Mbox({4})));
    ASSERT_TRUE(PutWideNamedFile(src, "\xD0\x96\xD1\x83\xD0\xBA.msf", "index"));
    ASSERT_TRUE(PutWideNamedFile(src, "\xE5\x90\x8D\xE5\x89\x8D", Mbox({5})));
    ASSERT_TRUE(PutWideNamedFile(src, "\xE5\x90\x8D\xE5\x89\x8D.msf", "index"));
    ASSERT_TRUE(PutWideNamedFile(src, "Old.", Mbox({6})));
    ASSERT_TRUE(PutWideNamedFile(src, "Old..msf", "index"));
    // Mailboxes without their index: named in the log, not converted.
    PutFile(src + "\\Orphan", Mbox({91}));
    PutFile(src + "\\Inbox.sbd\\Lost", Mbox({92}));
    PutFile(src + "\\notes.txt", "not a mailbox");
    TFolderLink loop(src + "\\Inbox.sbd\\loop", src);

    r.Add(src + "\\*.msf", mftThunderbird);
    r.Host.Choices.IncludeSubfolders = true;
    r.Target(mftEml, r.Out() + "\\");
    r.Start();

    const std::vector<std::string> written = Written(r);
    EXPECT_EQ(written, (std::vector<std::string>{"note 1.eml", "note 2.eml", "note 3.eml", "note 4.eml",
                                                 "note 5.eml", "note 6.eml"}))
        << r.LogText();
    EXPECT_EQ(r.Summary(), Counters(5, 6, 0, 0)) << r.LogText();
    EXPECT_EQ(r.Lines("Not searched: " + src + "\\Inbox.sbd\\AUX.msf (a device name").size(), 1u) << r.LogText();
    const std::string orphan = "Mailbox without an index file skipped (add it by hand to convert it): ";
    EXPECT_EQ(r.Lines(orphan).size(), 2u) << r.LogText();
    EXPECT_EQ(r.Lines(orphan + src + "\\Orphan").size(), 1u);
    EXPECT_EQ(r.Lines(orphan + src + "\\Inbox.sbd\\Lost").size(), 1u);
    if (loop.Exists())
        EXPECT_EQ(r.Lines("Not searched: " + src + "\\Inbox.sbd\\loop (folder searched already").size(), 1u)
            << r.LogText();
    else
        std::printf("no folder link could be made: the loop case did not run\n");
}

TEST(KvConvertHostile, EveryUnreadableMailboxGetsItsTrueReason)
{
    TConvertRun r;
    const std::string src = r.Dir.File("src");
    ForceFolders(src);
    ASSERT_TRUE(PutWideNamedFile(src, "CON", Mbox({1})));
    ASSERT_TRUE(PutWideNamedFile(src, "com3.mbox", Mbox({2})));
    PutFile(src + "\\Held", Mbox({3}));
    PutFile(src + "\\Free", Mbox({4}));
    // Held open, shared with nobody, as a mail program holds its mailbox.
    const HANDLE held = CreateFileA((src + "\\Held").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    for (const char* name : {"CON", "com3.mbox", "Held", "Free"})
        r.Add(src + "\\" + name, mftMbox);
    r.Target(mftEml, r.Out() + "\\");
    r.Start();
    CloseHandle(held);

    const std::vector<std::string>& log = r.Host.Log;
    auto after = [&](const std::string& Name) {
        for (size_t i = 0; i + 1 < log.size(); ++i)
            if (log[i] == "Processing: " + src + "\\" + Name)
                return log[i + 1];
        return std::string("(not processed)");
    };
    EXPECT_EQ(after("CON"), "Mailbox cannot be read: CON is a device name");
    EXPECT_EQ(after("com3.mbox"), "Mailbox cannot be read: com3.mbox is a device name");
    EXPECT_EQ(after("Held"), "Mailbox locked");
    EXPECT_EQ(after("Free"), "Done");
    EXPECT_EQ(Written(r), std::vector<std::string>{"note 4.eml"});
}
