#include <gtest/gtest.h>

#include <string>

#include "classlib/SysUtils.h"
#include "mail/KvFromLine.h"

namespace {

const std::string Asc = "Mon Jan  1 00:00:00 2001";  // 1 January 2001 was a Monday

TDateTime Jan1st2001()
{
    return EncodeDateTime(2001, 1, 1, 0, 0, 0, 0);
}

TEST(KvFromLineKinds, ClassifiesTheLineAtTheTop)
{
    const std::pair<std::string, int> cases[] = {
        {"", flkNone},
        {"From abc", flkNone},  // no line break: no line
        {"from a@b.cd " + Asc + "\r\n", flkNone},
        {"Subject: x\r\nFrom - " + Asc + "\r\n", flkNone},
        {"From - " + Asc + "\r\nX-Mozilla-Status: 0001\r\n", flkDash},
        {"From ???@??? " + Asc + "\r\n", flkUnknown},
        {"From a@b.cd " + Asc + "\r\n", flkSender},  // five blanks, two of them padding
        {"From a@b.cd Fri Jan 12 00:00:00 2001\n", flkSender},
        {"From someone without a time\r\n", flkOther},
        {"From a x Fri Jan 12 00:00:00 2001\n", flkOther},  // five blanks, none doubled
        {"From a x Fri Jan 12 00:00:00 2001\nX:  y", flkOther},  // the doubled blank is on the next line
        {"From MD5: $4D $00000F $00000014 $00000000 $8c599b5f73ce3025ef5b13391fb93d44\r\n", flkDigest},
    };
    for (const auto& [text, kind] : cases)
        EXPECT_EQ(kind, GetFromLineKind(text)) << text;
}

TEST(KvFromLineKinds, LengthLineAndDeletion)
{
    EXPECT_EQ(7, FromLineLength("From a\nb"));
    EXPECT_EQ(0, FromLineLength("From a"));
    EXPECT_EQ("From a\r\n", GetFromLine("From a\r\nb"));
    EXPECT_EQ("", GetFromLine("Fro a\r\nb"));

    const std::pair<std::string, std::string> deletions[] = {
        {"\r\n\r\nFrom a@b.cd " + Asc + "\r\nSubject: x\r\n", "Subject: x\r\n"},
        {"\r\n", ""},
        {"From abc", "From abc"},
        {"Subject: x\r\n", "Subject: x\r\n"},
        {"\n\nbody", "body"},
        {"From a\nFrom b\n", "From b\n"},
    };
    for (const auto& [text, expected] : deletions) {
        std::string s = text;
        DeleteFromLine(s);
        EXPECT_EQ(expected, s) << text;
        EXPECT_EQ(text.substr(FromLineSkip(text)), expected) << text;
    }
    std::string s = "\r\n\nFrom x";
    TrimLeadingLineBreaks(s);
    EXPECT_EQ("From x", s);
}

TEST(KvFromLineDate, NormalisesTheAsctimeDate)
{
    const std::pair<std::string, std::string> cases[] = {
        {"From a@b.cd " + Asc + "\r\nSubject: x\r\n", Asc},
        {"From a@b.cd " + Asc + "\n", Asc},  // LF alone: the year stays whole
        {"From <a b@c.de> Tue Feb  3 04:05:06 2009\r\n", "Tue Feb  3 04:05:06 2009"},
        {"From a@b.cd " + Asc + " +0100\r\n", Asc},
        {"From a@b.cd Mon Jan  1 00:00:00 +0000 2001\r\n", Asc},
        {"From a@b.cd x y " + Asc + "\r\n", Asc},
        {"From a@b.cd Mon Jan  1 00:00:00 01\r\n", Asc},
        {"From a@b.cd Fri Jan  1 00:00:00 99\r\n", "Fri Jan  1 00:00:00 1999"},
        {"From a@b.cd Mo Jan  1 00:00:00 2001\r\n", "Mou Jan  1 00:00:00 2001"},
        {"From a@b.cd Mon Jan  1 0:00:00 2001\r\n", Asc},
        {"From a@b.cd Mon Jan  1 00:00:0 2001\r\n", Asc},
        {"From a@b.cd Mon Jan 1 00:00:00 2001\r\n", ""},  // unpadded day: no rule fits
        {"From a@b.cd Mon Jan 1 2001\r\n", ""},
        {"From MD5: $4D $00000F $00000014 $00000000 $8c599b5f73ce3025ef5b13391fb93d44\r\n", ""},
        {"From <a@b.cd Mon Jan  1 00:00:00 2001\r\n", ""},  // no closing '>'
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(expected, GetFromLineDate(text)) << text;
}

// Two-digit years up to 70 are of this century, from 71 of the last.
TEST(KvFromLineDate, TwoDigitYears70And71)
{
    const std::pair<const char*, const char*> Cases[] = {
        {"From a@b.cd Thu Jan  1 00:00:00 70\r\n", "Thu Jan  1 00:00:00 2070"},
        {"From a@b.cd Fri Jan  1 00:00:00 71\r\n", "Fri Jan  1 00:00:00 1971"},
    };
    for (const auto& [Text, Date] : Cases)
        EXPECT_EQ(GetFromLineDate(Text), Date) << Text;
}

struct TStrictCase {
    std::string Text;
    int Pos;
    bool Expected;
};

TEST(KvFromLineStrict, AcceptsRealSeparatorsOnly)
{
    const TStrictCase cases[] = {
        {"From a@b.cd " + Asc + "\nSubject: x\n", 1, true},
        {"From - " + Asc + "\r\nX-Mozilla-Status: 0001\r\n", 1, true},
        {"From ???@??? " + Asc + "\r\n\r\nbody\r\n", 1, true},
        {"From <a@b.cd> " + Asc + "\nbody\n", 1, true},
        {"From MAILER-DAEMON " + Asc + "\n\n", 1, true},
        {"From \r\nX-Header: v\r\n", 1, true},
        {"From x " + Asc + "\n\n", 1, true},  // unknown sender, but a date
        {"From - " + Asc + " +0000\nbody\n", 1, true},
        {"From user@ here\nSubject: a\n", 1, true},
        {"From a..b@xxx\nSubject: a\n", 1, true},
        {"body\nFrom a@b.cd " + Asc + "\nX: yy\n", 6, true},
        {"From a@b.cd\r\n", 1, true},  // no next line
        // body lines that must stay in their message
        {"From here on we go\nmore\n", 1, false},
        {"From a@b.cd wrote:\nand then\n", 1, false},
        {"From x y z\nSubject: a\n", 1, false},
        {"From user@ here\nbody\n", 1, false},
        {"From a..b@xyz\nSubject: a\n", 1, false},
        {"From x " + Asc + " +0100\n", 1, false},
        {"From \r\nbody\r\n", 1, false},
        {"body\r\nFrom \r\n", 7, false},  // the last line, in any break form
        {"xxFrom abc", 3, false},  // the line never ends in the buffer
        {"From a", 0, false},
    };
    for (const TStrictCase& c : cases)
        EXPECT_EQ(c.Expected, IsStrictFromLine(c.Text, c.Pos)) << c.Text;
}

// The forms mailing-list archives write, which the strict test refuses, and
// lines of prose that must never pass for one of them.
TEST(KvFromLineLoose, ArchiveFormsPassProseDoesNot)
{
    const std::pair<std::string, bool> cases[] = {
        {"From andy at example.com  Sat Nov 14 21:29:28 2015\nFrom: andy\n", true},
        {"From root Mon Jan  5 08:50:15 2004 +0100\n", true},
        {"From root Mon Jan  5 08:50:15 +0100 2004\r\n", true},
        {"From root Mon Jan  5 08:50 2004\n", true},
        {"From user%relay@example.com Mon Jan  5 08:50:15 2004\n", true},
        {"From mrc@CAC.Washington.EDU Mon Feb  8 02:53:47 PST 1993\n", true},
        {"From Hello Support Tue Jul 10 18:50:15 2012 \t\n", true},
        {"From a@b.cd " + Asc + "\n", true},
        {"From root Mon, 5 Jan 2004 08:50:15 +0100\n", true},
        {"From root 5 Jan 2004 08:50 GMT\n", true},
        {"From Mon, 5 Jan 2004 08:50:15 +0100\n", false},  // no sender
        {"From root Mon, 5 Jan 2004 08:50:15\n", false},   // no zone
        // prose and half dates
        {"From here on we go\n", false},
        {"From Monday to Friday we meet at 10:00 in 2004\n", false},
        {"From Mon Jan  5 08:50:15 2004\n", false},  // no sender
        {"From root Mon Jan  5 2004\n", false},        // no time
        {"From root Mon Jan 32 08:50:15 2004\n", false},
        {"From root Mon Jan  5 24:50:15 2004\n", false},
        {"From root Mon Jan  5 08:5:15 2004\n", false},
        {"From root Mon Foo  5 08:50:15 2004\n", false},
        {"From root Mox Jan  5 08:50:15 2004\n", false},
        {"From root Mon Jan  5 08:50:15 04\n", false},
        {"From root Mon Jan  5 08:50:15 2004 +01\n", false},
        {"From root Mon Jan  5 08:50:15 2004 and more\n", false},
        {"From root Mon Jan  5 08:50:15 2004", false},  // the line does not end in the text
        {"from root Mon Jan  5 08:50:15 2004\n", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsLooseFromLine(c.first, 1), c.second) << c.first;
    EXPECT_TRUE(IsLooseFromLine("x\n\nFrom root Mon Jan  5 08:50 2004\n", 4));
    EXPECT_FALSE(IsLooseFromLine("From root Mon Jan  5 08:50 2004\n", 0));
}

// What an unfinished write leaves of a separator line at a mailbox's end.
TEST(KvFromLineCut, ASendersAndADatesBeginningOnly)
{
    const std::pair<std::string, bool> cases[] = {
        {"From u3@exam", true},         {"From -", true},
        {"From ???@", true},            {"From a@b.cd Mon Jan  1 1", true},
        {"From a@b.cd Mon Jan 12 10:00:00 200", true},
        {"From a@b.cd " + Asc, false},  // a whole line
        {"From what", false},           {"From what I hear", false},
        {"From a@b.cd Mon 1an", false}, {"From a@b.cd Mon Jan  1 10-", false},
        {"From a@b.cd Mon Jan  x", false}, {"From u3@ex(am", false},
        {"From ", false},               {"from u3@exam", false},
        {"From u3@exam\r", false},
    };
    for (const auto& [line, cut] : cases)
        EXPECT_EQ(IsCutFromLine(line), cut) << line;
}

TEST(KvFromLineStrict, StrayCarriageReturnLaterDoesNotHideTheDate)
{
    // An LF file: the date of a separator ends at its own LF even when a CR
    // stands somewhere further on in the buffer.
    const std::string tail = "\nbody line\nmore\r\nend\n";
    EXPECT_TRUE(IsStrictFromLine("From a@b.cd " + Asc + tail, 1));
    EXPECT_TRUE(IsStrictFromLine("From x " + Asc + tail, 1));
    EXPECT_TRUE(IsAsctimeDateAt(Asc + "\nabc\rdef", 1));
    EXPECT_TRUE(IsAsctimeDateAt(Asc + "\r\n", 1));
    EXPECT_FALSE(IsAsctimeDateAt(Asc + "x\nabc\rdef", 1));
}

TEST(KvFromLineStrict, HeaderLineDateAndAddressTests)
{
    const std::pair<std::string, bool> headers[] = {
        {"Subject: x", true},  {"Ab:", true},   {"X: y", false},          {"Sub ject: x", false},
        {"no colon", false},   {":x", false},   {"Na\xe9me: x", false},    {"Name\r\n: x", false},
        {std::string(997, 'a') + ": x", true}, {std::string(998, 'a') + ": x", false},
    };
    for (const auto& [text, expected] : headers)
        EXPECT_EQ(expected, IsHeaderLineAt(text, 1)) << text;
    EXPECT_TRUE(IsHeaderLineAt("\nTo: a", 2));
    EXPECT_FALSE(IsHeaderLineAt("To: a", 6));

    const std::pair<std::string, bool> dates[] = {
        {" " + Asc, true},
        {"MON Jan  1 00:00:00 2001", true},
        {"Xyz Jan  1 00:00:00 2001", false},
        {"Mon Jan  1 00:00:00 +0000 2001", true},
        {"Mon Jan  1 00:00:00 2001 +0000", true},
        {"Mon Jan  1 00:00:00 2001 +0100", false},
        {"Mon Jan 32 00:00:00 2001", false},
    };
    for (const auto& [text, expected] : dates)
        EXPECT_EQ(expected, IsAsctimeDateAt(text, 1)) << text;

    const std::pair<std::string, bool> addresses[] = {
        {"a@b.cd", true},
        {"o'neil+x_y@a-b.example.com", true},
        {"a@[192.168.1.1]", true},
        {"a@localhost", true},
        {"ab@cd", false},  // too short
        {"abc@de", false},
        {"a..b@c.de", false},
        {"a@.b.de", false},
        {"a@b.c", false},
        {"a@b.c1", false},
        {"@abc.de", false},
        {"a*b@c.de", false},
        {"a@[192.168.1]", false},
        {"a@x[1.2.3.4]", false},
        {"abcdefg", false},
        {std::string(249, 'a') + "@b.cd", true},
        {std::string(250, 'a') + "@b.cd", false},
    };
    for (const auto& [text, expected] : addresses)
        EXPECT_EQ(expected, IsValidMailAddress(text)) << text;

    const std::pair<std::string, bool> texts[] = {
        {"<a@b>", true}, {"x!#$%&*+/=?^_`{|}~", true}, {"", true}, {"<>", true},
        {"a b", false},  {"a\"b", false},              {"a(b", false}, {"<a<b>", false},
        {"a\xe9", false},
    };
    for (const auto& [text, expected] : texts)
        EXPECT_EQ(expected, IsAddressText(text)) << text;
}

TEST(KvFromLineStrict, CleanFromLineAddress)
{
    const std::pair<std::string, std::string> cases[] = {
        {"john@example.com", "john@example.com"},
        {"john (the man) doe@example.com", "john__doe@example.com"},
        {"<a@b.cd>", "a@b.cd"},
        {"a\tb@c.de", "a_b@c.de"},
        {"a\xe9\x01@b.cd", "a@b.cd"},
        {"a@b.c", "???@???"},
        {"@abc.de", "???@???"},
        {"a@b@c.de", "???@???"},
        {std::string(40, 'x') + "@b.cde", std::string(40, 'x') + "@b.cde"},
        {std::string(41, 'x') + "@b.cde", "???@???"},
    };
    for (const auto& [address, expected] : cases) {
        std::string s = address;
        CleanFromLineAddress(s);
        EXPECT_EQ(expected, s) << address;
    }
}

struct TBuildCase {
    std::string Text;
    TFromLineKind Kind;
    TDateTime Date;
    std::string Expected;
};

TEST(KvFromLineBuild, WritesTheLineOfEachKind)
{
    const std::string msg = "Subject: s\r\n\r\nFrom here\r\nbody\r\n\r\n";
    const std::string escaped = "Subject: s\r\n\r\nfrom here\r\nbody";
    const TBuildCase cases[] = {
        {msg, flkDash, Jan1st2001(), "From - " + Asc + "\r\n" + escaped + "\r\n"},
        {msg, flkUnknown, Jan1st2001(), "From ???@??? " + Asc + "\r\n" + escaped + "\r\n"},
        {"From: John <john@example.com>\r\n\r\nx", flkSender, Jan1st2001(),
         "From john@example.com " + Asc + "\r\nFrom: John <john@example.com>\r\n\r\nx\r\n"},
        {"From: j@example.com\r\nSender: List <list@example.org>\r\n\r\nx", flkSender, Jan1st2001(),
         "From list@example.org " + Asc + "\r\nFrom: j@example.com\r\nSender: List <list@example.org>\r\n\r\nx\r\n"},
        {"Reply-To: r@example.net (Robin)\r\n\r\nx", flkSender, Jan1st2001(),
         "From r@example.net " + Asc + "\r\nReply-To: r@example.net (Robin)\r\n\r\nx\r\n"},
        {"Subject: none\r\n\r\nx", flkSender, Jan1st2001(),
         "From MAILER-DAEMON " + Asc + "\r\nSubject: none\r\n\r\nx\r\n"},
        {"From: a@b.c\r\n\r\nx", flkSender, Jan1st2001(), "From ???@??? " + Asc + "\r\nFrom: a@b.c\r\n\r\nx\r\n"},
        // no date given: the message's own
        {"Date: Tue, 03 Feb 2009 04:05:06\r\n\r\nx", flkDash, 0,
         "From - Tue Feb  3 04:05:06 2009\r\nDate: Tue, 03 Feb 2009 04:05:06\r\n\r\nx\r\n"},
        {"Subject: s\r\n\r\nbody", flkDigest, 0,
         "From MD5: $4D $00000F $00000014 $00000000 $8c599b5f73ce3025ef5b13391fb93d44\r\nSubject: s\r\n\r\nbody\r\n"},
        {msg, flkDigest, 0,
         "From MD5: $4D $00000F $0000001F $00000000 $22c7000a0505763012bc736d1ce6441e\r\n" + escaped + "\r\n"},
        {"abc", flkDigest, 0,
         "From MD5: $4F $FFFFFFFF $00000005 $00000000 $900150983cd24fb0d6963f7d28e17f72\r\nabc\r\n"},
        {msg, flkNone, Jan1st2001(), msg},
        {msg, flkOther, Jan1st2001(), msg},
        {"", flkDash, Jan1st2001(), ""},
    };
    for (const TBuildCase& c : cases) {
        const std::string built = BuildFromLineText(c.Text, c.Kind, c.Date);
        EXPECT_EQ(c.Expected, built) << c.Text << " kind " << int(c.Kind);
        // A sender line whose address had to go reads back as the unknown kind.
        const bool unknownSender = built.compare(0, 12, "From ???@???") == 0;
        if (!c.Text.empty() && c.Kind != flkNone && c.Kind != flkOther && !unknownSender) {
            EXPECT_EQ(c.Kind, GetFromLineKind(built)) << built;
        }
    }
    EXPECT_EQ(77, FromLineLength(BuildFromLineText("Subject: s\r\n\r\nbody", flkDigest, 0)));
    EXPECT_EQ(79, FromLineLength(BuildFromLineText("abc", flkDigest, 0)));
}

TEST(KvFromLineBuild, SetFromLineKindKeepsOrReplaces)
{
    const std::string dash = "From - " + Asc + "\r\nSubject: s\r\n\r\nbody\r\n";
    const std::pair<TFromLineKind, std::string> cases[] = {
        {flkDash, dash},  // already of the wanted kind
        {flkNone, "Subject: s\r\n\r\nbody\r\n"},
        {flkOther, "Subject: s\r\n\r\nbody\r\n"},
        {flkUnknown, "From ???@??? Tue Feb  3 04:05:06 2009\r\nSubject: s\r\n\r\nbody\r\n"},
    };
    for (const auto& [kind, expected] : cases) {
        std::string s = dash;
        SetFromLineKind(s, kind, EncodeDateTime(2009, 2, 3, 4, 5, 6, 0));
        EXPECT_EQ(expected, s) << int(kind);
    }
}

// An mbox copy keeps the line at the top and no other line starts "From ";
// a text without a line gets Eudora's, from its own date.
TEST(KvFromLineBuild, MboxCopyTextKeepsItsLineAndEscapesTheRest)
{
    const std::string line = "From ???@??? " + Asc + "\r\n";
    const std::pair<std::string, std::string> cases[] = {
        {line + "Subject: s\r\n\r\nFrom here\r\nFrom a@b.c " + Asc + "\r\nx\r\n",
         line + "Subject: s\r\n\r\nfrom here\r\nfrom a@b.c " + Asc + "\r\nx\r\n"},
        {"From - " + Asc + "\nFrom here\n", "From - " + Asc + "\nfrom here\n"},
        {"Date: Tue, 03 Feb 2009 04:05:06\r\n\r\nFrom here\r\n",
         "From ???@??? Tue Feb  3 04:05:06 2009\r\nDate: Tue, 03 Feb 2009 04:05:06\r\n\r\nfrom here\r\n"},
        {"", ""},
    };
    for (const auto& [text, expected] : cases) {
        std::string s = text;
        MakeMboxCopyText(s);
        EXPECT_EQ(expected, s) << text;
    }
}

} // namespace
