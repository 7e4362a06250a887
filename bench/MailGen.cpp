#include "bench/MailGen.h"

#include <cstdio>

namespace {

const char* const WordTable[] = {
    "the", "meeting", "report", "project", "budget", "we", "should", "review", "next", "week",
    "please", "find", "attached", "draft", "thanks", "for", "your", "quick", "reply", "about",
    "schedule", "changes", "client", "invoice", "server", "backup", "question", "team", "lunch", "on",
    "Friday", "Monday", "agenda", "notes", "from", "yesterday", "call", "and", "I", "think",
    "it", "is", "fine", "but", "the", "numbers", "look", "different", "in", "second",
    "table", "could", "you", "check", "again", "before", "sending", "to", "everyone", "as",
    "soon", "possible", "regards", "office", "travel", "plans", "hotel", "booking", "train", "ticket",
    "contract", "signed", "copy", "version", "update", "release", "test", "results", "bug", "fix",
    "holiday", "party", "photos", "family", "weekend", "garden", "weather", "rain", "summer", "price",
    "order", "shipping", "delivery", "address", "phone", "number", "account", "password", "reset", "login",
};
constexpr std::uint32_t WordCount = sizeof(WordTable) / sizeof(WordTable[0]);

const char* const FirstNames[] = {"Alice", "Bob", "Carol", "David", "Erika", "Frank", "Greta", "Hans",
                                  "Ines", "Jonas", "Karin", "Lars", "Maria", "Nils", "Olga", "Peter"};
const char* const LastNames[] = {"Smith", "Jones", "Miller", "Brown", "Weber", "Novak", "Rossi", "Dubois",
                                 "Berg", "Lund", "Costa", "Meyer", "Kowalski", "Horvat", "Silva", "Young"};
const char* const Domains[] = {"example.com", "example.org", "example.net", "mail.example.com",
                               "office.example.org"};
const char* const AttachmentTypes[][2] = {
    {"application/pdf", "pdf"}, {"image/jpeg", "jpg"}, {"application/zip", "zip"},
    {"image/png", "png"}, {"application/msword", "doc"}, {"application/octet-stream", "bin"}};
// Subjects written in other alphabets arrive as encoded words: UTF-8 bytes.
const char* const AccentedWords[] = {"Caf\xC3\xA9", "R\xC3\xA9sum\xC3\xA9", "\xC3\x9C" "bersicht",
                                     "Gr\xC3\xBC\xC3\x9F" "e", "Ni\xC3\xB1o", "Z\xC3\xBCrich",
                                     "Pr\xC3\xA4sentation", "\xD0\x9E\xD1\x82\xD1\x87\xD0\xB5\xD1\x82"};
const char* const ProseFrom[] = {"From what I remember, ", "From the minutes: ", "From now on ",
                                 "From my side "};
const char* const DayNames[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};  // 1970-01-01 was a Thursday
const char* const MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

const char Base64Chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

template <std::size_t N>
constexpr std::uint32_t CountOf(const char* const (&)[N])
{
    return static_cast<std::uint32_t>(N);
}

void AppendBase64(std::string& Out, const unsigned char* Data, std::size_t Length, std::size_t LineLength)
{
    std::size_t column = 0;
    for (std::size_t i = 0; i < Length; i += 3) {
        const std::uint32_t b0 = Data[i];
        const std::uint32_t b1 = i + 1 < Length ? Data[i + 1] : 0;
        const std::uint32_t b2 = i + 2 < Length ? Data[i + 2] : 0;
        const std::uint32_t v = (b0 << 16) | (b1 << 8) | b2;
        Out += Base64Chars[(v >> 18) & 63];
        Out += Base64Chars[(v >> 12) & 63];
        Out += i + 1 < Length ? Base64Chars[(v >> 6) & 63] : '=';
        Out += i + 2 < Length ? Base64Chars[v & 63] : '=';
        column += 4;
        if (LineLength && column >= LineLength && i + 3 < Length) {
            Out += '\n';
            column = 0;
        }
    }
}

// Days since 1970-01-01 to a proleptic Gregorian date, in 400-year eras;
// the generator keeps its own copy so its output never depends on the date
// code it helps to test.
void CivilFromDays(std::int64_t Days, int& Year, int& Month, int& Day)
{
    Days += 719468;
    const std::int64_t era = (Days >= 0 ? Days : Days - 146096) / 146097;
    const std::int64_t doe = Days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    Year = static_cast<int>(yoe + era * 400 + (Month <= 2 ? 1 : 0));
}

struct TStamp {
    const char* WeekDay;
    const char* Month;
    int Year, Day, Hour, Minute, Second;
};

TStamp StampOf(std::int64_t Clock)
{
    TStamp s{};
    const std::int64_t days = Clock / 86400;
    const std::int64_t secs = Clock % 86400;
    int month = 1;
    CivilFromDays(days, s.Year, month, s.Day);
    s.Month = MonthNames[month - 1];
    s.WeekDay = DayNames[days % 7];
    s.Hour = static_cast<int>(secs / 3600);
    s.Minute = static_cast<int>(secs / 60 % 60);
    s.Second = static_cast<int>(secs % 60);
    return s;
}

}  // namespace

