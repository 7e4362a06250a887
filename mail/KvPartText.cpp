#include "mail/KvPartText.h"

#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvBase64.h"
#include "mail/KvEtf2Text.h"
#include "mail/KvHtml2Text.h"
#include "mail/KvMailUtils.h"
#include "mail/KvMime.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvQuotedPrintable.h"

namespace {

const char CrLf[] = "\r\n";

bool IsLetter(char C)
{
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z');
}

std::string MailLink(const std::string& Address)
{
    return "<a href=\"mailto:" + Address + "\">" + Address + "</a>";
}

}  // namespace

// ---------------------------------------------------------------------------
// Part text
// ---------------------------------------------------------------------------

void GetPartText(TKvMimeBlock& Part, TPartTextAccumulator& Acc)
{
    if (Part.ChildCount() == 0) {
        AppendPartText(Part, Acc);
        return;
    }
    if (Part.MediaClass == mcMultiAlternative) {
        const int best = BestAlternative(Part);
        if (best >= 0) {
            AppendPartText(*Part.Child(best), Acc);
            return;
        }
    }
    for (int i = 0; i < Part.ChildCount(); ++i)
        AppendPartText(*Part.Child(i), Acc);
}

void AppendPartText(TKvMimeBlock& Part, TPartTextAccumulator& Acc)
{
    if (Part.DispositionKind == dispAttachment)
        return;
    switch (Part.MediaClass) {
    case mcNone:
    case mcTextPlain:
    case mcTextOther:
        DecodePartText(Part, TPartTextMode::Plain, Acc);
        break;
    case mcTextHtml:
    case mcTextXml:
        DecodePartText(Part, TPartTextMode::Html, Acc);
        break;
    case mcTextEnriched:
    case mcTextRichText:
        DecodePartText(Part, TPartTextMode::Enriched, Acc);
        break;
    case mcMultiMixed:
    case mcMultiAlternative:
    case mcMultiRelated:
    case mcMultiSigned:
    case mcMultiEncrypted:
    case mcMultiOther:
        if (Part.ChildCount() > 0)
            GetPartText(Part, Acc);
        else
            DecodePartText(Part, TPartTextMode::Plain, Acc);
        break;
    default:
        break;
    }
}

void DecodePartText(TKvMimeBlock& Part, TPartTextMode Mode, TPartTextAccumulator& Acc)
{
    if (Acc.Charset.empty())
        Acc.Charset = Part.Charset;
    std::string body;
    if (Part.EncodingKind == encQuotedPrintable)
        body = DecodeQuotedPrintable(Part.Body, false);
    else if (Part.EncodingKind == encBase64)
        body = Base64DecodeString(Part.Body);
    else
        body = Part.Body;
    if (Acc.Utf8ToAnsi && IsUtf8Charset(Part.Charset))
        body = Utf8ToCodePage(body, 0);
    if (Mode == TPartTextMode::Html)
        body = HtmlToText(body, true);
    else if (Mode == TPartTextMode::Enriched)
        EnrichedToText(body, 1, 0);
    if (!Acc.Text.empty())
        Acc.Text += CrLf;
    Acc.Text += body;
}

int BestAlternative(const TKvMimeBlock& Part)
{
    int html = -1;
    int plain = -1;
    int enriched = -1;
    for (int i = 0; i < Part.ChildCount(); ++i) {
        const TMimeClass c = Part.Child(i)->MediaClass;
        if (c == mcTextHtml || c == mcTextXml)
            html = i;
        else if (c == mcTextPlain)
            plain = i;
        else if (c == mcTextEnriched || c == mcTextRichText)
            enriched = i;
    }
    return html >= 0 ? html : plain >= 0 ? plain : enriched;
}

// ---------------------------------------------------------------------------
// Escaping and the header summary
// ---------------------------------------------------------------------------

std::string EscapeHtml(const std::string& Text, bool KeepTags, bool KeepQuotes)
{
    std::string r;
    r.reserve(Text.size() + Text.size() / 8);
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c == '<' && !KeepTags) {
            r += "&lt;";
        } else if (c == '>' && !KeepTags) {
            r += "&gt;";
        } else if (c == '"' && !KeepTags && !KeepQuotes) {
            r += "&quot;";
        } else if (c == '&') {
            // "&" before "#" or a letter starts an entity that stays.
            const bool entity = i + 1 < Text.size() && (Text[i + 1] == '#' || IsLetter(Text[i + 1]));
            r += entity ? "&" : "&amp;";
        } else if (c == '\0' || c == '\t') {
            r += ' ';
        } else {
            r += c;
        }
    }
    return r;
}

