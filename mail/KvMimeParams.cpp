#include "mail/KvMimeParams.h"

#include <vector>

#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvCodePage.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvMimeHeaders.h"

namespace {

const TCharSet& TrimSet()
{
    static const TCharSet set = TCharSet::Range(0, 32);
    return set;
}

std::string Trimmed(const std::string& S)
{
    return TrimCharSetStr(S, true, TrimSet());
}

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

// The code page the joined value is converted from; 0 when it stays as it
// stands.
int NameCodePage(const TNameValue& Name)
{
    if (!Name.Extended || Name.Charset.empty())
        return 0;
    int cp = -1;
    try {
        cp = CharsetToCodePage(Name.Charset);
    } catch (const Exception&) {
        cp = -1;
    }
    // UTF-8, what most clients write such names in, is converted too: its
    // bytes kept as they stand would name the file with the wrong letters.
    constexpr int Utf8CodePage = 65001;
    return cp > 0 && (cp == Utf8CodePage || IsSupportedCodePage(cp)) ? cp : 0;
}

// The joined value in the ANSI code page.
std::string NameText(const TNameValue& Name)
{
    const int cp = NameCodePage(Name);
    return cp > 0 ? ConvertCodePage(Name.Text, cp, 0) : Name.Text;
}

std::string KeyBase(const std::string& Key)
{
    return Key.substr(0, Key.find('*'));
}

}  // namespace

void ParseTypeParameters(const std::string& Value, TMimeBlockValues& Part)
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

bool FileNameLosesCharacters(const std::string& Value)
{
    TNameValue names[3];
    const char* const keys[3] = {"filename", "name", "url"};
    for (const std::string& piece : SplitParameters(Value)) {
        const auto eq = piece.find('=');
        const std::string key = eq == std::string::npos ? std::string() : TableLowerCase(Trimmed(piece.substr(0, eq)));
        for (int i = 0; i < 3; ++i)
            if (!key.empty() && KeyBase(key) == keys[i])
                AddNameSection(names[i], key, piece.substr(eq + 1));
    }
    for (const TNameValue& name : names) {
        bool lossless = true;
        if (const int cp = NameCodePage(name); cp > 0)
            WideToCodePageEx(AnsiToWideStr(name.Text, cp), lossless, 0);
        if (!lossless)
            return true;
    }
    return false;
}

namespace {

// The extension a named part of a class gets when its name has none.
const char* ExtensionOfClass(TMimeClass Class)
{
    switch (Class) {
    case mcTextPlain: return "txt";
    case mcTextHtml: return "html";
    case mcTextEnriched:
    case mcTextRichText: return "rtf";
    case mcTextXml: return "xml";
    case mcTextVCard: return "vcf";
    case mcImageBmp: return "bmp";
    case mcImageGif: return "gif";
    case mcImageJpeg: return "jpg";
    case mcAppPdf: return "pdf";
    case mcAppZip: return "zip";
    default: return nullptr;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Content-Type
// ---------------------------------------------------------------------------

void ParseContentType(const std::string& Value, TMimeBlockValues& Part)
{
    const std::string before = Part.Charset;
    Part.Charset.clear();
    ParseTypeParameters(Value, Part);
    if (Part.Charset.empty()) {
        const std::string word = GetEncodedWordCharset(Value);
        Part.Charset = word.empty() ? before : TableLowerCase(Trimmed(word));
    }
    Part.ContentType = TableLowerCase(Trimmed(Value.substr(0, Value.find(';'))));
    Part.MediaClass = GetMimeClass(Part.ContentType);
    if (Part.FileName.empty())
        return;
    const std::string ext = ExtractFileExtNoDot(Part.FileName);
    if (Part.MediaClass == mcMessageRfc822) {
        if (!SameTextStr(ext, "eml") && !SameTextStr(ext, "msg"))
            Part.FileName += ".eml";
    } else if (ext.empty()) {
        if (const char* classExt = ExtensionOfClass(Part.MediaClass))
            Part.FileName += std::string(".") + classExt;
    }
}
