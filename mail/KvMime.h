#pragma once
// TKvMimeBlock: one MIME entity (a message or one of its parts) with its
// raw header, its body as stored, the values of its Content-* fields and,
// for a multipart, its child parts. One constructor call turns a message
// text into the whole tree; bad mail yields a usable tree, never an
// exception.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/SysUtils.h"
#include "foundation/KvDates.h"
#include "mail/KvArrival.h"
#include "mail/KvMessageFiles.h"
#include "mail/KvMimeCoding.h"
#include "mail/KvMimeParams.h"

// 0 body part, 1 attachment, 2 inline part, 3 detached attachment,
// 4 detached inline part.
using TMimePartKind = std::uint8_t;
enum : TMimePartKind {
    pkBody = 0, pkAttachment = 1, pkInline = 2, pkDetachedAttachment = 3, pkDetachedInline = 4
};
// Bit sets of part kinds for HasPartOfKind.
inline constexpr unsigned PartKindBit(TMimePartKind Kind) { return 1u << Kind; }

// Deeper levels are kept whole as the body of the last one, so that no
// message can recurse without bound.
inline constexpr int MaxMimeDepth = 100;

// Unit-wide values, set up on first use.
const std::string& SystemCharset();

// What CollectParts collects; a part without a name of its own is named
// after it too.
enum : int {
    cpAttachments = 1,
    cpInlineWithId = 2,   // inline parts with a content id of their own
    cpUnnamedInline = 3,  // inline parts without one
};

class TKvMimeBlock : public TObject, public TMimeBlockValues {
public:
    // A root block from a whole message text.
    TKvMimeBlock(const std::string& Text, bool HeaderOnly, bool LoadBody);
    ~TKvMimeBlock() override;
    TKvMimeBlock(const TKvMimeBlock&) = delete;
    TKvMimeBlock& operator=(const TKvMimeBlock&) = delete;

    // The child is owned by the caller unless added through AddChild.
    static std::unique_ptr<TKvMimeBlock> CreateChild(TKvMimeBlock* Parent, bool LoadBody,
                                                     std::uint8_t Truncated, std::string Text);
    static std::unique_ptr<TKvMimeBlock> CreateCopy(const TKvMimeBlock& Source,
                                                    TKvMimeBlock* Parent);

    // Tree access
    int ChildCount() const { return static_cast<int>(FChildren.size()); }
    TKvMimeBlock* Child(int I) const;  // 0-based; null outside the list
    TKvMimeBlock* GetRoot();
    int CountParts() const;
    TKvMimeBlock* AddChild(std::string Text, std::uint8_t Truncated);
    // Takes an existing block into the list, renumbering it.
    TKvMimeBlock* AdoptChild(std::unique_ptr<TKvMimeBlock> Block);

    // Header access
    std::string GetHeader(const std::string& Name) const;
    void SetHeader(const std::string& Name, const std::string& Value);
    void AddHeaderField(const std::string& Name, const std::string& Value);
    std::string GetSubject();
    std::string GetMessageIdentity();

    // Field setters
    void SetContentType(const std::string& Value);
    void SetDisposition(const std::string& Value);
    void SetTransferEncoding(const std::string& Value);
    void SetMediaClass(TMimeClass Class);
    void SetEncodingKind(std::uint8_t Kind);
    void SetTruncated(std::uint8_t Flag);
    void SetRawBody(const std::string& Text);
    void Reparse();
    // Reads the values of the header fields (Content-* values, file name,
    // charset and code page, disposition kind, external file and marker)
    // from Header again, as parsing does, after Header was changed; a body
    // that is only an agent's removed-section note keeps the part detached.
    // Body, Preamble, the children and ParsedType stay as they are; the type
    // now comes from the header, so TypeGuessed is cleared.
    void ReparseHeader();

    // Queries
    TMimePartKind GetPartKind() const;
    bool IsAttachment() const { return GetPartKind() != pkBody; }
    bool HasPartOfKind(unsigned KindSet) const;
    bool HasInlineParts() const;
    bool HasDetachedParts() const;
    bool IsMessagePart() const;
    bool IsMultipart() const;
    std::string GetMajorType() const;
    TKvMimeBlock* FindChild(const std::string& Type, bool MajorOnly, bool IncludeAttachments);
    TKvMimeBlock* FindBodyPart(const std::string& Type, bool IncludeAttachments = false);
    TKvMimeBlock* FindPart(const std::string& Type, const std::string& Name);
    void GetDecodedText(std::string& ACharset, std::string& Text);
    void GetTextOfType(const std::string& Type, std::string& ACharset, std::string& Text);
    void GetHtmlText(std::string& ACharset, std::string& Text);
    void GetEnrichedText(std::string& ACharset, std::string& Text);
    void GetPlainText(std::string& ACharset, std::string& Text);
    TKvMimeBlock* NextSibling(const std::string& Prefix) const;

    // Dates
    TDateTime GetReceivedDate();
    TDateTime GetDate();
    TDateTime GetSaveDate();
    std::string GetDateText() const;

    std::string GetAttachedMessageName();
    // Name/part pairs (the part as the object) of the parts Mode names.
    bool CollectParts(TStrings* List, int Mode);
    void LoadEmlxParts(const std::string& Base, std::string& Missing);

    // Conversions in place
    void Base64ToQuotedPrintable();
    void InsertIntoBody(const std::string& Text, int Position);

    // The block's place in its tree: its parent (null for a root), its
    // 1-based position among the parent's children and its depth.
    TKvMimeBlock* GetParent() const { return Parent; }
    std::int32_t GetIndex() const { return Index; }
    std::int32_t GetLevel() const { return Level; }
    // The code page of the block's charset; 0 when it names none.
    std::uint32_t GetCodePage() const { return CodePage; }
    // 1 when the part's text ended before its closing boundary line.
    std::uint8_t GetTruncated() const { return Truncated; }
    // The body is kept as raw text (SetRawBody), not as parsed parts.
    bool HasRawBody() const { return RawBody != 0; }

    // Beside the copied values (TMimeBlockValues): only the body is skipped.
    std::uint8_t HeaderOnly = 0;
    // Handed to a root by its reader: its verdict on the message's arrival.
    TArrivalVerdict Arrival;
    // Whether the message this block is part of arrived by mail: its root's
    // verdict, or a trace of delivery in the root's header.
    bool Received() const;

private:
    // The tree position is the block's and its parent's to set.
    TKvMimeBlock* Parent = nullptr;
    std::int32_t Index = 0;
    std::int32_t Level = 0;
    // The parse re-typed a multipart without boundary lines from its body.
    std::uint8_t TypeGuessed = 0;

    TKvMimeBlock() = default;
    void Parse(std::string Text);
    void ClearHeaderValues();
    void ParseHeaderFields();
    void SettleFields(bool Parsing);
    void CheckRemovedSectionNote();
    void SplitMultipart();
    void RetypeFromBody();
    void CheckMetaCharset();
    void ApplyMetaCharset();
    bool HasOwnContentId() const;
    std::string DecodedSubject();
    std::string MadeUpName(int Mode);
    void CollectDigestMembers(TStrings* List);
    void CollectInto(TStrings* List, int Mode);

    std::vector<std::unique_ptr<TKvMimeBlock>> FChildren;
    std::unique_ptr<TDateTimeObj> FReceivedDate;
    std::unique_ptr<TDateTimeObj> FDate;
};
