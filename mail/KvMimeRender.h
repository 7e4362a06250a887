#pragma once
// A parsed message (a TKvMimeBlock tree) written out as the text a
// conversion wants: raw MIME, a copy with attachments moved to files, a
// reduced HTML or plain-text message, or a self-contained HTML message, with
// the wanted mbox separator line in front. The operations take the block
// they work on as their first argument.

#include <cstdint>
#include <string>

#include "classlib/SysUtils.h"
#include "mail/KvFromLine.h"
#include "mail/KvMailFlags.h"

class TKvMimeBlock;
class TNamedFileJudge;

using TMailOutputKind = std::uint8_t;
enum : TMailOutputKind {
    mokRaw = 0,           // raw MIME, detached parts embedded again
    mokStored1 = 1,       // nothing: the message object answers these itself
    mokStored2 = 2,
    mokSaveAttachments = 3,  // attachments saved to files, referenced
    mokSaveAllParts = 4,     // as 3, inline parts saved too
    mokReduced = 5,          // one body: HTML (with related parts), else plain
    mokReducedAlt = 6,
    mokPlainText = 7,        // plain text, reduced header
    mokPlainTextAnsi = 8,    // as 7, UTF-8 brought to the ANSI code page
    mokHtmlMessage = 9,      // self-contained HTML message
};

// Resource ids of the texts the renderer uses.
inline constexpr int SCannotCreateFolder = 65232;  // Cannot create folder "%s"
inline constexpr int SCannotSaveFile = 65234;      // Cannot save file "%s"
inline constexpr int SAttachFolder = 65276;        // Attach
inline constexpr int SEmbeddedFolder = 65277;      // Embedded

// Date 0 or below: the separator line takes the message's own date.
// FormatKind is the source mailbox kind (it decides body escaping);
// EmbedFolder resolves relative attachment paths (kind 0); SaveFolder
// receives saved parts (kinds 3, 4). Raises only from kinds 3 and 4.
void GetConvertedText(TKvMimeBlock& Block, TMailOutputKind Kind, TFromLineKind FromKind,
                      TDateTime Date, TMailboxKind FormatKind, const std::string& EmbedFolder,
                      const std::string& SaveFolder, std::string& Text);

// Header, body and child parts as stored.
void GetRawText(const TKvMimeBlock& Block, std::string& Text);
std::string GetRawText(const TKvMimeBlock& Block);
// The raw text with the content of detached parts read from their files.
void GetTextWithEmbeddedFiles(const TKvMimeBlock& Block, const std::string& EmbedFolder,
                              std::string& Text);
// Kinds 3 and 4. Raises EMimeRenderError when a folder or file cannot be made.
void SaveAttachments(const TKvMimeBlock& Block, TMailOutputKind Kind, const std::string& SaveFolder,
                     std::string& Text);
// In place; meant for a copy of the message.
void ConvertToHtmlMessage(TKvMimeBlock& Block);
bool ResolveDetachedFile(const std::string& BaseFolder, const std::string& Path, bool IsAttachment,
                         std::string& FullPath);
// In place; Missing gets the paths not found, "; " between them. Judge
// judges the names the parts give and counts those it refuses.
void EmbedDetachedFiles(TKvMimeBlock& Block, const std::string& EmbedFolder, TNamedFileJudge& Judge,
                        std::string& Missing);

class EMimeRenderError : public Exception {
public:
    using Exception::Exception;
};
