#include <gtest/gtest.h>

#include <string>

#include "mail/KvMailBlock.h"
#include "mail/KvMime.h"
#include "tests/mail/DeepMultipart.h"

namespace {

// One line per block, depth-first: indentation, media type, class, header
// and body as text, and the flags that matter.
void Describe(const TKvMailBlock& B, int Depth, std::string& Out)
{
    Out += std::string(static_cast<std::size_t>(Depth) * 2, ' ') + B.ContentType + " c" +
           std::to_string(B.MediaClass) + " h[" + B.GetHeaderText() + "] b[" + B.GetBodyText() + "]";
    if (B.TypeGuessed)
        Out += " guessed";
    if (B.Truncated)
        Out += " truncated";
    if (!B.FileName.empty())
        Out += " name=" + B.FileName;
    if (B.DispositionKind)
        Out += " d" + std::to_string(B.DispositionKind);
    Out += "\n";
    for (int i = 0; i < B.ChildCount(); ++i)
        Describe(*B.Child(i), Depth + 1, Out);
}

std::string Describe(const TKvMailBlock& B)
{
    std::string out;
    Describe(B, 0, out);
    return out;
}

TEST(KvMailBlock, TreesOfMessages)
{
    const struct {
        const char* Name;
        std::string Text;
        std::string Tree;
        bool HasParts;
    } cases[] = {
        {"no blank line", "Subject: x\r\nTo: y\r\n", " c0 h[Subject: x\r\nTo: y\r\n] b[]\n", false},
        {"single part", "Content-Type: text/plain; charset=utf-8\r\n\r\nHello\r\n",
         "text/plain c1 h[Content-Type: text/plain; charset=utf-8\r\n] b[Hello\r\n]\n", false},
        {"mixed with attachment",
         "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\npre\r\n--b1\r\n"
         "Content-Type: text/plain\r\n\r\nbody\r\n--b1\r\n"
         "Content-Type: application/pdf; name=\"a.pdf\"\r\n\r\nPDF\r\n--b1--\r\nepilogue\r\n",
         "multipart/mixed c16 h[Content-Type: multipart/mixed; boundary=\"b1\"\r\n] "
         "b[pre\r\n--b1\r\nContent-Type: text/plain\r\n\r\nbody\r\n--b1\r\nContent-Type: application/pdf; "
         "name=\"a.pdf\"\r\n\r\nPDF\r\n--b1--\r\nepilogue\r\n]\n"
         "  text/plain c1 h[Content-Type: text/plain\r\n] b[body\r\n]\n"
         "  application/pdf c14 h[Content-Type: application/pdf; name=\"a.pdf\"\r\n] b[PDF\r\n] name=a.pdf d1\n",
         true},
        {"no closing line: the rest is the last part",
         "Content-Type: multipart/alternative; boundary=q\r\n\r\n--q\r\nContent-Type: text/html\r\n\r\n<p>x</p>\r\n",
         "multipart/alternative c17 h[Content-Type: multipart/alternative; boundary=q\r\n] "
         "b[--q\r\nContent-Type: text/html\r\n\r\n<p>x</p>\r\n]\n"
         "  text/html c2 h[Content-Type: text/html\r\n] b[<p>x</p>\r\n]\n",
         true},
        {"padded boundary lines",
         "Content-Type: multipart/mixed; boundary=p\r\n\r\n--p  \r\nContent-Type: text/plain\r\n\r\none\r\n"
         "--p\t\r\n\r\ntwo\r\n--p-- \r\n",
         "multipart/mixed c16 h[Content-Type: multipart/mixed; boundary=p\r\n] "
         "b[--p  \r\nContent-Type: text/plain\r\n\r\none\r\n--p\t\r\n\r\ntwo\r\n--p-- \r\n]\n"
         "  text/plain c1 h[Content-Type: text/plain\r\n] b[one\r\n]\n"
         "   c0 h[] b[two\r\n]\n",
         true},
        {"apple header after boundary is body text",
         "Content-Type: multipart/mixed; boundary=z\r\n\r\n--z\r\nX-Apple-Content-Length: 5\r\n\r\nabc\r\n--z--\r\n",
         "multipart/mixed c16 h[Content-Type: multipart/mixed; boundary=z\r\n] "
         "b[--z\r\nX-Apple-Content-Length: 5\r\n\r\nabc\r\n--z--\r\n]\n"
         "   c0 h[] b[X-Apple-Content-Length: 5\r\n\r\nabc\r\n]\n",
         true},
        {"no boundary line: typed from the body",
         "Content-Type: multipart/mixed; boundary=none\r\n\r\n  <html>hi</html>\r\n",
         "multipart/mixed c2 h[Content-Type: multipart/mixed; boundary=none\r\n] b[  <html>hi</html>\r\n] guessed\n",
         false},
        {"no boundary line, enriched",
         "Content-Type: multipart/mixed; boundary=none\r\n\r\n<x-rich>hi\r\n",
         "multipart/mixed c3 h[Content-Type: multipart/mixed; boundary=none\r\n] b[<x-rich>hi\r\n] guessed\n",
         false},
        {"closing line first ends the split",
         "Content-Type: multipart/mixed; boundary=e\r\n\r\n--e--\r\n",
         "multipart/mixed c16 h[Content-Type: multipart/mixed; boundary=e\r\n] b[--e--\r\n]\n", false},
        {"multipart without body is cut off",
         "Content-Type: multipart/mixed; boundary=e\r\n",
         "multipart/mixed c16 h[Content-Type: multipart/mixed; boundary=e\r\n] b[] truncated\n", false},
        {"nested, inline part and location name",
         "Content-Type: multipart/related; boundary=o\r\n\r\n--o\r\n"
         "Content-Type: multipart/alternative; boundary=i\r\n\r\n--i\r\nContent-Type: text/plain\r\n\r\nt\r\n"
         "--i--\r\n\r\n--o\r\nContent-Type: image/gif\r\nContent-ID: <c1>\r\n"
         "Content-Location: http://h/p/pic.gif\r\n\r\nGIF\r\n--o--\r\n",
         "multipart/related c18 h[Content-Type: multipart/related; boundary=o\r\n] b[--o\r\nContent-Type: "
         "multipart/alternative; boundary=i\r\n\r\n--i\r\nContent-Type: text/plain\r\n\r\nt\r\n--i--\r\n\r\n--o\r\n"
         "Content-Type: image/gif\r\nContent-ID: <c1>\r\nContent-Location: http://h/p/pic.gif\r\n\r\nGIF\r\n"
         "--o--\r\n]\n"
         "  multipart/alternative c17 h[Content-Type: multipart/alternative; boundary=i\r\n] "
         "b[--i\r\nContent-Type: text/plain\r\n\r\nt\r\n--i--\r\n\r\n]\n"
         "    text/plain c1 h[Content-Type: text/plain\r\n] b[t\r\n]\n"
         "  image/gif c10 h[Content-Type: image/gif\r\nContent-ID: <c1>\r\nContent-Location: "
         "http://h/p/pic.gif\r\n] b[GIF\r\n] name=pic.gif d2\n",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TKvMailBlock b(c.Text);
        EXPECT_EQ(c.Tree, Describe(b));
        EXPECT_EQ(c.HasParts, b.HasParts());
    }
}

TEST(KvMailBlock, SharesOneTextAndAnswersMediaClasses)
{
    const std::string text =
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\nx\r\n"
        "--b\r\nContent-Disposition: attachment; filename=\"=?iso-8859-1?Q?r=E9sum=E9.txt?=\"\r\n"
        "Content-Type: text/plain; charset=nonsense\r\n\r\ny\r\n--b--\r\n";
    TKvMailBlock b(text);
    ASSERT_EQ(2, b.ChildCount());
    EXPECT_EQ(b.Text.get(), b.Child(0)->Text.get());
    EXPECT_EQ(2, b.Child(1)->Index);
    EXPECT_EQ(1, b.Child(1)->DispositionKind);
    EXPECT_EQ("r\xE9sum\xE9.txt", b.Child(1)->FileName);
    EXPECT_EQ(-1, b.Child(1)->CodePage);
    EXPECT_TRUE(b.HasMediaClass(mcTextPlain));
    EXPECT_TRUE(b.HasMediaClass(mcMultiMixed));
    EXPECT_FALSE(b.HasMediaClass(mcTextHtml));

    b.SetText("Content-Type: text/html\r\n\r\n<p>");
    EXPECT_EQ(0, b.ChildCount());
    EXPECT_TRUE(b.HasMediaClass(mcTextHtml));
    EXPECT_EQ("<p>", b.GetBodyText());
}

TEST(KvMailBlock, DeepNestingStopsAtTheLimit)
{
    // Thousands of multiparts, each opening the next and none closed: the
    // light tree must stop at the same depth as the full one, keeping what
    // lies deeper as the body of its last level.
    const int levels = 5000;
    const std::string text = DeepMultipartText(levels);
    TKvMailBlock root(text);
    const TKvMailBlock* b = &root;
    int depth = 0;
    while (b->ChildCount() > 0) {
        ASSERT_EQ(1, b->ChildCount());
        b = b->Child(0);
        ++depth;
    }
    EXPECT_EQ(MaxMimeDepth, depth);
    EXPECT_NE(std::string::npos, b->GetBodyText().find("leaf"));
    EXPECT_TRUE(root.HasParts());
}

}  // namespace
