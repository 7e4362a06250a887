#pragma once
// The readable text of a part or of a whole part tree, chosen and decoded
// by media class; the header summary that heads an HTML or text rendering;
// and the reading of a Content-Type value into a part.

#include <cstdint>
#include <string>
#include <vector>

class TKvMimeBlock;

// What GetPartText builds: the text so far, the charset of the first part
// that contributed, and whether UTF-8 parts are brought to the ANSI code
// page.
struct TPartTextAccumulator {
    std::string Text;
    std::string Charset;
    bool Utf8ToAnsi = false;
};

void GetPartText(TKvMimeBlock& Part, TPartTextAccumulator& Acc);
void AppendPartText(TKvMimeBlock& Part, TPartTextAccumulator& Acc);
// How a part's decoded body becomes text.
enum class TPartTextMode : std::uint8_t {
    Plain,     // as it stands
    Html,      // HTML to text
    Enriched,  // enriched text to text
};
void DecodePartText(TKvMimeBlock& Part, TPartTextMode Mode, TPartTextAccumulator& Acc);
// The child of a multipart/alternative to show; -1 when none fits.
int BestAlternative(const TKvMimeBlock& Part);

std::string EscapeHtml(const std::string& Text, bool KeepTags = false, bool KeepQuotes = false);
std::string EscapeHtmlWithMailLinks(const std::string& Text);

// One summary being built: its text and whether it is HTML.
struct THeaderSummary {
    std::string Text;
    bool Html = true;
    int LinkCount = 0;  // attachment entries written so far
};

void AddSummaryRow(const std::string& Name, const std::string& Value, bool LinkAddresses, bool Escape,
                   bool AlwaysAdd, THeaderSummary& Summary);
// Index numbers the made-up content id of a part without one.
void AddAttachmentLink(const std::string& Name, int Index, const TKvMimeBlock* Part,
                       THeaderSummary& Summary);

struct TSummaryAttachment {
    std::string Name;
    const TKvMimeBlock* Part = nullptr;
};
std::string BuildHeaderSummary(const std::string& Subject, const std::string& Date,
                               const std::string& From, const std::string& To,
                               const std::string& Cc, const std::string& Bcc,
                               const std::vector<TSummaryAttachment>* Attachments, bool Html);
