#include "mail/KvMailStream.h"

#include <algorithm>
#include <new>

#include "classlib/ResStrings.h"
#include "classlib/Streams.h"
#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvSearch.h"
#include "mail/KvFromLine.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvNamedFiles.h"

namespace {

enum : int { SMailboxEndsInSeparator = 21180 };

const TResStringRegistrar MailStreamTexts{
    {SMailboxEndsInSeparator, "Mailbox ends inside a separator line at offset %s"},
};

// How much of a mailbox's end is looked at for a separator line cut short.
constexpr std::int32_t CutLineReach = 256;

// Reads up to Count bytes at Offset into Storage, which grows to Count when
// smaller and never shrinks: a block read after a shorter one reads over
// its bytes instead of having them cleared first. Answers what arrived.
std::string_view ReadOver(TStream& Stream, std::int64_t Offset, std::int32_t Count, std::string& Storage)
{
    if (Count < 1 || Stream.Seek(Offset, soFromBeginning) != Offset)
        return std::string_view();
    if (Storage.size() < static_cast<size_t>(Count))
        Storage.resize(static_cast<size_t>(Count));
    std::int32_t Got = 0;
    while (Got < Count) {
        const std::int32_t N = Stream.Read(Storage.data() + Got, Count - Got);
        if (N <= 0)
            break;
        Got += N;
    }
    return std::string_view(Storage.data(), static_cast<size_t>(Got));
}

// Reads up to Count bytes at Offset into Into, whose storage is reused (the
// window is not allocated and cleared anew for every refill).
void ReadInto(TStream& Stream, std::int64_t Offset, std::int32_t Count, std::string& Into)
{
    Into.resize(ReadOver(Stream, Offset, Count, Into).size());
}

// Reads up to Count bytes at Offset; answers what arrived.
std::string ReadAt(TStream& Stream, std::int64_t Offset, std::int32_t Count)
{
    std::string s;
    ReadInto(Stream, Offset, Count, s);
    return s;
}

bool IsBreakChar(char C) { return C == '\r' || C == '\n'; }

// How an Eudora store's own separator line starts.
constexpr std::string_view EudoraOwnSeparator = "From ???@???";

// How far a header is looked at for the name of a field.
constexpr size_t HeadLookLimit = 0x10000;

// Whether the header that opens Bytes names a Content-Type: the name stands
// before its blank line, which lies in Bytes' first 64 KiB (CR LF or LF
// breaks).
bool HeadNamesContentType(std::string_view Bytes)
{
    Bytes = Bytes.substr(0, HeadLookLimit);
    for (size_t P = Bytes.find('\n'); P != std::string_view::npos && P + 1 < Bytes.size(); P = Bytes.find('\n', P + 1))
        if (Bytes[P + 1] == '\n' || (Bytes[P + 1] == '\r' && P + 2 < Bytes.size() && Bytes[P + 2] == '\n'))
            return SearchBuffer(Bytes.data(), static_cast<int>(P), FieldContentType, nullptr, 0, -1) >= 0;
    return false;
}

}  // namespace

TLineBreakKind DetectHeadLineBreak(const std::string& Text)
{
    const size_t n = Text.size();
    size_t i = Text.find_first_of("\r\n");
    if (i == std::string::npos)
        return lbkDetect;
    if (i + 1 == n)
        return Text[i] == '\n' ? lbkLf : lbkCr;
    TLineBreakKind tentative;
    const char a = Text[i];
    const char b = Text[i + 1];
    if (a == '\r' && b == '\n')
        return lbkCrLf;
    if (a == '\n' && b == '\n') {
        tentative = lbkLf;
        i += 2;
    } else if (a == '\r' && b == '\r') {
        tentative = lbkCr;
        i += 2;
    } else if (a == '\n' && b == '\r') {
        tentative = lbkLfCr;
        i += 2;
    } else {
        tentative = a == '\r' ? lbkCr : lbkLf;
        i += 1;
    }
    i = Text.find_first_of("\r\n", i);
    if (i == std::string::npos)
        return tentative;
    const char c = Text[i];
    const char d = i + 1 < n ? Text[i + 1] : '\0';
    if (c == '\r')
        return d == '\n' ? lbkCrLf : lbkCr;
    return d == '\n' ? lbkLf : d == '\r' ? lbkLfCr : lbkLf;
}

// ---------------------------------------------------------------------------
// TMailboxStream
// ---------------------------------------------------------------------------

TMailboxStream::TMailboxStream(const std::string& AFileName, int BufferSize, bool AOpenForWriting,
                               TMailboxKind AFormatKind)
{
    OpenForWriting = AOpenForWriting;
    FormatKind = AFormatKind;
    SetFileName(AFileName);
    if (!OpenFile())
        return;
    PlainSeparator = IsPlainSeparatorKind(AFormatKind);
    FixLineBreaks = true;
    std::string head;
    ReadHead(255, head);
    LineBreakKind = DetectHeadLineBreak(head);
    ValidateFromLines = StrictFromLines = !PlainSeparator;
    if (!PlainSeparator) {
        FromText = "From ";
        StripNul = true;
    }
    BuildSeparator();
    // A separator that ends a window was found there already; the next
    // window repeats only the bytes of one that straddles the edge.
    RefillOverlap = SeparatorLength - 1;
    BufferCapacity = BufferLength = std::max(BufferSize, SeparatorLength);
    // Only what the first fill reads is made room for: a small mailbox
    // clears no window's worth of storage.
    Buffer.reserve(static_cast<size_t>(BufferCapacity));
    BufferStart = -1;
}

