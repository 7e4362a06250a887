#include "mail/KvMimeHeaders.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvCodePage.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvEncWords.h"
#include "mail/KvMailUtils.h"

namespace {

const char CRLF[] = "\r\n";

int Len(const std::string& S)
{
    return static_cast<int>(S.size());
}

bool IsBreak(char C)
{
    return C == '\r' || C == '\n';
}

bool IsBlankOrTab(char C)
{
    return C == ' ' || C == '\t';
}

bool IsControlOrBlank(char C)
{
    return static_cast<unsigned char>(C) <= 32;
}

const TCharSet& BlankAndControl()
{
    static const TCharSet set = TCharSet::Range(0, 32);
    return set;
}

std::string Trimmed(const std::string& S)
{
    return TrimCharSetStr(S, true, BlankAndControl());
}

// Past the line break at the 1-based P (a CR LF pair is one break).
int AfterBreak(const std::string& S, int P)
{
    if (S[P - 1] == '\r' && P < Len(S) && S[P] == '\n')
        return P + 2;
    return P + 1;
}

// The 1-based position just past a field whose name and colon end before
// the 1-based From: continuation lines and the final line break included.
int FieldEnd(const std::string& S, int From)
{
    const int n = Len(S);
    int i = From;
    for (;;) {
        while (i <= n && !IsBreak(S[i - 1]))
            ++i;
        if (i > n)
            return n + 1;
        const int next = AfterBreak(S, i);
        if (next > n || !IsBlankOrTab(S[next - 1]))
            return next;
        i = next;
    }
}

// A name match counts only at the start of the text or of a line.
bool AtLineStart(const std::string& S, int P)
{
    return P == 1 || IsBreak(S[P - 2]);
}

// The line that a part header field gets its parameter on: one blank while
// the line stays short, else a folded continuation line.
std::string ParameterSeparator(int LineLength, int Limit)
{
    return LineLength < Limit ? std::string(" ") : std::string(CRLF) + "\t";
}

bool IsQReserved(char C)
{
    return std::string_view("\"(),<=>?[]_").find(C) != std::string_view::npos;
}

std::string HexByte(unsigned char B)
{
    static const char digits[] = "0123456789ABCDEF";
    return std::string{'=', digits[B >> 4], digits[B & 15]};
}

// The charset name an encoded word of CodePage carries.
std::string CharsetOfCodePage(int CodePage)
{
    return CodePageToCharset(CodePage < 1 ? static_cast<int>(GetACP()) : CodePage);
}

// The 1-based position of the LF that ends the last header line, given the
// body start of FindBodyStart: the blank line after it is LF or CR LF.
int LastHeaderLf(const std::string& Text, int Body)
{
    return Text[Body - 3] == '\n' ? Body - 2 : Body - 3;
}

// Name + ":" at the 1-based P, without regard to case.
bool KeyAt(const std::string& S, const std::string& Key, int P)
{
    return P >= 1 && P - 1 + Len(Key) <= Len(S) && SameTextStr(S.substr(P - 1, Key.size()), Key);
}

// Where the value of the field at Pos (extent Len) begins and how long it
// is: the name, colon and the characters below 33 after it left out, and
// the final line break too.
void ValueRange(const std::string& Header, int NameLen, int& Pos, int& Len)
{
    int end = Pos + Len;
    while (end > Pos && IsBreak(Header[end - 2]))
        --end;
    // An empty field keeps an empty value: the skip never runs into the
    // next field.
    int v = Pos + NameLen + 1;
    while (v < end && IsControlOrBlank(Header[v - 1]))
        ++v;
    Pos = v;
    Len = end - v;
}

// A search record prepared once, on first use, and searched without regard
// to case.
TBmPattern CaseFreePattern(const std::string& Pattern)
{
    TBmPattern r;
    BmPrepare(r, Pattern, 1);
    return r;
}

} // namespace

// ---------------------------------------------------------------------------
// Header extent
// ---------------------------------------------------------------------------

int FindBodyStart(const std::string& Text, int From)
{
    const int n = Len(Text);
    for (int i = std::max(From, 0) + 1; i <= n - 1; ++i) {
        if (Text[i - 1] != '\n')
            continue;
        if (Text[i] == '\n')
            return i + 2;
        if (Text[i] == '\r' && i + 1 < n && Text[i + 1] == '\n')
            return i + 3;
    }
    return -1;
}

