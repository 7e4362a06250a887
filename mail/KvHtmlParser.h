#pragma once
// A tolerant single-pass scanner over the HTML bodies of mail: tokens of a
// numbered kind, tags split into name and attributes, a stack of font sizes
// so that tiny text can be recognised, and the character references.
// Input is single-byte (Windows-1252) text; nothing here fails on bad markup.

#include <cstdint>
#include <memory>
#include <string>

#include "classlib/Classes.h"

// Token kinds; a parser reports only the kinds in its report set.
using THtmlTokenKind = std::uint8_t;
constexpr THtmlTokenKind htkComment = 2;      // also a lone '<' ending the text
constexpr THtmlTokenKind htkText = 3;
constexpr THtmlTokenKind htkAnchorText = 4;   // text inside an a element
constexpr THtmlTokenKind htkReference = 5;    // '&' up to ';'
constexpr THtmlTokenKind htkTag = 6;
constexpr THtmlTokenKind htkDeclaration = 7;  // "<!" ... ">", not a comment
constexpr THtmlTokenKind htkOpenPre = 8;      // after a pre start tag whose end is missing
constexpr THtmlTokenKind htkServer = 9;       // "<?", "<%", "<#" blocks
constexpr THtmlTokenKind htkScript = 10;
constexpr THtmlTokenKind htkPre = 11;
constexpr THtmlTokenKind htkStyle = 12;
constexpr THtmlTokenKind htkTitle = 14;
constexpr THtmlTokenKind htkImage = 17;
constexpr THtmlTokenKind htkAnchor = 18;
constexpr THtmlTokenKind htkUrlTag = 19;      // a tag carrying a URL attribute

// Raw-element codes held between tokens.
constexpr std::uint8_t reNone = 0;
constexpr std::uint8_t reScript = 10;
constexpr std::uint8_t rePre = 11;
constexpr std::uint8_t reStyle = 12;
constexpr std::uint8_t rePlainText = 13;
constexpr std::uint8_t reTitle = 14;
constexpr std::uint8_t reXmp = 15;

// Bit set indexed by token kind.
using THtmlTokenSet = std::uint32_t;
constexpr THtmlTokenSet HtmlTokenBit(THtmlTokenKind Kind)
{
    return THtmlTokenSet(1) << Kind;
}

// Tag kinds of TTagParser.
constexpr std::uint8_t tkStart = 0;
constexpr std::uint8_t tkEnd = 1;
constexpr std::uint8_t tkSelfClosing = 2;  // "/>" after a blank
constexpr std::uint8_t tkVoid = 3;

class TTagAttribute : public TObject {
public:
    // "name", "name=value", "name='value'" or "name=\"value\"".
    explicit TTagAttribute(const std::string& Text);
    TTagAttribute(std::string AName, std::string AValue)
        : Name(std::move(AName)), Value(std::move(AValue)) {}
    std::string Name;
    std::string Value;
};

class TTagAttributes : public TObjectList {
public:
    // Parses the attribute part of a tag (the text after its name).
    explicit TTagAttributes(const std::string& Text);
    TTagAttribute* Items(int Index) const { return static_cast<TTagAttribute*>(TObjectList::Items(Index)); }
    void AddNamed(const std::string& Name);
    void AddParsed(const std::string& Text);
    int IndexOfName(const std::string& Name) const;  // -1 when absent
    std::string GetValue(const std::string& Name) const;
};

class TTagParser : public TObject {
public:
    TTagParser(const std::string& TagText, bool AParseAttributes);
    ~TTagParser() override;
    TTagParser(const TTagParser&) = delete;
    TTagParser& operator=(const TTagParser&) = delete;

    // S is a cleaned tag text (CleanTagText).
    void Parse(const std::string& S);
    std::string GetAttribute(const std::string& AttrName) const;

    std::string Name;  // as written, without a leading '/'
    std::uint8_t Kind = tkStart;
    const bool ParseAttributes;
    std::unique_ptr<TTagAttributes> Attributes;  // rebuilt by every Parse
};

// Font size of one open font-bearing tag: 1..7 HTML sizes, 0 "xx-small",
// negative: minus an absolute size in pixels or points.
class THtmlTextAttr : public TObject {
public:
    explicit THtmlTextAttr(std::int32_t AFontSize) : FontSize(AFontSize) {}
    std::int32_t FontSize;
};

// The stack of font sizes, one item per open body, basefont, font, table,
// td, th or tr tag (the tag name as written, the size as its object).
class THtmlText : public TStringList {
public:
    THtmlText();
    ~THtmlText() override;
    THtmlText(const THtmlText&) = delete;
    THtmlText& operator=(const THtmlText&) = delete;

    void ProcessTag(const std::string& TagText);
    THtmlTextAttr* Top() const;  // null when empty
    int TopFontSize() const;     // 3 when empty
    bool IsTinyFont() const;
    bool IsInvisibleFont() const;
    void Pop();

private:
    std::unique_ptr<TTagParser> FTagParser;
};

class THtmlParser : public TObject {
public:
    explicit THtmlParser(const std::string& AText);
    ~THtmlParser() override;
    THtmlParser(const THtmlParser&) = delete;
    THtmlParser& operator=(const THtmlParser&) = delete;

    // The next token of a reported kind; false when none is left.
    bool NextToken(std::string& Text, std::string& TagName, THtmlTokenKind& Kind);

    std::uint8_t RawElement() const { return FRawElement; }
    const THtmlText& FontStack() const { return *FFontStack; }

    THtmlTokenSet ReportSet = 0;

private:
    void TagStep(int TokenStart, std::string& TagName, THtmlTokenKind& Kind);
    void SkipRawElement(THtmlTokenKind& Kind);
    void ScanContent(char C, THtmlTokenKind Kind, THtmlTokenKind TextKind, int& CommentEnd, bool& Advance);

    std::string FText;
    int FPos;
    int FLen;
    char FServerEnd = 0;
    std::uint8_t FState = 0;  // 0 content, 1 markup, 2 comment
    std::uint8_t FRawElement = reNone;
    THtmlTokenKind FCharKind = htkText;
    std::unique_ptr<TTagParser> FTagParser;
    std::unique_ptr<THtmlText> FFontStack;
    bool FInAnchor = false;
};

std::string CleanTagText(const std::string& TagText);
bool IsVoidElement(const std::string& LowerCaseName);
// Names: the URL attributes of a tag, blank-separated, in the order tried.
bool UrlAttributesOf(const std::string& TagName, std::string& Names, int& Count);
int UrlAttributeValuePos(const std::string& TagName, const std::string& TagText);
// Removes comments, scripts, styles and server blocks; pre elements stay.
std::string StripHtmlComments(const std::string& Text);

// Character references, decoded to single Windows-1252 characters.
// Name is the text between '&' and ';'; 0 when not in the tables.
std::uint8_t EntityToChar(const std::string& Name);
std::string DecodeEntities(const std::string& Text);
// The character of the reference whose '&' stands at the 1-based Pos.
std::uint8_t EntityAt(const std::string& Text, int Pos);
