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
    size_t I = BomLength(Head);
    while (I < Head.size() && IsPadding(Head[I]))
        ++I;
    return I;
}

namespace {

// Whether the separator after the padding starts a line, as the reader
// sees it: NULs don't count, a blank or tab before it on its line does.
bool PaddingEndsLine(const std::string& Head, size_t End)
{
    const size_t Start = BomLength(Head);
    size_t Q = End;
    while (Q > Start && Head[Q - 1] == '\0')
        --Q;
    return Q == Start || Head[Q - 1] == '\r' || Head[Q - 1] == '\n';
}

}  // namespace

DWORD ReadMailboxHead(const std::string& FileName, std::string& Head)
{
    Head.clear();
    const TKernelHandle H(
        CreateFileAnyLength(FileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING));
    if (!H) {
        const DWORD Error = GetLastError();
        return Error == ERROR_FILE_NOT_FOUND || Error == ERROR_PATH_NOT_FOUND ? 0 : Error;
    }
    ReadMailboxHeadFrom(H.Get(), Head);
    return 0;
}

void ReadMailboxHeadFrom(HANDLE File, std::string& Head)
{
    Head.clear();
    char Buffer[SniffBytes];
    DWORD Got = 0;
    while (Head.size() < MaxPaddingBytes && ReadFile(File, Buffer, SniffBytes, &Got, nullptr) && Got > 0) {
        Head.append(Buffer, Got);
        if (Got < SniffBytes || Head.size() - PaddingLength(Head) >= 5)
            break;
    }
}

bool IsDeviceFile(const std::string& FileName)
{
    return IsDeviceFileName(ExtractFileNamePart(FileName));
}

TMailboxSniff SniffHead(const std::string& Head)
{
    const size_t Padding = PaddingLength(Head);
    if (Head.compare(Padding, 5, "From ") == 0 && PaddingEndsLine(Head, Padding))
        return TMailboxSniff::Mbox;
    // A single message is judged by the first bytes alone, as they stand.
    const std::string First = Head.substr(0, SniffBytes);
    const std::string Text = TrimLeftCharSetStr(First, TCharSet("\r\n"));
    const int Colon = CharPosFrom(':', Text, 1);
    if (Colon > 1 && IsHeaderFieldName(Text.substr(0, static_cast<size_t>(Colon - 1))) && !ContainsNulChar(First))
        return TMailboxSniff::Message;
    return TMailboxSniff::None;
}

TMailboxSniff SniffMailboxFile(const std::string& FileName)
{
    if (IsDeviceFile(FileName) || !IsExistingFile(FileName))
        return TMailboxSniff::None;
    std::string Head;
    if (ReadMailboxHead(FileName, Head) != 0)
        return TMailboxSniff::None;
    return SniffHead(Head);
}
