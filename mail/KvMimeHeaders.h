#pragma once
// Header fields read and written directly in raw message text: the shared
// words of the MIME engine, finding, unfolding and decoding fields,
// parameters, address lists, building part headers and the short header of
// text output. Positions are 1-based; names compare without regard to case.
// Routines with an IsHeader flag take the whole text as the header when it
// is set, else only the part before the first blank line.

#include <string>

#include "foundation/KvBoyerMoore.h"

class TStrings;

// ---------------------------------------------------------------------------
// Keyword pool
// ---------------------------------------------------------------------------
inline constexpr char MimeIso88591[] = "iso-8859-1";
inline constexpr char MimeAttachment[] = "attachment";
inline constexpr char MimeInline[] = "inline";
inline constexpr char MimeBase64[] = "base64";
inline constexpr char MimeQuotedPrintable[] = "quoted-printable";

inline constexpr char MimeAppAppleFile[] = "application/applefile";
inline constexpr char MimeAppOctetStream[] = "application/octet-stream";
inline constexpr char MimeAppMsWord[] = "application/msword";
inline constexpr char MimeAppPdf[] = "application/pdf";
inline constexpr char MimeAppPostScript[] = "application/postscript";
inline constexpr char MimeAppZip[] = "application/x-zip-compressed";
inline constexpr char MimeAppMsTnef[] = "application/ms-tnef";

inline constexpr char MimeMessagePartial[] = "message/partial";
inline constexpr char MimeMessageRfc822[] = "message/rfc822";
inline constexpr char MimeMessageExternal[] = "message/external-body";
inline constexpr char MimeMessage[] = "message";
inline constexpr char MimeMultipart[] = "multipart";

inline constexpr char MimeMultiAlternative[] = "multipart/alternative";
inline constexpr char MimeMultiDigest[] = "multipart/digest";
inline constexpr char MimeMultiMixed[] = "multipart/mixed";
inline constexpr char MimeMultiParallel[] = "multipart/parallel";
inline constexpr char MimeMultiRelated[] = "multipart/related";
inline constexpr char MimeMultiReport[] = "multipart/report";
inline constexpr char MimeMultiSigned[] = "multipart/signed";
inline constexpr char MimeMultiEncrypted[] = "multipart/encrypted";
inline constexpr char MimeMultiAppleDouble[] = "multipart/appledouble";

inline constexpr char MimeImageBmp[] = "image/bmp";
inline constexpr char MimeImageGif[] = "image/gif";
inline constexpr char MimeImageJpeg[] = "image/jpeg";

inline constexpr char MimeTextEnriched[] = "text/enriched";
inline constexpr char MimeTextHtml[] = "text/html";
inline constexpr char MimeTextPlain[] = "text/plain";
inline constexpr char MimeTextRichText[] = "text/richtext";
inline constexpr char MimeTextVCard[] = "text/x-vcard";
inline constexpr char MimeTextXml[] = "text/xml";

inline constexpr char FieldContentDisposition[] = "Content-Disposition";
inline constexpr char FieldContentId[] = "Content-ID";
inline constexpr char FieldContentTransferEncoding[] = "Content-Transfer-Encoding";
inline constexpr char FieldContentLocation[] = "Content-Location";
inline constexpr char FieldContentType[] = "Content-Type";
inline constexpr char FieldMimeVersion[] = "MIME-Version";
inline constexpr char FieldDate[] = "Date";
inline constexpr char FieldReceived[] = "Received";
inline constexpr char FieldSubject[] = "Subject";
inline constexpr char FieldMessageId[] = "Message-ID";
inline constexpr char FieldXFolder[] = "X-Folder";
inline constexpr char FieldXMailer[] = "X-Mailer";
inline constexpr char FieldXPriority[] = "X-Priority";
inline constexpr char FieldXContentFile[] = "X-Content-File";
inline constexpr char FieldXCalypsoFolder[] = "X-CalypsoFolder";
inline constexpr char FieldXMozillaExternalUrl[] = "X-Mozilla-External-Attachment-URL";
inline constexpr char FieldXMozillaAltered[] = "X-Mozilla-Altered";
inline constexpr char FieldXMimeOle[] = "X-MimeOLE";
inline constexpr char FieldThreadIndex[] = "Thread-Index";

inline constexpr char MimeMultipartPreamble[] = "This is a multi-part message in MIME format.";
inline constexpr char HtmlSummaryStart[] = "<!-- Dravelin-START -->";
inline constexpr char HtmlSummaryEnd[] = "<!-- Dravelin-END -->";
// Format template of generated content ids; the domain follows the "@".
inline constexpr char ContentIdTemplate[] = "dravelin-mht-%0.2d@tessaly.invalid";

// Transfer-encoding kinds.
enum : int {
    encNone = 0, enc7Bit = 1, encQuotedPrintable = 2, encBase64 = 3, enc8Bit = 4, encBinary = 5,
    encOther = 6
};
// Disposition kinds.
enum : int { dispNone = 0, dispAttachment = 1, dispInline = 2, dispOther = 4 };

// Date sources of GetDateTextWithSource.
enum : int { dsNone = 0, dsFromLine = 6, dsDateField = 7, dsReceived = 8 };

