#pragma once
// The decomposed form of one message: its header, its text bodies (plain,
// HTML, enriched) with their charsets, its dates and an ordered list of
// attachments (files and inline parts). Mail stores that keep attachments
// outside the message are read into this form, and the multipart writer
// turns it back into one complete MIME message.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Streams.h"
#include "foundation/KvDates.h"
#include "mail/KvArrival.h"
#include "mail/KvMailFlags.h"

class TJudgedFile;
class TKvMimeBlock;

// Texts of the error log and of the short part that stands in for a file.
inline constexpr int SAttachmentNotFound = 65258;  // Attachment not found: "%s"
inline constexpr int SEmailFileNotFound = 65259;   // Email file not found: "%s"
inline constexpr int SEmailPartNotFound = 65233;   // Email part not found: "%s"

// Attachment kinds.
enum : int { akAttachment = 1, akEmbedded = 2, akNoData = 4 };

class TAttachment : public TObject {
public:
    TAttachment() = default;
    ~TAttachment() override;

    int GetKind() const;
    std::string GetFullPath() const;
    void SetPath(const std::string& Path);
    std::string GetFileName() const { return FileName; }
    // An empty Encoding keeps the present one; base64 text is decoded.
    void SetData(const std::string& Text, const std::string& Encoding);
    // The file as judged; a missing file is logged and replaced by a short
    // text naming it.
    void LoadFile(TJudgedFile File, const std::string& Encoding, bool TrySubstitution);
    void AssignFromPart(TKvMimeBlock& Block);
    void AssignFromDigestItem(const std::string& Name, TKvMimeBlock& Block);
    // The held bytes, the stream left at its start.
    std::string DataBytes() const;

    std::string ContentId;
    std::string ContentLocation;
    std::string ContentType;
    std::string TransferEncoding;
    std::string FileName;
    std::string Folder;
    std::unique_ptr<TStream> Data;
};

// What the re-embedding of detached files looks for (AttachmentMode).
enum : std::uint8_t {
    amAll = 0,           // attachments and embedded content
    amEmbeddedOnly = 1,
    amNone = 2,          // neither: detached files are not looked for
};

class TMessageParts : public TObject {
public:
    TMessageParts() = default;
    ~TMessageParts() override;

    void ParseMessageText(const std::string& Text);
    void ParseHeader(const std::string& HeaderText);
    // The header/body split every rule starts with; PlainText gets the body.
    void SplitAndParse(const std::string& Text);
    TAttachment* AddAttachment();
    int AttachmentCount() const { return static_cast<int>(Attachments.size()); }
    TAttachment* Attachment(int I) const { return Attachments[static_cast<std::size_t>(I)].get(); }
    int EmbeddedCount() const;
    bool HasSeveralParts() const;

    void SetHeaderDate(TDateTimeObj* Date) { SetDate(FHeaderDate, FOwnHeaderDate, Date); }
    void SetReceivedDate(TDateTimeObj* Date) { SetDate(FReceivedDate, FOwnReceivedDate, Date); }
    void SetSeparatorDate(TDateTimeObj* Date) { SetDate(FSeparatorDate, FOwnSeparatorDate, Date); }
    TDateTimeObj& GetHeaderDate();
    TDateTimeObj& GetReceivedDate();
    TDateTimeObj& GetSeparatorDate();

    void FillFromMimeBlock(TKvMimeBlock& Block);
    int ExtractUuencoded(bool Promote);
    // Kind 0 without a From_ line gives the raw MIME text of the rebuilt tree.
    // Defined with the multipart writer (KvMsgWriter.cpp), which it drives.
    void RenderMessage(int OutputKind, int FromLineKind, std::string& Result);
    // Sets a header field in Header and reads the summary again.
    void SetHeaderField(const std::string& Name, const std::string& Value);
    void RemoveHeaderField(const std::string& Name);

    std::string Html;
    std::string Enriched;
    std::string PlainText;
    std::string Boundary;  // with its leading "--"
    std::string Charset;
    std::string EnrichedCharset;
    std::string HtmlCharset;
    std::string PlainCharset;
    // Read from "Eudora.ini" once per message; " " once known to be absent.
    std::string EudoraAttachmentsFolder;
    std::string ContentTypeValue;
    std::string Name;
    std::string MediaType;
    std::string TransferEncoding;
    std::string From;
    std::string To;
    std::string Subject;
    std::string MainType;
    std::string Header;  // ends with the line break of its last field
    std::uint8_t DispositionKind = 0;
    std::vector<std::unique_ptr<TAttachment>> Attachments;
    std::uint32_t CodePage = 0;
    std::uint8_t AttachmentMode = amAll;
    TMailFlags MailFlags = 0;
    bool HeaderCompleted = false;
    // The reader's verdict on the message's arrival, handed in when the
    // parts are made.
    TArrivalVerdict Arrival;
    // Arrived by mail: the verdict, or a trace of delivery in the header.
    bool Received() const { return Arrival.Received(Header); }

private:
    static void SetDate(TDateTimeObj*& Held, std::unique_ptr<TDateTimeObj>& Own, TDateTimeObj* Date);
    TDateTimeObj& ReadDate(TDateTimeObj*& Held, std::unique_ptr<TDateTimeObj>& Own, int Which);

    TDateTimeObj* FHeaderDate = nullptr;
    TDateTimeObj* FReceivedDate = nullptr;
    TDateTimeObj* FSeparatorDate = nullptr;
    std::unique_ptr<TDateTimeObj> FOwnHeaderDate;
    std::unique_ptr<TDateTimeObj> FOwnReceivedDate;
    std::unique_ptr<TDateTimeObj> FOwnSeparatorDate;
};

// The content of a stream from its start, at most MaxCount bytes, the
// position restored to 0.
std::string StreamBytes(TStream& Stream, std::int64_t MaxCount = INT64_MAX);