std::string HeaderPartOf(const std::string& Text, bool IsHeader)
{
    if (IsHeader)
        return Text;
    const int body = FindBodyStart(Text, 1);
    if (body < 0)
        return Text;
    return Text.substr(0, LastHeaderLf(Text, body));
}

std::string HeaderPartFrom(const std::string& Text, std::size_t Offset)
{
    // The body's start as the text from Offset on would have it: its first
    // byte is never looked at as a line end.
    const int body = Offset < Text.size() ? FindBodyStart(Text, static_cast<int>(Offset) + 1) : -1;
    if (body < 0)
        return Text.substr(std::min(Offset, Text.size()));
    return Text.substr(Offset, static_cast<std::size_t>(LastHeaderLf(Text, body)) - Offset);
}

std::string GetHeaderPart(const std::string& Text, int From)
{
    if (From < 1)
        From = 1;
    if (From > Len(Text))
        return std::string();
    const int body = FindBodyStart(Text, From);
    if (body > 0)
        return Text.substr(From - 1, LastHeaderLf(Text, body) - From + 1);
    std::string r = Text.substr(From - 1);
    if (!r.empty() && !IsBreak(r.back()))
        r += CRLF;
    return r;
}

void DeleteFirstLine(std::string& Text)
{
    const auto p = Text.find_first_of("\r\n");
    if (p == std::string::npos) {
        Text.clear();
        return;
    }
    Text.erase(0, AfterBreak(Text, static_cast<int>(p) + 1) - 1);
}

// ---------------------------------------------------------------------------
// Finding fields
// ---------------------------------------------------------------------------

int FindHeaderFieldPos(const std::string& Text, const std::string& Name, int From)
{
    const std::string key = Name + ":";
    for (int p = SearchText(Text, key, std::max(From, 1)); p > 0; p = SearchText(Text, key, p + 1))
        if (p == 1 || Text[p - 2] == '\n')
            return p;
    return 0;
}

bool FindHeaderField(const std::string& Header, const std::string& Name, int& Pos, bool Backwards, int& Len)
{
    Len = 0;
    const std::string key = Name + ":";
    const int n = ::Len(Header);
    int p = 0;
    if (Backwards) {
        p = (Pos < 1 || Pos > n) ? n : Pos;
        while (p > 0 && !(AtLineStart(Header, p) && KeyAt(Header, key, p)))
            --p;
    } else {
        p = SearchText(Header, key, std::max(Pos, 1));
        while (p > 0 && !AtLineStart(Header, p))
            p = SearchText(Header, key, p + 1);
    }
    if (p == 0)
        return false;
    Pos = p;
    Len = FieldEnd(Header, p + ::Len(key)) - p;
    return true;
}

bool FindHeaderValue(const std::string& Header, const std::string& Name, int& Pos, bool Backwards, int& Len)
{
    if (!FindHeaderField(Header, Name, Pos, Backwards, Len))
        return false;
    ValueRange(Header, ::Len(Name), Pos, Len);
    return true;
}

std::string GetHeaderField(const std::string& Header, const std::string& Name, bool Backwards)
{
    int pos = Backwards ? ::Len(Header) : 1;
    return GetHeaderFieldAt(Header, Name, pos, Backwards);
}

std::string GetHeaderFieldAt(const std::string& Header, const std::string& Name, int& Pos, bool Backwards)
{
    if (Pos < 0 || (Backwards && Pos == 0)) {
        Pos = -1;
        return std::string();
    }
    int p = Pos;
    int extent = 0;
    if (!FindHeaderField(Header, Name, p, Backwards, extent)) {
        Pos = -1;
        return std::string();
    }
    Pos = Backwards ? p - 1 : p + extent;
    ValueRange(Header, Len(Name), p, extent);
    return UnfoldHeaderValue(Header.substr(p - 1, extent));
}

bool HasHeaderField(const std::string& Text, const std::string& Name, bool IsHeader)
{
    int pos = 1;
    int len = 0;
    return FindHeaderField(HeaderPartOf(Text, IsHeader), Name, pos, false, len);
}

int FindFieldStart(const std::string& Text, const std::string& Name, int From)
{
    const int n = Len(Name);
    for (int p = SearchText(Text, Name, std::max(From, 1)); p > 0; p = SearchText(Text, Name, p + 1))
        if (AtLineStart(Text, p) && p + n <= Len(Text) && Text[p + n - 1] == ':')
            return p;
    return 0;
}

