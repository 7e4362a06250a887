#pragma once
// Eudora mailboxes: an index file (".toc") of fixed-size entries beside a
// data file (".mbx") that holds the message texts one after another; the
// folder display names of "descmap.pce" files and the nicknames of
// "nndbase.txt".

#include <cstdint>
#include <memory>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "mail/KvMailBase.h"

inline constexpr int EudoraHeaderSize = 104;
inline constexpr int EudoraEntrySize = 218;
inline constexpr const char* EudoraIndexExt = "toc";
inline constexpr const char* EudoraDataExt = "mbx";

// The data file's name of an index file's name: the store pairs them by
// the extension alone. The one place that says so, for the reader, the
// driver and the folder names.
std::string EudoraDataFileName(const std::string& IndexFileName);

// Flags of an index entry's status and priority codes, and the folder bits
// of the index header's mailbox type (ordinary mailboxes go by the status).
TMailFlags EudoraStatusFlags(int Status);
TMailFlags EudoraPriorityFlags(int Priority);
TMailFlags EudoraFolderBits(int MailboxType, int Status);

// A reader of a mailbox addressed through an index: progress goes by count.
class TMailBinStream : public TFileMailObj {
public:
    explicit TMailBinStream(const std::string& FileName);
    virtual void DecodeEntry() = 0;
};

class TMailTocStream : public TMailBinStream {
public:
    explicit TMailTocStream(const std::string& IndexFileName);
    ~TMailTocStream() override;

    bool Next() override;
    void ReadMessageText(std::string& Text) override;
    virtual std::string GetDataFileName();

    std::int64_t DataFileSize = -1;
    // Opened at any length of path, as the index is.
    std::unique_ptr<THandleStream> DataStream;
    bool CheckFromLine = true;
};

class TEudoraTocObj : public TMailTocStream {
public:
    explicit TEudoraTocObj(const std::string& IndexFileName);
    ~TEudoraTocObj() override;

    bool NextMessage() override;
    void ReadMessageText(std::string& Text) override;
    void DecodeEntry() override;

    std::string Header;  // the index header as read
    std::string Entry;   // the current index entry
    int MailboxType = -1;
    bool IsFromLine = false;
    // Why an index gives no message at all (its header is not one this
    // reader knows); empty otherwise. The row is in the error log too.
    std::string IndexProblem;

private:
    // Mends a range that is plainly damaged (past the data file's end,
    // overlapping the next entry, starting where no message starts, or
    // stopping inside its message); each mend is an error-log row.
    void CheckEntryRange(std::string& Text, std::int64_t& Start);
    // What an entry that starts where an earlier one started holds past
    // ReadEnd: from At, past the padding, up to To (its end, or where
    // another entry's message starts); when Starts, a message starts at At
    // and stops at Cut.
    struct TRepeatRange {
        std::int64_t At = 0;
        std::int64_t To = 0;
        std::int64_t Cut = 0;
        bool Starts = false;
    };
    TRepeatRange RepeatRangeFrom(std::int64_t ReadEnd);
    // For such an entry whose start was read up to ReadEnd: true when what
    // it holds past that is set up as the message to read; false when
    // nothing is left to read. Its row is written either way.
    bool ReadPastRepeat(std::int64_t ReadEnd);
    // The next message of a range an entry gave already, from RestAt, set
    // up without a row; false when none starts there.
    bool ReadRepeatRest(std::int64_t RestAt);
    // The message of Range set up to read, what follows it in the range
    // left to the next call, counted as one message more.
    void TakeRepeatMessage(const TRepeatRange& Range);
    // The first of Eudora's own separators in the data file after From and
    // before To; To when there is none.
    std::int64_t SeparatorWithin(std::int64_t From, std::int64_t To);
    void ReadEntryStarts();
    // A first entry that reaches over messages no entry starts, where a
    // later entry of its start ends sooner at a separator: the message is
    // read to there, and the rest of the range as the repeat repair reads it.
    void CutAtShorterRepeat();
    // The first entry offset after Pos, or the data file's size.
    std::int64_t NextEntryStart(std::int64_t Pos) const;
    // The range [From, To) of the data file appended to Text.
    bool AppendRange(std::string& Text, std::int64_t From, std::int64_t To);

    std::vector<std::int64_t> EntryStarts;  // sorted offsets inside the data file
    // For each start that more than one entry gives, the shortest length.
    std::vector<std::pair<std::int64_t, std::uint32_t>> ShortestRepeats;
    // Where the entries read start, and how far the bytes read from there
    // reach.
    std::map<std::int64_t, std::int64_t> ReadEnds;
    std::int64_t FReadEnd = 0;  // how far the current message's read reached
    // Where the rest of the current entry's repeat range starts, read as the
    // next message; -1 when none is left.
    std::int64_t FRepeatRest = -1;
    bool PastEnd = false;                   // the current entry's length runs past the data file
    // The offset of the last separator before Pos; -1 when none is near.
    std::int64_t SeparatorBefore(std::int64_t Pos);
};

std::string EudoraFolderDisplayName(const std::string& FolderPath);
std::string EudoraFolderPath(const std::string& FilePath, bool WithName);

// True when a list was loaded from the root's "nndbase.txt".
bool LoadEudoraNicknames(const std::string& Folder);
void FreeEudoraNicknames();
// Nicknames in To, Cc and Bcc replaced by their expansions.
void ExpandNicknames(std::string& Text, bool Normalise);
