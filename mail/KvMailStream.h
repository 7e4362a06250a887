#pragma once
// Mailboxes whose messages follow one another, each opened by a "From "
// separator line (mbox, Pine, Mozilla-family folders, Eudora data files
// read without their index): the file is searched through a window that
// slides over it, so no mailbox is ever held whole in memory.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/KvBoyerMoore.h"
#include "foundation/KvLineBreaks.h"
#include "mail/KvMailBase.h"

// The window size the conversion uses.
inline constexpr int DefaultMailBufferSize = 0x5FFFF;
// Bytes after a candidate "From " that the strict separator check sees.
inline constexpr int SeparatorLookAhead = 1024;

// The line-break kind of a file's head: the first break decides, a second
// one settles the pairs (LF LF, CR CR, LF CR).
TLineBreakKind DetectHeadLineBreak(const std::string& Text);

class TMailboxStream : public TFileMailObj {
public:
    TMailboxStream(const std::string& FileName, int BufferSize, bool OpenForWriting, TMailboxKind FormatKind);
    ~TMailboxStream() override;

    bool Next() override;
    bool NextMessage() override;
    void ReadMessageText(std::string& Text) override;
    bool MailboxHoldsArrival() override;
    // 1-based position of Separator in Buffer at or after From; 0 when none.
    virtual int SearchSeparator(int From);
    // Sets MessagePos and MessageSize of the next message; answers MessagePos.
    virtual std::int64_t FindMessageEnd();

protected:
    std::int64_t ReadMessageRange(std::string& Text) override;
    virtual void BuildSeparator();
    bool FillBuffer(std::int64_t Offset);
    int FindSeparator();
    std::int64_t ScanForSeparator(std::int64_t From);

    // The window over the file and the separator searched in it.
    std::string Buffer;
    std::string Separator;

private:
    std::string FromText;
    std::int32_t BufferLength = 0;
    std::int32_t BufferCapacity = 0;
    std::int32_t SearchPos = 1;
    std::int32_t RefillOverlap = 0;
    std::int32_t LineEndLength = 0;
    std::int32_t SeparatorLength = 0;
    std::int64_t BufferStart = -1;
    std::int64_t NextSeparatorPos = 0;
    TLineBreakKind LineBreakKind = lbkNone;
    bool ValidateFromLines = false;
    bool AtEnd = false;
    bool PlainSeparator = false;
    bool StrictFromLines = false;

    bool IsSeparatorLine(int P);
    bool FollowsBlankLine(int P);
    bool RangeEndsWithBreak(size_t Length);
    bool IsBlankRange(std::int64_t Pos, std::int64_t Size);
    // Where the file's last line starts when it is a separator line cut
    // short and starts at From or after; -1 else.
    std::int64_t CutSeparatorStart(std::int64_t From);
    std::int64_t FCutSeparator = -1;
    // Whether the piece [Pos, End) is one From_ line and blank lines only.
    bool HoldsOnlyItsFromLine(std::int64_t Pos, std::int64_t End);
    // The separator after the next one, found while judging the next one;
    // the search goes on from there.
    std::optional<std::int64_t> FPeekedSeparator;
    bool FCutReported = false;
    // Whether position P of the window, or file offset Offset, starts a
    // line: it follows a line break or the file start, NUL padding allowed
    // in between.
    bool IsLineStart(int P) const;
    bool IsLineStartInFile(std::int64_t Offset);

    // Whether a piece of the file shows a trace of arrival, found once by
    // a second reader over the file.
    enum class TArrival : std::uint8_t { Unknown, No, Yes };
    TArrival FArrival = TArrival::Unknown;
    bool ScanForArrival();

    bool FLineStartAtWindow = true;  // IsLineStart of the window's first byte
    // Set while a message is loaded: its text may be cleaned as it is read.
    bool FCleanOnRead = false;
    std::string FChunk;  // a block of a message larger than the window
    std::vector<std::size_t> FMarkLines;  // where lines that may hold a mark start
    std::size_t FLastQpSpace = 0;          // where the text's last "=20" starts (npos: none yet)
    void NoteQpSpaceAcross(const std::string& Text, std::size_t Seam);
    std::int64_t ContentSize(char* Last);
    // The clean read: one scan of a piece at a time, stopped by a CR (while
    // LF breaks are kept) or a NUL, driven over the window or block by block.
    struct TCleanRead;
    enum class TPieceStop : std::uint8_t { Done, Cr, Nul };
    bool ReadCleanText(std::string& Text);
    bool CleanTextInWindow(TCleanRead& Read, std::string_view Raw, std::string& Text);
    bool CleanTextByBlocks(TCleanRead& Read, std::string& Text);
    bool StartCleanText(TCleanRead& Read, std::string_view First, bool Whole);
    TPieceStop ScanCleanPiece(TCleanRead& Read, std::string_view Piece, std::string& Text, size_t& Stop);
    void RestartCleanText(TCleanRead& Read, std::string& Text);
    TPieceStop CleanFromNulStop(TCleanRead& Read, std::string_view Piece, size_t Stop, int Before, std::int64_t After,
                                size_t Left, std::string& Text);
    static size_t NulLineStart(std::string_view Raw, size_t Stop, int Before);
    void CleanFromNul(std::string_view Raw, size_t Stop, size_t From, std::string&& Rest, std::string& Text,
                      bool KeepLf);
    std::string KeptLfHeader(std::string_view Bytes, std::size_t Size, bool& Untyped) const;
    bool AddsLastBreak(bool EndsInBreak, size_t Length);
};

class TMboxStream : public TMailboxStream {
public:
    TMboxStream(const std::string& FileName, int BufferSize, bool OpenForWriting, TMailboxKind FormatKind);

    int SearchSeparator(int From) override;

protected:
    void BuildSeparator() override;

    TBmPattern SeparatorPattern;
};