int FindFieldStart(const std::string& Text, const TBmPattern& Name, int From)
{
    const int n = static_cast<int>(Name.PatternLength);
    for (int p = BmPos(Text, Name, std::max(From, 1)); p > 0; p = BmPos(Text, Name, p + 1))
        if (AtLineStart(Text, p) && p + n <= Len(Text) && Text[p + n - 1] == ':')
            return p;
    return 0;
}

const TBmPattern& ContentTypeNamePattern()
{
    static const TBmPattern rec = CaseFreePattern(FieldContentType);
    return rec;
}

const TBmPattern& ReceivedNamePattern()
{
    static const TBmPattern rec = CaseFreePattern(FieldReceived);
    return rec;
}

int FindXAttachmentsLine(const std::string& Text, bool IsHeader, int From)
{
    static const TBmPattern rec = CaseFreePattern("\nx-attachments:");
    const std::string header = HeaderPartOf(Text, IsHeader);
    const int p = BmPos(header, rec, std::max(From, 1));
    return p > 0 ? p + 1 : 0;
}

// ---------------------------------------------------------------------------
// Changing fields
// ---------------------------------------------------------------------------

void AddHeaderField(std::string& Header, const std::string& Name, const std::string& Value, bool OnlyIfAbsent)
{
    if (Value.empty() || (OnlyIfAbsent && HasHeaderField(Header, Name, false)))
        return;
    const std::string line = Name + ": " + Value + CRLF;
    const int body = FindBodyStart(Header, 1);
    if (body > 0) {
        Header.insert(LastHeaderLf(Header, body), line);
        return;
    }
    // A last line without its break would otherwise run into the new field.
    if (!Header.empty() && !IsBreak(Header.back()))
        Header += CRLF;
    Header += line;
}

void SetHeaderField(std::string& Header, const std::string& Name, const std::string& Value, bool DeleteWhenEmpty)
{
    // Only the header is searched: a body line that looks like the field
    // is message text.
    const int headerLen = Len(HeaderPartOf(Header, false));
    const std::string header = Header.substr(0, headerLen);
    int pos = 1;
    int len = 0;
    if (Value.empty() && DeleteWhenEmpty) {
        if (FindHeaderField(header, Name, pos, false, len))
            Header.erase(pos - 1, len);
        return;
    }
    if (!FindHeaderValue(header, Name, pos, false, len)) {
        AddHeaderField(Header, Name, Value, false);
        return;
    }
    const bool afterColon = Header[pos - 2] == ':';
    Header.replace(pos - 1, len, afterColon && !Value.empty() ? " " + Value : Value);
}

void DeleteHeaderField(std::string& Header, const std::string& Name)
{
    SetHeaderField(Header, Name, std::string(), true);
}

// ---------------------------------------------------------------------------
// Values
// ---------------------------------------------------------------------------

std::string UnfoldHeaderValue(const std::string& Value)
{
    const std::string v = Trimmed(Value);
    std::string r;
    r.reserve(v.size());
    const int n = Len(v);
    int i = 0;
    while (i < n) {
        if (!IsBreak(v[i])) {
            r += v[i++];
            continue;
        }
        int j = i;
        while (j < n && (IsBreak(v[j]) || IsBlankOrTab(v[j])))
            ++j;
        // Two encoded words folded apart join again; plain text after an
        // encoded word keeps its blank.
        const bool joinWords = i >= 2 && v.compare(i - 2, 2, "?=") == 0 && j + 1 < n && v.compare(j, 2, "=?") == 0;
        if (!joinWords)
            r += ' ';
        i = j;
    }
    return r;
}

std::string DecodeHeaderValue(const std::string& Value, int CodePage)
{
    std::string decoded;
    ::DecodeHeaderText(Value, CodePage, decoded);
    std::string r;
    r.reserve(decoded.size());
    const int n = Len(decoded);
    int i = 0;
    while (i < n) {
        const char c = decoded[i];
        if (IsBreak(c)) {
            int j = i;
            while (j < n && IsBreak(decoded[j]))
                ++j;
            const bool visibleBefore = i > 0 && !IsControlOrBlank(decoded[i - 1]);
            const bool visibleAfter = j < n && !IsControlOrBlank(decoded[j]);
            if (visibleBefore && visibleAfter)
                r += ' ';
            i = j;
            continue;
        }
        r += (static_cast<unsigned char>(c) < 32 && c != '\t') ? ' ' : c;
        ++i;
    }
    return r;
}