TMailboxStream::~TMailboxStream() = default;

void TMailboxStream::BuildSeparator()
{
    if (PlainSeparator) {
        const bool lf = LineBreakKind == lbkDetect || LineBreakKind == lbkCrLf || LineBreakKind == lbkLf;
        Separator = std::string(1, lf ? '\n' : '\r') + "From ";
        LineEndLength = 1;
    } else {
        Separator = "From ";
        LineEndLength = 0;
    }
    SeparatorLength = static_cast<std::int32_t>(Separator.size());
}

// The line break that ends a message belongs to the separator after it, in
// a CR-only mailbox as much as in an LF or CR LF one; the base reader knows
// only the last two.
void TMailboxStream::ReadMessageText(std::string& Text)
{
    if (FCleanOnRead) {
        FCleanOnRead = false;
        if (ReadCleanText(Text)) {
            StripNul = FixLineBreaks = false;
            return;
        }
    }
    TFileMailObj::ReadMessageText(Text);
    // NUL padding before the next separator is no text of the message: the
    // line break in front of it goes as it would without the padding. (When
    // the range ended in a break, that break went already.)
    const bool Padded = static_cast<std::int64_t>(Text.size()) == MessageSize;
    if (StripNul && Padded && !Text.empty() && Text.back() == '\0') {
        const size_t Last = Text.find_last_not_of('\0');
        Text.resize(Last == std::string::npos ? 0 : Last + 1);
        if (!Text.empty() && Text.back() == '\n') {
            Text.pop_back();
            if (!Text.empty() && Text.back() == '\r')
                Text.pop_back();
        }
    }
    if (LineBreakKind == lbkCr && !Text.empty() && Text.back() == '\r')
        Text.pop_back();
    // NULs left at the end go with the NUL repair: the byte before them
    // tells whether the text ends in a break.
    const size_t End = StripNul ? Text.find_last_not_of('\0') : Text.size() - 1;
    if (!Text.empty() && AddsLastBreak(End != std::string::npos && IsBreakChar(Text[End]), Text.size()))
        Text += LineBreakKind == lbkCr ? "\r" : LineBreakKind == lbkCrLf ? "\r\n" : "\n";
}

// Whether a text of Length bytes (not empty) gets a line break at its end.
bool TMailboxStream::AddsLastBreak(bool EndsInBreak, size_t Length)
{
    if (EndsInBreak)
        return false;
    // No separator follows the last message: only a blank line at the end
    // of the file is the separator's, the break that ends its last line is
    // the message's own.
    if (NextSeparatorPos < 0 && FCutSeparator < 0 && RangeEndsWithBreak(Length))
        return true;
    // A text that ends in a break here lost a blank line, the separator's;
    // one that does not lost the break of its last line, or never had one.
    return OwnLastBreak && !Damaged;
}

bool TMailboxStream::NextMessage()
{
    // The load cleans the text it read (NULs, line breaks) unless the read
    // did so already: a read that did clears the flags for that one load.
    struct TRestore {
        TMailboxStream& Reader;
        bool StripNul, FixLineBreaks;
        ~TRestore()
        {
            Reader.StripNul = StripNul;
            Reader.FixLineBreaks = FixLineBreaks;
            Reader.FCleanOnRead = false;
        }
    } restore{*this, StripNul, FixLineBreaks};
    FCleanOnRead = FixLineBreaks;
    const bool More = TFileMailObj::NextMessage();
    // Said once, after the message it followed was read.
    if (FCutSeparator >= 0 && !FCutReported) {
        FCutReported = true;
        ++ReadProblems;
        WriteErrorLine(Format(LoadResString(SMailboxEndsInSeparator), std::to_string(FCutSeparator)));
    }
    return More;
}

namespace {

// The breaks the load looks at to tell a message's kind of break pairs.
constexpr int MessageBreaksLooked = 4;
// Bytes read at a time from a message larger than the window.
constexpr std::int32_t ReadChunkSize = 0x10000;

// Whether the load's cleaning of a text that begins with Head (Whole: that
// is the text) is the one scan's: no pairs of another kind among its first
// breaks. A head cut from a longer text is looked at only up to its last
// byte that is no part of a break, and must show enough breaks to tell.
bool FirstBreaksArePlain(std::string_view Head, bool Whole)
{
    if (!Whole) {
        const size_t cut = Head.find_last_not_of(std::string_view("\r\n\x1C\x14", 4));
        Head = Head.substr(0, cut == std::string_view::npos ? 0 : cut + 1);
    }
    int found = 0;
    const TLineBreakKind kind = DetectLineBreakKind(Head, MessageBreaksLooked, &found);
    return kind != lbkLfCr && kind != lbkCrCrLf && kind != lbkFsGs &&
           (Whole || kind == lbkMixed || found == MessageBreaksLooked);
}

// Whether the header of a text that begins with Head ends so early that the
// header-size check (a blank line within the first Limit bytes) says the
// same of the bytes as they stand and of the text with its breaks made CR
// LF, which may take twice their room. Only the bytes up to the first blank
// line found are looked at again.
bool HeaderEndsWithin(std::string_view Head, std::int64_t Limit)
{
    const std::int64_t Reach = (Limit - 6) / 2;
    if (Reach < 1)
        return false;
    size_t End = std::min<size_t>(Head.size(), static_cast<size_t>(std::min<std::int64_t>(Reach, 0x7FFFFFFF)));
    bool Found = false;
    for (const std::string_view Blank : {std::string_view("\n\n"), std::string_view("\n\r\n"), std::string_view("\r\r")}) {
        const size_t At = Head.substr(0, End).find(Blank);
        if (At != std::string_view::npos) {
            End = At + Blank.size();
            Found = true;
        }
    }
    return Found;
}

}  // namespace

