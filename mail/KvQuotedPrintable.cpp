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
#include "mail/KvMime.h"
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

const TCharSet& TrimSet()
{
    static const TCharSet set = TCharSet::Range(0, 32);
    return set;
}

std::string Trimmed(const std::string& S)
{
    return TrimCharSetStr(S, true, TrimSet());
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

// The pieces of a field value split at ';' outside quoted strings.
std::vector<std::string> SplitParameters(const std::string& Value)
{
    std::vector<std::string> pieces;
    std::string piece;
    bool quoted = false;
    for (std::size_t i = 0; i < Value.size(); ++i) {
        const char c = Value[i];
        if (quoted && c == '\\' && i + 1 < Value.size()) {
            piece += c;
            piece += Value[++i];
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        else if (c == ';' && !quoted) {
            pieces.push_back(Trimmed(piece));
            piece.clear();
            continue;
        }
        piece += c;
    }
    pieces.push_back(Trimmed(piece));
    return pieces;
}

std::string Unquoted(const std::string& S)
{
    std::string v = Trimmed(S);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') {
        std::string r;
        for (std::size_t i = 1; i + 1 < v.size(); ++i) {
            if (v[i] == '\\' && i + 2 < v.size())
                ++i;
            r += v[i];
        }
        return r;
    }
    if (!v.empty() && v.front() == '"')
        return v.substr(1);
    return v;
}

struct TNameValue {
    std::string Text;
    std::string Charset;  // of the extended sections
    bool Extended = false;
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

namespace {

// Adds one "filename", "name" or "url" parameter to the value held so far.
// A key of the form name + "*" + number is an RFC 2231 section: section 1
// and up continue the value, anything else replaces it. A key ending in
// "*" holds an extended value: percent escapes, and in its first section
// "charset'language'" in front.
void AddNameSection(TNameValue& Name, const std::string& Key, const std::string& Raw)
{
    const auto star = Key.find('*');
    std::string suffix = star == std::string::npos ? std::string() : Key.substr(star + 1);
    const bool extended = star != std::string::npos && (suffix.empty() || suffix.back() == '*');
    if (!suffix.empty() && suffix.back() == '*')
        suffix.pop_back();
    int section = -1;
    if (!suffix.empty() && !TryStrToInt(suffix, section))
        section = -1;
    std::string v = Unquoted(Raw);
    std::string charset;
    if (extended) {
        if (section <= 0) {
            const auto q1 = v.find('\'');
            const auto q2 = q1 == std::string::npos ? q1 : v.find('\'', q1 + 1);
            if (q2 != std::string::npos) {
                charset = TableLowerCase(v.substr(0, q1));
                v = v.substr(q2 + 1);
            }
        }
        v = PercentDecode(v);
    } else {
        v = DecodeHeaderValue(v, 0);
    }
    if (section >= 1) {
        Name.Text += v;
        Name.Extended = Name.Extended || extended;
    } else {
        Name.Text = v;
        Name.Extended = extended;
        Name.Charset = charset;
    }
}

// The joined value in the ANSI code page.
std::string NameText(const TNameValue& Name)
{
    if (!Name.Extended || Name.Charset.empty())
        return Name.Text;
    int cp = -1;
    try {
        cp = CharsetToCodePage(Name.Charset);
    } catch (const Exception&) {
        cp = -1;
    }
    if (cp > 0 && IsSupportedCodePage(cp))
        return ConvertCodePage(Name.Text, cp, 0);
    return Name.Text;
}

std::string KeyBase(const std::string& Key)
{
    return Key.substr(0, Key.find('*'));
}

}  // namespace

void ParseTypeParameters(const std::string& Value, TKvMimeBlock& Part)
{
    TNameValue name;
    bool hasName = false;
    for (const std::string& piece : SplitParameters(Value)) {
        const auto eq = piece.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = TableLowerCase(Trimmed(piece.substr(0, eq)));
        const std::string raw = piece.substr(eq + 1);
        if (key == "access-type") {
            Part.Marker = TableLowerCase(Unquoted(raw));
        } else if (key == "boundary") {
            const std::string v = Unquoted(raw);
            if (!v.empty())
                Part.Boundary = "--" + Trimmed(v);
        } else if (key == "charset") {
            Part.Charset = TableLowerCase(Trimmed(Unquoted(raw)));
        } else if (key == "type") {
            Part.TypeParameter = TableLowerCase(Unquoted(raw));
        } else {
            const std::string base = KeyBase(key);
            if (base != "filename" && base != "name" && base != "url")
                continue;
            AddNameSection(name, key, raw);
            hasName = true;
        }
    }
    if (hasName)
        Part.FileName = NameText(name);
}

std::string FileNameParameter(const std::string& Value, const std::string& Key)
{
    TNameValue name;
    const std::string wanted = TableLowerCase(Key);
    for (const std::string& piece : SplitParameters(Value)) {
        const auto eq = piece.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = TableLowerCase(Trimmed(piece.substr(0, eq)));
        if (KeyBase(key) == wanted)
            AddNameSection(name, key, piece.substr(eq + 1));
    }
    return NameText(name);
}

std::string LoadFileAsPartBody(const std::string& FileName, const std::string& Encoding)
{
    if (!IsExistingFile(FileName))
        return std::string();
    const std::string bytes = LoadFileToString(FileName);
    if (SameTextStr(Encoding, MimeQuotedPrintable))
        return EncodeQuotedPrintable(bytes, false);
    if (SameTextStr(Encoding, MimeBase64))
        return Base64EncodeString(bytes);
    return bytes;
}