std::string DecodeHeaderText(const std::string& Text, int CodePage)
{
    std::string r;
    ::DecodeHeaderText(Text, CodePage, r);
    ReplaceChar(r, '\0', ' ');
    return r;
}

std::string GetParameter(const std::string& Value, const std::string& Name)
{
    if (Value.empty() || Name.empty())
        return std::string();
    // Pieces split at ';' outside quoted strings; a quote opens a string only
    // where it begins a value.
    std::vector<std::string> pieces;
    std::string piece;
    bool quoted = false;
    char lastVisible = 0;
    for (char c : Value) {
        if (quoted) {
            if (c == '"')
                quoted = false;
        } else if (c == '"' && lastVisible == '=') {
            quoted = true;
        } else if (c == ';') {
            pieces.push_back(piece);
            piece.clear();
            lastVisible = 0;
            continue;
        }
        piece += c;
        if (!IsControlOrBlank(c))
            lastVisible = c;
    }
    pieces.push_back(piece);

    std::string result;
    for (const std::string& raw : pieces) {
        const std::string p = Trimmed(raw);
        const auto eq = p.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = Trimmed(p.substr(0, eq));
        int section = -2;  // no match
        if (SameTextStr(key, Name)) {
            section = -1;
        } else if (key.size() > Name.size() && key[Name.size()] == '*' &&
                   SameTextStr(key.substr(0, Name.size()), Name)) {
            std::string suffix = key.substr(Name.size() + 1);
            // "*1*" continues an extended value just as "*1" continues a
            // plain one; only the bare "*" is a whole value.
            if (!suffix.empty() && suffix.back() == '*')
                suffix.pop_back();
            int number = 0;
            section = (!suffix.empty() && TryStrToInt(suffix, number) && number >= 0) ? number : -1;
        }
        if (section == -2)
            continue;
        std::string v = Trimmed(p.substr(eq + 1));
        if (!v.empty() && v[0] == '"') {
            const auto close = v.find('"', 1);
            v = close == std::string::npos ? v.substr(1) : v.substr(1, close - 1);
        }
        if (section >= 1)
            result += v;
        else
            result = v;
        if (section == -1 && !v.empty())
            break;
    }
    return result;
}

std::string NextAddress(const std::string& List, int& Pos)
{
    const int n = Len(List);
    if (Pos < 1)
        Pos = 1;
    if (Pos > n)
        return std::string();
    // The address is gathered as the scan goes, comments left out; a group
    // name before ":" is dropped.
    std::string address;
    bool quoted = false;
    int depth = 0;
    int i = Pos;
    for (; i <= n; ++i) {
        const char c = List[i - 1];
        const bool escaped = i > 1 && List[i - 2] == '\\';
        if (depth == 0 && c == '"' && !escaped) {
            quoted = !quoted;
        } else if (!quoted && c == '(' && !escaped) {
            ++depth;
            continue;
        } else if (!quoted && depth > 0 && c == ')' && !escaped) {
            --depth;
            continue;
        } else if (!quoted && depth == 0) {
            if (c == ':') {
                address.clear();
                continue;
            }
            if (c == ',' || c == ';')
                break;
        }
        if (depth == 0)
            address += c;
    }
    address = Trimmed(address);
    Pos = i + 1;
    while (Pos <= n && (IsControlOrBlank(List[Pos - 1]) || List[Pos - 1] == ',' || List[Pos - 1] == ';'))
        ++Pos;
    return address;
}

int AddressListToStrings(const std::string& List, TStrings* Strings)
{
    if (!Strings)
        return 0;
    int pos = 1;
    while (pos <= Len(List)) {
        const std::string a = NextAddress(List, pos);
        if (!a.empty())
            Strings->Add(a);
    }
    return Strings->Count();
}

std::string GetContentType(const std::string& Text, bool IsHeader, bool TypeOnly)
{
    std::string v = GetHeaderField(HeaderPartOf(Text, IsHeader), FieldContentType);
    if (TypeOnly)
        v = Trimmed(v.substr(0, v.find(';')));
    return v;
}

std::string GetEncodedWordCharset(const std::string& Value)
{
    const auto start = Value.find("=?");
    if (start == std::string::npos)
        return std::string();
    const auto end = Value.find('?', start + 2);
    if (end == std::string::npos)
        return std::string();
    return Value.substr(start + 2, end - start - 2);
}

