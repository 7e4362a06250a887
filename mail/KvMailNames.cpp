#include "mail/KvMailNames.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "classlib/ResStrings.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvCharFilter.h"
#include "foundation/KvDates.h"
#include "foundation/KvFiles.h"
#include "foundation/KvMd5.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "foundation/KvWindows.h"
#include "mail/KvFromLine.h"
#include "mail/KvMailUtils.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvMimeTypes.h"

namespace {

const TResStringRegistrar Texts{
    {SNoName, "NoName"},
};

std::unique_ptr<TKvCharFilter>& FilterHolder()
{
    static std::unique_ptr<TKvCharFilter> filter;
    return filter;
}

const TCharSet& BlankAndControl()
{
    static const TCharSet set = TCharSet::Range(0, 32);
    return set;
}

bool IsBreak(char C)
{
    return C == '\r' || C == '\n';
}

// Windows 95 refuses three more characters in file names; the answer never
// changes while the program runs.
bool Win95FileNames()
{
    static const bool win95 = IsWin95();
    return win95;
}

// Appends "$" + Value + "$" when there is a value; says whether there was.
bool AppendIdentityPart(std::string& Accumulator, const std::string& Value)
{
    if (Value.empty())
        return false;
    Accumulator += "$" + Value + "$";
    return true;
}

// The header with the body's first character, less the fields that mail
// programs rewrite when they store the same message again.
std::string ReducedHeaderIdentity(const std::string& Text)
{
    const int body = FindBodyStart(Text, 1);
    std::string reduced = body > 0 ? Text.substr(0, static_cast<std::size_t>(body)) : Text;
    for (const char* name : {FieldContentType, FieldThreadIndex, FieldXMailer, FieldXMimeOle})
        DeleteHeaderField(reduced, name);
    return reduced;
}

void ApplyBuiltInMap(std::string& S, bool AllowPaths)
{
    const bool win95 = Win95FileNames();
    for (std::size_t i = S.size(); i-- > 0;) {
        const unsigned char c = static_cast<unsigned char>(S[i]);
        char to = static_cast<char>(c);
        switch (c) {
        case '\n':
        case '?':
        case 127:
            S.erase(i, 1);
            continue;
        case '"': to = '\''; break;
        case '*': to = 'x'; break;
        case '/':
        case ':':
        case '|': to = '-'; break;
        case '<': to = '{'; break;
        case '>': to = '}'; break;
        case '\\': to = AllowPaths ? '\\' : '~'; break;
        case '[': to = win95 ? '{' : '['; break;
        case ']': to = win95 ? '}' : ']'; break;
        case '+': to = win95 ? '_' : '+'; break;
        default:
            if (c < 32)
                to = ' ';
            break;
        }
        S[i] = to;
    }
}

// Maps the single-byte characters of S and steps over double-byte ones
// whole: under a double-byte code page a trail byte may be "\\", "|", "["
// and more, and is no character of its own.
template <class TMap>
void MapSingleBytes(std::string& S, TMap Map)
{
    if (!AnsiHasLeadBytes()) {
        Map(S);
        return;
    }
    constexpr unsigned char lowestTrail = 0x40;
    std::string r, run;
    for (std::size_t i = 0; i < S.size();) {
        if (IsAnsiLeadByte(S[i]) && i + 1 < S.size() && static_cast<unsigned char>(S[i + 1]) >= lowestTrail) {
            Map(run);
            r += run;
            run.clear();
            r.append(S, i, 2);
            i += 2;
        } else {
            run += S[i++];
        }
    }
    Map(run);
    r += run;
    S.swap(r);
}

void ApplyNameFilter(TKvCharFilter& Filter, std::string& S, bool AllowPaths)
{
    if (!AllowPaths) {
        Filter.ApplyInPlace(S);
        return;
    }
    // The filter is shared: the backslash gets its own rule back for every
    // other caller.
    const std::uint8_t saved = Filter.GetMapping('\\');
    Filter.SetMapping('\\', '\\');
    Filter.ApplyInPlace(S);
    Filter.Map[static_cast<unsigned char>('\\')] = saved;
}

// Whether S ends in a lead byte with no trail byte after it.
bool EndsInLoneLeadByte(const std::string& S)
{
    if (!AnsiHasLeadBytes())
        return false;
    std::size_t I = 0;
    while (I + 1 < S.size())
        I += IsAnsiLeadByte(S[I]) ? 2 : 1;
    return I + 1 == S.size() && IsAnsiLeadByte(S[I]);
}

std::string FixNameComponent(std::string C)
{
    // Under a double-byte code page a lead byte at the end would take the
    // first byte appended after it (the "." of the extension, the "[" of a
    // number) for its trail byte.
    if (EndsInLoneLeadByte(C)) {
        C.pop_back();
        C.erase(C.find_last_not_of(' ') + 1);
    }
    // Windows drops trailing dots and blanks from a name it creates: "a. ."
    // would be written as "a", another file than the one asked for.
    if (!C.empty() && C.back() == '.') {
        const auto last = C.find_last_not_of(". ");
        C.erase(last == std::string::npos ? 0 : last + 1);
    }
    if (C.empty())
        return LoadResString(SNoName);
    // "CON .txt" opens the console as "CON.txt" does.
    return IsDeviceFileName(C) ? "_" + C : C;
}

} // namespace

