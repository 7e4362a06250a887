#include "mail/KvEudoraAttach.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "classlib/ResStrings.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLists.h"
#include "foundation/KvMemIni.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvDataTables.h"
#include "mail/KvEtf2Text.h"
#include "mail/KvHtml2Text.h"
#include "mail/KvMacAnsi.h"
#include "mail/KvMimeCoding.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvMimeRender.h"
#include "mail/KvMsgParts.h"
#include "mail/KvNamedFiles.h"
#include "mail/KvReEmbedSteps.h"

namespace {

// Extra marker texts of a translated mail program; "$" stands for none.
enum : int { SExtraAttachmentMarker = 65260, SExtraEmbeddedMarker = 65261 };

const TResStringRegistrar EudoraMarkerTexts{
    {SExtraAttachmentMarker, "$"},
    {SExtraEmbeddedMarker, "$"},
};

bool IsLineBreaksOnly(const std::string& S)
{
    return S.find_first_not_of("\r\n") == std::string::npos;
}

// Opening text, its closing text, and whether an opening may carry
// attributes up to its ">".
bool RemoveTagPairs(std::string& S, const std::string& Open, const std::string& Close,
                    const TXTagCallback& Callback)
{
    bool found = false;
    int pos = 1;
    while (true) {
        const int open = SearchText(S, Open, pos);
        if (open < 1)
            break;
        found = true;
        int openLen = static_cast<int>(Open.size());
        if (Open.back() != '>') {
            const size_t gt = S.find('>', static_cast<size_t>(open - 1));
            openLen = gt == std::string::npos ? static_cast<int>(S.size()) - open + 1
                                              : static_cast<int>(gt) - open + 2;
        }
        S.erase(static_cast<size_t>(open - 1), static_cast<size_t>(openLen));
        const int close = SearchText(S, Close, open);
        if (close < 1)
            break;
        S.erase(static_cast<size_t>(close - 1), Close.size());
        pos = close;
        if (Callback) {
            const int moved = Callback(S, open, close - open);
            if (moved != 0)
                pos = open + moved - 1;
        }
    }
    return found;
}

// Folder names of one marker line.
struct TMarker {
    std::string Text;
    bool Embedded;
    bool ColonForm;
    const char* AttachFolder;
    const char* EmbedFolder;
};

// A marker counts at the text start or right after a line feed.
int FindMarkerLine(const std::string& S, const std::string& Marker, int From)
{
    int pos = From;
    while (true) {
        const size_t at = S.find(Marker, static_cast<size_t>(pos - 1));
        if (at == std::string::npos)
            return 0;
        if (at == 0 || S[at - 1] == '\n')
            return static_cast<int>(at) + 1;
        pos = static_cast<int>(at) + 2;
    }
}

// Where the marker line removed at Pos (0-based) leaves "Content-" header
// lines (folded ones with their continuations) followed by nothing but
// blank lines, they are the rest of the part header the client kept after
// it: they go with the marker line, the blank lines stay.
void CutTrailingContentLines(std::string& S, size_t Pos)
{
    size_t line = Pos;
    size_t fieldsEnd = Pos;
    bool blanks = false;
    while (line < S.size()) {
        size_t end = S.find('\n', line);
        end = end == std::string::npos ? S.size() : end + 1;
        std::string text = S.substr(line, end - line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        const size_t colon = text.find(':');
        if (text.empty()) {
            blanks = true;
        } else if (blanks) {
            return;
        } else if ((text[0] == ' ' || text[0] == '\t') && fieldsEnd > Pos) {
            fieldsEnd = end;
        } else if (text.compare(0, 8, "Content-") == 0 && colon != std::string::npos &&
                   IsHeaderFieldName(text.substr(0, colon))) {
            fieldsEnd = end;
        } else {
            return;
        }
        line = end;
    }
    S.erase(Pos, fieldsEnd - Pos);
}

// The component that held the file in a recorded path ("\", "/" or ":"
// separated), empty when the path has none.
std::string HoldingFolderName(const std::string& Path)
{
    const size_t last = Path.find_last_of("\\/:");
    if (last == std::string::npos || last == 0)
        return std::string();
    const size_t before = Path.find_last_of("\\/:", last - 1);
    const size_t start = before == std::string::npos ? 0 : before + 1;
    std::string name = Path.substr(start, last - start);
    return name.size() == 1 || (name.size() == 2 && name[1] == ':') ? std::string() : name;
}

// What a stretch of an Eudora body is, by the "<x-...>" tag around it.
enum class TSectionKind : std::uint8_t {
    Plain,         // outside any tag
    Flowed,        // <x-flowed>
    Charset,       // <x-charset>
    Enriched,      // <x-rich>
    Html,          // <x-html>
    UntaggedHtml,  // a body without tags that holds HTML tags all the same
};

bool IsHtmlSection(TSectionKind Kind) { return Kind == TSectionKind::Html || Kind == TSectionKind::UntaggedHtml; }
// Text the plain part may carry as it is.
bool IsPlainSection(TSectionKind Kind)
{
    return Kind == TSectionKind::Plain || Kind == TSectionKind::Flowed || Kind == TSectionKind::Charset;
}
// Sections whose text the marker lines may stand in.
bool MayHoldMarkers(TSectionKind Kind) { return Kind == TSectionKind::Plain || Kind == TSectionKind::UntaggedHtml; }

class TEudoraRule {
public:
    TEudoraRule(TReEmbedContext& Context, bool IsMac) : C(Context), P(Context.Parts), Mac(IsMac) {}

    void Run(const std::string& Text);

private:
    struct TSection {
        TSectionKind Kind;
        std::string Text;
    };

    void HeaderFieldForm();
    void CompleteHeader();
    void TextRule();
    std::vector<TSection> CutSections(const std::string& Body);
    void ReplaceMarkers(std::string& S);
    std::string StoreFolder() const;
    // The attachments folder "Eudora.ini" names, into P.EudoraAttachmentsFolder.
    void ReadAttachmentsSetting();
    std::string FindFile(const std::string& Recorded, const std::string& FolderName, bool Embedded, bool ColonForm);
    std::vector<std::string> MarkerFolders() const;
    void CollectContentIds();

    TReEmbedContext& C;
    TMessageParts& P;
    bool Mac;
    int AttachCount = 0;
    int EmbedCount = 0;
    bool AttachLineFound = false;
    bool EmbedLineFound = false;
    std::vector<std::string> ContentIds;
    bool IdsCollected = false;
};

std::string TEudoraRule::StoreFolder() const
{
    const std::string folder = ExcludeTrailingSlash(C.MailboxFolder);
    // A mailbox in "Mail Folder" or a folder below it: the store is the
    // folder that holds "Mail Folder", where the attachments folder lies too.
    const int at = SearchText(folder + "\\", "\\Mail Folder\\", 1);
    if (at > 0)
        return folder.substr(0, static_cast<size_t>(at));
    return C.MailboxFolder;
}

void TEudoraRule::ReadAttachmentsSetting()
{
    if (!P.EudoraAttachmentsFolder.empty())
        return;
    // Looked up once per message: a store without the file or the key is
    // not asked again for the next marker line.
    const std::string Ini = JoinPath(C.MailboxFolder, "Eudora.ini");
    std::string Folder;
    if (IsExistingFile(Ini)) {
        TMemIniFile File(Ini, true);
        Folder = File.ReadString("Settings", "AutoReceiveAttachmentsDirectory", std::string());
        if (!Folder.empty() && !FolderExists(Folder))
            Folder.clear();
    }
    P.EudoraAttachmentsFolder = Folder.empty() ? std::string(" ") : Folder;
}

std::string TEudoraRule::FindFile(const std::string& Recorded, const std::string& FolderName, bool Embedded,
                                  bool ColonForm)
{
    // A share is not even looked at: only the store's own folders count.
    if (Recorded.size() > 1 && (Recorded[0] == '\\' || Recorded[0] == '/') && (Recorded[1] == '\\' || Recorded[1] == '/'))
        return Recorded;
    std::string path = Recorded;
    if (IsExistingFile(path) || ResolveSubstPath(path, Embedded))
        return path;
    const std::string bare = ExtractFileNamePart(Recorded);
    if (P.EudoraAttachmentsFolder != " ") {
        const std::string there = JoinPath(P.EudoraAttachmentsFolder, bare);
        if (IsExistingFile(there))
            return there;
    }
    if (FindPreloaded(C.Preloaded, bare) >= 0)
        return bare;
    std::string candidate;
    const std::string drive = ExtractDriveOrShare(Recorded);
    if (PathHasDrive(Recorded) && !SameTextStr(drive, ExtractDriveOrShare(C.MailboxFolder)))
        candidate = ExtractFolder(RebasePathRoot(Recorded, ExtractDriveOrShare(C.MailboxFolder)));
    if (candidate.empty() || !FolderExists(candidate)) {
        std::string holder = HoldingFolderName(Recorded);
        if (holder.empty())
            holder = FolderName;
        candidate = JoinPath(C.MailboxFolder, holder);
        // The Macintosh store keeps its attachments folder beside the mail
        // folder, not inside it.
        const std::string beside = JoinPath(StoreFolder(), holder);
        if (ColonForm && !IsExistingFile(JoinPath(candidate, bare)) && FolderExists(beside))
            candidate = beside;
    }
    std::string file = JoinPath(candidate, bare);
    if (IsExistingFile(file) || ResolveSubstPath(file, Embedded))
        return file;
    // A Macintosh path joined onto a Windows folder names no file anyone
    // could look for; the place the file was looked for last does.
    return ColonForm ? file : Recorded;
}

// Marker lines may stand in a received message, whose files are read only
// from the store's attachment and embedded folders.
std::vector<std::string> TEudoraRule::MarkerFolders() const
{
    std::vector<std::string> folders;
    for (const std::string& base : {C.MailboxFolder, StoreFolder()})
        for (const std::string& name : {std::string("Attach"), std::string("Embedded"), LoadResString(SAttachFolder),
                                        LoadResString(SEmbeddedFolder), std::string("Attachments Folder"),
                                        std::string("Parts Folder")})
            folders.push_back(JoinPath(base, name));
    if (P.EudoraAttachmentsFolder != " ")
        folders.push_back(P.EudoraAttachmentsFolder);
    // The folders the user named for attachments and embedded files.
    TDoubleStringList& subst = SubstPaths();
    for (int i = 0; i < subst.Count(); ++i)
        if (SameTextStr(subst[i], "Attachments") || SameTextStr(subst[i], "Embedded"))
            folders.push_back(subst.GetSecond(i));
    return folders;
}

void TEudoraRule::CollectContentIds()
{
    if (IdsCollected)
        return;
    IdsCollected = true;
    const std::string& h = P.Html;
    for (size_t at = h.find("cid:"); at != std::string::npos; at = h.find("cid:", at + 4)) {
        if (at > 0) {
            const unsigned char before = static_cast<unsigned char>(h[at - 1]);
            if (!(before == '"' || before == '=' || before <= ' '))
                continue;
        }
        const size_t start = at + 4;
        const size_t end = h.find_first_of("\"> \t\r\n", start);
        const std::string id = h.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (id.empty() || SameTextStr(id, "filelist.xml") || SameTextStr(id, "oledata.mso"))
            continue;
        bool seen = false;
        for (const std::string& known : ContentIds)
            seen = seen || known == id;
        if (!seen)
            ContentIds.push_back(id);
    }
}

void TEudoraRule::ReplaceMarkers(std::string& S)
{
    std::vector<TMarker> markers;
    if (Mac)
        markers.push_back({"Attachment converted: ", false, true, "Attachments Folder", "Parts Folder"});
    markers.push_back({"Attachment Converted: ", false, false, "Attach", "Embedded"});
    const std::string extraAttach = LoadResString(SExtraAttachmentMarker);
    if (!extraAttach.empty() && extraAttach != "$")
        markers.push_back({extraAttach, false, true, "Attach", "Embedded"});
    markers.push_back({"Embedded Content: ", true, false, "Attach", "Embedded"});
    const std::string extraEmbed = LoadResString(SExtraEmbeddedMarker);
    if (!extraEmbed.empty() && extraEmbed != "$")
        markers.push_back({extraEmbed, true, true, "Attach", "Embedded"});
    if (Mac)
        markers.push_back({"Related: :", true, true, "Attachments Folder", "Parts Folder"});
    for (size_t i = 0; i < markers.size(); ++i) {
        const TMarker& m = markers[i];
        // The second and later markers of a kind are tried only while the
        // first found no line.
        const bool extra = (m.Text == "Attachment Converted: " && Mac) || m.Text == extraAttach;
        if (extra && AttachLineFound)
            continue;
        if ((m.Text == extraEmbed || m.Text == "Related: :") && EmbedLineFound)
            continue;
        int pos = 1;
        while ((pos = FindMarkerLine(S, m.Text, pos)) > 0) {
            const size_t valueStart = static_cast<size_t>(pos - 1) + m.Text.size();
            size_t lineEnd = S.find('\n', valueStart);
            const size_t cutEnd = lineEnd == std::string::npos ? S.size() : lineEnd + 1;
            if (lineEnd == std::string::npos)
                lineEnd = S.size();
            std::string value = S.substr(valueStart, lineEnd - valueStart);
            if (!value.empty() && value.back() == '\r')
                value.pop_back();
            const size_t lineStart = static_cast<size_t>(pos - 1);
            (m.Embedded ? EmbedLineFound : AttachLineFound) = true;

            std::string folderName = m.Embedded ? m.EmbedFolder : m.AttachFolder;
            if (m.ColonForm) {
                const size_t colon = m.Text.back() == ':' ? std::string::npos : value.find(':');
                if (colon != std::string::npos) {
                    value.erase(0, colon + 1);
                    if (!value.empty() && value[0] == ' ')
                        value.erase(0, 1);
                }
                // "name (TYPE/CREA) (id)": the type code may hold a "/".
                const size_t slash = value.rfind('/');
                const size_t cut = slash != std::string::npos ? value.rfind(" (", slash) : value.find(" (");
                if (cut != std::string::npos)
                    value.erase(cut);
            } else {
                const size_t sep = value.find(": ");
                if (sep != std::string::npos) {
                    value.erase(sep);
                    folderName = m.EmbedFolder;
                    if (!ContainsBackslash(value))
                        value = JoinPath(JoinPath(C.MailboxFolder, folderName), value);
                }
            }
            value = StripDoubleQuotes(value);
            if (m.ColonForm && Mac && m.Embedded)
                value = PercentDecode(value);
            if (m.ColonForm && !ContainsBackslash(value))
                value = JoinPath(JoinPath(StoreFolder(), folderName), value);
            // The folder the settings name is a store folder even where
            // the recorded path still holds.
            ReadAttachmentsSetting();
            const std::string path = FindFile(value, folderName, m.Embedded, m.ColonForm);
            // A preloaded file is taken as it is, unjudged.
            std::optional<TJudgedFile> file;
            if (FindPreloaded(C.Preloaded, ExtractFileNamePart(path)) < 0) {
                file.emplace(C.Judge.JudgeFile(path, TNamedFileTrust::SentOrStore, P.Received(), MarkerFolders()));
                if (!file->Allowed()) {
                    // A refused line stays in the text as the message had it.
                    pos = static_cast<int>(cutEnd) + 1;
                    continue;
                }
            }
            S.erase(lineStart, cutEnd - lineStart);
            CutTrailingContentLines(S, lineStart);
            std::string contentId;
            if (m.Embedded) {
                CollectContentIds();
                if (EmbedCount < static_cast<int>(ContentIds.size()))
                    contentId = ContentIds[static_cast<size_t>(EmbedCount)];
                ++EmbedCount;
            } else {
                ++AttachCount;
            }
            if (file)
                AddFileAttachment(C, std::move(*file), contentId, true);
            else
                AddPreloadedFile(C, path, contentId);
        }
    }
}

std::vector<TEudoraRule::TSection> TEudoraRule::CutSections(const std::string& Body)
{
    static const struct {
        const char* Name;
        TSectionKind Kind;
        const char* Close;
    } tags[] = {
        {"charset", TSectionKind::Charset, "\r\n</x-charset>"},
        {"flowed", TSectionKind::Flowed, "\r\n</x-flowed>"},
        {"html", TSectionKind::Html, "\r\n</x-html>"},
        {"rich", TSectionKind::Enriched, "</x-rich>"},
    };
    std::vector<TSection> sections;
    size_t pos = 0;
    size_t plainStart = 0;
    bool anyTag = false;
    while (pos < Body.size()) {
        const size_t open = Body.find("<x-", pos);
        if (open == std::string::npos)
            break;
        const size_t nameEnd = Body.find_first_of("> ", open + 3);
        if (nameEnd == std::string::npos)
            break;
        const std::string name = Body.substr(open + 3, nameEnd - open - 3);
        TSectionKind kind = TSectionKind::Plain;
        const char* close = nullptr;
        for (const auto& t : tags) {
            if (name.compare(0, strlen(t.Name), t.Name) == 0) {
                kind = t.Kind;
                close = t.Close;
                break;
            }
        }
        if (!close) {
            pos = nameEnd;
            continue;
        }
        anyTag = true;
        if (open > plainStart)
            sections.push_back({TSectionKind::Plain, Body.substr(plainStart, open - plainStart)});
        size_t contentStart = Body.find('>', open);
        contentStart = contentStart == std::string::npos ? Body.size() : contentStart + 1;
        if (Body.compare(contentStart, 2, "\r\n") == 0)
            contentStart += 2;
        std::string closeText = close;
        size_t closeAt = Body.find(closeText, contentStart);
        if (kind == TSectionKind::Enriched && closeAt != std::string::npos && closeAt >= contentStart + 2 &&
            Body.compare(closeAt - 2, 2, "\r\n") == 0) {
            closeAt -= 2;
            closeText = "\r\n" + closeText;
        }
        const size_t contentEnd = closeAt == std::string::npos ? Body.size() : closeAt;
        sections.push_back({kind, Body.substr(contentStart, contentEnd - contentStart)});
        pos = closeAt == std::string::npos ? Body.size() : closeAt + closeText.size();
        if (Body.compare(pos, 2, "\r\n") == 0)
            pos += 2;
        plainStart = pos;
    }
    if (!anyTag) {
        TSectionKind kind = TSectionKind::Plain;
        for (const char* tag : {"<br>", "<div>", "<p>", "</div>", "</p>", "<html>"})
            if (Body.find(tag) != std::string::npos)
                kind = TSectionKind::UntaggedHtml;
        sections.clear();
        sections.push_back({kind, Body});
    } else if (plainStart < Body.size()) {
        sections.push_back({TSectionKind::Plain, Body.substr(plainStart)});
    }
    std::vector<TSection> kept;
    for (TSection& s : sections) {
        if ((IsHtmlSection(s.Kind) && IsBlankText(s.Text)) || IsLineBreaksOnly(s.Text))
            continue;
        kept.push_back(std::move(s));
    }
    return kept;
}

void TEudoraRule::TextRule()
{
    std::string body = P.PlainText;
    if (P.MediaType == MimeTextHtml) {
        RemoveXHtmlTags(body);
        P.Html = body;
        P.PlainText.clear();
    } else if (P.MediaType == MimeTextEnriched) {
        RemoveXRichTags(body);
        P.Enriched = body;
        P.PlainText = body;
        const int n = EnrichedToText(P.PlainText, 1, 0);
        if (n > 0)
            P.PlainText.resize(static_cast<size_t>(n));
    } else {
        if (!RemoveXFlowedTags(body) && !RemoveXCharsetTags(body)) {
            if (RemoveXHtmlTags(body)) {
                P.Html = body;
                P.PlainText.clear();
                const std::string charset = P.Charset.empty() ? DefaultCharsetName(mcTextHtml, body) : P.Charset;
                P.SetHeaderField(FieldContentType, AddCharsetParameter(MimeTextHtml, charset));
                return;
            }
            RemoveXRichTags(body);
        }
        P.PlainText = body;
        P.ExtractUuencoded(true);
    }
}

void TEudoraRule::CompleteHeader()
{
    if (!HasHeaderField(P.Header, FieldDate, true)) {
        P.HeaderCompleted = true;
        std::string date;
        if (P.GetHeaderDate().IsValid())
            date = P.GetHeaderDate().FormatRfc822(rfcOwnZone);
        else if (P.GetSeparatorDate().IsValid())
            date = P.GetSeparatorDate().FormatRfc822(rfcOwnZone);
        if (!date.empty())
            AddHeaderField(P.Header, FieldDate, date);
    }
    AddHeaderField(P.Header, FieldMimeVersion, "1.0", true);
    if (HasHeaderField(P.Header, FieldContentType, true)) {
        P.ParseHeader(P.Header);
        return;
    }
    const std::string charset = P.Charset;
    if (P.AttachmentCount() == 0) {
        const std::string head = P.PlainText.substr(0, 256);
        const bool html = SearchText(head, "<!DOCTYPE HTML ", 1) > 0 || SearchText(head, "<HTML ", 1) > 0;
        const std::string text = P.PlainText;
        const std::string use = charset.empty() ? DefaultCharsetName(html ? mcTextHtml : mcTextPlain, text) : charset;
        SetHeaderField(P.Header, FieldContentType, AddCharsetParameter(html ? MimeTextHtml : MimeTextPlain, use));
        SetHeaderField(P.Header, FieldContentTransferEncoding, EncodingName(TextTransferKind(text)));
        P.ParseHeader(P.Header);
        if (html) {
            P.Html = text;
            P.PlainText.clear();
        }
        return;
    }
    const bool html = SearchText(P.PlainText.substr(0, 256), "<HTML", 1) > 0;
    if (html) {
        P.Html = P.PlainText;
        P.PlainText.clear();
    }
    const bool related = !P.Html.empty() && P.EmbeddedCount() == P.AttachmentCount();
    SetHeaderField(P.Header, FieldContentType,
                   AddTypeParameter(related ? MimeMultiRelated : MimeMultiMixed, MakeMessageBoundary(P.Header)));
    DeleteHeaderField(P.Header, FieldContentTransferEncoding);
    P.ParseHeader(P.Header);
    P.Charset = charset;
}

void TEudoraRule::HeaderFieldForm()
{
    // The fields list files of the sender's own disk: only a copy written
    // here may open them.
    const bool Received = P.Received();
    bool Refused = false;
    if (P.AttachmentMode != amEmbeddedOnly && P.AttachmentMode != amNone) {
        const std::string List = UnfoldHeaderValue(GetHeaderField(P.Header, "X-Attachments"));
        int Pos = 1;
        while (Pos <= static_cast<int>(List.size())) {
            std::string Entry;
            NextFieldByChar(List, Pos, ';', Entry, false);
            Entry = TrimBlanksAndQuotes(Entry);
            if (Entry.empty())
                continue;
            TJudgedFile File = C.Judge.JudgeFile(Entry, TNamedFileTrust::SentCopy, Received, {C.MailboxFolder});
            if (File.Allowed())
                AddFileAttachment(C, std::move(File), std::string(), true);
            else
                Refused = true;
        }
    }
    if (P.AttachmentMode != amNone) {
        const std::string List = UnfoldHeaderValue(GetHeaderField(P.Header, "X-EmbeddedContent"));
        int Pos = 1;
        while (Pos <= static_cast<int>(List.size())) {
            std::string Entry;
            NextFieldByStr(List, Pos, " <", Entry, false);
            Entry = TrimBlanksAndQuotes(Entry);
            const size_t Eq = Entry.rfind('=');
            if (Eq == std::string::npos)
                continue;
            // "<EID:id=path>": only the first entry keeps its "<", the
            // separator " <" took it from the others, so the id starts one
            // character later in the first entry than in the rest.
            const size_t IdStart = Entry[0] == '<' ? 5 : 4;
            const std::string Id = Eq > IdStart ? Entry.substr(IdStart, Eq - IdStart) : std::string();
            std::string Path = Entry.substr(Eq + 1);
            if (!Path.empty() && Path.back() == '>')
                Path.pop_back();
            if (!C.Judge.JudgeFile(Path, TNamedFileTrust::SentCopy, Received, {C.MailboxFolder}).Allowed()) {
                Refused = true;
                continue;
            }
            if (!ContainsBackslash(Path) || !IsExistingFile(Path)) {
                if (!ResolveSubstPath(Path, true))
                    Path = JoinPath(JoinPath(C.MailboxFolder, "Embedded"), ExtractFileNamePart(Path));
            }
            TJudgedFile File = C.Judge.JudgeFile(Path, TNamedFileTrust::SentCopy, Received, {C.MailboxFolder});
            if (File.Allowed())
                AddFileAttachment(C, std::move(File), Id, false);
            else
                Refused = true;
        }
    }
    // A refused name stays on record where the message had it.
    if (!Refused) {
        DeleteHeaderField(P.Header, "X-Attachments");
        DeleteHeaderField(P.Header, "X-EmbeddedContent");
    }
    CompleteHeader();
}

void TEudoraRule::Run(const std::string& Text)
{
    std::string text = Text;
    if (Mac) {
        size_t high = 0;
        while (high < text.size() && static_cast<unsigned char>(text[high]) < 0x80)
            ++high;
        if (high < text.size())
            MacToAnsi(text, static_cast<int>(high) + 1);
    }
    P.SplitAndParse(text);
    if (IsBlankText(P.PlainText))
        P.PlainText.clear();
    const bool hasType = HasHeaderField(P.Header, FieldContentType, true);
    if (!hasType || (P.MediaType == MimeMultiReport && HasHeaderField(P.Header, "X-Attachments", true))) {
        HeaderFieldForm();
        return;
    }
    ReplaceInStr(P.Header, "X-Attachments:", "X-Attachments2:");
    ReplaceInStr(P.Header, "X-EmbeddedContent:", "X-EmbeddedContent2:");
    P.ParseHeader(P.Header);
    // The Macintosh store keeps marker lines in text bodies too; the
    // Windows store's text messages carry none.
    if (P.MainType == "text" && !Mac) {
        TextRule();
        return;
    }
    if (P.MainType == MimeMessage)
        return;
    const std::string disposition = UnfoldHeaderValue(GetHeaderField(P.Header, FieldContentDisposition));
    const bool mayCarry = P.MainType == "application" || P.MainType == MimeMultipart ||
                          SameTextStr(TrimBlanksAndQuotes(disposition.substr(0, disposition.find(';'))), MimeAttachment) ||
                          (Mac && P.MainType == "text");
    std::vector<TSection> sections = CutSections(P.PlainText);
    P.PlainText.clear();
    TSectionKind bodyKind = TSectionKind::Plain;
    if (sections.size() >= 2 && mayCarry) {
        // Markers of the Html sections need their content ids first.
        for (const TSection& s : sections)
            if (s.Kind == TSectionKind::Html)
                P.Html += s.Text;
        for (size_t i = sections.size(); i-- > 0;) {
            if (MayHoldMarkers(sections[i].Kind)) {
                ReplaceMarkers(sections[i].Text);
                if (sections[i].Text.empty())
                    sections.erase(sections.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        P.Html.clear();
    }
    if (sections.size() == 1) {
        TSection& s = sections[0];
        bodyKind = s.Kind;
        if (mayCarry && MayHoldMarkers(s.Kind)) {
            // An HTML body names the content ids its marker lines take.
            if (s.Kind == TSectionKind::UntaggedHtml)
                P.Html = s.Text;
            ReplaceMarkers(s.Text);
            P.Html.clear();
        }
        if (IsHtmlSection(s.Kind))
            P.Html = s.Text;
        else if (s.Kind == TSectionKind::Enriched)
            P.Enriched = s.Text;
        else
            P.PlainText = s.Text;
    } else if (sections.size() >= 2) {
        int plainCount = 0;
        for (const TSection& s : sections)
            plainCount += s.Kind == TSectionKind::Plain ? 1 : 0;
        const bool pair = sections.size() == 2 && plainCount == 1 && IsPlainSection(sections[0].Kind);
        bool hasHtml = false;
        for (const TSection& s : sections)
            hasHtml = hasHtml || IsHtmlSection(s.Kind);
        for (const TSection& s : sections) {
            if (s.Kind == TSectionKind::Enriched)
                P.Enriched += s.Text;
            else if (IsHtmlSection(s.Kind))
                P.Html += s.Text;
            else if (!pair && hasHtml)
                P.Html += "<pre>\r\n" + s.Text + "\r\n</pre>";
            else
                P.PlainText += s.Text;
        }
    }
    if (sections.size() == 1 && IsHtmlSection(bodyKind) && P.AttachmentCount() == 0) {
        P.PlainText = HtmlToText(P.Html, true);
        if (P.HtmlCharset.empty())
            P.HtmlCharset = DefaultCharsetName(mcTextHtml, P.Html);
    } else if (sections.size() == 1 && bodyKind == TSectionKind::Enriched) {
        P.PlainText = P.Enriched;
        const int n = EnrichedToText(P.PlainText, 1, 0);
        if (n > 0)
            P.PlainText.resize(static_cast<size_t>(n));
    }
    if (AttachCount + EmbedCount == 0)
        return;
    if (Mac && P.MainType == "text") {
        const bool related = AttachCount == 0 && !P.Html.empty();
        std::string boundary = P.Boundary.compare(0, 2, "--") == 0 ? P.Boundary.substr(2) : P.Boundary;
        if (boundary.empty())
            boundary = MakeMessageBoundary(P.Header);
        const std::string charset = P.Charset;
        SetHeaderField(P.Header, FieldContentType,
                       AddTypeParameter(related ? MimeMultiRelated : MimeMultiMixed, boundary));
        DeleteHeaderField(P.Header, FieldContentTransferEncoding);
        P.ParseHeader(P.Header);
        P.Charset = charset;
    }
    if (AttachCount == 1 && EmbedCount == 0 &&
        SameTextStr(TrimBlanksAndQuotes(disposition.substr(0, disposition.find(';'))), MimeAttachment)) {
        SetHeaderField(P.Header, FieldContentTransferEncoding, P.Attachment(0)->TransferEncoding);
        P.ParseHeader(P.Header);
    }
}

}  // namespace

bool RemoveXHtmlTags(std::string& S) { return RemoveTagPairs(S, "<x-html>", "\r\n</x-html>", nullptr); }
bool RemoveXFlowedTags(std::string& S) { return RemoveTagPairs(S, "<x-flowed", "\r\n</x-flowed>", nullptr); }
bool RemoveXCharsetTags(std::string& S) { return RemoveTagPairs(S, "<x-charset", "\r\n</x-charset>", nullptr); }

bool RemoveXRichTags(std::string& S, const TXTagCallback& Callback)
{
    return RemoveTagPairs(S, "<x-rich>", "</x-rich>", Callback);
}

void EudoraRule(TReEmbedContext& Context, const std::string& Text, bool IsMac)
{
    TEudoraRule(Context, IsMac).Run(Text);
}
