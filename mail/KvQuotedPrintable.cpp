#include "mail/KvQuotedPrintable.h"

#include <vector>

#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvBase.h"
#include "foundation/KvCodePage.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvBase64.h"
#include "mail/KvMimeHeaders.h"

namespace {

const int SoftLimit = 76;  // characters per encoded line, soft break included

const TCharSet& BreakChars()
{
    static const TCharSet set("\t !)+,-.:;>?\\]}");
    return set;
}

const TCharSet& SpecialChars()
{
    static const TCharSet set("!\"#$@[\\]^`{|}~");
    return set;
}

const char HexDigits[] = "0123456789ABCDEF";

bool IsBlankOrTab(char C)
{
    return C == ' ' || C == '\t';
}

class TQpWriter {
public:
    explicit TQpWriter(std::string& Out) : FOut(Out) {}

    int Length() const { return static_cast<int>(FLine.size()); }

    void EndLine(bool Soft)
    {
        if (Soft)
            FLine += '=';
        FOut += FLine;
        FOut += "\r\n";
        FLine.clear();
    }

    // An escape never straddles a soft break; BeforeLineEnd: a hard break
    // follows at once, so the line needs no room for a soft "=".
    void Escape(unsigned char C, bool BeforeLineEnd)
    {
        const int room = BeforeLineEnd ? SoftLimit : SoftLimit - 1;
        if (Length() + 3 > room)
            EndLine(true);
        FLine += '=';
        FLine += HexDigits[C >> 4];
        FLine += HexDigits[C & 15];
        if (!BeforeLineEnd && Length() == SoftLimit - 1)
            EndLine(true);
    }

    // True when the caller must consume the line break that follows.
    bool Literal(char C, bool LineEndFollows)
    {
        if (Length() < SoftLimit - 1) {
            FLine += C;
            return false;
        }
        if (LineEndFollows) {
            FLine += C;
            EndLine(false);
            return true;
        }
        int cut = -1;  // 0-based index after which the line is broken
        if (static_cast<unsigned char>(C) >= 33 && !BreakChars().Contains(FLine.back())) {
            for (int i = Length() - 1; i >= 2 && cut < 0; --i)
                if (IsBlankOrTab(FLine[i]))
                    cut = i;
            for (int i = Length() - 1; i >= 38 && cut < 0; --i)
                if (BreakChars().Contains(FLine[i]))
                    cut = i;
        }
        if (cut < 0) {
            EndLine(true);
        } else {
            const std::string rest = FLine.substr(static_cast<std::size_t>(cut) + 1);
            FLine.resize(static_cast<std::size_t>(cut) + 1);
            EndLine(true);
            FLine = rest;
        }
        FLine += C;
        return false;
    }

    void Flush()
    {
        if (!FLine.empty())
            EndLine(false);
    }

private:
    std::string& FOut;
    std::string FLine;
};

}  // namespace

std::string EncodeQuotedPrintable(const std::string& Text, bool EncodeSpecials)
{
    std::string out;
    out.reserve(Text.size() + Text.size() / 8);
    TQpWriter w(out);
    const std::size_t n = Text.size();
    // A line end for the encoder: the end of the text or CR LF.
    auto lineEndAt = [&](std::size_t i) {
        return i >= n || (Text[i] == '\r' && i + 1 < n && Text[i + 1] == '\n');
    };
    for (std::size_t i = 0; i < n; ++i) {
        const char c = Text[i];
        const unsigned char u = static_cast<unsigned char>(c);
        if (EncodeSpecials && SpecialChars().Contains(c)) {
            w.Escape(u, false);
        } else if (u >= 33 && u <= 126 && c != '=') {
            if (w.Literal(c, lineEndAt(i + 1)) && i + 1 < n)
                i += 2;
        } else if (c == '=' || u >= 127) {
            w.Escape(u, false);
        } else if (IsBlankOrTab(c)) {
            const bool lineEnd = i + 1 >= n || (Text[i + 1] == '\r' && (i + 2 >= n || Text[i + 2] == '\n'));
            if (lineEnd)
                w.Escape(u, lineEndAt(i + 1));
            else if (w.Literal(c, false))
                ++i;
        } else if (c == '\r' && i + 1 < n && Text[i + 1] == '\n') {
            w.EndLine(false);
            ++i;
        } else {
            w.Escape(u, false);
        }
    }
    w.Flush();
    // Only a text that ended with its own line break keeps the final one, so
    // that decoding gives back exactly the bytes encoded.
    const bool endsWithCrLf = n >= 2 && Text[n - 2] == '\r' && Text[n - 1] == '\n';
    if (!endsWithCrLf && out.size() >= 2)
        out.resize(out.size() - 2);
    return out;
}

std::string DecodeQuotedPrintable(const std::string& Text, bool QMode)
{
    std::string r;
    r.reserve(Text.size());
    const std::size_t n = Text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = Text[i];
        if (c == '=' && i + 2 < n) {
            std::uint8_t b = 0;
            if (Text[i + 1] == '\r') {
                i += 2;
            } else if (HexPairToByte(Text[i + 1], Text[i + 2], b)) {
                r += static_cast<char>(b);
                i += 2;
            } else {
                r += c;
            }
        } else if (QMode && c == '_') {
            r += ' ';
        } else if (QMode && IsBlankOrTab(c)) {
            continue;
        } else {
            r += c;
        }
    }
    return r;
}

std::string EncodeAsPartBody(const std::string& Bytes, const std::string& Encoding)
{
    if (SameTextStr(Encoding, MimeQuotedPrintable))
        return EncodeQuotedPrintable(Bytes, false);
    if (SameTextStr(Encoding, MimeBase64))
        return Base64EncodeString(Bytes);
    return Bytes;
}