// One clean read of a message's text: what its first piece settled and what
// the scans of its pieces carry on to the next.
struct TMailboxStream::TCleanRead {
    size_t Keep = 0;              // the text's bytes that are read
    bool HeaderEndAsked = false;  // its header's end must show in its first bytes
    bool QpWatched = false;       // its scans note where its last "=20" lies
    bool Lf = false;              // its LF breaks are kept as they stand
    bool LfUntyped = false;
    char LastByte = '\0';  // the text's last byte that is no NUL, for its end
    TLineStartWatch Watch;
    std::string LfHeader;
};

// A message is copied out of the window (or read from the file a block at
// a time, when it is larger) with its line breaks made CR LF in the one
// scan that looks for NULs: the load then has nothing left to clean. A text
// this cannot give as the load's cleaning would (NULs to repair, break
// pairs of another kind, a code page with lead bytes, a header the
// header-size check must see raw, a file that shrank, no room) is read as it
// stands.
bool TMailboxStream::ReadCleanText(std::string& Text)
{
    if (MessagePos < 0 || MessageSize < 1 || MessageSize > MaxMessageSize || AnsiHasLeadBytes())
        return false;
    TCleanRead Read;
    // A text too large for its cleaned copy to stay under the header-size
    // limit must show its header's end in its first bytes.
    Read.HeaderEndAsked = 2 * MessageSize + 2 > LargeHeaderSize;
    const std::int64_t Offset = MessagePos - BufferStart;
    const bool InWindow = BufferStart >= 0 && Offset >= 0 && Offset + MessageSize <= BufferLength;
    // NUL padding at the end goes as the NUL repair would take it: the
    // text is what stands before it.
    const std::int64_t Content = StripNul ? ContentSize(nullptr) : MessageSize;
    if (Content < 1)
        return false;
    const size_t Size = static_cast<size_t>(Content);
    // What the plain read cuts off the end: the break before the separator,
    // and in a CR mailbox a bare CR; the message's last bytes tell.
    const size_t T = std::min<size_t>(4, Size);
    const std::string Last = InWindow ? Buffer.substr(static_cast<size_t>(Offset) + Size - T, T)
                                      : ReadAt(*Stream, MessagePos + Content - static_cast<std::int64_t>(T),
                                               static_cast<std::int32_t>(T));
    if (Last.size() != T)
        return false;
    size_t K = T;
    if (Last[K - 1] == '\n')
        K -= K >= 2 && Last[K - 2] == '\r' ? 2 : 1;
    if (LineBreakKind == lbkCr && K > 0 && Last[K - 1] == '\r')
        --K;
    const size_t Keep = Read.Keep = Size - (T - K);
    Text.clear();
    try {
        Text.reserve(Keep + Keep / 16 + 2);
    } catch (const std::bad_alloc&) {
        // The plain read logs a message there is no room for.
        Text = std::string();
        return false;
    }
    FMarkLines.clear();
    // A text without a Content-Type is told quoted-printable by an "=20" in
    // its body: the scan notes where the last one lies, for the kinds that
    // add the field.
    FLastQpSpace = std::string::npos;
    Read.QpWatched = FormatKind == mbkMbox || FormatKind == mbkMboxAttachLines;
    Read.Watch = TLineStartWatch{MarkLineFirsts(), &FMarkLines, nullptr};
    Read.LastByte = Keep > 0 ? Last[K - 1] : '\0';
    // For a target of LF breaks, a text whose breaks are all LF already is
    // handed on as it stands, when nothing in it asks for a change: making
    // its breaks CR LF here and LF again in the writer gives the same bytes.
    Read.Lf = KeepLfBreaks && LineBreakKind == lbkLf;
    if (!(InWindow ? CleanTextInWindow(Read, std::string_view(Buffer.data() + Offset, Keep), Text)
                   : CleanTextByBlocks(Read, Text)))
        return false;
    if (Keep > 0 && AddsLastBreak(IsBreakChar(Read.LastByte), Keep))
        Text += Read.Lf ? "\n" : "\r\n";
    NoteMarkLines(Text, FMarkLines);
    if (Read.QpWatched)
        LastQpSpace = FLastQpSpace;
    if (Read.Lf) {
        LfTextHeader = std::move(Read.LfHeader);
        LfTextUntyped = Read.LfUntyped;
    }
    return true;
}

// A text that lies whole in the window is its one piece.
bool TMailboxStream::CleanTextInWindow(TCleanRead& Read, std::string_view Raw, std::string& Text)
{
    if (!StartCleanText(Read, Raw, true))
        return false;
    for (;;) {
        size_t Stop = 0;
        TPieceStop Why = ScanCleanPiece(Read, Raw, Text, Stop);
        if (Why == TPieceStop::Nul)
            Why = CleanFromNulStop(Read, Raw, Stop, 0, 0, 0, Text);
        if (Why != TPieceStop::Cr)
            return Why == TPieceStop::Done;
        // A CR anywhere, and the text is made CR LF as any other.
        RestartCleanText(Read, Text);
    }
}