// ---------------------------------------------------------------------------
// Header extent
// ---------------------------------------------------------------------------
// The position of the body's first character: scanning from From + 1, the
// first LF followed by LF (+2) or by CR LF (+3); -1 when there is none.
int FindBodyStart(const std::string& Text, int From = 1);
// The header part the IsHeader routines look at: Text itself, or everything
// up to and including the line break that ends the last header line.
std::string HeaderPartOf(const std::string& Text, bool IsHeader);
// HeaderPartOf(Text.substr(Offset), false) without copying the body.
std::string HeaderPartFrom(const std::string& Text, std::size_t Offset);
// The header from From without its blank line; a text without a blank line
// is taken whole from From and ends with a line break.
std::string GetHeaderPart(const std::string& Text, int From = 1);
void DeleteFirstLine(std::string& Text);

// ---------------------------------------------------------------------------
// Finding fields
// ---------------------------------------------------------------------------
// Name + ":" at the start of Text or right after an LF; 0 when none.
int FindHeaderFieldPos(const std::string& Text, const std::string& Name, int From = 1);
// Backwards, a field counts when it starts at or before Pos (Pos outside the
// text: from the end). Pos gets the field's start, Len its extent (final
// line break included).
bool FindHeaderField(const std::string& Header, const std::string& Name, int& Pos, bool Backwards,
                     int& Len);
// As FindHeaderField, but Pos and Len cover the value (Len 0 for an empty one).
bool FindHeaderValue(const std::string& Header, const std::string& Name, int& Pos, bool Backwards,
                     int& Len);
std::string GetHeaderField(const std::string& Header, const std::string& Name, bool Backwards = false);
// Reads the fields of a name in turn: Pos moves past the field (before it
// going backwards); Pos is -1 once there is none.
std::string GetHeaderFieldAt(const std::string& Header, const std::string& Name, int& Pos,
                             bool Backwards = false);
bool HasHeaderField(const std::string& Text, const std::string& Name, bool IsHeader);
// Name at the start of Text or after CR or LF and directly followed by ":".
int FindFieldStart(const std::string& Text, const std::string& Name, int From = 1);
int FindFieldStart(const std::string& Text, const TBmPattern& Name, int From = 1);
// Case-insensitive records of two names that the engine looks for often.
const TBmPattern& ContentTypeNamePattern();
const TBmPattern& ReceivedNamePattern();
// The position just after the LF of the first "\nx-attachments:" from From.
int FindXAttachmentsLine(const std::string& Text, bool IsHeader, int From = 1);

// ---------------------------------------------------------------------------
// Changing fields
// ---------------------------------------------------------------------------
void AddHeaderField(std::string& Header, const std::string& Name, const std::string& Value,
                    bool OnlyIfAbsent = false);
void SetHeaderField(std::string& Header, const std::string& Name, const std::string& Value,
                    bool DeleteWhenEmpty = true);
void DeleteHeaderField(std::string& Header, const std::string& Name);

// ---------------------------------------------------------------------------
// Values
// ---------------------------------------------------------------------------
std::string UnfoldHeaderValue(const std::string& Value);
// Encoded words decoded (converted to CodePage when it is 1 or more), line
// breaks and control characters made blanks.
std::string DecodeHeaderValue(const std::string& Value, int CodePage);
// Encoded words decoded, NUL characters made blanks.
std::string DecodeHeaderText(const std::string& Text, int CodePage);
std::string GetParameter(const std::string& Value, const std::string& Name);
// The next address of a list from Pos; Pos moves past it.
std::string NextAddress(const std::string& List, int& Pos);
int AddressListToStrings(const std::string& List, TStrings* Strings);
std::string GetContentType(const std::string& Text, bool IsHeader, bool TypeOnly);
std::string GetEncodedWordCharset(const std::string& Value);
int GetMessageCodePage(const std::string& Text);
std::string GetDecodedField(const std::string& Name, const std::string& Text, bool IsHeader);
std::string GetFromField(const std::string& Text, bool IsHeader);
std::string GetReplyToField(const std::string& Text, bool IsHeader);
std::string GetSenderField(const std::string& Text, bool IsHeader);
std::string GetDateTextWithSource(const std::string& Text, bool IsHeader, int& Source);
std::string GetReceivedDateText(const std::string& Text, bool IsHeader);

// ---------------------------------------------------------------------------
// Words and building
// ---------------------------------------------------------------------------
std::string EncodingName(int Kind);
int TransferEncodingKind(const std::string& Word);
int DispositionKind(const std::string& Word);
std::string ContentTypeHeader(const std::string& Type, const std::string& Charset,
                              const std::string& Encoding);
std::string AddTypeParameter(const std::string& Type, const std::string& Boundary,
                             const std::string& Charset = std::string());
std::string AddCharsetParameter(const std::string& Type, const std::string& Charset);
std::string MultipartTypeLine(const std::string& Boundary, const std::string& Type);
// "Q" encoded words of Value in the charset of CodePage (the ANSI code page
// below 1); FirstLineOffset above 0 folds long values into several words.
std::string EncodeHeaderWordsQ(const std::string& Value, int CodePage, int FirstLineOffset = 0);
void BuildPartHeader(const std::string& Type, const std::string& Name, const std::string& ContentId,
                     std::string& Header, int CodePage, const std::string& Encoding);
std::string FilterHeaderForText(const std::string& Header);
bool IsHeaderFieldName(const std::string& Text);
