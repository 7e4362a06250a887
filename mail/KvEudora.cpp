#include "mail/KvEudora.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "classlib/Classes.h"
#include "classlib/ResStrings.h"
#include "classlib/Streams.h"
#include "classlib/SysUtils.h"
#include "foundation/KvFileFinder.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLineBreaks.h"
#include "foundation/KvLists.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvFromLine.h"
#include "mail/KvMailFolders.h"
#include "mail/KvMimeHeaders.h"

namespace {

enum : int {
    SEudoraEntryUnreadable = 21170,
    SEudoraEntryLate = 21171,
    SEudoraEntryTooLong = 21172,
    SEudoraEntryTooShort = 21173,
    SEudoraEntryPastEnd = 21174,
    SEudoraIndexForeign = 21175,
    SEudoraEntryRepeated = 21176,
    SEudoraEntryRepeatedMore = 21177,
    SEudoraEntryRepeatedLost = 21178,
    SEudoraEntryOverOthers = 21179,
};

const TResStringRegistrar EudoraTexts{
    {SEudoraEntryUnreadable, "Index entry %d points outside the data file (offset %s, length %s)"},
    {SEudoraEntryLate, "Index entry %d does not start at a message (offset %s); read from the message at offset %s"},
    {SEudoraEntryTooLong, "Index entry %d runs into the next message (offset %s, length %s); cut at offset %s"},
    {SEudoraEntryTooShort, "Index entry %d ends inside its message (offset %s, length %s); read to offset %s"},
    {SEudoraEntryPastEnd, "Index entry %d runs past the mailbox's end (offset %s, length %s); read to offset %s"},
    {SEudoraEntryRepeated, "Index entry %d starts where an earlier entry starts (offset %s, length %s); read once"},
    {SEudoraEntryRepeatedMore,
     "Index entry %d starts where an earlier entry starts (offset %s, length %s); what it holds past that entry's end "
     "read as a message of its own from offset %s"},
    {SEudoraEntryRepeatedLost,
     "Index entry %d starts where an earlier entry starts (offset %s, length %s); the bytes from offset %s to %s, "
     "past that entry's end, hold no message start and were not read"},
    {SEudoraEntryOverOthers,
     "Index entry %d reaches over messages that no entry starts (offset %s, length %s); read to offset %s, where an "
     "entry of the same start ends, and what follows as messages of their own"},
    {SEudoraIndexForeign, "The index header is not in the Windows form (a Macintosh index, or damaged): no message read"},
};

// How much is read per step past an entry's end, and how many index
// entries at a time.
constexpr std::int32_t ExtendStep = 65536;
constexpr int EntriesPerRead = 256;
constexpr std::int64_t SeparatorLookBack = 1 << 20;
// How much of a separator line is read to tell it.
constexpr std::int32_t SeparatorLineReach = 256;

// How Eudora's own separator line starts.
constexpr char OwnSeparatorStart[] = "From ???@???";

// A message separator at At: at the start of a line, Eudora's own "From
// ???@???" or the separator line another mail program wrote into the file.
bool IsSeparatorAt(const std::string& Text, size_t At)
{
    if (At > 0 && Text[At - 1] != '\n' && Text[At - 1] != '\r')
        return false;
    if (Text.compare(At, 5, "From ") != 0)
        return false;
    return Text.compare(At, 12, OwnSeparatorStart) == 0 || IsStrictFromLine(Text, static_cast<int>(At) + 1);
}

// Eudora's own separator at the start of a line at At.
bool IsOwnSeparatorAt(const std::string& Text, size_t At)
{
    return (At == 0 || Text[At - 1] == '\n' || Text[At - 1] == '\r') && Text.compare(At, 12, OwnSeparatorStart) == 0;
}

// The first separator at or after From that IsAt accepts; npos when none.
size_t FindSeparator(const std::string& Text, size_t From, bool (*IsAt)(const std::string&, size_t) = IsSeparatorAt)
{
    for (size_t p = Text.find("From ", From); p != std::string::npos; p = Text.find("From ", p + 1))
        if (IsAt(Text, p))
            return p;
    return std::string::npos;
}

std::unique_ptr<TDoubleStringList> GNicknames;

void ExpandNicknamesRaw(std::string& Text)
{
    ExpandNicknames(Text, false);
}

std::uint32_t Le32(const std::string& S, size_t At)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(S[At])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(S[At + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(S[At + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(S[At + 3])) << 24;
}

int Le16(const std::string& S, size_t At)
{
    return static_cast<unsigned char>(S[At]) | static_cast<unsigned char>(S[At + 1]) << 8;
}

// Padding a mail program leaves between messages: blanks, NULs, controls.
bool IsPaddingByte(char C)
{
    return static_cast<unsigned char>(C) <= ' ';
}

// The folder of a file path, with its trailing backslash, so that a
// ".fol" folder right above the file counts.
std::string FolderWithSlash(const std::string& FilePath)
{
    return ExcludeTrailingSlash(ExtractFolder(FilePath)) + "\\";
}

std::string FolderPathWithName(const std::string& FilePath)
{
    return EudoraFolderPath(FilePath, true);
}

// The folder names of Eudora stores come from this unit.
const bool FolderHookInstalled = (GEudoraFolderNameHook = FolderPathWithName, true);

}  // namespace

TMailFlags EudoraStatusFlags(int Status)
{
    switch (Status) {
    case 0: return mfUnread;
    case 1: return mfRead;
    case 2: return mfRead | mfReplied;
    case 3: return mfRead | mfForwarded;
    case 4: return mfRead | mfRedirected;
    case 5: case 9: return mfQueued;
    case 6: return mfDraft;
    case 7: case 10: return mfStatusMark;
    case 8: return mfSent;
    default: return 0;
    }
}

TMailFlags EudoraPriorityFlags(int Priority)
{
    switch (Priority) {
    case 1: return 0x10000000;
    case 2: return 0x20000000;
    case 4: return 0x40000000;
    case 5: return 0x50000000;
    default: return 0x30000000;
    }
}

TMailFlags EudoraFolderBits(int MailboxType, int Status)
{
    switch (MailboxType) {
    case 0: return mfInbox;
    case 1: return mfSentFolder;
    case 2: return mfTrash;
    default: return Status >= 5 && Status <= 10 ? mfSentFolder : mfInbox;
    }
}

// ---------------------------------------------------------------------------
// Readers
// ---------------------------------------------------------------------------

TMailBinStream::TMailBinStream(const std::string& AFileName)
{
    FormatKind = mbkEudoraToc;
    IndexAddressed = true;
    SetFileName(AFileName);
    OpenFile();
}

std::string EudoraDataFileName(const std::string& IndexFileName)
{
    return SetFileExt(IndexFileName, EudoraDataExt);
}

TMailTocStream::TMailTocStream(const std::string& IndexFileName) : TMailBinStream(IndexFileName)
{
    MessagePos = -1;
    DataFileSize = -1;
    CheckFromLine = true;
    if (!Stream)
        return;
    const std::string data = GetDataFileName();
    const std::int64_t size = GetFileSizeByName(data);
    if (size < 0)
        return;
    try {
        DataStream = OpenFileStream(data, fmOpenRead | fmShareDenyNone);
    } catch (const Exception& E) {
        // A data file that exists but cannot be opened locks the mailbox just
        // as an unopenable index does: the caller reports it and skips it.
        Locked = true;
        WriteErrorLine(E.Message());
        return;
    }
    MessagePos = 0;
    DataFileSize = size;
}

TMailTocStream::~TMailTocStream() = default;

std::string TMailTocStream::GetDataFileName()
{
    // An index named outside the code page is opened by its short name,
    // which its data file does not share.
    return DerivedFilePath(FileName, EudoraDataFileName);
}

// The index is read entry by entry, so a bad entry never ends the iteration;
// the position of the last message plays no part.
bool TMailTocStream::Next()
{
    return DataFileSize > 0 && TClientMailObj::Next() && FileSize > 0 && DataStream != nullptr;
}

void TMailTocStream::ReadMessageText(std::string& Text)
{
    Text.clear();
    if (!DataStream)
        return;
    if (ReadRange(*DataStream, Text) > 0 && CheckFromLine && Text.compare(0, 5, "From ") != 0)
        Damaged = true;
}

TEudoraTocObj::TEudoraTocObj(const std::string& IndexFileName) : TMailTocStream(IndexFileName)
{
    if (MessagePos < 0)
        return;
    CheckFromLine = true;
    StripNul = true;
    Header = Stream->ReadString(EudoraHeaderSize);
    if (static_cast<int>(Header.size()) < EudoraHeaderSize || (Header[1] != '\0' && Header[1] != '.')) {
        DataFileSize = -1;
        IndexProblem = LoadResString(SEudoraIndexForeign);
        WriteErrorLine(IndexProblem);
        ++ReadProblems;
        return;
    }
    // An index of the Macintosh program holds its numbers the other way
    // round: its count, read here, would claim more entries than the file
    // has room for, while the count read its own way fits.
    const std::int64_t room = (Stream->Size() - EudoraHeaderSize) / EudoraEntrySize;
    const int swapped = static_cast<unsigned char>(Header[102]) << 8 | static_cast<unsigned char>(Header[103]);
    if (Le16(Header, 102) > room && swapped <= room && swapped > 0) {
        DataFileSize = -1;
        IndexProblem = LoadResString(SEudoraIndexForeign);
        WriteErrorLine(IndexProblem);
        ++ReadProblems;
        return;
    }
    SetMessageCount(Le16(Header, 102));
    ReadEntryStarts();
    const std::string name = Header.substr(8, 32);
    MailboxName = name.substr(0, name.find('\0'));
    MailboxType = static_cast<unsigned char>(Header[40]);
    if (MailboxType == 1 && MessageCount > 0)
        LoadEudoraNicknames(FolderWithSlash(FileName));
}

TEudoraTocObj::~TEudoraTocObj()
{
    if (GNicknames)
        FreeEudoraNicknames();
}

bool TEudoraTocObj::NextMessage()
{
    while (Next()) {
        const std::int64_t RestAt = std::exchange(FRepeatRest, -1);
        if (RestAt < 0) {
            Entry = Stream->ReadString(EudoraEntrySize);
            if (static_cast<int>(Entry.size()) < EudoraEntrySize)
                return false;
        }
        Damaged = false;
        ClearMessage();
        DecodeEntry();
        // A damaged index may list one message many times over, with the
        // same length or another: one start is one message, read once, and
        // each repeat is a row. What a repeat reaches past the bytes read
        // from that start is no part of that message: read as a message of
        // its own when one starts there, named in the row else.
        const std::int64_t Start = MessagePos;
        const auto [Read, First] = ReadEnds.try_emplace(Start, Start);
        if (!First && !(RestAt < 0 ? ReadPastRepeat(Read->second) : ReadRepeatRest(RestAt)))
            continue;
        // A length past the data file's end is read to that end (the range
        // check cuts it at the next entry); never as a message too large.
        PastEnd = MessagePos >= 0 && MessagePos < DataFileSize && MessagePos + MessageSize > DataFileSize;
        if (PastEnd)
            MessageSize = DataFileSize - MessagePos;
        if (First)
            CutAtShorterRepeat();
        FReadEnd = MessagePos;
        LoadMessage();
        ReadEnds[Start] = std::max(ReadEnds[Start], FReadEnd);
        if (ParseState != mpsNone || TooLarge)
            return true;
        // An entry whose range lies outside the data file is logged and
        // passed over; the messages after it are still read.
        Damaged = true;
        ++ReadProblems;
        WriteErrorLine(Format(LoadResString(SEudoraEntryUnreadable), MessageNumber,
                              std::to_string(MessagePos), std::to_string(Le32(Entry, 4))));
    }
    return false;
}

void TEudoraTocObj::DecodeEntry()
{
    MessagePos = static_cast<std::int32_t>(Le32(Entry, 0));
    MessageSize = Le32(Entry, 4);
    const int status = Le16(Entry, 12);
    StatusSource = ssIndexEntry;
    MailFlags = mfComputed | EudoraPriorityFlags(Le16(Entry, 16)) | EudoraFolderBits(MailboxType, status) |
                EudoraStatusFlags(status);
}

void TEudoraTocObj::ReadMessageText(std::string& Text)
{
    // An entry without a length still points at its message: the
    // separator there is read, and the check below reads on to the next.
    if (MessageSize < 1 && MessagePos >= 0 && MessagePos < DataFileSize)
        MessageSize = std::min<std::int64_t>(12, DataFileSize - MessagePos);
    CheckFromLine = false;
    TMailTocStream::ReadMessageText(Text);
    CheckFromLine = true;
    // Where the text stands in the data file once the small slips below
    // are mended.
    std::int64_t start = MessagePos;
    if (Text.size() > 5 && Text[0] != 'F') {
        size_t n = 0;
        while (n < Text.size() && static_cast<unsigned char>(Text[n]) < 14)
            ++n;
        Text.erase(0, n);
        start += static_cast<std::int64_t>(n);
    }
    if (Text.size() > 5 && Text.compare(0, 3, "rom") == 0) {
        // An index entry one byte late: its "F" is the last byte of the range,
        // or, for the last message, missing altogether.
        if (Text.back() == 'F') {
            Text.pop_back();
            Text.insert(Text.begin(), 'F');
            --start;
        } else if (DataStream->Position() >= DataFileSize) {
            Text.insert(Text.begin(), 'F');
            --start;
        }
    }
    if (!Text.empty())
        CheckEntryRange(Text, start);
    FReadEnd = std::max(FReadEnd, start + static_cast<std::int64_t>(Text.size()));
    IsFromLine = Text.compare(0, 5, "From ") == 0;
    Damaged = Damaged || !IsFromLine;
    // The whole text is checked, not its first breaks: a bare LF further
    // down would otherwise reach an mbox target with the wrong line end.
    BareBreaksToCrLf(Text);
    if (MailboxType == 1 && IsFromLine && Text.size() > 6 && Text[5] == '?')
        ExpandNicknames(Text, false);
}

std::int64_t TEudoraTocObj::SeparatorBefore(std::int64_t Pos)
{
    // Looked for within one read: a message longer than that has no
    // separator near enough to be sure of. The read goes a line past Pos,
    // since Pos may stand inside the separator line itself.
    const std::int64_t from = std::max<std::int64_t>(0, Pos - SeparatorLookBack);
    const std::int64_t to = std::min<std::int64_t>(DataFileSize, Pos + 256);
    std::string window(static_cast<size_t>(to - from), '\0');
    DataStream->Seek(from, soFromBeginning);
    if (DataStream->Read(window.data(), static_cast<std::int32_t>(window.size())) !=
        static_cast<std::int32_t>(window.size()))
        return -1;
    for (size_t p = window.rfind("From ", static_cast<size_t>(Pos - from)); p != std::string::npos;
         p = p > 0 ? window.rfind("From ", p - 1) : std::string::npos) {
        if ((p > 0 || from == 0) && IsSeparatorAt(window, p))
            return from + static_cast<std::int64_t>(p);
        if (p == 0)
            break;
    }
    return -1;
}

void TEudoraTocObj::ReadEntryStarts()
{
    // The index is read ahead once, a bounded number of entries at a time,
    // so that each range can be judged against the one after it.
    const std::int64_t back = Stream->Position();
    std::string block;
    std::vector<std::pair<std::int64_t, std::uint32_t>> Ranges;  // start and length of each entry
    for (int left = MessageCount; left > 0; left -= EntriesPerRead) {
        block = Stream->ReadString(std::min(left, EntriesPerRead) * EudoraEntrySize);
        for (size_t at = 0; at + EudoraEntrySize <= block.size(); at += EudoraEntrySize) {
            const std::int64_t offset = static_cast<std::int32_t>(Le32(block, at));
            if (offset >= 0 && offset < DataFileSize)
                Ranges.emplace_back(offset, Le32(block, at + 4));
        }
        if (block.size() < static_cast<size_t>(std::min(left, EntriesPerRead) * EudoraEntrySize))
            break;
    }
    // Sorted by start and then length: the first of each start that repeats
    // is the shortest length that start has.
    std::sort(Ranges.begin(), Ranges.end());
    EntryStarts.reserve(Ranges.size());
    for (size_t I = 0; I < Ranges.size(); ++I) {
        EntryStarts.push_back(Ranges[I].first);
        if (I + 1 < Ranges.size() && Ranges[I + 1].first == Ranges[I].first &&
            (ShortestRepeats.empty() || ShortestRepeats.back().first != Ranges[I].first))
            ShortestRepeats.push_back(Ranges[I]);
    }
    Stream->Seek(back, soFromBeginning);
}

void TEudoraTocObj::CutAtShorterRepeat()
{
    const std::int64_t Start = MessagePos;
    const auto Shortest = std::lower_bound(ShortestRepeats.begin(), ShortestRepeats.end(), std::pair{Start, 0u});
    if (Shortest == ShortestRepeats.end() || Shortest->first != Start || Shortest->second == 0 ||
        Shortest->second >= MessageSize)
        return;
    const std::int64_t End = Start + static_cast<std::int64_t>(Shortest->second);
    const TRepeatRange Range = RepeatRangeFrom(End);
    if (!Range.Starts)
        return;
    ++ReadProblems;
    WriteErrorLine(Format(LoadResString(SEudoraEntryOverOthers), MessageNumber + 1, std::to_string(Start),
                          std::to_string(Le32(Entry, 4)), std::to_string(End)));
    MessageSize = End - Start;
    FRepeatRest = Range.At;
    CountOneMoreMessage();
}

std::int64_t TEudoraTocObj::NextEntryStart(std::int64_t Pos) const
{
    const auto next = std::upper_bound(EntryStarts.begin(), EntryStarts.end(), Pos);
    return next == EntryStarts.end() ? DataFileSize : *next;
}

TEudoraTocObj::TRepeatRange TEudoraTocObj::RepeatRangeFrom(std::int64_t ReadEnd)
{
    const std::int64_t Pos = MessagePos;
    const std::uint32_t Length = Le32(Entry, 4);
    const std::int64_t EntryEnd = std::min<std::int64_t>(DataFileSize, Pos + static_cast<std::int64_t>(Length));
    // Bytes another entry starts at are that entry's to read; an entry
    // outside the data file reaches none of it.
    const auto Other = std::lower_bound(EntryStarts.begin(), EntryStarts.end(), ReadEnd);
    std::int64_t To = Pos < 0 ? ReadEnd : std::min(EntryEnd, Other == EntryStarts.end() ? DataFileSize : *Other);
    // Padding a mail program left after the message is no message.
    std::int64_t At = ReadEnd;
    std::string Bytes;
    while (At < To) {
        Bytes.clear();
        if (!AppendRange(Bytes, At, std::min<std::int64_t>(To, At + ExtendStep)))
            break;
        const size_t Data = std::find_if_not(Bytes.begin(), Bytes.end(), IsPaddingByte) - Bytes.begin();
        At += static_cast<std::int64_t>(Data);
        if (Data < Bytes.size())
            break;
    }
    std::string Line;
    if (At < To)
        AppendRange(Line, At, std::min<std::int64_t>(DataFileSize, At + SeparatorLineReach));
    bool Starts = At < To && IsSeparatorAt(Line, 0);
    // An entry late inside the range's last message reads it from its start.
    if (Starts && Other != EntryStarts.end() && To == *Other) {
        std::string Next;
        AppendRange(Next, To, std::min<std::int64_t>(DataFileSize, To + SeparatorLineReach));
        const std::int64_t Late = IsSeparatorAt(Next, 0) ? -1 : SeparatorBefore(To);
        if (Late >= At)
            To = Late;
    }
    Starts = Starts && At < To;
    // A range over several messages gives each of them: read up to the next
    // separator, the rest with this entry again as one more message. Eudora
    // never escapes a body line, so another program's From_ line inside the
    // range is quoted text: only the store's own separator cuts.
    return {At, To, Starts ? SeparatorWithin(At, To) : To, Starts};
}

bool TEudoraTocObj::ReadPastRepeat(std::int64_t ReadEnd)
{
    const TRepeatRange Range = RepeatRangeFrom(ReadEnd);
    // The row names the entry, and the message it gives where there is one.
    ++MessageNumber;
    ++ReadProblems;
    const int Res = Range.Starts ? SEudoraEntryRepeatedMore
                    : Range.At < Range.To ? SEudoraEntryRepeatedLost
                                          : SEudoraEntryRepeated;
    WriteErrorLine(Format(LoadResString(Res), MessageNumber, std::to_string(MessagePos), std::to_string(Le32(Entry, 4)),
                          std::to_string(Range.At), std::to_string(Range.To)));
    if (!Range.Starts)
        return false;
    // The load counts the message.
    --MessageNumber;
    TakeRepeatMessage(Range);
    return true;
}

bool TEudoraTocObj::ReadRepeatRest(std::int64_t RestAt)
{
    const TRepeatRange Range = RepeatRangeFrom(RestAt);
    if (!Range.Starts)
        return false;
    TakeRepeatMessage(Range);
    return true;
}

void TEudoraTocObj::TakeRepeatMessage(const TRepeatRange& Range)
{
    MessagePos = Range.At;
    MessageSize = Range.Cut - Range.At;
    if (Range.Cut < Range.To) {
        FRepeatRest = Range.Cut;
        CountOneMoreMessage();
    }
}

std::int64_t TEudoraTocObj::SeparatorWithin(std::int64_t From, std::int64_t To)
{
    std::string Window;
    for (std::int64_t At = From + 1; At < To; At += ExtendStep) {
        Window.clear();
        // The byte before tells a line start; a line past the step lets the
        // check see the whole of a separator line that starts inside it.
        AppendRange(Window, At - 1, std::min<std::int64_t>(DataFileSize, At + ExtendStep + SeparatorLineReach));
        const size_t P = FindSeparator(Window, 1, IsOwnSeparatorAt);
        if (P == std::string::npos)
            continue;
        const std::int64_t Found = At - 1 + static_cast<std::int64_t>(P);
        if (Found >= To)
            return To;
        // One past the step is looked at again, with the line after it.
        if (Found < At + ExtendStep)
            return Found;
    }
    return To;
}

bool TEudoraTocObj::AppendRange(std::string& Text, std::int64_t From, std::int64_t To)
{
    const size_t had = Text.size();
    Text.resize(had + static_cast<size_t>(To - From));
    DataStream->Seek(From, soFromBeginning);
    const std::int32_t got = DataStream->Read(Text.data() + had, static_cast<std::int32_t>(To - From));
    Text.resize(had + static_cast<size_t>(std::max<std::int32_t>(0, got)));
    return got == To - From;
}

void TEudoraTocObj::CheckEntryRange(std::string& Text, std::int64_t& Start)
{
    // The index is the truth for a message's range: Eudora does not escape
    // body lines, so a From_ line inside a range is ordinary text. Only a
    // range that is plainly damaged is mended, by the separators in the
    // data file; each mend is an error-log row.
    const auto Repaired = [&](int Res, std::int64_t At) {
        Damaged = true;
        ++ReadProblems;
        WriteErrorLine(Format(LoadResString(Res), MessageNumber, std::to_string(MessagePos), std::to_string(Le32(Entry, 4)),
                              std::to_string(At)));
    };
    if (!IsSeparatorAt(Text, 0)) {
        const size_t First = FindSeparator(Text, 1);
        std::int64_t From = First == std::string::npos ? SeparatorBefore(Start) : Start + static_cast<std::int64_t>(First);
        // Text with no separator near it is delivered as it is (marked
        // damaged): some programs wrote data files without them.
        if (From < 0)
            return;
        if (First != std::string::npos) {
            Text.erase(0, First);
        } else {
            // The range starts inside a message: it is read from its start.
            std::string Head;
            if (!AppendRange(Head, From, Start))
                return;
            Text.insert(0, Head);
        }
        Start = From;
        Damaged = true;
        ++ReadProblems;
        WriteErrorLine(Format(LoadResString(SEudoraEntryLate), MessageNumber, std::to_string(MessagePos),
                              std::to_string(Start)));
    }
    const std::int64_t Next = NextEntryStart(std::max<std::int64_t>(Start, MessagePos));
    const bool EntryPastEnd = PastEnd && Start + static_cast<std::int64_t>(Le32(Entry, 4)) > DataFileSize;
    const std::int64_t End = Start + static_cast<std::int64_t>(Text.size());
    // A data file another index belongs to, or one that grew, can put the
    // range's start past the last entry's end: nothing lies before it to cut.
    if (End > Next && Next > Start) {
        // Overlapping the next entry: cut where the next message begins, at
        // the entry or a little before it when that entry is late itself.
        // An entry early inside this message's last line is its own damage.
        const size_t From = static_cast<size_t>(Next - Start);
        size_t Cut = std::string::npos;
        for (size_t P = Text.rfind("From ", From); P != std::string::npos && P > 0 && Cut == std::string::npos;
             P = Text.rfind("From ", P - 1))
            if (IsSeparatorAt(Text, P))
                Cut = P;
        if (Cut == std::string::npos)
            Cut = FindSeparator(Text, From);
        // A range a few bytes into the next message holds no whole line of
        // it: the separator stands in the data file at the next entry.
        if (Cut == std::string::npos) {
            std::string After = Text.substr(From - 1, 1);
            AppendRange(After, Next, std::min<std::int64_t>(DataFileSize, Next + SeparatorLineReach));
            if (IsSeparatorAt(After, 1))
                Cut = From;
        }
        if (Cut != std::string::npos) {
            Text.resize(Cut);
            if (!EntryPastEnd)
                Repaired(SEudoraEntryTooLong, Start + static_cast<std::int64_t>(Cut));
        }
    }
    if (EntryPastEnd)
        Repaired(SEudoraEntryPastEnd, Start + static_cast<std::int64_t>(Text.size()));
    if (End >= Next)
        return;
    // What lies between the range and the next entry: padding of any
    // length, or the next message, ends the range as the index gave it.
    std::string Gap;
    std::int64_t GapAt = End;
    while (GapAt < Next) {
        Gap.clear();
        // A little more than the gap, for a separator that the next entry,
        // one byte late, starts inside of.
        const std::int64_t To = std::min<std::int64_t>(Next, GapAt + ExtendStep);
        AppendRange(Gap, GapAt, std::min<std::int64_t>(DataFileSize, To + 256));
        const size_t Data = std::find_if_not(Gap.begin(), Gap.end(), IsPaddingByte) - Gap.begin();
        if (Data < static_cast<size_t>(To - GapAt)) {
            if (IsSeparatorAt("\n" + Gap.substr(Data, 256), 1))
                return;
            break;
        }
        if (Gap.empty())
            return;
        GapAt = To;
    }
    if (GapAt >= Next)
        return;
    // The entry ends inside its message: read on to the next separator,
    // never past the next entry.
    const size_t Before = Text.size();
    for (std::int64_t From = End; From < Next;) {
        const std::int64_t To = std::min<std::int64_t>(Next, From + ExtendStep);
        const size_t Search = std::max(Before, Text.size() > 5 ? Text.size() - 5 : 0);
        if (!AppendRange(Text, From, To))
            break;
        const size_t Sep = FindSeparator(Text, Search);
        if (Sep != std::string::npos) {
            Text.resize(Sep);
            break;
        }
        if (static_cast<std::int64_t>(Text.size()) >= MaxMessageSize)
            break;
        From = To;
    }
    Repaired(SEudoraEntryTooShort, Start + static_cast<std::int64_t>(Text.size()));
}

// ---------------------------------------------------------------------------
// Folder names
// ---------------------------------------------------------------------------

std::string EudoraFolderDisplayName(const std::string& FolderPath)
{
    const std::string path = ExcludeTrailingSlash(FolderPath);
    const size_t slash = path.rfind('\\');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string ext = ExtractFileExtNoDot(name);
    if (!(SameTextStr(ext, "fol") || SameTextStr(ext, EudoraDataExt) || SameTextStr(ext, EudoraIndexExt)))
        return name;
    if (SameTextStr(ext, EudoraIndexExt))
        name = EudoraDataFileName(name);
    const std::string parent = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string map = LoadFileToString(parent + "descmap.pce");
    if (name.size() < map.size()) {
        const int p = SearchText(map, "," + name + ",", 1);
        if (p >= 2) {
            const size_t comma = static_cast<size_t>(p - 1);
            const size_t eol = map.find_last_of("\r\n", comma);
            const size_t start = eol == std::string::npos ? 0 : eol + 1;
            return map.substr(start, comma - start);
        }
    }
    return name.substr(0, name.size() - 4);
}

std::string EudoraFolderPath(const std::string& FilePath, bool WithName)
{
    const int root = EudoraRootLength(FolderWithSlash(FilePath));
    if (root == 0)
        return WithName ? EudoraFolderDisplayName(FilePath) : std::string();
    const std::string path = ExcludeTrailingSlash(WithName ? FilePath : ExtractFolder(FilePath));
    std::string result;
    size_t from = static_cast<size_t>(root);
    while (from < path.size()) {
        size_t next = path.find('\\', from);
        if (next == std::string::npos)
            next = path.size();
        if (!result.empty())
            result += '\\';
        result += EudoraFolderDisplayName(path.substr(0, next));
        from = next + 1;
    }
    return result;
}

// ---------------------------------------------------------------------------
// Nicknames
// ---------------------------------------------------------------------------

bool LoadEudoraNicknames(const std::string& Folder)
{
    const std::string file = JoinPath(EudoraRoot(Folder), "nndbase.txt");
    if (!IsExistingFile(file))
        return false;
    TStringList lines;
    LoadStringsFromFile(file, lines);
    if (GNicknames)
        GNicknames->Clear();
    else
        GNicknames = std::make_unique<TDoubleStringList>();
    for (int i = 0; i < lines.Count(); ++i) {
        std::string line = lines[i];
        if (line.size() < 12 || line.compare(0, 6, "alias ") != 0)
            continue;
        line.erase(0, 6);
        std::string nick;
        if (line[0] == '"') {
            const size_t close = line.find('"', 1);
            if (close == std::string::npos)
                continue;
            nick = line.substr(1, close - 1);
            line.erase(0, close + 1);
            if (!line.empty() && line[0] == ' ')
                line.erase(0, 1);
        } else {
            const size_t blank = line.find(' ');
            if (blank == std::string::npos)
                continue;
            nick = line.substr(0, blank);
            line.erase(0, blank + 1);
        }
        if (!line.empty() && line.back() == ',')
            line.pop_back();
        if (!nick.empty() && GNicknames->IndexOf(nick) < 0)
            GNicknames->AddPair(nick, line);
    }
    if (GNicknames->Count() == 0) {
        FreeEudoraNicknames();
        return false;
    }
    GEudoraNicknameExpander = ExpandNicknamesRaw;
    return true;
}

void FreeEudoraNicknames()
{
    GNicknames.reset();
    GEudoraNicknameExpander = nullptr;
}

void ExpandNicknames(std::string& Text, bool Normalise)
{
    if (!GNicknames)
        return;
    std::string H = HeaderPartOf(Text, false);
    const size_t OldLength = H.size();
    if (Normalise)
        LineBreaksToCrLf(H, lbkMixed);
    bool Changed = false;
    for (const char* Field : {"To", "Cc", "Bcc"}) {
        int Pos = 1;
        int Len = 0;
        if (!FindHeaderValue(H, Field, Pos, false, Len))
            continue;
        const std::string Value = H.substr(static_cast<size_t>(Pos - 1), static_cast<size_t>(Len));
        std::string Joined;
        bool Replaced = false;
        int At = 1;
        while (At <= static_cast<int>(Value.size())) {
            const int Before = At;
            std::string Address = TrimCharSetStr(NextAddress(Value, At), true, TCharSet::Range(0, 32));
            if (At <= Before)
                break;
            if (Address.empty())
                continue;
            if (Address.find('@') == std::string::npos) {
                const int I = GNicknames->IndexOf(Address);
                if (I >= 0) {
                    Address = GNicknames->GetSecond(I);
                    Replaced = true;
                }
            }
            if (!Joined.empty())
                Joined += ", ";
            Joined += Address;
        }
        if (Replaced) {
            SetHeaderField(H, Field, Joined);
            Changed = true;
        }
    }
    if (Changed)
        Text.replace(0, OldLength, H);
}
