#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "testkit/TestFolder.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLists.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvMsgParts.h"
#include "mail/KvReEmbedSteps.h"

namespace {

// A body goes to the HTML text when its type says so, or when a text of no
// type carries markup; quoted-printable is decoded, blank text dropped.
TEST(KvReEmbedSteps, BodySortedIntoPlainAndHtml)
{
    const struct {
        const char* Type;
        const char* Encoding;
        const char* Body;
        const char* Plain;
        const char* Html;
    } cases[] = {
        {"text/plain", "", "a <p> b", "a <p> b", ""},
        {"text/html", "", "<b>x</b>", "", "<b>x</b>"},
        {"", "", "a<br>b", "", "a<br>b"},
        {"", "", "</div>", "", "</div>"},
        {"", "", "plain words", "plain words", ""},
        {"text/plain", "Quoted-Printable", "a=3Db", "a=b", ""},
        {"text/html", "quoted-printable", "<p>=E9", "", "<p>\xE9"},
        {"text/plain", "", " \r\n\t", "", ""},
    };
    for (const auto& c : cases) {
        TMessageParts parts;
        parts.MediaType = c.Type;
        parts.TransferEncoding = c.Encoding;
        parts.PlainText = c.Body;
        ClassifyBody(parts);
        EXPECT_EQ(parts.PlainText, c.Plain) << c.Body;
        EXPECT_EQ(parts.Html, c.Html) << c.Body;
    }

    // Arrival shows in the header or in the store's mark.
    TMessageParts sent;
    sent.Header = "Subject: x\r\n";
    EXPECT_FALSE(sent.Received());
    sent.Arrival = TArrivalVerdict(true);
    EXPECT_TRUE(sent.Received());
    TMessageParts received;
    received.Header = "Received: from a\r\n";
    EXPECT_TRUE(received.Received());

    // Preloaded files are found by their exact bare name.
    TDoubleStringList preloaded;
    preloaded.AddPair("a.pdf", "bytes a");
    preloaded.AddPair("b.pdf", "bytes b");
    EXPECT_EQ(FindPreloaded(&preloaded, "a.pdf"), 0);
    EXPECT_EQ(FindPreloaded(&preloaded, "b.pdf"), 1);
    EXPECT_EQ(FindPreloaded(&preloaded, "B.pdf"), -1);
    EXPECT_EQ(FindPreloaded(&preloaded, ""), -1);
    EXPECT_EQ(FindPreloaded(nullptr, "a.pdf"), -1);
}

// Files added to a text make it multipart/mixed, its charset kept for the
// text; a message of that type already, or one without files, keeps its header.
TEST(KvReEmbedSteps, HeaderOnceTheFilesAreIn)
{
    const std::string plain = "Subject: s\r\nContent-Type: text/plain; charset=koi8-r\r\n"
                              "Content-Transfer-Encoding: 8bit\r\n";
    const std::string mixed = "Subject: s\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n";
    for (const auto& [header, added, type] :
         {std::tuple<std::string, int, std::string>{plain, 2, "multipart/mixed"}, {plain, 0, "text/plain"},
          {mixed, 2, "multipart/mixed"}}) {
        TMessageParts parts;
        parts.ParseHeader(header);
        parts.PlainText = "text";
        FinishHeader(parts, added, false);
        EXPECT_EQ(GetContentType(parts.Header, true, true), type) << header << added;
        EXPECT_EQ(parts.Header.find("Transfer-Encoding") == std::string::npos, added > 0) << parts.Header;
        EXPECT_EQ(parts.Charset, header == plain ? "koi8-r" : "") << parts.Header;
        if (header == mixed) {
            EXPECT_EQ(parts.Header, mixed);
        }
    }
    // A message of one file becomes that file, typed by the bytes embedded,
    // never by a file its name holds by now.
    TTestFolder dir("finishheader");
    SaveStringToFile(dir.File("picture"), "\x89PNG\r\n\x1A\n....");
    TMessageParts single;
    single.AddAttachment()->SetData("GIF89a....", std::string());
    single.Attachment(0)->SetPath(dir.File("picture"));
    FinishHeader(single, 1);
    EXPECT_EQ(GetContentType(single.Header, true, true), "image/gif") << single.Header;
}

}  // namespace
