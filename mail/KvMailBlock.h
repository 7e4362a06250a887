#pragma once
// TKvMailBlock: a read-only view of a raw message as a tree of parts. Every
// block of a tree shares the one message text and only records where its
// header and body lie in it, so asking "has it parts?" or "has it a plain
// text body?" copies nothing. Positions are 1-based, 0 when absent.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "mail/KvMimeCoding.h"

class TKvMailBlock : public TObject {
public:
    explicit TKvMailBlock(const std::string& AText = std::string());
    ~TKvMailBlock() override;
    TKvMailBlock(const TKvMailBlock&) = delete;
    TKvMailBlock& operator=(const TKvMailBlock&) = delete;

    // A block over Length characters of Parent's text from Offset; the
    // caller owns it unless it came from AddPart.
    static std::unique_ptr<TKvMailBlock> CreatePart(TKvMailBlock* Parent, int Length, int Offset);
    static TKvMailBlock* AddPart(TKvMailBlock* Parent, int Offset, int Length);

    virtual void SetText(const std::string& AText);
    virtual void Clear();

    std::string GetHeaderText() const;
    std::string GetBodyText() const;
    bool HasMediaClass(TMimeClass Class) const;
    bool HasParts() const;

    int ChildCount() const { return static_cast<int>(Children.size()); }
    TKvMailBlock* Child(int I) const;  // 0-based; null outside the list

    // Shared by every block of a tree.
    std::shared_ptr<const std::string> Text;
    std::string Boundary;
    std::string Charset;
    std::string ContentId;
    std::string ContentLocation;
    std::string ContentType;
    std::string FileName;
    std::int32_t Index = 0;
    std::int32_t CodePage = -1;
    TKvMailBlock* Parent = nullptr;
    std::vector<std::unique_ptr<TKvMailBlock>> Children;
    std::int32_t BodyStart = 0;
    std::int32_t BodyLength = 0;
    std::int32_t HeaderStart = 0;
    std::int32_t HeaderLength = 0;
    std::uint8_t Truncated = 0;
    std::uint8_t DispositionKind = 0;
    std::uint8_t EncodingKind = 0;
    TMimeClass MediaClass = 0;
    std::uint8_t TypeGuessed = 0;

private:
    void Locate(int Offset, int Length);
    void ReadFields();
    void Split();
};