int GetMessageCodePage(const std::string& Text)
{
    const std::string header = HeaderPartOf(Text, false);
    const std::string candidates[] = {
        GetEncodedWordCharset(GetHeaderField(header, FieldSubject)),
        GetEncodedWordCharset(Text),
        GetParameter(GetHeaderField(header, FieldContentType), "charset"),
    };
    for (const std::string& name : candidates) {
        if (name.empty())
            continue;
        try {
            const int cp = CharsetToCodePage(TableLowerCase(Trimmed(name)));
            if (cp > 0)
                return cp;
        } catch (const Exception&) {
            // A charset of digits too long for a code page names none.
        }
    }
    return -1;
}

std::string GetDecodedField(const std::string& Name, const std::string& Text, bool IsHeader)
{
    const std::string header = HeaderPartOf(Text, IsHeader);
    int pos = 1;
    int len = 0;
    if (!FindHeaderValue(header, Name, pos, false, len))
        return std::string();
    return Trimmed(DecodeHeaderValue(header.substr(pos - 1, len), 0));
}

std::string GetFromField(const std::string& Text, bool IsHeader)
{
    return GetDecodedField("From", Text, IsHeader);
}

std::string GetReplyToField(const std::string& Text, bool IsHeader)
{
    return GetDecodedField("Reply-To", Text, IsHeader);
}

std::string GetSenderField(const std::string& Text, bool IsHeader)
{
    return GetDecodedField("Sender", Text, IsHeader);
}

std::string GetReceivedDateText(const std::string& Text, bool IsHeader)
{
    return Trimmed(TextAfterLastSemicolon(GetHeaderField(HeaderPartOf(Text, IsHeader), FieldReceived)));
}

std::string GetDateTextWithSource(const std::string& Text, bool IsHeader, int& Source)
{
    const std::string header = HeaderPartOf(Text, IsHeader);
    std::string date = GetHeaderField(header, FieldDate);
    if (!date.empty()) {
        Source = dsDateField;
        return date;
    }
    date = GetReceivedDateText(header, true);
    if (!date.empty()) {
        Source = dsReceived;
        return date;
    }
    date = Trimmed(FromLineDate(header));
    Source = date.empty() ? dsNone : dsFromLine;
    return date;
}

// ---------------------------------------------------------------------------
// Words and building
// ---------------------------------------------------------------------------

namespace {
const char* const EncodingNames[] = {"", "7bit", "quoted-printable", "base64", "8bit", "binary"};
}

std::string EncodingName(int Kind)
{
    return (Kind >= enc7Bit && Kind <= encBinary) ? EncodingNames[Kind] : "";
}

int TransferEncodingKind(const std::string& Word)
{
    if (Word.empty())
        return encNone;
    for (int k = enc7Bit; k <= encBinary; ++k)
        if (Word == EncodingNames[k])
            return k;
    return encOther;
}

int DispositionKind(const std::string& Word)
{
    if (Word.empty())
        return dispNone;
    if (Word == MimeAttachment)
        return dispAttachment;
    if (Word == MimeInline)
        return dispInline;
    return dispOther;
}

std::string AddCharsetParameter(const std::string& Type, const std::string& Charset)
{
    if (Charset.empty())
        return Type;
    return Type + ";" + CRLF + "\tcharset=\"" + Charset + "\"";
}

std::string ContentTypeHeader(const std::string& Type, const std::string& Charset, const std::string& Encoding)
{
    std::string r = std::string(FieldContentType) + ": " + AddCharsetParameter(Type, Charset) + CRLF;
    if (!Encoding.empty())
        r += std::string(FieldContentTransferEncoding) + ": " + Encoding + CRLF;
    return r;
}

std::string AddTypeParameter(const std::string& Type, const std::string& Boundary, const std::string& Charset)
{
    if (!Boundary.empty())
        return Type + ";" + CRLF + "\tboundary=\"" + Boundary + "\"";
    return AddCharsetParameter(Type, Charset);
}

std::string MultipartTypeLine(const std::string& Boundary, const std::string& Type)
{
    return std::string(FieldContentType) + ": " + AddTypeParameter(Type, Boundary) + CRLF;
}