// A text larger than the window is read from the file a block at a time.
bool TMailboxStream::CleanTextByBlocks(TCleanRead& Read, std::string& Text)
{
    const size_t Keep = Read.Keep;
    int FirstBreaks = 0;  // of the first block, as far as the NUL cleaning asks
    for (size_t Done = 0; Done < Keep;) {
        const size_t N = std::min<size_t>(ReadChunkSize, Keep - Done);
        const std::string_view Chunk =
            ReadOver(*Stream, MessagePos + static_cast<std::int64_t>(Done), static_cast<std::int32_t>(N), FChunk);
        if (Chunk.size() != N || (Done == 0 && !StartCleanText(Read, Chunk, N == Keep)))
            return false;
        if (Done == 0)
            DetectLineBreakKind(Chunk, MessageBreaksLooked + 1, &FirstBreaks);
        // A CR at the block's end is read again with the next block, with
        // the LF that may pair with it.
        const size_t Use = Done + N < Keep && Chunk.back() == '\r' ? N - 1 : N;
        size_t Stop = 0;
        TPieceStop Why = ScanCleanPiece(Read, Chunk.substr(0, Use), Text, Stop);
        if (Why == TPieceStop::Nul) {
            // The rest of the message is read at once.
            Why = CleanFromNulStop(Read, Chunk, Stop, Done == 0 ? 0 : FirstBreaks,
                                   MessagePos + static_cast<std::int64_t>(Done + N), Keep - Done - N, Text);
            if (Why != TPieceStop::Cr)
                return Why == TPieceStop::Done;
        }
        if (Why == TPieceStop::Cr) {
            // The text is read again and made CR LF.
            RestartCleanText(Read, Text);
            Done = 0;
            continue;
        }
        // A line that starts the next block is no line start the scan of
        // this one sees.
        if (!Text.empty() && Text.back() == '\n')
            FMarkLines.push_back(Text.size());
        Done += Use;
    }
    return true;
}

// What the first piece of a text settles (Whole: it is the text): false
// when the text is read as it stands.
bool TMailboxStream::StartCleanText(TCleanRead& Read, std::string_view First, bool Whole)
{
    if (!FirstBreaksArePlain(First, Whole) || (Read.HeaderEndAsked && !HeaderEndsWithin(First, LargeHeaderSize)))
        return false;
    // A large text whose header names a Content-Type spares its scan the
    // look: that is most of the bytes of most mailboxes.
    Read.QpWatched = Read.QpWatched && (Read.Keep < BodyLeftInPlace || !HeadNamesContentType(First));
    Read.Watch.LastQpSpace = Read.QpWatched ? &FLastQpSpace : nullptr;
    if (Read.Lf)
        Read.Lf = !(Read.LfHeader = KeptLfHeader(First, Read.Keep, Read.LfUntyped)).empty();
    return true;
}

// Appends Piece to Text in the one scan, up to its first NUL (or CR, while
// LF breaks are kept); Stop: where it stopped.
TMailboxStream::TPieceStop TMailboxStream::ScanCleanPiece(TCleanRead& Read, std::string_view Piece,
                                                          std::string& Text, size_t& Stop)
{
    const size_t Seam = Text.size();
    Stop = Read.Lf ? AppendLfTextUpToCrOrNul(Piece, Text, &Read.Watch)
                   : AppendBareBreaksUpToNul(Piece, Text, &Read.Watch);
    // An "=20" split by the edge of the piece before is no "=20" the scan
    // of this one sees.
    if (Read.QpWatched)
        NoteQpSpaceAcross(Text, Seam);
    if (Stop == Piece.size())
        return TPieceStop::Done;
    return Piece[Stop] == '\r' ? TPieceStop::Cr : TPieceStop::Nul;
}

// The text is read again from its start, its breaks made CR LF.
void TMailboxStream::RestartCleanText(TCleanRead& Read, std::string& Text)
{
    Read.Lf = false;
    Text.clear();
    FMarkLines.clear();
    FLastQpSpace = std::string::npos;
}

// The lines from the first NUL of Piece, at Stop, on are cleaned the plain
// way, with the Left bytes of the text that follow Piece (read at After);
// Before: the breaks of the text ahead of Piece (NulLineStart). Done when
// the text is finished, Cr when a CR among those bytes has it read again
// with its breaks made CR LF, Nul when it is read as it stands.
TMailboxStream::TPieceStop TMailboxStream::CleanFromNulStop(TCleanRead& Read, std::string_view Piece, size_t Stop,
                                                            int Before, std::int64_t After, size_t Left,
                                                            std::string& Text)
{
    const size_t From = StripNul ? NulLineStart(Piece, Stop, Before) : std::string_view::npos;
    if (From == std::string_view::npos)
        return TPieceStop::Nul;
    std::string Rest(Piece.substr(From));
    if (Left > 0)
        Rest += ReadAt(*Stream, After, static_cast<std::int32_t>(Left));
    if (Rest.size() != Piece.size() - From + Left)
        return TPieceStop::Nul;
    if (Read.Lf && Rest.find('\r') != std::string::npos)
        return TPieceStop::Cr;
    // The text's end is judged by its last byte that is no NUL.
    const size_t P = Rest.find_last_not_of('\0');
    Read.LastByte = P != std::string::npos ? Rest[P] : Piece[From - 1];
    CleanFromNul(Piece, Stop, From, std::move(Rest), Text, Read.Lf);
    return TPieceStop::Done;
}

