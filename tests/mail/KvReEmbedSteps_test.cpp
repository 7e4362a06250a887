#include <gtest/gtest.h>

#include <string>

#include "foundation/KvLists.h"
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
    EXPECT_FALSE(HasArrived(sent));
    sent.ArrivalMarked = true;
    EXPECT_TRUE(HasArrived(sent));
    TMessageParts received;
    received.Header = "Received: from a\r\n";
    EXPECT_TRUE(HasArrived(received));

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

}  // namespace
