#include "mail/KvMimeCoding.h"

#include <windows.h>

#include <cstring>
#include <random>

#include "foundation/KvCodePage.h"
#include "foundation/KvDates.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "foundation/KvTimeZones.h"
#include "mail/KvMailNames.h"
#include "mail/KvMailUtils.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvMimeTypes.h"

namespace {

struct TClassName {
    const char* Type;
    TMimeClass Class;
};

// Classes 1 to 22 by their exact type; "text" alone counts as plain text.
const TClassName ExactClasses[] = {
    {"text/plain", mcTextPlain},
    {"text", mcTextPlain},
    {"text/html", mcTextHtml},
    {"text/enriched", mcTextEnriched},
    {"text/richtext", mcTextRichText},
    {"text/xml", mcTextXml},
    {"message/partial", mcMessagePartial},
    {"message/rfc822", mcMessageRfc822},
    {"text/x-vcard", mcTextVCard},
    {"image/bmp", mcImageBmp},
    {"image/gif", mcImageGif},
    {"image/jpeg", mcImageJpeg},
    {"application/applefile", mcAppAppleFile},
    {"application/octet-stream", mcAppOctetStream},
    {"application/pdf", mcAppPdf},
    {"application/x-zip-compressed", mcAppZip},
    {"multipart/mixed", mcMultiMixed},
    {"multipart/alternative", mcMultiAlternative},
    {"multipart/related", mcMultiRelated},
    {"multipart/parallel", mcMultiParallel},
    {"multipart/digest", mcMultiDigest},
    {"multipart/signed", mcMultiSigned},
    {"multipart/encrypted", mcMultiEncrypted},
};

const TClassName MajorClasses[] = {
    {"multipart", mcMultiOther}, {"text", mcTextOther},  {"message", mcMessageOther},
    {"application", mcAppOther}, {"audio", mcAudio},     {"image", mcImageOther},
    {"video", mcVideo},
};

std::string MajorType(const std::string& MediaType)
{
    return MediaType.substr(0, MediaType.find('/'));
}

bool StartsWithNoCase(const std::string& S, const std::string& Prefix)
{
    return S.size() >= Prefix.size() && SameTextStr(S.substr(0, Prefix.size()), Prefix);
}

bool IsUpperHexRun(const std::string& Text, std::size_t At, std::size_t Count)
{
    if (At + Count > Text.size())
        return false;
    for (std::size_t i = At; i < At + Count; ++i) {
        const char c = Text[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

bool ReadHex(const std::string& Text, std::size_t At, std::size_t Count, int& Value)
{
    if (At + Count > Text.size())
        return false;
    Value = 0;
    for (std::size_t i = At; i < At + Count; ++i) {
        const int d = HexDigitValue(Text[i]);
        if (d < 0)
            return false;
        Value = Value * 16 + d;
    }
    return true;
}

std::uint32_t RandomSeed()
{
    static std::mt19937 generator{std::random_device{}() ^ GetTickCount()};
    std::uint32_t value = 0;
    while (value == 0)
        value = generator();
    return value;
}

}  // namespace

TMimeClass GetMimeClass(const std::string& MediaType)
{
    if (MediaType.empty())
        return mcNone;
    for (const TClassName& c : ExactClasses)
        if (MediaType == c.Type)
            return c.Class;
    const std::string major = MajorType(MediaType);
    for (const TClassName& c : MajorClasses)
        if (major == c.Type)
            return c.Class;
    return mcOther;
}

std::string MediaTypeOfClass(TMimeClass Class)
{
    // The applefile class has no type of its own to write: its data only
    // means something inside multipart/appledouble.
    if (Class == mcNone || Class == mcAppAppleFile || Class > mcMultiEncrypted)
        return std::string();
    for (const TClassName& c : ExactClasses)
        if (c.Class == Class)
            return c.Type;
    return std::string();
}

bool IsMessageType(const std::string& MediaType)
{
    return MediaType.size() > 7 && StartsWithNoCase(MediaType, MimeMessage);
}

bool IsMultipartType(const std::string& MediaType)
{
    return MediaType.size() > 9 && StartsWithNoCase(MediaType, MimeMultipart);
}

bool IsTextOrMessageType(const std::string& MediaType)
{
    const std::string major = MajorType(MediaType);
    return SameTextStr(major, "text") || SameTextStr(major, MimeMessage);
}

bool IsBinaryMediaType(const std::string& MediaType)
{
    const auto slash = MediaType.find('/');
    if (slash == std::string::npos)
        return true;
    const std::string major = MediaType.substr(0, slash);
    return !(SameTextStr(major, "text") || SameTextStr(major, MimeMessage) ||
             SameTextStr(major, MimeMultipart));
}

bool IsPartialEmlxName(const std::string& Name)
{
    static const std::string suffix = ".partial.emlx";
    return Name.size() >= suffix.size() &&
           SameTextStr(Name.substr(Name.size() - suffix.size()), suffix);
}

bool IsUtf8Charset(const std::string& Name)
{
    return SameTextStr(Name, "UTF-8");
}

std::string DefaultCharsetName(TMimeClass Class, const std::string& Text)
{
    if (Class == mcTextHtml) {
        const std::string meta = CharsetOfContentType(Text);
        if (!meta.empty())
            return meta;
    }
    const int acp = static_cast<int>(GetACP());
    if (IsLatin1CodePage(acp))
        return MimeIso88591;
    return TableLowerCase(CharsetOfBytes(acp));
}

// The bytes come from the caller, as the file was judged and read: the name
// is never opened again, since it may point elsewhere by now.
std::string MediaTypeOfFile(const std::string& FileName, int Encoding, const std::string& Head)
{
    std::string ext = TableLowerCase(ExtractFileExtNoDot(FileName));
    if (ext.empty()) {
        const std::string head = Head.substr(0, MediaSniffLength);
        if (head.size() > 5) {
            if (head.compare(0, 2, "BM") == 0)
                ext = "bmp";
            else if (head.compare(0, 4, "GIF8") == 0 && head[5] == 'a')
                ext = "gif";
            else if (head.size() >= 8 && head.compare(0, 8, "\x89PNG\r\n\x1A\n", 8) == 0)
                ext = "png";
            else if (head.compare(0, 3, "\xFF\xD8\xFF", 3) == 0)
                ext = "jpg";
        }
    }
    if (ext.size() == 3) {
        struct TExtType {
            const char* Ext;
            const char* Type;
        };
        static const TExtType direct[] = {
            {"bmp", "image/bmp"},        {"doc", "application/msword"},
            {"eml", "message/rfc822"},   {"gif", "image/gif"},
            {"jpg", "image/jpeg"},       {"pdf", "application/pdf"},
            {"png", "image/png"},        {"txt", "text/plain"},
            {"vcf", "text/x-vcard"},     {"xls", "application/vnd.ms-excel"},
            {"zip", "application/zip"},
        };
        for (const TExtType& d : direct)
            if (ext == d.Ext)
                return d.Type;
        // Outlook's own .msg files are no RFC 822 text; sent as binary data
        // they must not be declared as such.
        if (ext == "msg")
            return (Encoding >= encBase64 && Encoding <= encBinary) ? MimeAppOctetStream : MimeMessageRfc822;
        if (ext == "dat" && StartsWithNoCase(ExtractFileNamePart(FileName), "winmail"))
            return MimeAppMsTnef;
    }
    std::string type;
    if (!ext.empty())
        MimeTypes().MimeTypeOfExt(ext, type);
    if (type.empty())
        type = Encoding < encBase64 ? MimeTextPlain : MimeAppOctetStream;
    return type;
}

int TextTransferKind(const std::string& Text)
{
    int result = enc7Bit;
    int high = 0;
    std::size_t lineStart = 0;
    const std::size_t n = Text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(Text[i]);
        if (c <= 8 || c == 11 || (c >= 14 && c <= 31) || c == 127)
            return encBase64;
        if (c == '\r' && (i + 1 == n || Text[i + 1] == '\n')) {
            if (result == enc7Bit) {
                if (i - lineStart >= 77)
                    result = encQuotedPrintable;
                else
                    lineStart = i + 2;
            }
        } else if (c >= 128) {
            result = encQuotedPrintable;
            ++high;
        }
    }
    if (result == encQuotedPrintable && n > 0 && static_cast<int>(static_cast<long long>(high) * 100 / n) >= 51)
        result = encBase64;
    return result;
}

std::string FormatBoundary(std::uint32_t A, std::uint32_t B, std::uint32_t C, std::uint32_t D)
{
    return std::string(NextPartPrefix) + IntToHex(A, 3) + "_" + IntToHex(A + B, 4) + "_" +
           IntToHex(C, 8) + "." + IntToHex(D, 8);
}

std::string MakeBoundary(std::uint32_t Seed, const std::string& MediaType, TDateTime Date)
{
    std::uint32_t c = 0;
    if (Date == 0)
        c = GetTickCount();
    else
        c = static_cast<std::uint32_t>(DateTimeToFileDate(Date));
    const std::string boundary = FormatBoundary(0, 0, c, Seed ? Seed : RandomSeed());
    if (MediaType.empty())
        return boundary;
    return AddTypeParameter(MediaType, boundary);
}

std::string MakeMessageBoundary(const std::string& Header)
{
    std::string identity;
    GetMessageIdentity(Header, true, true, identity);
    return MakeBoundary(Crc32OfString(identity), std::string(), GetMessageUtcDate(Header, true));
}

TDateTime GetMessageUtcDate(const std::string& Text, bool IsHeader)
{
    const std::string header = HeaderPartOf(Text, IsHeader);
    const std::string date = GetHeaderField(header, FieldDate);
    TDateTime value = MailDateToUtc(date, 0);
    if (value > 0)
        return value;
    value = MailDateToUtc(GetReceivedDateText(header, true), 0);
    if (value > 0)
        return value;
    const std::string asc = FromLineDate(header);
    if (!asc.empty()) {
        value = ParseAscTimeDate(asc);
        if (value > 0)
            return LocalTimeZone().LocalToUtc(value);
    }
    return 0;
}

std::string NextBoundary(int Level, const std::string& Base)
{
    std::string result = Base;
    if (Level == 0)
        return result;
    std::string fields;
    int second = 0;
    if (ReadHex(Base, 19, 4, second)) {
        int first = 0;
        if (!ReadHex(Base, 15, 3, first))
            first = 0;
        fields = IntToHex(static_cast<std::uint32_t>(Level) & 0xFFF, 3) + "_" +
                 IntToHex(static_cast<std::uint32_t>(second + Level - first) & 0xFFFF, 4);
    } else {
        fields = IntToHex(static_cast<std::uint32_t>(Level) & 0xFFF, 3);
    }
    for (std::size_t i = 0; i < fields.size() && 15 + i < result.size(); ++i)
        result[15 + i] = fields[i];
    return result;
}

bool IsNextPartBoundaryAt(const std::string& Text, int Pos)
{
    if (Pos < 1)
        return false;
    const std::size_t at = static_cast<std::size_t>(Pos) - 1 + std::strlen(NextPartPrefix);
    if (at + 26 > Text.size())
        return false;
    return IsUpperHexRun(Text, at, 3) && Text[at + 3] == '_' && IsUpperHexRun(Text, at + 4, 4) &&
           Text[at + 8] == '_' && IsUpperHexRun(Text, at + 9, 8) && Text[at + 17] == '.' &&
           IsUpperHexRun(Text, at + 18, 8);
}

bool IsBoundaryLineAt(const std::string& Text, int Pos, int Len, int LineStart)
{
    if (Pos < 1 || Len < 0)
        return false;
    if (Pos > 1 && Pos != LineStart) {
        const char before = Text[Pos - 2];
        if (before != '\r' && before != '\n')
            return false;
    }
    std::size_t after = static_cast<std::size_t>(Pos - 1 + Len);
    if (after >= Text.size())
        return after == Text.size();
    if (Text[after] == '-')
        return after + 1 < Text.size() && Text[after + 1] == '-';
    // Blanks and tabs before the line end are transport padding, which
    // mail gateways add and the MIME rules allow.
    while (after < Text.size() && (Text[after] == ' ' || Text[after] == '\t'))
        ++after;
    return after == Text.size() || Text[after] == '\r' || Text[after] == '\n';
}

std::size_t SkipBoundaryPadding(const std::string& Text, std::size_t Pos)
{
    std::size_t p = Pos;
    while (p < Text.size() && (Text[p] == ' ' || Text[p] == '\t'))
        ++p;
    return p == Text.size() || Text[p] == '\r' || Text[p] == '\n' ? p : Pos;
}

int FindBoundaryLine(const std::string& Text, const TBmPattern& Record, int From, int LineStart)
{
    int pos = From < 1 ? 1 : From;
    const int len = static_cast<int>(Record.PatternLength);
    while (len > 0) {
        pos = BmPosCase(Text, Record, pos);
        if (pos == 0)
            return 0;
        if (IsBoundaryLineAt(Text, pos, len, LineStart))
            return pos;
        pos += len;
    }
    return 0;
}