std::string EncodeHeaderWordsQ(const std::string& Value, int CodePage, int FirstLineOffset)
{
    const std::string charset = CharsetOfCodePage(CodePage);
    if (charset.empty())
        return Value;
    std::string encoded;
    for (char c : Value) {
        const unsigned char b = static_cast<unsigned char>(c);
        // CR and LF are encoded too: raw, they would end the header line.
        if (c == ' ')
            encoded += '_';
        else if (IsQReserved(c) || !IsPlainTextChar(c) || c == '\r' || c == '\n')
            encoded += HexByte(b);
        else
            encoded += c;
    }
    const std::string prefix = "=?" + charset + "?Q?";
    if (FirstLineOffset <= 0)
        return prefix + encoded + "?=";

    std::string r;
    const int room = 74 - Len(prefix);
    int limit = std::max(1, room - (FirstLineOffset + 2));
    std::size_t from = 0;
    while (Len(encoded) - static_cast<int>(from) > limit) {
        // Cut just before the last "_" that fits; with none, wait for the
        // first one further on.
        int cut = -1;
        for (int k = limit; k >= 1; --k)
            if (encoded[from + k] == '_') {
                cut = k;
                break;
            }
        if (cut < 0) {
            const auto next = encoded.find('_', from + limit + 1);
            if (next == std::string::npos)
                break;
            cut = static_cast<int>(next - from);
        }
        r += prefix + encoded.substr(from, cut) + "?=" + CRLF + "\t";
        from += cut;
        limit = room;
    }
    r += prefix + encoded.substr(from) + "?=";
    return r;
}

void BuildPartHeader(const std::string& Type, const std::string& Name, const std::string& ContentId,
                     std::string& Header, int CodePage, const std::string& Encoding)
{
    // A quote or line break in a raw name would break the quoted parameter
    // or start a field of its own, so such names are encoded as well.
    std::string name = Name;
    if (!IsPlainText(name) || name.find_first_of("\r\n\"") != std::string::npos)
        name = EncodeHeaderWordsQ(name, CodePage);

    std::string line = std::string(FieldContentType) + ": " + Type;
    if (!name.empty()) {
        line += ";";
        line += ParameterSeparator(Len(line) + Len(name), 66) + "name=\"" + name + "\"";
    }
    Header = line + CRLF;
    if (!Encoding.empty())
        Header += std::string(FieldContentTransferEncoding) + ": " + Encoding + CRLF;
    if (ContentId.empty() || !name.empty()) {
        line = std::string(FieldContentDisposition) + ": " + (ContentId.empty() ? MimeAttachment : MimeInline);
        if (!name.empty()) {
            line += ";";
            line += ParameterSeparator(Len(line) + Len(name), 64) + "filename=\"" + name + "\"";
        }
        Header += line + CRLF;
    }
    if (!ContentId.empty())
        Header += std::string(FieldContentId) + ": <" + ContentId + ">" + CRLF;
}

std::string FilterHeaderForText(const std::string& Header)
{
    static const char* const kept[] = {"Bcc",  "Cc",          "Content-Transfer-Encoding", "Content-Type",
                                       "Date", "In-Reply-To", "Message-ID",                "Subject",
                                       "To",   "X-Folder"};
    auto keeps = [](const std::string& Line) {
        for (const char* name : kept) {
            const int n = static_cast<int>(strlen(name));
            if (Len(Line) > n && Line[n] == ':' && SameTextStr(Line.substr(0, n), name))
                return true;
        }
        return Line.size() > 4 && SameTextStr(Line.substr(0, 4), "From") && (Line[4] == ':' || Line[4] == ' ');
    };
    std::string r;
    bool keeping = false;
    int i = 0;
    const int n = Len(Header);
    while (i < n) {
        int e = i;
        while (e < n && !IsBreak(Header[e]))
            ++e;
        const std::string line = Header.substr(i, e - i);
        // A blank line ends the header; what follows is body text.
        if (line.empty() && e < n)
            break;
        // A continuation line goes with its field.
        if (line.empty() || !IsBlankOrTab(line[0]))
            keeping = keeps(line);
        if (keeping)
            r += line + CRLF;
        i = e < n ? AfterBreak(Header, e + 1) - 1 : n;
    }
    return DecodeHeaderText(r, 0);
}

bool IsHeaderFieldName(const std::string& Text)
{
    if (Text.size() < 2)
        return false;
    const bool xName = (Text[0] == 'X' || Text[0] == 'x') && Text[1] == '-';
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (IsAsciiLetter(c) || c == '-')
            continue;
        if (xName && i >= 2 && IsDigitChar(c))
            continue;
        return false;
    }
    return true;
}