bool ParseGenLineEnd(const std::string& Text, TGenLineEnd& Kind)
{
    std::string t;
    for (char c : Text)
        t += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (t == "lf")
        Kind = TGenLineEnd::Lf;
    else if (t == "crlf")
        Kind = TGenLineEnd::CrLf;
    else if (t == "cr")
        Kind = TGenLineEnd::Cr;
    else
        return false;
    return true;
}

bool ParseGenSize(const std::string& Text, std::uint64_t& Size)
{
    std::uint64_t value = 0;
    std::size_t i = 0;
    for (; i < Text.size() && Text[i] >= '0' && Text[i] <= '9'; ++i) {
        if (value > (~std::uint64_t(0)) / 10 - 9)
            return false;
        value = value * 10 + static_cast<std::uint64_t>(Text[i] - '0');
    }
    if (i == 0 || i + 1 < Text.size())
        return false;
    if (i < Text.size()) {
        int shift = 0;
        switch (Text[i]) {
        case 'k': case 'K': shift = 10; break;
        case 'm': case 'M': shift = 20; break;
        case 'g': case 'G': shift = 30; break;
        default: return false;
        }
        if (value > ((~std::uint64_t(0)) >> shift))
            return false;
        value <<= shift;
    }
    Size = value;
    return true;
}

bool ParseGenSubjects(const std::string& Text, TGenSubjects& Kind)
{
    if (Text == "mixed")
        Kind = TGenSubjects::Mixed;
    else if (Text == "same")
        Kind = TGenSubjects::Same;
    else if (Text == "distinct")
        Kind = TGenSubjects::Distinct;
    else
        return false;
    return true;
}

TMailGenerator::TMailGenerator(std::uint64_t Seed, TGenLineEnd LineEnd, TGenSubjects Subjects)
    : FState(Seed), FLineEnd(LineEnd), FSubjects(Subjects), FClock(1104537600)  // 2005-01-01
{
}

