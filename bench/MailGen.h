#pragma once
// Deterministic generator of realistic mbox mailboxes for the benchmarks: the
// same seed always gives the same bytes, on every machine and in every build.

#include <cstdint>
#include <string>

enum class TGenLineEnd { Lf, CrLf, Cr };
// Subjects as a real mailbox has them, every message with one subject (a
// weekly report; numbered names all the way), or each its own.
enum class TGenSubjects { Mixed, Same, Distinct };

// Parses "lf", "crlf" or "cr" (any case); false for anything else.
bool ParseGenLineEnd(const std::string& Text, TGenLineEnd& Kind);
// Parses "mixed", "same" or "distinct"; false for anything else.
bool ParseGenSubjects(const std::string& Text, TGenSubjects& Kind);
// Parses a size such as "1048576", "100M", "2G" or "512k"; false when bad.
bool ParseGenSize(const std::string& Text, std::uint64_t& Size);

struct TMailGenStats {
    std::uint64_t Messages = 0;
    std::uint64_t Bytes = 0;
    std::uint64_t Attachments = 0;
    std::uint64_t EncodedSubjects = 0;
    std::uint64_t QuotedFromLines = 0;    // ">From " inside bodies
    std::uint64_t UnquotedFromLines = 0;  // "From " prose inside bodies
};

class TMailGenerator {
public:
    TMailGenerator(std::uint64_t Seed, TGenLineEnd LineEnd, TGenSubjects Subjects = TGenSubjects::Mixed);

    // Appends the next message to Out: its "From " separator line, headers,
    // body and the empty line that ends it in the mailbox.
    void NextMessage(std::string& Out);
    const TMailGenStats& Stats() const { return FStats; }

private:
    std::uint64_t Next();
    std::uint32_t Below(std::uint32_t Limit);
    const char* Pick(const char* const* Table, std::uint32_t Count);
    void Words(std::string& Out, std::uint32_t Count);
    void Sentence(std::string& Out);
    void TextBody(std::string& Out, std::uint32_t Lines, bool QuotedPrintable);
    void HtmlBody(std::string& Out, std::uint32_t Lines);
    void Base64Body(std::string& Out, std::uint32_t Bytes);
    std::string NewSubject();
    void SubjectHeader(std::string& Out, const std::string& Subject);

    std::uint64_t FState;
    TGenLineEnd FLineEnd;
    TGenSubjects FSubjects;
    std::int64_t FClock;  // seconds since 1970 of the last message
    std::string FThread;  // subject of the current conversation
    std::uint32_t FThreadLeft = 0;
    std::string FMessage;
    TMailGenStats FStats;
};