void GetMessageIdentity(const std::string& Text, bool IsHeader, bool Fallback, std::string& Result)
{
    const std::string header = HeaderPartOf(Text, IsHeader);
    Result = GetHeaderField(header, FieldMessageId);
    if (!Result.empty() || !Fallback)
        return;
    std::string identity;
    bool missing = !AppendIdentityPart(identity, GetDecodedField(FieldSubject, header, true));
    if (missing) {
        const std::string recipients = GetDecodedField("To", header, true) + GetDecodedField("Cc", header, true) +
                                       GetDecodedField("Bcc", header, true);
        missing = !AppendIdentityPart(identity, recipients);
    }
    if (!missing && !AppendIdentityPart(identity, GetDecodedField(FieldDate, header, true)))
        missing = !AppendIdentityPart(identity, TrimCharSetStr(GetFromLine(Text), true, BlankAndControl()));
    Result = "$" + MD5HexOfString(missing ? ReducedHeaderIdentity(Text) : identity);
}

std::string GetMessageIdentityDigest(const std::string& Text, bool IsHeader)
{
    std::string identity;
    GetMessageIdentity(Text, IsHeader, true, identity);
    // The fallback identity is "$" and a digest. A Message-ID that merely
    // starts with "$" is message data like any other: taken as it stands it
    // could name a path ("$..\..\x") or hold characters no name may.
    const auto hex = [](char C) { return std::isxdigit(static_cast<unsigned char>(C)) != 0; };
    if (identity.size() == 33 && identity[0] == '$' && std::all_of(identity.begin() + 1, identity.end(), hex))
        return identity.substr(1);
    return MD5HexOfString(identity);
}

std::string GetMessageDateText(const std::string& Text, bool IsHeader)
{
    const std::string header = HeaderPartOf(Text, IsHeader);
    std::string date = GetReceivedDateText(header, true);
    if (date.empty())
        date = GetHeaderField(header, FieldDate);
    if (date.empty()) {
        const std::string fromLineDate = FromLineDate(header);
        if (!fromLineDate.empty())
            date = AscTimeToRfc822Date(fromLineDate);
    }
    return date;
}

TDateTime GetMessageDate(const std::string& Text, bool IsHeader)
{
    const std::string date = GetMessageDateText(Text, IsHeader);
    return date.empty() ? NoDateValue : MailDateToLocal(date, NoDateValue);
}

void GetMessageSubject(const std::string& Text, bool IsHeader, int CodePage, std::string& Result)
{
    Result.clear();
    const std::string header = HeaderPartOf(Text, IsHeader);
    int pos = 1;
    int len = 0;
    if (!FindHeaderField(header, FieldSubject, pos, false, len))
        return;
    int end = pos + len;  // just past the field
    while (end > pos && IsBreak(header[static_cast<std::size_t>(end - 2)]))
        --end;
    int v = pos + static_cast<int>(sizeof(FieldSubject) - 1) + 1;  // after the colon
    if (v < end) {
        const char first = header[static_cast<std::size_t>(v - 1)];
        if (first == ' ' || first == '\t') {
            ++v;
        } else if (IsBreak(first)) {
            while (v < end && static_cast<unsigned char>(header[static_cast<std::size_t>(v - 1)]) < 33)
                ++v;
        }
    }
    if (v >= end)
        return;
    Result = DecodeHeaderValue(header.substr(static_cast<std::size_t>(v - 1), static_cast<std::size_t>(end - v)), CodePage);
}

std::string MakeSafeFileName(const std::string& Name, bool AllowPaths)
{
    if (AllowPaths && Name == "\\")
        return Name;
    std::string s = Name;
    TKvCharFilter* filter = NameFilter();
    // A rules file may leave a reserved character as it is; the built-in
    // map after it keeps every name a name (it changes nothing the filter
    // made safe already).
    MapSingleBytes(s, [&](std::string& Run) {
        if (filter && filter->InScope(cfsFiles))
            ApplyNameFilter(*filter, Run, AllowPaths);
        ApplyBuiltInMap(Run, AllowPaths);
    });

    if (!AllowPaths)
        return FixNameComponent(TrimCharSetStr(s, true, BlankAndControl()));
    s = CleanPathName(s);
    if (s.find('\\') == std::string::npos)
        return FixNameComponent(s);
    std::string result;
    std::size_t start = 0;
    for (;;) {
        const auto slash = s.find('\\', start);
        const std::string component = s.substr(start, slash == std::string::npos ? slash : slash - start);
        result += component.empty() ? component : FixNameComponent(component);
        if (slash == std::string::npos)
            break;
        result += '\\';
        start = slash + 1;
    }
    return result;
}

void LoadNameFilter(const std::string& FileName)
{
    const std::string path = FindDataFile(FileName);
    if (!IsExistingFile(path))
        return;
    std::unique_ptr<TKvCharFilter>& filter = FilterHolder();
    if (filter)
        filter->LoadRules(path);
    else
        filter = std::make_unique<TKvCharFilter>(path);
}

TKvCharFilter* NameFilter()
{
    return FilterHolder().get();
}

void UnloadNameFilter()
{
    FilterHolder().reset();
}

std::string ExtensionOfMimeType(const std::string& MimeType)
{
    static const char* const direct[][2] = {
        {"application/x-vcard", "vcf"}, {MimeMessageRfc822, "eml"}, {MimeImageBmp, "bmp"},
        {MimeImageGif, "gif"},          {"image/png", "png"},       {MimeImageJpeg, "jpg"},
    };
    for (const auto& pair : direct)
        if (SameTextStr(MimeType, pair[0]))
            return pair[1];
    std::string ext;
    if (!MimeType.empty())
        MimeTypes().ExtOfMimeType(TableLowerCase(MimeType), ext);
    if (!ext.empty())
        return ext;
    return SameTextStr(MimeType, MimeAppOctetStream) ? "bin" : "att";
}