// splitmix64: tiny, fast and the same on every platform.
std::uint64_t TMailGenerator::Next()
{
    std::uint64_t z = (FState += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint32_t TMailGenerator::Below(std::uint32_t Limit)
{
    return Limit ? static_cast<std::uint32_t>(Next() % Limit) : 0;
}

const char* TMailGenerator::Pick(const char* const* Table, std::uint32_t Count)
{
    return Table[Below(Count)];
}

void TMailGenerator::Words(std::string& Out, std::uint32_t Count)
{
    for (std::uint32_t i = 0; i < Count; ++i) {
        if (i)
            Out += ' ';
        Out += Pick(WordTable, WordCount);
    }
}

void TMailGenerator::Sentence(std::string& Out)
{
    const std::size_t start = Out.size();
    // A sentence opening with "from" would add "From " lines the statistics
    // don't count.
    const char* first = Pick(WordTable, WordCount);
    while (first[0] == 'f' && first[1] == 'r')
        first = Pick(WordTable, WordCount);
    Out += first;
    Out += ' ';
    Words(Out, 3 + Below(9));
    if (Out[start] >= 'a' && Out[start] <= 'z')
        Out[start] = static_cast<char>(Out[start] - 32);
    Out += Below(5) ? ". " : "? ";
}

void TMailGenerator::TextBody(std::string& Out, std::uint32_t Lines, bool QuotedPrintable)
{
    std::string line;
    for (std::uint32_t i = 0; i < Lines; ++i) {
        const std::uint32_t roll = Below(1000);
        if (roll < 60) {
            Out += '\n';  // paragraph break
            continue;
        }
        line.clear();
        if (roll < 62) {
            // A line another mailer quoted, and one it did not; only a
            // reader that checks the whole separator line survives the second.
            ++FStats.QuotedFromLines;
            line = ">From ";
        } else if (roll < 64) {
            ++FStats.UnquotedFromLines;
            line = Pick(ProseFrom, CountOf(ProseFrom));
        } else if (roll < 200) {
            line = "> ";
        }
        while (line.size() < 60)
            Sentence(line);
        if (QuotedPrintable && Below(4) == 0)
            line += "caf=C3=A9 =3D";
        line.pop_back();  // the blank after the sentence
        Out += line;
        Out += '\n';
    }
}

void TMailGenerator::HtmlBody(std::string& Out, std::uint32_t Lines)
{
    Out += "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"></head>\n<body>\n";
    for (std::uint32_t i = 0; i < Lines; ++i) {
        Out += "<p>";
        Sentence(Out);
        Out += "<b>";
        Words(Out, 2);
        Out += "</b></p>\n";
    }
    Out += "</body></html>\n";
}

void TMailGenerator::Base64Body(std::string& Out, std::uint32_t Bytes)
{
    std::string data(Bytes, '\0');
    for (std::uint32_t i = 0; i < Bytes; i += 8) {
        std::uint64_t v = Next();
        for (std::uint32_t k = 0; k < 8 && i + k < Bytes; ++k, v >>= 8)
            data[i + k] = static_cast<char>(v & 0xFF);
    }
    AppendBase64(Out, reinterpret_cast<const unsigned char*>(data.data()), data.size(), 76);
    Out += '\n';
}

std::string TMailGenerator::NewSubject()
{
    std::string s;
    if (Below(6) == 0) {
        s = Pick(AccentedWords, CountOf(AccentedWords));
        s += ' ';
    }
    Words(s, 2 + Below(6));
    if (s[0] >= 'a' && s[0] <= 'z')
        s[0] = static_cast<char>(s[0] - 32);
    switch (Below(8)) {
    case 0: s += "?"; break;
    case 1: s += " (" + std::to_string(Below(100)) + "/2)"; break;
    case 2: s += ": " + std::string(Pick(WordTable, WordCount)); break;
    default: break;
    }
    return s;
}

void TMailGenerator::SubjectHeader(std::string& Out, const std::string& Subject)
{
    bool plain = true;
    for (unsigned char c : Subject)
        plain = plain && c < 0x80;
    Out += "Subject: ";
    if (plain) {
        // Long plain subjects are folded as mailers do.
        if (Subject.size() > 60) {
            const std::size_t cut = Subject.rfind(' ', 50);
            if (cut != std::string::npos && cut > 0) {
                Out.append(Subject, 0, cut);
                Out += "\n\t";
                Out.append(Subject, cut + 1, std::string::npos);
                Out += '\n';
                return;
            }
        }
        Out += Subject;
        Out += '\n';
        return;
    }
    ++FStats.EncodedSubjects;
    if (Below(2)) {
        Out += "=?UTF-8?B?";
        AppendBase64(Out, reinterpret_cast<const unsigned char*>(Subject.data()), Subject.size(), 0);
        Out += "?=\n";
        return;
    }
    Out += "=?UTF-8?Q?";
    char hex[4];
    for (unsigned char c : Subject) {
        if (c == ' ') {
            Out += '_';
        } else if (c >= 0x80 || c == '=' || c == '?' || c == '_') {
            std::snprintf(hex, sizeof hex, "=%02X", c);
            Out += hex;
        } else {
            Out += static_cast<char>(c);
        }
    }
    Out += "?=\n";
}

void TMailGenerator::NextMessage(std::string& Out)
{
    std::string& m = FMessage;
    m.clear();
    FClock += 60 + Below(4 * 3600);
    const TStamp t = StampOf(FClock);
    const char* first = Pick(FirstNames, CountOf(FirstNames));
    const char* last = Pick(LastNames, CountOf(LastNames));
    const char* domain = Pick(Domains, CountOf(Domains));
    std::string address = std::string(first) + "." + last + "@" + domain;
    for (char& c : address)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);

    std::string subject;
    if (FThreadLeft > 0) {
        --FThreadLeft;
        subject = "Re: " + FThread;
    } else {
        subject = NewSubject();
        if (Below(4) == 0) {
            FThread = subject;
            FThreadLeft = 1 + Below(5);
        }
    }

    // The same draws either way, so that the two kinds differ in the
    // subject line alone.
    if (FSubjects == TGenSubjects::Same)
        subject = "Weekly report";
    else if (FSubjects == TGenSubjects::Distinct)
        subject = "Weekly report " + std::to_string(FStats.Messages + 1);

    char buf[160];
    std::snprintf(buf, sizeof buf, "From %s %s %s %2d %02d:%02d:%02d %d\n", address.c_str(), t.WeekDay, t.Month,
                  t.Day, t.Hour, t.Minute, t.Second, t.Year);
    m += buf;
    if (Below(3) == 0)
        m += Below(2) ? "X-Mozilla-Status: 0001\nX-Mozilla-Status2: 00000000\n" : "Status: RO\n";
    m += "Return-Path: <" + address + ">\n";
    std::snprintf(buf, sizeof buf, "Received: from mx%u.%s by mail.example.net; %s, %d %s %d %02d:%02d:%02d +0000\n",
                  Below(9), domain, t.WeekDay, t.Day, t.Month, t.Year, t.Hour, t.Minute, t.Second);
    m += buf;
    std::snprintf(buf, sizeof buf, "Message-ID: <%d%02d%02d.%08llx@%s>\n", t.Year, t.Hour, t.Minute,
                  static_cast<unsigned long long>(Next() & 0xFFFFFFFFULL), domain);
    m += buf;
    std::snprintf(buf, sizeof buf, "Date: %s, %d %s %d %02d:%02d:%02d +0100\n", t.WeekDay, t.Day, t.Month, t.Year,
                  t.Hour, t.Minute, t.Second);
    m += buf;
    m += "From: " + std::string(first) + " " + last + " <" + address + ">\n";
    m += "To: " + std::string(Pick(FirstNames, CountOf(FirstNames))) + " <team@example.org>\n";
    SubjectHeader(m, subject);
    m += "MIME-Version: 1.0\n";

    const std::uint32_t kind = Below(100);
    if (kind < 60) {
        // Short notes, the bulk of any mailbox.
        m += "Content-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: 8bit\n\n";
        TextBody(m, 3 + Below(40), false);
    } else if (kind < 75) {
        // Long letters and pasted logs.
        m += "Content-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: quoted-printable\n\n";
        TextBody(m, 100 + Below(2000), true);
    } else if (kind < 82) {
        std::snprintf(buf, sizeof buf, "----=_Alt_%08llx", static_cast<unsigned long long>(Next() & 0xFFFFFFFFULL));
        const std::string boundary = buf;
        m += "Content-Type: multipart/alternative; boundary=\"" + boundary + "\"\n\n";
        m += "--" + boundary + "\nContent-Type: text/plain; charset=UTF-8\n\n";
        const std::uint32_t lines = 10 + Below(80);
        TextBody(m, lines, false);
        m += "--" + boundary + "\nContent-Type: text/html; charset=UTF-8\n\n";
        HtmlBody(m, lines);
        m += "--" + boundary + "--\n";
    } else {
        std::snprintf(buf, sizeof buf, "----=_Part_%08llx", static_cast<unsigned long long>(Next() & 0xFFFFFFFFULL));
        const std::string boundary = buf;
        m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\n\n";
        m += "This is a multi-part message in MIME format.\n";
        m += "--" + boundary + "\nContent-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: 8bit\n\n";
        TextBody(m, 3 + Below(30), false);
        const std::uint32_t parts = 1 + (Below(4) == 0 ? Below(3) : 0);
        for (std::uint32_t p = 0; p < parts; ++p) {
            const auto& type = AttachmentTypes[Below(sizeof AttachmentTypes / sizeof AttachmentTypes[0])];
            // Log-uniform from 4 KB to 1 MB: many small files, a few big ones.
            const std::uint32_t size = static_cast<std::uint32_t>(4096u << Below(8)) + Below(4096u << Below(8));
            std::snprintf(buf, sizeof buf, "%s-%u.%s", Pick(WordTable, WordCount), Below(1000), type[1]);
            m += "--" + boundary + "\nContent-Type: " + type[0] + "; name=\"" + buf +
                 "\"\nContent-Transfer-Encoding: base64\nContent-Disposition: attachment; filename=\"" + buf +
                 "\"\n\n";
            Base64Body(m, size);
            ++FStats.Attachments;
        }
        m += "--" + boundary + "--\n";
    }
    m += '\n';  // the empty line before the next separator

    const std::size_t before = Out.size();
    switch (FLineEnd) {
    case TGenLineEnd::Lf:
        Out += m;
        break;
    case TGenLineEnd::Cr:
        for (char& c : m)
            if (c == '\n')
                c = '\r';
        Out += m;
        break;
    case TGenLineEnd::CrLf:
        Out.reserve(Out.size() + m.size() + m.size() / 32);
        for (char c : m) {
            if (c == '\n')
                Out += '\r';
            Out += c;
        }
        break;
    }
    ++FStats.Messages;
    FStats.Bytes += Out.size() - before;
}
