#pragma once
// The message object every mailbox reader is built on: the reader is at once
// the iterator over its mailbox and the holder of the current message, with
// its text, flags, dates and folder names.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/KvDates.h"
#include "foundation/KvLists.h"
#include "mail/KvArrival.h"
#include "mail/KvErrorLog.h"
#include "mail/KvMailFlags.h"
#include "mail/KvMailFolders.h"

class TStream;
class TFileStream;
class THandleStream;
class TKvMimeBlock;
class TMessageParts;

using TMailParseState = std::uint8_t;
enum : TMailParseState { mpsNone = 0, mpsText = 2, mpsParts = 3, mpsMimeBlock = 4 };

// What a message asks of the MIME engine: parsed whole into a part tree, its
// uuencoded blocks decoded, its detached attachments put back (Finfo: the
// attachment lines are "X-finfo" notes), or the Eudora body rules applied.
enum class TMimeRebuild : std::uint8_t { None, MimeBlock, Decode, Detached, DetachedFinfo, EudoraBody };

// Largest message text read in one piece; a longer message is read up to
// this size and logged as damaged.
inline constexpr std::int64_t DefaultMaxMessageSize = 0x2FFFFFFF;
// Largest message loaded and rebuilt in memory: text, parts and the copies
// the writers make of it cost a few times its size, and a 32-bit process
// has room for few such. A larger one is left unread for its caller to
// copy as it stands.
inline constexpr std::int64_t DefaultLargeMessageSize = 0x8000000;
// Smallest body left where it lies when fields are added in front of it:
// a smaller one is moved to make room, which costs less than writing the
// fields apart from it.
inline constexpr std::size_t BodyLeftInPlace = 0x10000;
// Largest header rebuilt: header work copies a field a few times over, so a
// giant header line costs many times its size where a body line costs two.
inline constexpr std::int64_t DefaultLargeHeaderSize = 0x1000000;

// Installed while an Eudora nickname list is loaded: expands nicknames in the
// To, Cc and Bcc fields of a message text.
using TNicknameExpander = void (*)(std::string& Text);
extern TNicknameExpander GEudoraNicknameExpander;

// Where a message's flags came from (TEMailObj::StatusSource).
enum : std::uint8_t {
    ssNotYet = 0,
    ssHeaderFields = 2,   // the status header fields
    ssMozillaStatus = 3,  // a Mozilla status field
    ssHexStatus = 4,      // the hexadecimal status field of kind 10 stores
    ssIndexEntry = 6,     // the mailbox index's entry
};

class TEMailObj : public TMailFolderObj, public IErrorLogMessage {
public:
    TEMailObj();
    ~TEMailObj() override;

    virtual TMailFlags GetMailFlags();
    virtual void ClearMessage();

    // Output kind 0 is the raw message as loaded (or as rebuilt).
    void GetMessageText(int OutputKind, std::string& Text);
    // GetMessageText(0, Text), handing the text over instead of copying it
    // where the reader holds it as it stands; the reader keeps the header
    // (for the error log's subject and date) but not the text. Given Head
    // and Skip, a text whose header got fields without its body being moved
    // is handed over as it lies: the message is Head followed by Text from
    // Skip on (Head is empty and Skip 0 for any other text).
    void TakeMessageText(std::string& Text, std::string* Head = nullptr, std::size_t* Skip = nullptr);
    // Set where the texts handed over are copied into an mbox: a store whose
    // bounds are no From_ lines then hands each over fit for it (see
    // MakeMboxCopy), and Head stays empty.
    bool MboxCopy = false;
    // Whether the texts handed over are made fit for an mbox copy.
    bool CopiesIntoMbox() const;
    bool IsDeleted();
    void GetHeaderText(std::string& Text);
    void GetDateText(std::string& Text);
    void GetSubject(std::string& Text);
    bool IsMultipart();
    bool NeedsDecoding();

    void SetMessageSource(const std::string& Text);
    void SetMessageSource(std::string&& Text);
    // QpSpaceAt, when known, is where the text's last "=20" starts (npos:
    // it holds none), as the reader's scan found: the body is then not
    // searched for one.
    void AddMissingContentType(std::optional<std::size_t> QpSpaceAt = std::nullopt);

    std::string LogMailboxName() override;
    std::string LogFolderName() override;
    std::string LogDateText() override;
    std::string LogSubject() override;

    std::unique_ptr<TDoubleStringList> Preloaded;
    // The code page the message names (-1 for none); worked out when first
    // asked for, since converting a message never needs it.
    std::int32_t MessageCodePage();
    TMailFlags MailFlags = 0;
    std::string MailboxName;

