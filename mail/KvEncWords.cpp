#include "mail/KvEncWords.h"

#include <utility>
#include <vector>

#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvCodePage.h"
#include "foundation/KvFont.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvBase64.h"

namespace {

constexpr int Utf8CodePage = 65001;

// A charset name in a header is the sender's text: a run of digits too long
// for a code page must read as an unknown charset, not abort the decoding.
int CodePageOfName(const std::string& Name)
{
    try {
        return CharsetToCodePage(TableLowerCase(Name));
    } catch (const EConvertError&) {
        return -1;
    }
}

// The charset named by a "charset=" parameter in text that has no encoded
// words: the name runs to the end of its line.
int CharsetParameterCodePage(const std::string& Text)
{
    const int pos = PosTextFrom("charset=", Text, 1);
    if (pos == 0)
        return -1;
    const int len = static_cast<int>(Text.size());
    int i = pos + 8;
    while (i <= len && static_cast<unsigned char>(Text[i - 1]) < 14)
        ++i;
    const int start = i;
    while (i <= len && static_cast<unsigned char>(Text[i - 1]) > 13)
        ++i;
    std::string name = Text.substr(static_cast<std::size_t>(start - 1),
                                   static_cast<std::size_t>(i - start));
    if (!name.empty() && (name[0] == '"' || name[0] == '\''))
        name = name.size() >= 2 ? name.substr(1, name.size() - 2) : std::string();
    return CodePageOfName(name);
}

// Once mixed (-1) the common code page stays mixed; 0 takes the first named
// code page; interchangeable code pages keep the common one.
int MergeCodePage(int Common, int WordCodePage)
{
    if (Common == -1 || WordCodePage == 0)
        return Common;
    if (Common == 0)
        return WordCodePage;
    return CodePagesCompatible(Common, WordCodePage) ? Common : -1;
}

}  // namespace

void DecodeHeaderText(const std::string& Text, int TargetCodePage, std::string& Result)
{
    int found = -1;
    int resultCodePage = -1;
    DecodeEncodedWords(Text, found, resultCodePage, Result, false, TargetCodePage);
    // Words of several charsets come back as UTF-8 (found is -1 then); the
    // caller asked for its own code page all the same.
    if (resultCodePage >= 1 && TargetCodePage >= 1 && resultCodePage != TargetCodePage)
        Result = ConvertCodePage(Result, resultCodePage, TargetCodePage);
}

void DecodeEncodedWords(const std::string& Text, int& FoundCodePage, int& ResultCodePage,
                        std::string& Result, bool Convert, int TargetCodePage)
{
    FoundCodePage = -1;
    ResultCodePage = -1;
    int wordStart = PosFrom("=?", Text, 1);
    if (wordStart == 0) {
        Result = Text;
        // Raw 8-bit text read as below, for the literals between words.
        FoundCodePage = IsUtf8Text(Text) ? Utf8CodePage : CharsetParameterCodePage(Text);
        ResultCodePage = FoundCodePage;
        return;
    }

    int common = (TargetCodePage == 20127 || TargetCodePage == -1) ? 0 : TargetCodePage;
    std::vector<std::pair<std::string, int>> pieces;
    // An empty piece adds nothing: it must never turn into a line break when
    // the pieces are joined.
    auto addPiece = [&pieces](std::string S, int CodePage) {
        if (!S.empty())
            pieces.emplace_back(std::move(S), CodePage);
    };
    // Text outside the words is taken to be in the target's code page. Raw
    // 8-bit text names no charset; when it is valid UTF-8 throughout, the
    // sender's client wrote UTF-8 (other 8-bit text, raw Latin-1 say, is
    // almost never valid UTF-8), and it is read so.
    auto addLiteral = [&](std::string S) {
        if (IsUtf8Text(S)) {
            common = MergeCodePage(common, Utf8CodePage);
            addPiece(std::move(S), Utf8CodePage);
        } else {
            addPiece(std::move(S), TargetCodePage);
        }
    };

    int literalStart = 1;  // where the text after the previous word begins
    while (wordStart > 0) {
        int pos = wordStart + 2;
        std::string encoded;
        int codePage = -1;
        char encoding = 0;
        if (!ParseEncodedWord(Text, pos, encoded, codePage, encoding)) {
            wordStart = PosFrom("=?", Text, wordStart + 2);
            continue;
        }
        std::string literal = Text.substr(static_cast<std::size_t>(literalStart - 1),
                                          static_cast<std::size_t>(wordStart - literalStart));
        // White space between two encoded words belongs to neither.
        if (literalStart == 1 || SkipBlanks(literal, 1) != -1)
            addLiteral(std::move(literal));

        std::string decoded;
        if (encoding == 'B')
            decoded = Base64DecodeString(encoded);
        else
            DecodeQ(encoded, true, decoded);
        addPiece(std::move(decoded), codePage);
        common = MergeCodePage(common, codePage);

        literalStart = pos;
        wordStart = PosFrom("=?", Text, pos);
    }
    if (literalStart <= static_cast<int>(Text.size()))
        addLiteral(Text.substr(static_cast<std::size_t>(literalStart - 1)));

    FoundCodePage = common;
    Result.clear();
    if (common == -1) {
        ResultCodePage = 65001;
        for (auto& [text, codePage] : pieces)
            Result += codePage == 65001 ? text : CodePageToUtf8(text, codePage);
        return;
    }
    ResultCodePage = common;
    for (auto& piece : pieces)
        Result += piece.first;
    if (Convert && TargetCodePage != -1 && common != 65001 && !IsSupportedCodePage(common)) {
        int codePage = common;
        ConvertToCharsetCodePage(Result, codePage);
        ResultCodePage = codePage;
    }
}

bool ParseEncodedWord(const std::string& Text, int& Position, std::string& EncodedText,
                      int& CodePage, char& Encoding)
{
    EncodedText.clear();
    CodePage = -1;
    Encoding = 0;
    const int len = static_cast<int>(Text.size());
    const int q = CharPosFrom('?', Text, Position);
    if (q == 0 || q + 4 > len || Text[q + 1] != '?')
        return false;
    CodePage = CodePageOfName(Text.substr(static_cast<std::size_t>(Position - 1),
                                          static_cast<std::size_t>(q - Position)));
    Encoding = Text[q];
    if (Encoding >= 'a' && Encoding <= 'z')
        Encoding = static_cast<char>(Encoding - 'a' + 'A');
    int e = PosFrom("?=", Text, q + 3);
    if (e == 0)
        e = len + 1;
    EncodedText = Text.substr(static_cast<std::size_t>(q + 2), static_cast<std::size_t>(e - q - 3));
    Position = e + 2;
    return CodePage >= 0 && (Encoding == 'B' || Encoding == 'Q');
}

void DecodeQ(const std::string& Text, bool HeaderMode, std::string& Result)
{
    const std::size_t n = Text.size();
    Result.clear();
    Result.reserve(n);
    std::size_t i = 0;
    while (i < n) {
        const char c = Text[i];
        if (c == '=' && i + 2 < n) {
            if (Text[i + 1] == '\r') {
                // A soft line break; the byte after the CR goes only when it
                // is the LF of the break.
                i += Text[i + 2] == '\n' ? 3 : 2;
                continue;
            }
            std::uint8_t b = 0;
            if (HexPairToByte(Text[i + 1], Text[i + 2], b)) {
                Result.push_back(static_cast<char>(b));
                i += 3;
                continue;
            }
        }
        if (HeaderMode && (c == '_' || c == '\t'))
            Result.push_back(' ');
        else
            Result.push_back(c);
        ++i;
    }
}
