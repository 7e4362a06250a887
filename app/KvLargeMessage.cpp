#include "app/KvLargeMessage.h"

#include <windows.h>

#include <algorithm>
#include <string_view>

#include "classlib/Cleanup.h"
#include "foundation/KvFiles.h"

namespace {

TKernelHandle OpenForReading(const std::string& File)
{
    return TKernelHandle(CreateFileAnyLength(File, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                             FILE_FLAG_SEQUENTIAL_SCAN));
}

// Escapes "From " at the line starts of a text handed over in pieces: the
// start of a line that may still become "From " waits for the next piece.
class TFromEscaper {
public:
    void Escape(std::string& Piece)
    {
        if (!FHeld.empty()) {
            Piece.insert(0, FHeld);
            FHeld.clear();
        }
        if (Piece.empty())
            return;
        std::size_t Line = FLineStart ? 0 : NextLine(Piece, 0);
        while (Line < Piece.size()) {
            const std::size_t Left = Piece.size() - Line;
            if (Left < FromText.size() && FromText.compare(0, Left, Piece, Line, Left) == 0) {
                FHeld.assign(Piece, Line, Left);
                Piece.resize(Line);
                FLineStart = true;
                return;
            }
            if (Piece.compare(Line, FromText.size(), FromText) == 0)
                Piece[Line] = 'f';
            Line = NextLine(Piece, Line);
        }
        FLineStart = !Piece.empty() && (Piece.back() == '\n' || Piece.back() == '\r');
    }
    // What waits at the end of the text: it never became "From ".
    void Finish(std::string& Out)
    {
        Out += FHeld;
        FHeld.clear();
    }

private:
    static constexpr std::string_view FromText = "From ";
    static std::size_t NextLine(const std::string& Text, std::size_t From)
    {
        const std::size_t At = Text.find_first_of("\r\n", From);
        return At == std::string::npos ? Text.size() : At + 1;
    }
    std::string FHeld;
    // The text's first line is its separator, which stays.
    bool FLineStart = false;
};

}  // namespace

void TBreakConverter::Convert(const char* Data, std::size_t Size, std::string& Out)
{
    std::size_t i = 0;
    if (FPendingCr && Size > 0) {
        Out += FBreak;
        FPendingCr = false;
        if (Data[0] == '\n')
            i = 1;
    }
    while (i < Size) {
        const char* from = Data + i;
        const void* hit = std::find_if(from, Data + Size, [](char c) { return c == '\r' || c == '\n'; });
        const std::size_t at = static_cast<const char*>(hit) - Data;
        Out.append(from, at - i);
        if (at == Size)
            break;
        if (Data[at] == '\n') {
            Out += FBreak;
            i = at + 1;
        } else if (at + 1 == Size) {
            FPendingCr = true;
            i = Size;
        } else {
            Out += FBreak;
            i = at + (Data[at + 1] == '\n' ? 2 : 1);
        }
    }
}

void TBreakConverter::Finish(std::string& Out)
{
    if (FPendingCr)
        Out += FBreak;
    FPendingCr = false;
}

TMessageRangeCopy::TMessageRangeCopy(std::string File, std::int64_t Pos, std::int64_t Size, std::string Break,
                                     bool DropFromLine)
    : FFile(std::move(File)), FPos(Pos), FSize(Size), FBreak(std::move(Break)), FDropFromLine(DropFromLine)
{
}

void TMessageRangeCopy::DropFinalBreak(bool KeepOwn)
{
    if (FSize < 1)
        return;
    const std::int64_t From = FPos + FSize - std::min<std::int64_t>(FSize, 3);
    const TKernelHandle File = OpenForReading(FFile);
    LARGE_INTEGER At;
    At.QuadPart = From;
    char Last[3] = {};
    DWORD Got = 0;
    const DWORD Want = static_cast<DWORD>(FPos + FSize - From);
    if (!File.Valid() || !SetFilePointerEx(File.Get(), At, nullptr, FILE_BEGIN) ||
        !ReadFile(File.Get(), Last, Want, &Got, nullptr) || Got != Want)
        return;
    const auto IsBreak = [](char C) { return C == '\r' || C == '\n'; };
    const char* End = Last + Got;
    // The final break: CR LF, LF, or a CR mailbox's CR.
    const DWORD Length = End[-1] == '\n' ? (Got >= 2 && End[-2] == '\r' ? 2 : 1) : End[-1] == '\r' ? 1 : 0;
    if (KeepOwn && Length == 0)
        FAddBreak = true;
    else if (!KeepOwn || (Got > Length && IsBreak(End[-1 - static_cast<int>(Length)])))
        FSize -= Length;
}

std::string TMessageRangeCopy::Head(std::size_t Max) const
{
    std::string head;
    const TPieceSink keep = [&](const std::string& Piece) {
        head.append(Piece, 0, std::min(Piece.size(), Max - head.size()));
        return head.size() < Max;
    };
    TMessageRangeCopy raw(FFile, FPos, std::min<std::int64_t>(FSize, static_cast<std::int64_t>(Max)), "\r\n", false);
    raw.CopyTo(keep);
    return head;
}

bool TMessageRangeCopy::CopyTo(const TPieceSink& Sink) const
{
    FError = 0;
    const TKernelHandle file = OpenForReading(FFile);
    LARGE_INTEGER at;
    at.QuadPart = FPos;
    if (!file.Valid() || !SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN)) {
        FError = GetLastError();
        return false;
    }
    TBreakConverter breaks(FBreak);
    TFromEscaper escaper;
    std::string buffer(Step, '\0');
    std::string out;
    // The separator line goes, as it does for a message held whole; it is
    // judged on its first five bytes, which may come in several pieces.
    enum class TLead { Judge, Drop, AfterCr, Copy };
    TLead lead = FDropFromLine ? TLead::Judge : TLead::Copy;
    std::string held;
    for (std::int64_t left = FSize; left > 0;) {
        const DWORD want = static_cast<DWORD>(std::min<std::int64_t>(left, static_cast<std::int64_t>(Step)));
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer.data(), want, &got, nullptr) || got == 0) {
            FError = got == 0 && GetLastError() == 0 ? ERROR_HANDLE_EOF : GetLastError();
            return false;
        }
        left -= got;
        out.clear();
        std::size_t i = 0;
        while (i < got && lead != TLead::Copy) {
            const char c = buffer[i];
            if (lead == TLead::Judge) {
                held += c;
                ++i;
                if (held.size() == 5) {
                    lead = held == "From " ? TLead::Drop : TLead::Copy;
                    if (lead == TLead::Copy)
                        breaks.Convert(held.data(), held.size(), out);
                }
            } else if (lead == TLead::Drop) {
                ++i;
                lead = c == '\n' ? TLead::Copy : c == '\r' ? TLead::AfterCr : TLead::Drop;
            } else {
                if (c == '\n')
                    ++i;
                lead = TLead::Copy;
            }
        }
        breaks.Convert(buffer.data() + i, got - i, out);
        if (left == 0) {
            if (lead == TLead::Judge)
                breaks.Convert(held.data(), held.size(), out);
            breaks.Finish(out);
        }
        if (EscapeFromLines)
            escaper.Escape(out);
        if (left == 0) {
            if (EscapeFromLines)
                escaper.Finish(out);
            if (FAddBreak)
                out += FBreak;
        }
        if (!out.empty() && !Sink(out))
            return false;
    }
    return true;
}