    // The date of the current message's From_ line; null when it has none.
    TDateTimeObj* GetEnvelopeDate() const { return EnvelopeDate.get(); }
    TMailParseState GetParseState() const { return ParseState; }
    // What the current message asked of the MIME engine (None: nothing).
    TMimeRebuild GetRebuild() const { return Rebuild; }
    // Whether the text stored holds the source's LF breaks as they stand
    // (see LfTextHeader); every other text holds CR LF.
    bool HasLfBreaks() const { return LfBreaks; }

protected:
    // Set by the readers: how they open and clean their files, and where
    // the flags came from.
    bool OpenForWriting = false;
    bool StripNul = false;
    std::uint8_t StatusSource = ssNotYet;
    std::unique_ptr<TDateTimeObj> EnvelopeDate;
    TMailParseState ParseState = mpsNone;
    // What a reader that looked at every line start already knows: whether
    // the text next given to StoreMessage holds an external-body or
    // detached mark (Unknown: it is searched for there).
    enum class TMarkFound : std::uint8_t { Unknown, No, Yes };
    TMarkFound ExternalBodyFound = TMarkFound::Unknown;
    // The same for a line that begins "begin " (an uuencoded block may start
    // there): No settles that the text needs no decoding.
    TMarkFound UuBeginFound = TMarkFound::Unknown;
    // Where the last "=20" of that text starts (npos: nowhere), from a scan
    // that went over all of it; unset, it is searched for where it matters.
    std::optional<std::size_t> LastQpSpace;
    // The first bytes of the lines that may hold those marks (256 entries,
    // by byte value); a reader that noted where such lines start in Text
    // settles ExternalBodyFound and UuBeginFound.
    static const bool* MarkLineFirsts();
    void NoteMarkLines(const std::string& Text, const std::vector<std::size_t>& LineStarts);
    // Set by a reader that hands StoreMessage a text with the source's LF
    // breaks, for a target whose breaks are LF, once KeepsMboxHeader said
    // yes: the text's header with CR LF breaks, which the header work reads.
    // The text is kept as it stands when its marks and body ask for no
    // change either, and its breaks are made CR LF else.
    std::string LfTextHeader;
    // Set with it: the header names no Content-Type, which StoreMessage adds.
    bool LfTextUntyped = false;
    // Whether StoreMessage would keep an mbox text of Size bytes as it
    // stands as far as its header tells: no attachment lines to resolve,
    // and no Content-Type to add (Untyped) unless the text is large (it goes
    // in front of the text). Head: the text up to its blank line, its breaks
    // all LF; Header gets its header with CR LF breaks.
    bool KeepsMboxHeader(std::string_view Head, std::size_t Size, std::string& Header, bool& Untyped) const;
    // For such a text (LF breaks) without a Content-Type: the fields it
    // gets, Head standing for its first Cut bytes (LF breaks; empty when it
    // gets none), and Header its header then (CR LF). False when its first
    // bytes cannot tell.
    bool LfTextMissingType(const std::string& Text, std::optional<std::size_t> QpSpaceAt, std::string& Head,
                           std::size_t& Cut, std::string& Header) const;

    void SetMimeBlock(const std::string& Text);
    void BuildParts(const std::string& Text, TMimeRebuild Mode);
    virtual void RebuildMessage(const std::string& Text, TMimeRebuild Mode);
    void StoreEudoraText(std::string& Text);
    void StoreMessage(std::string&& Text);
    // Into gets the storage of the text handed on before (not of a very
    // large one), so the next message is read without allocating; its old
    // bytes are still there, for the reader to read over.
    void ReuseTextStorage(std::string& Into);
    // The folder detached attachments are resolved against.
    std::string AttachmentFolder() const;
    // Whether some message of the mailbox arrived by mail. A reader whose
    // messages are bounded by separator lines answers for the whole file:
    // a separator line inside a received message starts a piece of it that
    // shows no trace of arrival, and every piece of it counts as received.
    virtual bool MailboxHoldsArrival() { return false; }

private:
    // The message as loaded, in the parse state's form, and what is worked
    // out from it on demand; only the message object itself sets them.
    std::int32_t CodePage = -1;
    bool CodePageKnown = false;
    std::unique_ptr<TDateTimeObj> HeaderDate;
    std::unique_ptr<TDateTimeObj> IndexDate;
    std::string DateTextCache;
    std::string SubjectCache;
    std::unique_ptr<TMessageParts> Parts;
    std::unique_ptr<TKvMimeBlock> MimeBlock;
    std::string MessageText;
    // The storage a caller handed back for the text it took, its bytes kept:
    // the next message is read over them, never over cleared ones.
    std::string SpareText;
    std::string HeaderText;
    // Header fields added to a text with a body are kept apart from it: its
    // first HeadCut bytes read as AddedHead (which ends with the header's
    // blank line), and the body is not moved to make room. JoinHead makes
    // MessageText whole, for every use but the hand-over.
    std::string AddedHead;
    std::size_t HeadCut = 0;
    void JoinHead();
    TMimeRebuild Rebuild = TMimeRebuild::None;
    bool LfBreaks = false;
    // Whether a text of this Header (CR LF) may hold a uuencoded block the
    // load would decode.
    static bool MayNeedDecoding(const std::string& Header, const std::string& Text);
    void MakeMboxCopy(std::string& Text);
    // The store's own mark of the current message as arrived.
    bool StoreMarksArrival() const;
    // The verdict on the message of Text, settled once per rebuild: the
    // store's mark, a trace in its own header, or the mailbox's arrival
    // (asked last).
    TArrivalVerdict ArrivalOf(const std::string& Text);
};

