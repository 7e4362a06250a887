#pragma once
// Three small messages as mail programs store them, and the Mozilla folder
// tree made of them, shared by the driver tests and the end-to-end test of
// the program so both convert the same mail.

#include <string>
#include <vector>

#include "testkit/TestFolder.h"

struct TTestMsg {
    std::string FromLine;
    std::vector<std::string> Lines;  // header and body, no separator line
};

inline const TTestMsg First{"From alice@example.com Mon Jan  5 10:00:00 2009",
                            {"From: Alice <alice@example.com>", "Subject: First note",
                             "Date: Mon, 05 Jan 2009 10:00:00 +0000", "Message-ID: <m1@example.com>",
                             "Content-Type: text/plain; charset=us-ascii", "",
                             "Hello there.", ">From the start, quoted."}};
inline const TTestMsg Second{"From bob@example.com Tue Jan  6 11:30:00 2009",
                             {"From: Bob <bob@example.com>", "Subject: Second note",
                              "Date: Tue, 06 Jan 2009 11:30:00 +0000", "Message-ID: <m2@example.com>",
                              "Content-Type: text/plain; charset=us-ascii", "", "Bye."}};
inline const TTestMsg Third{"From carol@example.com Wed Jan  7 08:15:00 2009",
                            {"From: Carol <carol@example.com>", "Subject: Third note",
                             "Date: Wed, 07 Jan 2009 08:15:00 +0000", "Message-ID: <m3@example.com>",
                             "Content-Type: text/plain; charset=us-ascii", "", "Third body.",
                             "", "Two paragraphs."}};

inline std::string Joined(const std::vector<std::string>& Lines, const std::string& Br)
{
    std::string s;
    for (const std::string& l : Lines)
        s += l + Br;
    return s;
}

// An mbox as a mail program writes it: separator, message, blank line.
inline std::string MboxOf(const std::vector<TTestMsg>& Msgs, const std::string& Br)
{
    std::string s;
    for (const TTestMsg& m : Msgs)
        s += m.FromLine + Br + Joined(m.Lines, Br) + Br;
    return s;
}

inline std::string EmlOf(const TTestMsg& M)
{
    return Joined(M.Lines, "\r\n");
}

// Local Folders (the path given ends in a backslash) as a Mozilla mail
// program leaves it, with Unix line ends: Inbox with a sub-folder Work, a
// Trash mailbox with its own sub-folder, and an index file whose mailbox is
// gone.
inline void PutMozillaTree(const std::string& LocalFolders)
{
    TTestFolder::Put(LocalFolders + "Inbox", MboxOf({First}, "\n"));
    TTestFolder::Put(LocalFolders + "Inbox.msf", "// index");
    TTestFolder::Put(LocalFolders + "Inbox.sbd\\Work", MboxOf({Second}, "\n"));
    TTestFolder::Put(LocalFolders + "Inbox.sbd\\Work.msf", "// index");
    TTestFolder::Put(LocalFolders + "Trash", MboxOf({Third}, "\n"));
    TTestFolder::Put(LocalFolders + "Trash.msf", "// index");
    TTestFolder::Put(LocalFolders + "Trash.sbd\\Old", MboxOf({Third}, "\n"));
    TTestFolder::Put(LocalFolders + "Trash.sbd\\Old.msf", "// index");
    TTestFolder::Put(LocalFolders + "Gone.msf", "// index");
}
