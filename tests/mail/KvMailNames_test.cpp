#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvCharFilter.h"
#include "foundation/KvDates.h"
#include "foundation/KvFiles.h"
#include "mail/KvMailNames.h"
#include "testkit/TestFolder.h"

namespace {

const std::string DateText = "Mon, 1 Jan 2001 00:00:00 +0000";

struct TIdentityCase {
    std::string Text;
    std::string Digest;
};

TEST(KvMailNamesIdentity, DigestOfMessageIdOrFallback)
{
    const TIdentityCase cases[] = {
        {"Message-ID: <abc@x>\r\nSubject: one\r\n\r\nbody one", "8729b1870c5fc72e94c63cb48c48bf18"},
        {"Subject: two\r\nMessage-Id:\r\n <abc@x>\r\n\r\nanother body", "8729b1870c5fc72e94c63cb48c48bf18"},
        // subject and date; the recipients are not used
        {"Subject: Hi\r\nDate: " + DateText + "\r\nTo: a@b.cd\r\n\r\nbody", "5063576ae75edf09cda8eccaf95c4d6f"},
        {"To: a@b.cd\r\nCc: c@d.ef\r\nBcc: g@h.ij\r\nDate: " + DateText + "\r\n\r\nbody",
         "31753b1393a3c0dba773dc91ffa17981"},
        // no date: the From_ line stands in
        {"From a@b.cd Mon Jan  1 00:00:00 2001 \r\nSubject: Hi\r\n\r\nbody", "d9123826a1c31fee9630b80be76b48b7"},
        // no subject and no recipients: the header less the rewritten fields
        {"From: x@y.z\r\nContent-Type: text/plain\r\nX-Mailer: M\r\nDate: d\r\n\r\nbody",
         "42e61cca59a7c1217e282da52252c897"},
        {"From: x@y.z\r\nDate: d\r\nX-MimeOLE: o\r\nThread-Index: t\r\n\r\nbody",
         "42e61cca59a7c1217e282da52252c897"},
        // CR alone: no header end, the whole text is the header
        {"Subject: a\rDate: b\r\rbody", "242e5f5efd8d255f4dcd504e5b0e338f"},
        // a Message-ID that is a digest already
        {"Message-ID: $0123456789abcdef0123456789abcdef\r\n\r\n", "0123456789abcdef0123456789abcdef"},
        {"Message-ID: $0123456789ABCDEF0123456789ABCDEF\r\n\r\n", "0123456789ABCDEF0123456789ABCDEF"},
        // anything else after a "$" is a Message-ID to hash, never a name
        {"Message-ID: $..\\..\\evil\r\n\r\n", "cbb316a7bcfa1934d88cf22c92dc1b6e"},
        {"Message-ID: $0123456789abcdef0123456789abcde\r\n\r\n", "dcd93e468cb32887169353daa4bbd71d"},
        {"Message-ID: $0123456789abcdef0123456789abcdeg\r\n\r\n", "23584c95de0449df3ce4664005239fcb"},
        // a field in the body is no field
        {"Subject: a\rDate: b\r\r\n\nMessage-ID: <abc@x>\n", "242e5f5efd8d255f4dcd504e5b0e338f"},
    };
    for (const TIdentityCase& c : cases)
        EXPECT_EQ(c.Digest, GetMessageIdentityDigest(c.Text, false)) << c.Text;

    std::string result = "old";
    GetMessageIdentity("Subject: a\r\n\r\n", false, false, result);
    EXPECT_EQ("", result);
    GetMessageIdentity("Message-ID: <m@x>\r\n\r\n", false, false, result);
    EXPECT_EQ("<m@x>", result);
    GetMessageIdentity("Subject: a\rDate: b\r\rbody", false, true, result);
    EXPECT_EQ("$242e5f5efd8d255f4dcd504e5b0e338f", result);
    // IsHeader: the body is header too
    EXPECT_EQ("8729b1870c5fc72e94c63cb48c48bf18",
              GetMessageIdentityDigest("Subject: a\r\n\r\nMessage-ID: <abc@x>\r\n", true));
}

TEST(KvMailNamesDate, ReceivedThenDateThenFromLine)
{
    const std::pair<std::string, std::string> texts[] = {
        {"Received: from x by y; Tue, 03 Feb 2009 04:05:06\r\nDate: Wed, 04 Feb 2009 00:00:00\r\n\r\n",
         "Tue, 03 Feb 2009 04:05:06"},
        {"Received: from x\r\n\tby y;\r\n Tue, 03 Feb 2009 04:05:06\r\n\r\n", "Tue, 03 Feb 2009 04:05:06"},
        {"Received: from x by y\r\nDate: Wed, 04 Feb 2009 00:00:00\r\n\r\n", "Wed, 04 Feb 2009 00:00:00"},
        {"Subject: x\r\n\r\nDate: Wed, 04 Feb 2009 00:00:00\r\n", ""},
        {"", ""},
    };
    for (const auto& [text, expected] : texts)
        EXPECT_EQ(expected, GetMessageDateText(text, false)) << text;

    EXPECT_EQ(EncodeDateTime(2009, 2, 3, 4, 5, 6, 0),
              GetMessageDate("Received: by y; Tue, 03 Feb 2009 04:05:06\r\nDate: Wed, 04 Feb 2009 00:00:00\r\n\r\n", false));
    EXPECT_EQ(EncodeDateTime(2009, 2, 4, 0, 0, 0, 0), GetMessageDate("Date: Wed, 04 Feb 2009 00:00:00\r\n\r\n", false));
    EXPECT_EQ(NoDateValue, GetMessageDate("Subject: x\r\n\r\nbody", false));
    EXPECT_EQ(NoDateValue, GetMessageDate("Date: soon\r\n\r\nbody", false));

    // A From_ line date is local time and stays so.
    const std::string fromLine = "From a@b.cd Tue Feb  3 04:05:06 2009\r\nSubject: x\r\n\r\n";
    EXPECT_EQ(0u, GetMessageDateText(fromLine, false).find("Tue, 03 Feb 2009 04:05:06"));
    EXPECT_NEAR(EncodeDateTime(2009, 2, 3, 4, 5, 6, 0), GetMessageDate(fromLine, false), 1e-6);

    // Zones apply: one hour east is one hour earlier.
    const double east = GetMessageDate("Date: Tue, 03 Feb 2009 04:05:06 +0100\r\n\r\n", false);
    const double utc = GetMessageDate("Date: Tue, 03 Feb 2009 04:05:06 +0000\r\n\r\n", false);
    EXPECT_NEAR(1.0 / 24, utc - east, 1e-6);
}

struct TSubjectCase {
    std::string Text;
    int CodePage;
    std::string Expected;
};

TEST(KvMailNamesSubject, DecodedOneLine)
{
    const TSubjectCase cases[] = {
        {"Subject: Hello\r\n\r\nbody", 0, "Hello"},
        {"From: x\r\nsubject:Hello\r\n\r\n", 0, "Hello"},
        {"Subject:  two\r\n", 0, " two"},
        {"Subject:\r\n  folded\r\n\r\n", 0, "folded"},
        {"Subject: a\r\n b\r\n c\r\n\r\n", 0, "a b c"},
        {"Subject: =?iso-8859-1?Q?Gr=FC=DFe?=\r\n\r\n", 0, "Gr\xfc\xdf" "e"},
        {"Subject: =?iso-8859-1?Q?Gr=FC=DFe?=\r\n\r\n", 65001, "Gr\xc3\xbc\xc3\x9f" "e"},
        {"Subject: =?utf-8?B?SMOpbGxv?=\r\n\r\n", 1252, "H\xe9llo"},
        {"Subject: =?utf-8?Q?a?=\r\n =?utf-8?Q?b?=\r\n\r\n", 0, "ab"},
        // Raw 8-bit text: UTF-8 throughout is read as UTF-8, anything else
        // stays as it is.
        {"Subject: Gr\xc3\xbc\xc3\x9f" "e\r\n\r\n", 1252, "Gr\xfc\xdf" "e"},
        {"Subject: Caf\xe9\r\n\r\n", 1252, "Caf\xe9"},
        {"Subject: =?iso-8859-1?Q?Caf=E9?= und Gr\xc3\xbc\xc3\x9f" "e\r\n\r\n", 1252, "Caf\xe9 und Gr\xfc\xdf" "e"},
        {"Subject:\r\n\r\n", 0, ""},
        {"To: a\r\n\r\nSubject: in the body\r\n", 0, ""},
    };
    for (const TSubjectCase& c : cases) {
        std::string subject = "old";
        GetMessageSubject(c.Text, false, c.CodePage, subject);
        EXPECT_EQ(c.Expected, subject) << c.Text;
    }
    std::string subject;
    GetMessageSubject("To: a\r\n\r\nSubject: in the body\r\n", true, 0, subject);
    EXPECT_EQ("in the body", subject);
}

// Under code page 932 the trail bytes of double-byte characters are no
// reserved characters: "表示ソフト" (two of its trail bytes are "\\") stays
// itself, and the single-byte characters beside it are still mapped.
TEST(KvMailNamesSafeName, DoubleByteCharactersStayWhole)
{
    SetLeadByteCodePage(932);
    const std::string name = "\x95\x5C\x8E\xA6\x83\x5C\x83\x74\x83\x67";
    EXPECT_EQ(name, MakeSafeFileName(name, false));
    EXPECT_EQ("a~" + name + "-", MakeSafeFileName("a\\" + name + "|", false));
    // A lead byte left alone at the end goes, before any extension.
    const std::pair<std::string, std::string> lone[] = {{"Caf\xe9", "Caf"}, {"Caf \xe9", "Caf"}, {"Caf.\xe9", "Caf"},
                                                        {name + "\xe9", name}, {"\xe9", "NoName"}};
    for (const auto& [in, out] : lone)
        EXPECT_EQ(out, MakeSafeFileName(in, false)) << in;
    EXPECT_EQ("a\\Caf", MakeSafeFileName("a\\Caf\xe9", true));
    // A byte below 0x40 is no trail byte: the reserved character is mapped.
    EXPECT_EQ("a\x81-b", MakeSafeFileName("a\x81:b", false));
    EXPECT_EQ("a\x81|b", MakeSafeFileName("a\x81|b", false));
    SetLeadByteCodePage(0);
}

TEST(KvMailNamesSafeName, BuiltInMap)
{
    ASSERT_EQ(nullptr, NameFilter());
    const std::pair<std::string, std::string> names[] = {
        {"????", "NoName"},
        {"", "NoName"},
        {"Re: a/b", "Re- a-b"},
        {"Wait...", "Wait"},
        {"a\"b*c<d>e|f\\g:h", "a'bxc{d}e-f~g-h"},
        {" tab\there\r\n ", "tab here"},
        {"caf\xe9 \x7f", "caf\xe9"},
        {"[x]+y", "[x]+y"},
        {"CON", "_CON"},
        {"con.txt", "_con.txt"},
        {"COM1", "_COM1"},
        {"COMX", "COMX"},
        {"a\\b", "a~b"},
        // what Windows would strip or open as a device
        {"a. .", "a"},
        {"..", "NoName"},
        {". . .", "NoName"},
        {"CON .txt", "_CON .txt"},
        {"lpt1.eml", "_lpt1.eml"},
        {"C:\\Windows\\x", "C-~Windows~x"},
        {"\\\\server\\share", "~~server~share"},
    };
    for (const auto& [name, expected] : names)
        EXPECT_EQ(expected, MakeSafeFileName(name, false)) << name;

    const std::pair<std::string, std::string> paths[] = {
        {"\\", "\\"},
        {"a\\b:c\\con", "a\\b-c\\_con"},
        {"dir.\\x?", "dir\\x"},
        {"a\\\\b", "a\\b"},
        {"a\\...\\b", "a\\b"},
        {"space \\ x", "space\\ x"},
        {"???", "NoName"},
        {"nul.", "_nul"},
        {"\\\\server\\share\\f*", "\\\\server\\share\\fx"},
    };
    for (const auto& [path, expected] : paths)
        EXPECT_EQ(expected, MakeSafeFileName(path, true)) << path;
}

// A rules file in a data folder of the test's own.
class KvMailNamesFilter : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSavedDataFolder = DataFolder;
        FSavedUseUserFolder = UseUserFolder;
        DataFolder = FDir.Path() + "\\";
        UseUserFolder = false;
    }
    void TearDown() override
    {
        UnloadNameFilter();
        DataFolder = FSavedDataFolder;
        UseUserFolder = FSavedUseUserFolder;
    }
    void Write(const char* Name, const std::string& Text)
    {
        ASSERT_EQ(static_cast<std::int64_t>(Text.size()), SaveStringToFile(FDir.File(Name), Text));
    }

    TTestFolder FDir{"KvMailNames"};
    std::string FSavedDataFolder;
    bool FSavedUseUserFolder = false;
};