class TClientMailObj : public TEMailObj {
public:
    TClientMailObj() = default;

    virtual bool Next();
    virtual bool NextMessage() = 0;
    // 0 to 100: where the current message starts, as a share of the mailbox.
    virtual int GetPercentDone();
    void SetMessageCount(std::int32_t Count);
    // A message found that the count left out: counted, and the number of
    // those read so far kept.
    void CountOneMoreMessage();

    // 1 for the first message once it is loaded.
    std::int32_t GetMessageNumber() const { return MessageNumber; }

protected:
    // Set as messages are read; the file reader works the percentage out.
    std::int32_t MessageCount = -1;
    std::int32_t MessageNumber = 0;
    float PercentFactor = 0;
    bool CountBasedProgress = false;
};

class TFileMailObj : public TClientMailObj {
public:
    TFileMailObj();
    ~TFileMailObj() override;

    bool Next() override;
    bool NextMessage() override;
    int GetPercentDone() override;
    virtual void ReadMessageText(std::string& Text);

    // True when the file is open and not empty.
    bool OpenFile();
    // The first Count bytes, the stream position left where it was.
    void ReadHead(int Count, std::string& Text);
    void LoadMessage();

    std::int64_t MessagePos = -1;
    std::int64_t MessageSize = 0;
    std::int64_t MaxMessageSize = DefaultMaxMessageSize;
    bool Damaged = false;
    bool Locked = false;
    // Messages larger than this are not loaded: TooLarge is set and the
    // range (MessagePos, MessageSize) is the caller's to copy.
    std::int64_t LargeMessageSize = DefaultLargeMessageSize;
    std::int64_t LargeHeaderSize = DefaultLargeHeaderSize;
    bool TooLarge = false;
    // Set where the target's breaks are LF: a reader that can hands on a
    // text whose breaks are all LF as it stands (HasLfBreaks then says so).
    bool KeepLfBreaks = false;
    // Set for texts that become files of their own: a message keeps the
    // line break that ends its last line (one is added when the file ends
    // without it), and only a blank line before the next separator is the
    // separator's. Left clear where messages are copied into a mailbox,
    // whose writer puts one break after each text: the copy then holds the
    // source's bytes.
    bool OwnLastBreak = false;
    // Error-log rows written for index entries that were mended or could
    // not be read; the caller counts them as errors.
    std::int32_t ReadProblems = 0;
    // Where the file ended when it turned out shorter than it was when
    // opened; -1 while it did not. A message reaching that far, and those
    // after it, were not read whole.
    std::int64_t CutAt = -1;

protected:
    // The file and what the readers settle about it.
    std::unique_ptr<THandleStream> Stream;  // a file stream, on a path of any length
    std::int64_t FileSize = 0;
    bool FixLineBreaks = false;
    bool IndexAddressed = false;

    // Reads the current range from Source into Text, up to MaxMessageSize
    // bytes; answers the bytes read, -1 when the position is unusable. A
    // short read shrinks MessageSize and marks the message damaged.
    std::int64_t ReadRange(TStream& Source, std::string& Text);
    // The current range as ReadMessageText reads it: from the stream, unless
    // a reader holds those bytes already.
    virtual std::int64_t ReadMessageRange(std::string& Text);
};

// NULs at the end cut off, a run of NULs before a line break deleted, any
// other NUL made a blank.
void RepairNulBytes(std::string& Text);
// What the load does to a text read: NULs repaired, line breaks made CR LF.
void CleanLoadedText(std::string& Text, bool StripNul, bool FixLineBreaks);
