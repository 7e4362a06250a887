#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "testkit/TestFolder.h"
#include "foundation/KvFiles.h"
#include "mail/KvMailboxHead.h"

namespace {

const std::string Bom = "\xEF\xBB\xBF";

// What stands ahead of the first separator, and what the head's first
// bytes make of the file.
TEST(KvMailboxHead, PaddingAndSniffOfAHead)
{
    EXPECT_EQ(BomLength(Bom + "From "), 3u);
    EXPECT_EQ(BomLength("\xEF\xBB"), 0u);
    EXPECT_EQ(PaddingLength(Bom + std::string(" \t\r\n\0", 5) + "From "), 8u);
    EXPECT_EQ(PaddingLength(std::string("\0\0", 2)), 2u);
    EXPECT_EQ(PaddingLength("From "), 0u);
    const struct {
        std::string Head;
        TMailboxSniff Kind;
    } heads[] = {
        {"From a@b Mon Jan  5 10:00:00 2009\n", TMailboxSniff::Mbox},
        {std::string("\n\0\0From a", 9), TMailboxSniff::Mbox},
        {std::string("\r\0From a", 8), TMailboxSniff::Mbox},
        {Bom + std::string("\0From a", 7), TMailboxSniff::Mbox},
        {std::string("\n \0From a", 9), TMailboxSniff::None},
        {"From", TMailboxSniff::None},
        {"Subject: x\r\n", TMailboxSniff::Message},
        {"\r\n\r\nSubject: x\r\n", TMailboxSniff::Message},
        {": x", TMailboxSniff::None},
        {"Subject x\r\n", TMailboxSniff::None},
        {std::string("Subject: x\r\n\0", 13), TMailboxSniff::None},
        // Only the first 256 bytes are looked at for a NUL.
        {"Subject: x\r\n" + std::string(243, 'a') + std::string(1, '\0'), TMailboxSniff::None},
        {"Subject: x\r\n" + std::string(244, 'a') + std::string(1, '\0'), TMailboxSniff::Message},
    };
    for (const auto& h : heads)
        EXPECT_EQ(SniffHead(h.Head), h.Kind) << h.Head;
}

// The head is read on while all of it is padding, up to 64 KiB; a file
// held by its mail program gives the error met, a missing one none.
TEST(KvMailboxHead, HeadReadPastPaddingToItsLimit)
{
    TTestFolder dir("mailboxhead");
    const std::string path = dir.File("box");
    std::string head;
    for (const size_t pad : {0u, 251u, 65531u, 65532u}) {
        ASSERT_TRUE(TTestFolder::Put(path, std::string(pad, '\n') + "From a@b Mon Jan  5 10:00:00 2009\n"));
        EXPECT_EQ(ReadMailboxHead(path, head), 0u);
        EXPECT_EQ(SniffMailboxFile(path), pad < 65532 ? TMailboxSniff::Mbox : TMailboxSniff::None) << pad;
        EXPECT_EQ(head.size(), pad == 0 ? 34u : pad < 256 ? 256u : 65536u) << pad;
    }
    ASSERT_TRUE(TTestFolder::Put(path, std::string(300, 'x')));
    EXPECT_EQ(ReadMailboxHead(path, head), 0u);
    EXPECT_EQ(head, std::string(256, 'x'));

    EXPECT_EQ(ReadMailboxHead(dir.File("missing"), head), 0u);
    EXPECT_EQ(head, "");
    const TKernelHandle held(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(ReadMailboxHead(path, head), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(SniffMailboxFile(path), TMailboxSniff::None);

    EXPECT_TRUE(IsDeviceFile("C:\\mail\\NUL"));
    EXPECT_FALSE(IsDeviceFile("C:\\NUL\\mail"));
    EXPECT_EQ(SniffMailboxFile("NUL"), TMailboxSniff::None);
}

}  // namespace

// The head the search for mailboxes reads: read on while it is padding, up
// to the padding's limit, and never more.
TEST(KvMailboxHead, ReadsOnThroughPaddingToItsLimit)
{
    TTestFolder dir("mailboxhead_limit");
    const struct {
        const char* Name;
        std::string Bytes;
        size_t Least, Most;
        TMailboxSniff Sniff;
    } files[] = {
        {"box", "From a@b Mon Jan  5 10:00:00 2009\n\nx\n", 37, 37, TMailboxSniff::Mbox},
        {"padded", std::string(3000, '\n') + "From a@b Mon Jan  5 10:00:00 2009\n", 3005, 3256, TMailboxSniff::Mbox},
        {"past the limit", std::string(70000, ' ') + "From a@b\n", 65536, 65536 + 255, TMailboxSniff::None},
    };
    for (const auto& f : files) {
        SaveStringToFile(dir.File(f.Name), f.Bytes);
        std::string head;
        EXPECT_EQ(ReadMailboxHead(dir.File(f.Name), head), 0u) << f.Name;
        EXPECT_GE(head.size(), f.Least) << f.Name;
        EXPECT_LE(head.size(), f.Most) << f.Name;
        EXPECT_EQ(head, f.Bytes.substr(0, head.size())) << f.Name;
        EXPECT_EQ(SniffHead(head), f.Sniff) << f.Name;
    }
    std::string head = "old";
    EXPECT_EQ(ReadMailboxHead(dir.File("missing"), head), 0u);
    EXPECT_TRUE(head.empty());
}