TEST_F(KvMailNamesFilter, RulesReplaceTheBuiltInMap)
{
    LoadNameFilter("Missing.dat");
    EXPECT_EQ(nullptr, NameFilter());

    Write("Filter1.dat", "SCOPE=FILES\r\n$E9\te\r\n$FC\tu\r\n");
    Write("Filter2.dat", "SCOPE=ALL\r\n$E9\tE\r\n");
    Write("Imap.dat", "SCOPE=IMAP\r\n$E9\tI\r\n");

    LoadNameFilter("Filter1.dat");
    ASSERT_NE(nullptr, NameFilter());
    EXPECT_EQ("cafe u-x", MakeSafeFileName("caf\xe9 \xfc/x?", false));
    EXPECT_EQ("a~b", MakeSafeFileName("a\\b", false));
    EXPECT_EQ("a\\b\\cafe", MakeSafeFileName("a\\b\\caf\xe9", true));
    // the backslash rule is back for the next caller
    EXPECT_EQ("a~b", MakeSafeFileName("a\\b", false));

    LoadNameFilter("Filter2.dat");  // reloaded in place
    EXPECT_EQ("cafE", MakeSafeFileName("caf\xe9", false));

    // A rule that makes a path separator or a reserved character still
    // gives a name.
    Write("Filter3.dat", "SCOPE=FILES\r\n$E9\t\\\r\n$FC\t:\r\n");
    LoadNameFilter("Filter3.dat");
    EXPECT_EQ("caf~-", MakeSafeFileName("caf\xe9\xfc", false));

    LoadNameFilter("Imap.dat");  // not for file names: the built-in map again
    EXPECT_EQ("caf\xe9-", MakeSafeFileName("caf\xe9:", false));
}

TEST(KvMailNamesExtension, FromTypeTables)
{
    const std::pair<std::string, std::string> cases[] = {
        {"image/JPEG", "jpg"},
        {"Message/RFC822", "eml"},
        {"application/x-vcard", "vcf"},
        {"image/png", "png"},
        {"Application/PDF", "pdf"},
        {"application/octet-stream", "bin"},
        {"x-unknown/thing", "att"},
        {"", "att"},
    };
    for (const auto& [type, ext] : cases)
        EXPECT_EQ(ext, ExtensionOfMimeType(type)) << type;
}

} // namespace