// The header of a text whose breaks are all LF, with CR LF breaks, when the
// text is kept as it stands as far as its header tells; empty else. Bytes
// is the text or its first part (Size: the text's size): a header that does
// not end in it, or that holds a CR or NUL, is never kept. Untyped: the
// header names no Content-Type.
std::string TMailboxStream::KeptLfHeader(std::string_view Bytes, std::size_t Size, bool& Untyped) const
{
    Untyped = false;
    const size_t Blank = Bytes.find("\n\n");
    if (Blank == std::string_view::npos)
        return std::string();
    const std::string_view Head = Bytes.substr(0, Blank + 2);
    if (Head.find('\r') != std::string_view::npos || Head.find('\0') != std::string_view::npos)
        return std::string();
    std::string Header;
    return KeepsMboxHeader(Head, Size, Header, Untyped) ? Header : std::string();
}

// Where the line that holds the first NUL of Raw, at Stop, starts: the
// lines from there on are cleaned as the load cleans a text with NULs. The
// line before goes with them when it ends in a CR right before the NULs
// (the CR may pair with an LF after them), and the first breaks, which tell
// the load the text's kind of breaks, must lie before: Before of them stand
// ahead of Raw's start. npos when they do not.
size_t TMailboxStream::NulLineStart(std::string_view Raw, size_t Stop, int Before)
{
    const size_t End = Stop > 0 && Raw[Stop - 1] == '\r' ? Stop - 1 : Stop;
    const size_t B = End > 0 ? Raw.find_last_of("\r\n", End - 1) : std::string_view::npos;
    if (B == std::string_view::npos)
        return std::string_view::npos;
    int Found = 0;
    DetectLineBreakKind(Raw.substr(0, B + 1), MessageBreaksLooked + 1, &Found);
    return Found + Before > MessageBreaksLooked ? B + 1 : std::string_view::npos;
}

// Text holds Raw up to its first NUL at Stop, its breaks made CR LF (KeepLf:
// kept as they stand); Rest, the bytes of the text from the line at From
// (NulLineStart) on, takes the place of that line's bytes in Text, cleaned.
// The lines that may hold a mark are noted in what is cleaned here too.
void TMailboxStream::CleanFromNul(std::string_view Raw, size_t Stop, size_t From, std::string&& Rest,
                                  std::string& Text, bool KeepLf)
{
    // What Text holds from there: the bytes, and a CR made a pair.
    Text.resize(Text.size() - (Stop - From) - (Stop > 0 && Raw[Stop - 1] == '\r' ? 1 : 0));
    RepairNulBytes(Rest);
    if (!KeepLf)
        BareBreaksToCrLf(Rest);
    // The line starts the scan noted from there on are looked for again
    // in what the text now holds.
    const size_t Kept = Text.size();
    FMarkLines.erase(std::lower_bound(FMarkLines.begin(), FMarkLines.end(), Kept), FMarkLines.end());
    Text += Rest;
    const bool* Firsts = MarkLineFirsts();
    for (size_t P = Text.find('\n', Kept - 1); P != std::string::npos && P + 1 < Text.size(); P = Text.find('\n', P + 1))
        if (Firsts[static_cast<unsigned char>(Text[P + 1])])
            FMarkLines.push_back(P + 1);
    // So are the "=20"s. None spans the line start at Kept, and one the
    // scan saw past it stands where it stood, the NULs coming after it.
    for (size_t P = Text.find("=20", Kept); P != std::string::npos; P = Text.find("=20", P + 1))
        FLastQpSpace = P;
}

// Where an "=20" that the block appended at Seam split from the bytes
// before it starts, when there is one, becomes the last seen.
void TMailboxStream::NoteQpSpaceAcross(const std::string& Text, size_t Seam)
{
    for (size_t P = Seam >= 2 ? Seam - 2 : 0; P < Seam; ++P)
        if (Text.compare(P, 3, "=20") == 0 && (FLastQpSpace == std::string::npos || FLastQpSpace < P))
            FLastQpSpace = P;
}

// The message's size without the NUL padding at its end, Last (when given)
// set to the byte before the padding; 0 when it holds nothing else, -1
// when it cannot be read.
std::int64_t TMailboxStream::ContentSize(char* Last)
{
    constexpr std::int32_t Chunk = 4096;
    const std::int64_t Offset = MessagePos - BufferStart;
    const bool InWindow = BufferStart >= 0 && Offset >= 0 && Offset + MessageSize <= BufferLength;
    std::int64_t End = MessagePos + MessageSize;
    while (End > MessagePos) {
        const std::int32_t N = static_cast<std::int32_t>(std::min<std::int64_t>(Chunk, End - MessagePos));
        const std::int64_t At = End - N - MessagePos;
        const std::string_view Tail = InWindow ? std::string_view(Buffer.data() + Offset + At, static_cast<size_t>(N))
                                               : ReadOver(*Stream, End - N, N, FChunk);
        if (static_cast<std::int32_t>(Tail.size()) != N)
            return -1;
        const size_t LastAt = Tail.find_last_not_of('\0');
        if (LastAt != std::string_view::npos) {
            if (Last)
                *Last = Tail[LastAt];
            return At + static_cast<std::int64_t>(LastAt) + 1;
        }
        End -= N;
    }
    return 0;
}

