#include "mail/KvMimeRender.h"

#include <memory>
#include <optional>
#include <vector>

#include "classlib/ResStrings.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvBoyerMoore.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLineBreaks.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "foundation/KvTimeZones.h"
#include "mail/KvBase64.h"
#include "mail/KvDataTables.h"
#include "mail/KvHtml2Text.h"
#include "mail/KvMailNames.h"
#include "mail/KvMailUtils.h"
#include "mail/KvMime.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvNamedFiles.h"
#include "mail/KvPartText.h"
#include "mail/KvQuotedPrintable.h"

namespace {

const TResStringRegistrar Texts{
    {SCannotCreateFolder, "Cannot create folder \"%s\""},
    {SCannotSaveFile, "Cannot save file \"%s\""},
    {SAttachFolder, "Attach"},
    {SEmbeddedFolder, "Embedded"},
};

const char CrLf[] = "\r\n";
const char AgentDetachedMarker[] = "AgentDetached";
const char AttachmentDetachedMarker[] = "AttachmentDetached";

// The text ends with exactly Count line breaks, whatever it ended with.
void EndWithBreaks(std::string& Text, int Count)
{
    TrimTrailingLineBreaks(Text);
    for (int i = 0; i < Count; ++i)
        Text += CrLf;
}

// The line break before a boundary line belongs to that line, and a part
// read from a message holds it at its end: such a part's text stands as it
// is, and a text without it (one made here, or cut off) gets it.
void EndWithBreak(std::string& Text)
{
    if (Text.empty() || (Text.back() != '\n' && Text.back() != '\r'))
        Text += CrLf;
}

std::string WithBreaks(std::string Text, int Count)
{
    EndWithBreaks(Text, Count);
    return Text;
}

// A header and the empty line after it; a part without header fields is
// only that empty line.
std::string HeaderBlock(std::string Header)
{
    TrimTrailingLineBreaks(Header);
    if (!Header.empty())
        Header += CrLf;
    return Header + CrLf;
}

bool IsBlankText(const std::string& S)
{
    for (char c : S)
        if (static_cast<unsigned char>(c) > 32)
            return false;
    return true;
}

std::string Trimmed(const std::string& S)
{
    static const TCharSet blanks = TCharSet::Range(0, 32);
    return TrimCharSetStr(S, true, blanks);
}

std::string FieldValue(const std::string& Header, const char* Name)
{
    return Trimmed(UnfoldHeaderValue(GetHeaderField(Header, Name)));
}

bool IsDetachedKind(TMimePartKind Kind)
{
    return Kind == pkDetachedAttachment || Kind == pkDetachedInline;
}

// The children of a multipart, each after a boundary line, and its closing
// line. A multipart left without children (a cut-off message) is closed
// only when it is the block being written; reached through its parent it
// already stands after the parent's boundary line, and a second line of its
// own would make an empty extra part.
template <class TChildText>
void AppendMultipart(const TKvMimeBlock& Block, bool Top, std::string& Text, TChildText ChildText)
{
    if (Block.Boundary.empty())
        return;
    if (Block.ChildCount() == 0) {
        if (!Top)
            return;
        if (Block.GetParent())
            Text.insert(0, Block.Boundary + CrLf);
    }
    for (int i = 0; i < Block.ChildCount(); ++i) {
        Text += Block.Boundary;
        Text += CrLf;
        Text += ChildText(*Block.Child(i));
        EndWithBreak(Text);
    }
    Text += Block.Boundary + "--";
    if (!Top) {
        // A nested multipart's epilogue runs to its parent's next boundary
        // line, that line's break included: it stays as it was read.
        if (!Block.Epilogue.empty()) {
            Text += CrLf;
            Text += Block.Epilogue;
        }
        return;
    }
    // A closing line read from the message is followed by the message's
    // own bytes; one made here ends the message with a blank line.
    if (Block.ClosingRead) {
        if (Block.ClosingBreak || !Block.Epilogue.empty())
            Text += CrLf;
        Text += Block.Epilogue;
        return;
    }
    if (!IsBlankText(Block.Epilogue)) {
        Text += CrLf;
        Text += Block.Epilogue;
    }
    EndWithBreaks(Text, 2);
}

// The preamble as the sender wrote it, indents included, in every
// multipart, nested ones too: a rebuilt message keeps its bytes, and the
// same text read again gives the same preamble back.
void AppendPreamble(const TKvMimeBlock& Block, std::string& Text)
{
    if (Block.Boundary.empty() || IsBlankText(Block.Preamble))
        return;
    Text += Block.Preamble;
    // A preamble of our own making ends in no line break: a blank line
    // parts it from the first boundary line.
    if (Text.back() != '\n' && Text.back() != '\r')
        EndWithBreaks(Text, 2);
}

void RawText(const TKvMimeBlock& Block, bool Top, std::string& Text)
{
    if (Block.HasRawBody()) {
        Text += HeaderBlock(Block.Header) + Block.Body;
        return;
    }
    Text += HeaderBlock(Block.Header);
    AppendPreamble(Block, Text);
    if (!Block.Body.empty()) {
        Text += Block.Body;
        // A part keeps exactly its body, and so does a message of one part:
        // its copy ends as its source does. A multipart's end is made even.
        if (!Block.Boundary.empty())
            EndWithBreaks(Text, 2);
    }
    AppendMultipart(Block, Top, Text, [](const TKvMimeBlock& Child) {
        std::string t;
        RawText(Child, false, t);
        return t;
    });
}

// The file that stands for a detached part, found as the stores leave it.
struct TDetachedFile {
    bool Found = false;
    std::string Path;
    std::string InnerHeader;  // the part header kept in the body, when there is one
    bool Refused = false;     // named where it may not be read; its row is written
    std::optional<TJudgedFile> Judged;  // the file to read, once found
};

// The part header a client kept in the body of a detached part; a note to
// the reader may come first.
std::string InnerHeaderOf(const std::string& Body)
{
    std::size_t line = 0;
    while (line < Body.size()) {
        const std::size_t end = Body.find('\n', line);
        const std::size_t colon = Body.find(':', line);
        if (colon != std::string::npos && colon > line && (end == std::string::npos || colon < end) &&
            IsHeaderFieldName(Body.substr(line, colon - line)))
            return GetHeaderPart(Body, static_cast<int>(line) + 1);
        if (end == std::string::npos)
            break;
        line = end + 1;
    }
    return GetHeaderPart(Body);
}

// A copy written here may name any file. A received message may name one
// only by the absolute path a mail program writes where the user detached
// a part: a relative name resolves beside the mailbox, where the store's
// other mailboxes lie.
TJudgedFile JudgeDetached(TNamedFileJudge& Judge, const TKvMimeBlock& Block, const std::string& Path, bool Absolute,
                          bool Log)
{
    return Judge.JudgeFile(Path, Absolute ? TNamedFileTrust::AnyMessage : TNamedFileTrust::SentCopy,
                           Block.Received(), {}, Log);
}

TDetachedFile FindDetachedFile(TNamedFileJudge& Judge, const TKvMimeBlock& Block, const std::string& EmbedFolder,
                               bool Log)
{
    TDetachedFile File;
    if (!Block.ExternalFile.empty()) {
        File.Path = Block.ExternalFile;
        const bool Absolute = IsAbsoluteReference(Block.ExternalFile);
        if (!JudgeDetached(Judge, Block, Block.ExternalFile, Absolute, Log).Allowed()) {
            File.Refused = true;
            return File;
        }
        // A received message's name is not joined onto the mailbox's folder.
        File.Found = ResolveDetachedFile(Block.Received() ? std::string() : EmbedFolder, Block.ExternalFile,
                                         Block.GetPartKind() == pkDetachedAttachment, File.Path);
        if (File.Found) {
            File.Judged.emplace(JudgeDetached(Judge, Block, File.Path, Absolute, Log));
            if (!File.Judged->Allowed()) {
                File.Found = false;
                File.Refused = true;
            }
        }
        if (SameTextStr(Block.Marker, AttachmentDetachedMarker))
            File.InnerHeader = InnerHeaderOf(Block.Body);
        return File;
    }
    // A reference written by SaveAttachments: a path relative to its folder.
    File.Path = EmbedFolder.empty() ? Block.FileName : ExpandRelativePath(EmbedFolder, Block.FileName);
    // A name of characters the code page cannot hold reads with "?" in their
    // place, and names no file this program can open: that is its reason.
    if (Block.FileName.find('?') != std::string::npos &&
        (FileNameLosesCharacters(GetHeaderField(Block.Header, FieldContentType)) ||
         FileNameLosesCharacters(GetHeaderField(Block.Header, FieldContentDisposition)))) {
        Judge.RefuseUnhandledName(File.Path, Log);
        File.Refused = true;
        return File;
    }
    File.Judged.emplace(JudgeDetached(Judge, Block, File.Path, IsAbsoluteReference(Block.FileName), Log));
    if (!File.Judged->Allowed()) {
        File.Refused = true;
        return File;
    }
    File.Found = !Block.FileName.empty() && IsExistingFile(File.Path);
    if (!File.Found)
        File.Path = Block.FileName;
    File.InnerHeader = InnerHeaderOf(Block.Body);
    return File;
}

bool UsesInnerHeader(const TKvMimeBlock& Block)
{
    return Block.ExternalFile.empty() || SameTextStr(Block.Marker, AttachmentDetachedMarker);
}

std::string InnerEncoding(const std::string& InnerHeader)
{
    return TableLowerCase(FieldValue(InnerHeader, FieldContentTransferEncoding));
}

// The header and body a detached part gets back from its file.
void RestoredPart(const TKvMimeBlock& Block, TDetachedFile& File, std::string& Header, std::string& Body)
{
    Header = Block.Header;
    if (!UsesInnerHeader(Block)) {
        if (!SameTextStr(Block.Marker, AgentDetachedMarker))
            DeleteHeaderField(Header, FieldXContentFile);
        Body = EncodeAsPartBody(File.Judged->ReadAll(), Block.TransferEncoding);
    } else {
        if (Block.GetParent())
            Header = WithBreaks(File.InnerHeader, 1);
        else
            SetHeaderField(Header, FieldContentType, FieldValue(File.InnerHeader, FieldContentType));
        Body = EncodeAsPartBody(File.Judged->ReadAll(), InnerEncoding(File.InnerHeader));
    }
    EndWithBreaks(Body, 1);
}

void EmbeddedText(TNamedFileJudge& Judge, const TKvMimeBlock& Block, const std::string& EmbedFolder, bool Top,
                  std::string& Text)
{
    const bool hasContent = !Block.Body.empty() || Block.GetParent() || !Block.ExternalFile.empty();
    std::string header = Block.Header;
    std::string body = Block.Body;
    bool restored = false;
    if (hasContent && IsDetachedKind(Block.GetPartKind())) {
        TDetachedFile file = FindDetachedFile(Judge, Block, EmbedFolder, false);
        restored = file.Found;
        if (file.Found)
            RestoredPart(Block, file, header, body);
    }
    Text += HeaderBlock(header);
    AppendPreamble(Block, Text);
    // An empty body (a multipart's, its parts follow) leaves the header's
    // blank line alone. A part read from the message keeps exactly its body;
    // a file's content ends in the one break the boundary line takes, as
    // when the file is put back into the part in place.
    if (hasContent && !body.empty()) {
        Text += body;
        if (Top || restored || !Block.Boundary.empty())
            EndWithBreaks(Text, 1);
    }
    AppendMultipart(Block, Top, Text, [&](const TKvMimeBlock& Child) {
        std::string t;
        EmbeddedText(Judge, Child, EmbedFolder, false, t);
        return t;
    });
}

// The header fields of a block whose header was just rewritten, read again.
void RereadFields(TKvMimeBlock& Block)
{
    Block.Marker.clear();
    Block.ExternalFile.clear();
    Block.FileName.clear();
    Block.SetTransferEncoding(TableLowerCase(FieldValue(Block.Header, FieldContentTransferEncoding)));
    Block.ContentId = FieldValue(Block.Header, FieldContentId);
    Block.SetContentType(FieldValue(Block.Header, FieldContentType));
    Block.SetDisposition(FieldValue(Block.Header, FieldContentDisposition));
    if (Block.DispositionKind == dispNone) {
        if (!Block.ContentId.empty())
            Block.DispositionKind = dispInline;
        else if (!Block.FileName.empty())
            Block.DispositionKind = dispAttachment;
    }
}

// ---------------------------------------------------------------------------
// Saving parts to files (kinds 3 and 4)
// ---------------------------------------------------------------------------

// Inside quotes a backslash escapes the next character, so the folder
// separator of the path is doubled there; unquoted it stands as it is.
std::string QuoteIfBlank(const std::string& S)
{
    if (S.find_first_of(" \t") == std::string::npos)
        return S;
    std::string quoted = "\"";
    for (char c : S) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string ExternalBodyType(const std::string& Path)
{
    return std::string(MimeMessageExternal) + ";" + CrLf + "\taccess-type=local-file;" + CrLf +
           "\tname=" + QuoteIfBlank(Path);
}

std::string SaveFileName(const TKvMimeBlock& Block)
{
    std::string name = Block.FileName;
    const std::size_t slash = name.rfind('\\');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    if (!name.empty())
        return MakeSafeFileName(name, false);
    const std::string ext = ExtensionOfMimeType(Block.ContentType);
    return LoadResString(ext == "eml" ? SAttachedEmail : SNoName) + "." + ext;
}

// Saves the decoded part and answers the path that refers to it. Names holds
// the numbered names this message's parts met, so that many parts of one
// name don't probe every number again.
std::string SavePart(TKvMimeBlock& Block, TMimePartKind Kind, const std::string& SaveFolder, TNumberedNames& Names)
{
    if (SaveFolder.empty())
        return MakeSafeFileName(Block.FileName, false);
    const std::string sub = LoadResString(Kind == pkAttachment ? SAttachFolder : SEmbeddedFolder);
    const std::string folder = JoinPath(SaveFolder, sub);
    if (!ForceFolder(folder))
        throw EMimeRenderError(Format(LoadResString(SCannotCreateFolder), folder));
    const std::string name = SaveFileName(Block);
    const std::string first = JoinPath(folder, name);
    bool existed = Names.Knows(first);
    if (!existed && IsExistingFile(first)) {
        Names.Taken(first, first);
        existed = true;
    }
    const std::string path = existed ? GetNumberedFileName(first, &Names) : first;
    const TDateTime date = Block.GetSaveDate();
    const TDateTime local = date > 0 ? LocalTimeZone().UtcToLocal(date) : 0;
    if (!SavePartToFile(path, Block.Body, Block.TransferEncoding, local))
        throw EMimeRenderError(Format(LoadResString(SCannotSaveFile), path));
    std::string saved = path;
    if (existed && path != first && FilesAreIdentical(first, path)) {
        DeleteFileA(path.c_str());
        saved = first;
    } else if (existed) {
        Names.Taken(first, path);
    }
    return JoinPath(sub, ExtractFileNamePart(saved));
}

void SavedText(TKvMimeBlock& Block, TMailOutputKind OutputKind, const std::string& SaveFolder, bool Top,
               TNumberedNames& Names, std::string& Text)
{
    Text += HeaderBlock(Block.Header);
    AppendPreamble(Block, Text);
    if (!Block.Body.empty() || Block.GetParent()) {
        TMimePartKind kind = Block.GetPartKind();
        if (kind == pkInline && OutputKind == mokSaveAttachments)
            kind = pkBody;
        if (kind == pkAttachment || kind == pkInline) {
            const std::string reference = SavePart(Block, kind, SaveFolder, Names);
            if (Block.GetParent()) {
                Text = std::string(FieldContentType) + ": " + ExternalBodyType(reference) + CrLf + CrLf +
                       WithBreaks(Block.Header, 1);
            } else {
                std::string header = Block.Header;
                const std::string oldType = UnfoldHeaderValue(GetHeaderField(header, FieldContentType));
                SetHeaderField(header, FieldContentType, ExternalBodyType(reference));
                // The encoding now belongs to the inner header: the outer
                // body is a plain header block.
                DeleteHeaderField(header, FieldContentTransferEncoding);
                Text = HeaderBlock(header) + FieldContentType + ": " + Trimmed(oldType) + CrLf;
                if (!Block.TransferEncoding.empty())
                    Text += std::string(FieldContentTransferEncoding) + ": " +
                            TableLowerCase(Trimmed(Block.TransferEncoding)) + CrLf;
            }
        } else if (!Block.Body.empty()) {
            Text += Block.Body;
            EndWithBreaks(Text, 1);
        }
    }
    AppendMultipart(Block, Top, Text, [&](const TKvMimeBlock& Child) {
        std::string t;
        SavedText(const_cast<TKvMimeBlock&>(Child), OutputKind, SaveFolder, false, Names, t);
        EndWithBreaks(t, 2);
        return t;
    });
}

// ---------------------------------------------------------------------------
// Reduced messages (kinds 5 to 8)
// ---------------------------------------------------------------------------

// Header (with its blank line) followed by one text body of Type.
std::string SingleBody(std::string Header, const TKvMimeBlock& Block, TMailOutputKind Kind,
                       const std::string& Type, std::string Charset, std::string Body)
{
    int encoding = TextTransferKind(Body);
    const bool utf8 = IsUtf8Charset(Charset);
    if (Kind == mokPlainText || Kind == mokPlainTextAnsi) {
        if (encoding == encBase64)
            encoding = utf8 ? enc8Bit : encQuotedPrintable;
        else if (encoding == encQuotedPrintable)
            encoding = enc8Bit;
    }
    if (Kind == mokPlainTextAnsi && utf8) {
        Body = Utf8ToCodePage(Body, 0);
        Charset = SystemCharset();
    }
    if (encoding == encQuotedPrintable)
        Body = EncodeQuotedPrintable(Body);
    else if (encoding == encBase64)
        Body = Base64EncodeString(Body);
    SetHeaderField(Header, FieldContentType, AddCharsetParameter(Type, Charset));
    if (encoding != Block.EncodingKind)
        SetHeaderField(Header, FieldContentTransferEncoding, EncodingName(encoding));
    return HeaderBlock(Header) + WithBreaks(Body, 1);
}

// The HTML body with its inline parts as one multipart/related, taken from
// the parts as they stand; false when the tree offers no boundary for it.
bool RelatedSet(TKvMimeBlock& Block, std::string& Text)
{
    TKvMimeBlock* html = Block.FindBodyPart(MimeTextHtml);
    if (!html)
        return false;
    TKvMimeBlock* container = html;
    TKvMimeBlock* owner = html->GetParent();
    if (owner && owner->MediaClass != mcMultiRelated) {
        container = owner;
        owner = container->GetParent();
    }
    if (!owner || owner->Boundary.size() < 3)
        return false;
    const std::string boundary = owner->Boundary.substr(2);
    std::string set;
    auto addPart = [&](const TKvMimeBlock& Part) {
        set += "--" + boundary + CrLf + Part.Header;
        EndWithBreaks(set, 2);
        set += Part.Body;
        EndWithBreaks(set, 2);
    };
    addPart(*html);
    for (int i = container->GetIndex(); i < owner->ChildCount(); ++i) {
        const TKvMimeBlock* sibling = owner->Child(i);
        if (!sibling->ContentId.empty())
            addPart(*sibling);
    }
    set += "--" + boundary + "--";
    EndWithBreaks(set, 2);
    std::string header = Block.Header;
    SetHeaderField(header, FieldContentType, AddTypeParameter(MimeMultiRelated, boundary));
    Text = HeaderBlock(header) + WithBreaks(set, 1);
    return true;
}

void ReducedText(TKvMimeBlock& Block, TMailOutputKind Kind, std::string& Text)
{
    if (Block.MediaClass == mcTextPlain || Block.MediaClass == mcTextHtml) {
        GetRawText(Block, Text);
        return;
    }
    if (Block.HasRawBody())
        Block.Reparse();
    std::string charset;
    std::string body;
    Block.GetTextOfType(MimeTextHtml, charset, body);
    if (!body.empty()) {
        if (Block.HasInlineParts() && RelatedSet(Block, Text))
            return;
        Text = SingleBody(Block.Header, Block, Kind, MimeTextHtml, charset, body);
        return;
    }
    Block.GetTextOfType(MimeTextPlain, charset, body);
    Text = SingleBody(Block.Header, Block, Kind, MimeTextPlain, charset, body);
}

void PlainTextMessage(TKvMimeBlock& Block, TMailOutputKind Kind, std::string& Text)
{
    if (Block.HasRawBody())
        Block.Reparse();
    std::string charset;
    std::string body;
    if (Block.MediaClass == mcTextPlain) {
        Block.GetDecodedText(charset, body);
    } else if (Block.MediaClass == mcTextHtml) {
        Block.GetDecodedText(charset, body);
        if (Kind == mokPlainTextAnsi && IsUtf8Charset(charset)) {
            body = Utf8ToCodePage(body, 0);
            charset = SystemCharset();
        }
        body = HtmlToText(body, true);
    } else {
        TPartTextAccumulator acc;
        acc.Utf8ToAnsi = Kind == mokPlainTextAnsi;
        GetPartText(Block, acc);
        body = acc.Text;
        charset = acc.Charset;
    }
    Text = SingleBody(FilterHeaderForText(Block.Header), Block, Kind, MimeTextPlain, charset, body);
}

// ---------------------------------------------------------------------------
// Self-contained HTML (kind 9)
// ---------------------------------------------------------------------------

void CollectNamedBlocks(TKvMimeBlock& Block, bool All, std::vector<TKvMimeBlock*>& Named)
{
    if (!Block.FileName.empty() && (All || Block.ContentId.empty()))
        Named.push_back(&Block);
    for (int i = 0; i < Block.ChildCount(); ++i)
        CollectNamedBlocks(*Block.Child(i), All, Named);
}

std::string MadeContentId(int Position)
{
    return "<" + Format(ContentIdTemplate, Position) + ">";
}

void AssignContentIds(TKvMimeBlock& Root)
{
    std::vector<TKvMimeBlock*> named;
    CollectNamedBlocks(Root, Root.FindBodyPart(MimeTextHtml) == nullptr, named);
    TStringList names;
    names.SetSorted(true);
    names.SetDuplicates(dupAccept);
    for (TKvMimeBlock* block : named) {
        const int position = names.Add(block->FileName) + 1;
        if (block->ContentId.empty()) {
            block->ContentId = MadeContentId(position);
            block->AddHeaderField(FieldContentId, block->ContentId);
        }
    }
}

std::string PageHead(const std::string& Subject)
{
    return "<head><title>" + EscapeHtml(Subject) + "</title></head>" + CrLf;
}

void MakeHtmlPart(TKvMimeBlock& Part, const std::string& Html)
{
    if (IsBlankText(Part.Header))
        Part.Header.clear();
    Part.SetEncodingKind(encQuotedPrintable);
    Part.TransferEncoding = MimeQuotedPrintable;
    Part.SetHeader(FieldContentTransferEncoding, MimeQuotedPrintable);
    Part.MediaClass = mcTextHtml;
    Part.ContentType = MimeTextHtml;
    Part.Body = EncodeQuotedPrintable(Html);
    if (Part.Charset.empty())
        Part.Charset = MimeIso88591;
    Part.SetHeader(FieldContentType, AddCharsetParameter(MimeTextHtml, Part.Charset));
}

// The plain text body as a page of preformatted text.
void PlainToHtml(TKvMimeBlock& Plain, const std::string& Subject)
{
    std::string charset;
    std::string text;
    Plain.GetDecodedText(charset, text);
    if (MaxLineLength(text) > 120)
        text = WrapTextAtColumn(text, 120, lbkCrLf);
    std::string html = std::string("<html>") + CrLf;
    if (!Subject.empty())
        html += PageHead(Subject);
    // Text such as "a<b" or a pasted tag must read as it was written.
    html += std::string("<body>") + CrLf + "<pre>" + CrLf + EscapeHtml(text) + CrLf + "</pre>" + CrLf +
            "</body>" + CrLf + "</html>" + CrLf;
    MakeHtmlPart(Plain, html);
}

std::string NewMixedBoundary(TKvMimeBlock& Root)
{
    return MakeBoundary(Crc32OfString(Root.GetMessageIdentity()), std::string(), Root.GetDate());
}

// A single attachment without any text: the message becomes a mixed
// multipart holding that attachment.
void WrapSingleAttachment(TKvMimeBlock& Root)
{
    if (Root.ContentId.empty())
        Root.ContentId = MadeContentId(1);
    std::string header;
    BuildPartHeader(Root.ContentType, Root.FileName, StripEnclosing(Root.ContentId, '<', '>'), header, static_cast<int>(Root.GetCodePage()),
                    Root.TransferEncoding);
    SetHeaderField(header, FieldContentDisposition,
                   std::string(MimeAttachment) + ";" + CrLf + "\tfilename=\"" + Root.FileName + "\"");
    const std::string part = WithBreaks(header, 2) + Root.Body;
    Root.ContentLocation.clear();
    Root.FileName.clear();
    Root.ContentId.clear();
    Root.TransferEncoding.clear();
    Root.Charset.clear();
    Root.Body.clear();
    Root.DispositionKind = 0;
    Root.EncodingKind = 0;
    Root.MediaClass = mcMultiMixed;
    Root.ContentType = MimeMultiMixed;
    const std::string boundary = NewMixedBoundary(Root);
    SetHeaderField(Root.Header, FieldContentType, AddTypeParameter(MimeMultiMixed, boundary));
    Root.Boundary = "--" + boundary;
    DeleteHeaderField(Root.Header, FieldContentTransferEncoding);
    DeleteHeaderField(Root.Header, FieldContentDisposition);
    DeleteHeaderField(Root.Header, FieldContentId);
    Root.AddChild(part, 0);
}

std::string FirstField(const std::string& Header, std::initializer_list<const char*> Names)
{
    for (const char* name : Names) {
        const std::string v = GetHeaderField(Header, name);
        if (!Trimmed(v).empty())
            return v;
    }
    return std::string();
}

std::string SummaryOf(TKvMimeBlock& Root)
{
    const int cp = static_cast<int>(Root.GetCodePage());
    auto field = [&](const std::string& Raw) { return Trimmed(DecodeHeaderValue(UnfoldHeaderValue(Raw), cp)); };
    const std::string& h = Root.Header;
    TStringList parts;
    std::vector<TSummaryAttachment> attachments;
    if (Root.CollectParts(&parts, cpAttachments))
        for (int i = 0; i < parts.Count(); ++i)
            attachments.push_back({parts[i], static_cast<const TKvMimeBlock*>(parts.Objects(i))});
    return BuildHeaderSummary(field(GetHeaderField(h, FieldSubject)), field(GetHeaderField(h, FieldDate)),
                              field(FirstField(h, {"From", "Sender", "X-Sender", "Return-Path"})),
                              field(GetHeaderField(h, "To")), field(GetHeaderField(h, "Cc")),
                              field(GetHeaderField(h, "Bcc")), attachments.empty() ? nullptr : &attachments,
                              true);
}

std::string EncodedFor(const TKvMimeBlock& Part, const std::string& Text)
{
    return Part.EncodingKind == encQuotedPrintable ? EncodeQuotedPrintable(Text) : Text;
}

}  // namespace

// ---------------------------------------------------------------------------
// Public operations
// ---------------------------------------------------------------------------

void GetRawText(const TKvMimeBlock& Block, std::string& Text)
{
    Text.clear();
    RawText(Block, true, Text);
}

std::string GetRawText(const TKvMimeBlock& Block)
{
    std::string text;
    GetRawText(Block, text);
    return text;
}

void GetTextWithEmbeddedFiles(const TKvMimeBlock& Block, const std::string& EmbedFolder, std::string& Text)
{
    Text.clear();
    // The refusals of a copy written out are counted nowhere: the message
    // was rebuilt, and its refusals counted, before.
    TNamedFileJudge Judge;
    EmbeddedText(Judge, Block, EmbedFolder, true, Text);
}

void SaveAttachments(const TKvMimeBlock& Block, TMailOutputKind Kind, const std::string& SaveFolder,
                     std::string& Text)
{
    Text.clear();
    TNumberedNames names;
    SavedText(const_cast<TKvMimeBlock&>(Block), Kind, SaveFolder, true, names, Text);
}

bool ResolveDetachedFile(const std::string& BaseFolder, const std::string& Path, bool IsAttachment,
                         std::string& FullPath)
{
    if (!Path.empty() && IsExistingFile(Path)) {
        FullPath = Path;
        return true;
    }
    if (!BaseFolder.empty()) {
        const std::size_t last = Path.rfind('\\');
        const std::size_t secondLast =
            last == std::string::npos || last == 0 ? std::string::npos : Path.rfind('\\', last - 1);
        const std::string tail = secondLast == std::string::npos ? ExtractFileNamePart(Path)
                                                                 : Path.substr(secondLast + 1);
        const std::string candidate = JoinPath(BaseFolder, tail);
        if (!tail.empty() && IsExistingFile(candidate)) {
            FullPath = candidate;
            return true;
        }
    }
    std::string substituted = Path;
    if (ResolveSubstPath(substituted, !IsAttachment)) {
        FullPath = substituted;
        return true;
    }
    FullPath = Path;
    return false;
}

void EmbedDetachedFiles(TKvMimeBlock& Block, const std::string& EmbedFolder, TNamedFileJudge& Judge,
                        std::string& Missing)
{
    if (!IsDetachedKind(Block.GetPartKind())) {
        for (int i = 0; i < Block.ChildCount(); ++i)
            EmbedDetachedFiles(*Block.Child(i), EmbedFolder, Judge, Missing);
        return;
    }
    TDetachedFile file = FindDetachedFile(Judge, Block, EmbedFolder, true);
    if (file.Refused)
        return;
    if (!file.Found) {
        Missing += (Missing.empty() ? "" : "; ") + file.Path;
        return;
    }
    RestoredPart(Block, file, Block.Header, Block.Body);
    RereadFields(Block);
}

void ConvertToHtmlMessage(TKvMimeBlock& Block)
{
    AssignContentIds(Block);
    const std::string subject = Block.GetSubject();
    TKvMimeBlock* html = Block.FindBodyPart(MimeTextHtml);
    const bool hadHtml = html != nullptr;
    if (!html) {
        if (TKvMimeBlock* plain = Block.FindBodyPart(MimeTextPlain)) {
            PlainToHtml(*plain, subject);
            html = plain;
        }
    }
    if (!html) {
        if (Block.ChildCount() == 0) {
            if (!Block.IsAttachment())
                return;
            WrapSingleAttachment(Block);
        }
        if (Block.Boundary.empty())
            return;
        const std::string page = std::string("<html>") + CrLf + PageHead(subject) + "<body>" + CrLf + "</body>" +
                                 CrLf + "</html>" + CrLf;
        html = Block.AddChild(ContentTypeHeader(MimeTextHtml, std::string(), MimeQuotedPrintable) + CrLf +
                                  EncodeQuotedPrintable(page),
                              0);
    }
    html->Base64ToQuotedPrintable();

    std::string summary = SummaryOf(Block);
    const int bodyStart = HtmlBodyStart(html->Body);
    if (bodyStart == 1 && !html->Charset.empty())
        summary = "<head><meta charset=\"" + html->Charset + "\"></head>" + summary;
    html->InsertIntoBody(summary, bodyStart);

    if (!hadHtml)
        return;
    if (SetHtmlTitle(html->Body, EncodedFor(*html, EscapeHtml(subject))) && !html->Charset.empty()) {
        const int head = PosTextFrom("<head>", html->Body);
        if (head > 0)
            html->Body.insert(static_cast<std::size_t>(head - 1 + 6),
                              EncodedFor(*html, "<meta charset=\"" + html->Charset + "\">") + CrLf);
    }
}

void GetConvertedText(TKvMimeBlock& Block, TMailOutputKind Kind, TFromLineKind FromKind, TDateTime Date,
                      TMailboxKind FormatKind, const std::string& EmbedFolder, const std::string& SaveFolder,
                      std::string& Text)
{
    Text.clear();
    switch (Kind) {
    case mokRaw:
        if (Block.HasDetachedParts())
            GetTextWithEmbeddedFiles(Block, EmbedFolder, Text);
        else
            GetRawText(Block, Text);
        break;
    case mokSaveAttachments:
    case mokSaveAllParts:
        if (Block.HasRawBody())
            Block.Reparse();
        SaveAttachments(Block, Kind, SaveFolder, Text);
        break;
    case mokReduced:
    case mokReducedAlt:
        ReducedText(Block, Kind, Text);
        break;
    case mokPlainText:
    case mokPlainTextAnsi:
        PlainTextMessage(Block, Kind, Text);
        break;
    case mokHtmlMessage:
        if (Block.MediaClass == mcMessagePartial || Block.MediaClass == mcMultiDigest) {
            GetRawText(Block, Text);
        } else {
            std::unique_ptr<TKvMimeBlock> copy = TKvMimeBlock::CreateCopy(Block, nullptr);
            ConvertToHtmlMessage(*copy);
            GetRawText(*copy, Text);
        }
        break;
    default:
        return;
    }
    if (Text.empty())
        return;

    const TFromLineKind present = GetFromLineKind(Text);
    if (present == FromKind) {
        if ((FormatKind == mbkPine || FormatKind == mbkCalypso) && FromKind != flkNone)
            EscapeFromLines(Text, 6);
        return;
    }
    SetFromLineKind(Text, FromKind, Date);
    if (FromKind == flkDigest)
        Block.IdentityDigest = GetMessageIdentityDigest(Text, false);
}