std::string EscapeHtmlWithMailLinks(const std::string& Text)
{
    std::string result;
    std::size_t end = Text.size();  // 0-based end of the text not yet written
    std::size_t from = Text.size();
    while (from > 0) {
        const auto at = Text.rfind('@', from - 1);
        if (at == std::string::npos || at >= end)
            break;
        int start = 0;
        int len = 0;
        const std::string address = FindEmailAddress(Text, static_cast<int>(at) + 1, false, start, len);
        const std::size_t s0 = start > 0 ? static_cast<std::size_t>(start - 1) : 0;
        if (!address.empty() && s0 + static_cast<std::size_t>(len) <= end) {
            const std::size_t after = s0 + static_cast<std::size_t>(len);
            result = MailLink(address) + EscapeHtml(Text.substr(after, end - after), false, true) + result;
            end = s0;
            from = s0;
        } else {
            from = at;
        }
    }
    return EscapeHtml(Text.substr(0, end), false, true) + result;
}

void AddSummaryRow(const std::string& Name, const std::string& Value, bool LinkAddresses, bool Escape,
                   bool AlwaysAdd, THeaderSummary& Summary)
{
    if (Value.empty() && !AlwaysAdd)
        return;
    if (!Summary.Html) {
        Summary.Text += Name + ": " + Value + CrLf;
        return;
    }
    std::string v = Value;
    if (LinkAddresses)
        v = EscapeHtmlWithMailLinks(Value);
    else if (Escape)
        v = EscapeHtml(Value);
    Summary.Text += "<tr><td nowrap><b>" + Name + ":</b></td> <td width=\"100%\">" + v + "</td></tr>" + CrLf;
}

void AddAttachmentLink(const std::string& Name, int Index, const TKvMimeBlock* Part, THeaderSummary& Summary)
{
    if (Summary.LinkCount++ > 0)
        Summary.Text += "; ";
    if (!Summary.Html) {
        Summary.Text += Name.find(' ') != std::string::npos ? "\"" + Name + "\"" : Name;
        return;
    }
    std::string id = Part ? Part->ContentId : std::string();
    if (id.size() >= 2 && id.front() == '<' && id.back() == '>')
        id = id.substr(1, id.size() - 2);
    if (id.empty())
        id = Format(ContentIdTemplate, Index);
    Summary.Text += "<a href=\"cid:" + id + "\">" + EscapeHtml(Name) + "</a>";
}

std::string BuildHeaderSummary(const std::string& Subject, const std::string& Date, const std::string& From,
                               const std::string& To, const std::string& Cc, const std::string& Bcc,
                               const std::vector<TSummaryAttachment>* Attachments, bool Html)
{
    THeaderSummary rows;
    rows.Html = Html;
    AddSummaryRow(FieldSubject, Subject, false, true, true, rows);
    AddSummaryRow(FieldDate, Date, false, true, true, rows);
    AddSummaryRow("From", From, true, true, false, rows);
    AddSummaryRow("To", To, true, true, false, rows);
    AddSummaryRow("Cc", Cc, true, true, false, rows);
    AddSummaryRow("Bcc", Bcc, true, true, false, rows);
    if (Attachments) {
        THeaderSummary links;
        links.Html = Html;
        for (std::size_t i = 0; i < Attachments->size(); ++i)
            AddAttachmentLink((*Attachments)[i].Name, static_cast<int>(i) + 1, (*Attachments)[i].Part, links);
        AddSummaryRow("Attachments", links.Text, false, false, false, rows);
    }
    if (!Html)
        return rows.Text + CrLf;
    return std::string(CrLf) + HtmlSummaryStart + CrLf +
           "<table border=\"0\" style=\"font-size: 10pt; font-family: Sans-Serif; background: #ece9d8\">" + CrLf +
           rows.Text + "</table>" + CrLf + "<hr>" + CrLf + HtmlSummaryEnd + CrLf + CrLf;
}