// Whether the message's bytes, NUL padding aside, end in a line break that
// the text read (Length bytes) lost. A text cut at the size cap gets none.
bool TMailboxStream::RangeEndsWithBreak(size_t Length)
{
    char Last = 0;
    const std::int64_t Content = ContentSize(&Last);
    return Content > 0 && IsBreakChar(Last) && static_cast<std::int64_t>(Length) + 2 >= Content;
}

// A message that lies whole in the window, as most do, was read with it: its
// bytes are copied from there instead of read from the file a second time.
std::int64_t TMailboxStream::ReadMessageRange(std::string& Text)
{
    const std::int64_t offset = MessagePos - BufferStart;
    if (BufferStart < 0 || MessagePos < 0 || MessageSize < 1 || MessageSize > MaxMessageSize || offset < 0 ||
        offset + MessageSize > BufferLength)
        return TFileMailObj::ReadMessageRange(Text);
    Text.assign(Buffer, static_cast<size_t>(offset), static_cast<size_t>(MessageSize));
    return MessageSize;
}

int TMailboxStream::SearchSeparator(int From)
{
    const size_t p = Buffer.find(Separator, static_cast<size_t>(std::max(From, 1) - 1));
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

bool TMailboxStream::FillBuffer(std::int64_t Offset)
{
    // What precedes the new window settles whether a "From " at its very
    // start begins a line; a refill learns it from the window it leaves, so
    // a long run of NULs is never read twice.
    bool LineStart = true;
    if (Offset > 0) {
        if (BufferStart >= 0 && Offset > BufferStart && Offset - BufferStart <= BufferLength)
            LineStart = IsLineStart(static_cast<int>(Offset - BufferStart) + 1);
        else
            LineStart = IsLineStartInFile(Offset);
    }
    FLineStartAtWindow = LineStart;
    SearchPos = 1;
    BufferStart = Offset;
    // Bytes added after the file was opened are not read: a separator
    // there would start a message of nothing.
    const std::int32_t Want = static_cast<std::int32_t>(std::clamp<std::int64_t>(FileSize - Offset, 0, BufferCapacity));
    ReadInto(*Stream, Offset, Want, Buffer);
    BufferLength = static_cast<std::int32_t>(Buffer.size());
    if (BufferLength < Want)
        CutAt = Offset + BufferLength;
    if (BufferLength == 0) {
        AtEnd = true;
        return false;
    }
    AtEnd = BufferLength < BufferCapacity || FileSize <= BufferStart + BufferLength;
    return true;
}

// The strict check always sees the same bytes after a candidate, whatever the
// window size: what the window holds, where it lies, else a read of its own.
bool TMailboxStream::IsSeparatorLine(int P)
{
    const std::int64_t offset = BufferStart + P - 1;
    const std::int32_t want = static_cast<std::int32_t>(std::min<std::int64_t>(SeparatorLookAhead, FileSize - offset));
    std::string read;
    std::string_view line;
    if (P - 1 + want <= BufferLength)
        line = std::string_view(Buffer).substr(static_cast<size_t>(P - 1), static_cast<size_t>(want));
    else
        line = read = ReadAt(*Stream, offset, want);
    // Archives write separators the strict test refuses; where a message
    // break is due anyway (after a blank line) their looser form counts.
    return IsStrictFromLine(line, 1) || (FollowsBlankLine(P) && IsLooseFromLine(line, 1));
}

// True when an empty line ends right before the candidate at P, or only
// line breaks stand between the mailbox's start and it. NUL padding before
// the candidate is passed over, as the line-start test does.
bool TMailboxStream::FollowsBlankLine(int P)
{
    constexpr std::int32_t reach = 64;
    const std::int64_t offset = BufferStart + P - 1;
    const std::int32_t n = static_cast<std::int32_t>(std::min<std::int64_t>(offset, reach));
    std::string read;
    std::string_view before = P - 1 >= n ? std::string_view(Buffer).substr(static_cast<size_t>(P - 1 - n), static_cast<size_t>(n))
                                         : std::string_view(read = ReadAt(*Stream, offset - n, n));
    const size_t last = before.find_last_not_of('\0');
    before = before.substr(0, last == std::string_view::npos ? 0 : last + 1);
    // The break that ends the line before the candidate's own.
    if (before.size() >= 2 && before.compare(before.size() - 2, 2, "\r\n") == 0)
        before.remove_suffix(2);
    else if (!before.empty() && IsBreakChar(before.back()))
        before.remove_suffix(1);
    else
        return before.empty() && offset == n;
    if (before.empty())
        return offset == n;
    return IsBreakChar(before.back());
}

// Stores that pad a mailbox to a block size leave NULs after a message's
// last line break; the separator behind them still starts a line.
bool TMailboxStream::IsLineStart(int P) const
{
    int q = P - 1;
    while (q > 0 && Buffer[static_cast<size_t>(q - 1)] == '\0')
        --q;
    return q == 0 ? FLineStartAtWindow : IsBreakChar(Buffer[static_cast<size_t>(q - 1)]);
}

bool TMailboxStream::IsLineStartInFile(std::int64_t Offset)
{
    constexpr std::int32_t chunk = 4096;
    while (Offset > 0) {
        const std::int32_t n = static_cast<std::int32_t>(std::min<std::int64_t>(chunk, Offset));
        const std::string s = ReadAt(*Stream, Offset - n, n);
        if (static_cast<std::int32_t>(s.size()) != n)
            return false;
        const size_t last = s.find_last_not_of('\0');
        if (last != std::string::npos)
            return IsBreakChar(s[last]);
        Offset -= n;
    }
    return true;
}

int TMailboxStream::FindSeparator()
{
    int from = SearchPos;
    for (;;) {
        const int p = SearchSeparator(from);
        if (p < 1)
            return 0;
        from = p + SeparatorLength;
        if (!IsLineStart(p))
            continue;
        if (!StrictFromLines || IsSeparatorLine(p))
            return p;
    }
}

std::int64_t TMailboxStream::ScanForSeparator(std::int64_t From)
{
    if (!Stream)
        return -1;
    if (From < 0)
        From = Stream->Position();
    if (From + SeparatorLength > FileSize)
        return -1;
    if (BufferStart == -1 && !FillBuffer(From))
        return -1;
    int p;
    for (;;) {
        p = PlainSeparator ? SearchSeparator(SearchPos) : FindSeparator();
        if (p >= 1)
            break;
        if (AtEnd || !FillBuffer(BufferStart + BufferLength - RefillOverlap))
            return -1;
    }
    SearchPos = p + SeparatorLength - LineEndLength + 1;
    return BufferStart + p - 1 + LineEndLength;
}

std::int64_t TMailboxStream::FindMessageEnd()
{
    MessagePos = NextSeparatorPos;
    // The first search starts at the file's start, so that a separator after
    // a few leading blank lines is found too; later ones go on in the window.
    const std::int64_t from = MessagePos == 0 ? (PlainSeparator ? 0 : 1) : MessagePos + 5;
    NextSeparatorPos = FPeekedSeparator ? *FPeekedSeparator : ScanForSeparator(from);
    FPeekedSeparator.reset();
    // An Eudora store never escapes a body line: a From_ line followed by
    // nothing but blank lines up to the next separator, or the file's end,
    // is the last line of the message before it. Read as a message, it gave
    // an empty .eml file, and an mbox copy a message of that line alone.
    while (IsEudoraKind(FormatKind) && NextSeparatorPos > MessagePos) {
        const std::int64_t After = ScanForSeparator(NextSeparatorPos + 5);
        if (!HoldsOnlyItsFromLine(NextSeparatorPos, After < 0 ? FileSize : After)) {
            FPeekedSeparator = After;
            break;
        }
        NextSeparatorPos = After;
    }
    // Sizes stay 64-bit: a message above the read cap is cut and logged when
    // it is read, never wrapped or dropped here.
    MessageSize = NextSeparatorPos >= 0 ? NextSeparatorPos - MessagePos : FileSize - MessagePos;
    // The last message ends where a separator line cut short starts, as it
    // would before a whole one: copied on, the piece would read as a message
    // of its own to other readers, or as the end of this one.
    if (NextSeparatorPos < 0 && MessagePos >= 0 && FCutSeparator < 0) {
        FCutSeparator = CutSeparatorStart(MessagePos);
        if (FCutSeparator >= MessagePos)
            MessageSize = FCutSeparator - MessagePos;
    }
    return MessagePos;
}

bool TMailboxStream::HoldsOnlyItsFromLine(std::int64_t Pos, std::int64_t End)
{
    // A From_ line and a few blank lines; anything longer holds more.
    constexpr std::int64_t Reach = 4096;
    if (End - Pos > Reach)
        return false;
    const std::int64_t Offset = Pos - BufferStart;
    const std::int32_t N = static_cast<std::int32_t>(End - Pos);
    std::string Read;
    const std::string_view Bytes = BufferStart >= 0 && Offset >= 0 && Offset + N <= BufferLength
                                       ? std::string_view(Buffer).substr(static_cast<size_t>(Offset), static_cast<size_t>(N))
                                       : std::string_view(Read = ReadAt(*Stream, Pos, N));
    // The store's own separator starts an entry whatever follows it: an
    // entry of that line alone is an empty message, as its index says.
    if (Bytes.starts_with(EudoraOwnSeparator))
        return false;
    const size_t Break = Bytes.find_first_of("\r\n");
    return Break != std::string_view::npos &&
           Bytes.find_first_not_of(std::string_view(" \t\r\n\0", 5), Break) == std::string_view::npos;
}

std::int64_t TMailboxStream::CutSeparatorStart(std::int64_t From)
{
    const std::int32_t N = static_cast<std::int32_t>(std::min<std::int64_t>(CutLineReach, FileSize - From));
    const std::string Tail = ReadAt(*Stream, FileSize - N, N);
    const size_t Break = Tail.find_last_of("\r\n");
    // The line must start inside the range, after a break or at its start.
    const size_t Line = Break == std::string::npos ? (static_cast<std::int64_t>(N) == FileSize - From ? 0 : Tail.size())
                                                   : Break + 1;
    if (Line >= Tail.size() || !IsCutFromLine(std::string_view(Tail).substr(Line)))
        return -1;
    return FileSize - N + static_cast<std::int64_t>(Line);
}

bool TMailboxStream::IsBlankRange(std::int64_t Pos, std::int64_t Size)
{
    constexpr std::int32_t chunk = 4096;
    for (std::int64_t done = 0; done < Size; done += chunk) {
        const std::int32_t n = static_cast<std::int32_t>(std::min<std::int64_t>(chunk, Size - done));
        const std::string s = ReadAt(*Stream, Pos + done, n);
        if (s.empty() || s.find_first_not_of(std::string(" \t\r\n\0", 5)) != std::string::npos)
            return false;
    }
    return true;
}

bool TMailboxStream::Next()
{
    if (NextSeparatorPos < 0 || !TFileMailObj::Next())
        return false;
    FindMessageEnd();
    // Blank lines ahead of the first separator are no message of their own.
    if (MessagePos == 0 && IsBlankRange(0, MessageSize)) {
        if (NextSeparatorPos < 0)
            return false;
        FindMessageEnd();
    }
    // A separator line cut short is no message either.
    return MessagePos >= 0 && MessagePos != FCutSeparator;
}

namespace {

// How much of a piece is read first to find where its header ends, and how
// far at most: a header that runs on past that is taken for one with a trace.
constexpr std::int32_t ArrivalHeadStep = 4096;
constexpr std::int64_t ArrivalHeadReach = 0x100000;

// Whether the bytes of Raw from From on (and the one before, for a pair
// across the edge) may give a blank line once cleaned, in any kind of
// break: two breaks in a row other than a CR LF, or a byte the cleaning
// drops or turns into a break (NUL, the FS GS pair's).
bool MayHoldBlankLine(std::string_view Raw, size_t From)
{
    for (size_t I = From > 0 ? From - 1 : 0; I < Raw.size(); ++I) {
        const char C = Raw[I];
        if (C == '\0' || C == '\x1C' || C == '\x14')
            return true;
        if (IsBreakChar(C) && I + 1 < Raw.size() && IsBreakChar(Raw[I + 1]) && !(C == '\r' && Raw[I + 1] == '\n'))
            return true;
    }
    return false;
}

}  // namespace

bool TMailboxStream::MailboxHoldsArrival()
{
    if (FArrival == TArrival::Unknown)
        FArrival = ScanForArrival() ? TArrival::Yes : TArrival::No;
    return FArrival == TArrival::Yes;
}

// A second reader over the file finds the pieces this one finds; the header
// of each is read and cleaned as the load cleans it, until one shows a trace
// of arrival. Asked only for a message that names a file and shows none
// itself, so a mailbox of received mail is seldom read past its first piece.
bool TMailboxStream::ScanForArrival()
{
    TMboxStream Scan(FileName, DefaultMailBufferSize, false, FormatKind);
    // A file the second reader can't open can't be shown to hold no trace.
    if (!Scan.Stream)
        return true;
    // The buffers serve every piece. A header that runs on past a read is
    // read on from where that read ended, and cleaned and looked at only
    // from the first read whose bytes may end it: a header of any length is
    // read once and, unless bytes that may give a blank line stand before
    // its end, cleaned and judged once.
    std::string Raw;
    std::string Block;
    std::string Head;
    while (Scan.Next()) {
        Raw.clear();
        bool MayEnd = false;
        for (std::int64_t Want = ArrivalHeadStep;; Want *= 4) {
            const bool Whole = Scan.MessageSize <= Want;
            const size_t Had = Raw.size();
            const std::int64_t Reach = std::min(Scan.MessageSize, Want);
            if (Reach > static_cast<std::int64_t>(Had))
                Raw += ReadOver(*Scan.Stream, Scan.MessagePos + static_cast<std::int64_t>(Had),
                                static_cast<std::int32_t>(Reach - static_cast<std::int64_t>(Had)), Block);
            MayEnd = MayEnd || MayHoldBlankLine(Raw, Had);
            if (Whole || MayEnd) {
                Head.assign(Raw);
                // A break cut by the read's end could pass for a blank line.
                while (!Whole && !Head.empty() && IsBreakChar(Head.back()))
                    Head.pop_back();
                CleanLoadedText(Head, Scan.StripNul, Scan.FixLineBreaks);
                const int Body = FindBodyStart(Head);
                if (Whole || Body > 0) {
                    if (Body > 0)
                        Head.resize(static_cast<size_t>(Body - 1));
                    if (IsReceivedMessage(Head))
                        return true;
                    break;
                }
            }
            if (Want >= ArrivalHeadReach)
                return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------
// TMboxStream
// ---------------------------------------------------------------------------

TMboxStream::TMboxStream(const std::string& AFileName, int BufferSize, bool AOpenForWriting,
                         TMailboxKind AFormatKind)
    : TMailboxStream(AFileName, BufferSize, AOpenForWriting, AFormatKind)
{
    if (Stream)
        TMboxStream::BuildSeparator();
}

void TMboxStream::BuildSeparator()
{
    TMailboxStream::BuildSeparator();
    BmPrepare(SeparatorPattern, Separator, 0);
}

int TMboxStream::SearchSeparator(int From)
{
    From = std::max(From, 1);
    if (Separator != "From ") {
        const int p = BmPosCase(Buffer, SeparatorPattern, From);
        return p > 0 ? p : 0;
    }
    // Only a "From " at a line start can be a separator (the check after
    // the search says so): the search looks for a line break or NUL
    // padding followed by "F", and at the window's start.
    const char* text = Buffer.data();
    const std::size_t n = Buffer.size();
    std::size_t at = static_cast<std::size_t>(From - 1);
    if (at == 0 && Buffer.compare(0, 5, Separator) == 0)
        return 1;
    at = at > 0 ? at - 1 : 0;
    while (at + 1 < n) {
        const char* q = FindBreakThen(text + at, n - at, 'F');
        if (!q)
            return 0;
        const std::size_t f = static_cast<std::size_t>(q - text) + 1;
        if (Buffer.compare(f, 5, Separator) == 0)
            return static_cast<int>(f) + 1;
        at = f;
    }
    return 0;
}
