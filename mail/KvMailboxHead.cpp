#include "mail/KvMailboxHead.h"

#include "classlib/Cleanup.h"
#include "classlib/SysUtils.h"
#include "foundation/KvFiles.h"
#include "foundation/KvStrings.h"
#include "mail/KvMimeHeaders.h"

namespace {

constexpr int SniffBytes = 256;
// How far ahead of its first separator a mailbox may be padded; the reader
// skips any amount, the sniff looks this far.
constexpr size_t MaxPaddingBytes = 65536;

// What may stand ahead of a mailbox's first separator: the reader passes
// over blank lines, tabs and NUL padding, and an editor may have put a
// UTF-8 byte-order mark in front.
bool IsPadding(char C)
{
    return C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '\0';
}

}  // namespace

size_t BomLength(const std::string& Head)
{
    return Head.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
}

size_t PaddingLength(const std::string& Head)
{
    size_t i = BomLength(Head);
    while (i < Head.size() && IsPadding(Head[i]))
        ++i;
    return i;
}

namespace {

// Whether the separator after the padding starts a line, as the reader
// sees it: NULs don't count, a blank or tab before it on its line does.
bool PaddingEndsLine(const std::string& Head, size_t End)
{
    const size_t start = BomLength(Head);
    size_t q = End;
    while (q > start && Head[q - 1] == '\0')
        --q;
    return q == start || Head[q - 1] == '\r' || Head[q - 1] == '\n';
}

}  // namespace

DWORD ReadMailboxHead(const std::string& FileName, std::string& Head)
{
    Head.clear();
    const TKernelHandle h(
        CreateFileAnyLength(FileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING));
    if (!h) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : error;
    }
    char buffer[SniffBytes];
    DWORD got = 0;
    while (Head.size() < MaxPaddingBytes && ReadFile(h.Get(), buffer, SniffBytes, &got, nullptr) && got > 0) {
        Head.append(buffer, got);
        if (got < SniffBytes || Head.size() - PaddingLength(Head) >= 5)
            break;
    }
    return 0;
}

bool IsDeviceFile(const std::string& FileName)
{
    return IsDeviceFileName(ExtractFileNamePart(FileName));
}

TMailboxSniff SniffHead(const std::string& Head)
{
    const size_t padding = PaddingLength(Head);
    if (Head.compare(padding, 5, "From ") == 0 && PaddingEndsLine(Head, padding))
        return TMailboxSniff::Mbox;
    // A single message is judged by the first bytes alone, as they stand.
    const std::string first = Head.substr(0, SniffBytes);
    const std::string text = TrimLeftCharSetStr(first, TCharSet("\r\n"));
    const int colon = CharPosFrom(':', text, 1);
    if (colon > 1 && IsHeaderFieldName(text.substr(0, static_cast<size_t>(colon - 1))) && !ContainsNulChar(first))
        return TMailboxSniff::Message;
    return TMailboxSniff::None;
}

TMailboxSniff SniffMailboxFile(const std::string& FileName)
{
    if (IsDeviceFile(FileName) || !IsExistingFile(FileName))
        return TMailboxSniff::None;
    std::string head;
    if (ReadMailboxHead(FileName, head) != 0)
        return TMailboxSniff::None;
    return SniffHead(head);
}
