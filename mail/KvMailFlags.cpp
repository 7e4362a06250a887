#include "mail/KvMailFlags.h"

#include <memory>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/ResStrings.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvMimeHeaders.h"

namespace {

enum : int {
    SDraftsFolder = 21040,
    SUnsentFolder = 21041,
    SOutFolder = 21042,
    SOutboxFolder = 21043,
    SSentFolder = 21044,
    SSentItemsFolder = 21045,
    SDeletedItemsFolder = 21046,
    SJunkFolder = 21047,
    SSpamFolder = 21048,
    STrashFolder = 21049,
};

const TResStringRegistrar FolderTexts{
    {SDraftsFolder, "Drafts"},
    {SUnsentFolder, "Unsent Messages"},
    {SOutFolder, "Out"},
    {SOutboxFolder, "Outbox"},
    {SSentFolder, "Sent"},
    {SSentItemsFolder, "Sent Items"},
    {SDeletedItemsFolder, "Deleted Items"},
    {SJunkFolder, "junk"},
    {SSpamFolder, "spam"},
    {STrashFolder, "trash"},
};

const TCharSet BlanksAndControls = TCharSet::Range(0, 32);

struct TFolderNameList {
    const char* FileName;
    std::vector<int> BuiltIn;
    std::unique_ptr<TStringList> List;
};

TFolderNameList DraftsList{"Drafts.dat", {SDraftsFolder, SUnsentFolder}, nullptr};
TFolderNameList SentList{"Outgoing.dat", {SOutFolder, SOutboxFolder, SSentFolder, SSentItemsFolder}, nullptr};
TFolderNameList TrashList{"TrashFiles.dat", {SDeletedItemsFolder, SJunkFolder, SSpamFolder, STrashFolder},
                          nullptr};

// A user's list file replaces the built-in names wholesale, so an empty file
// means "no folder of this kind". Blank lines would make every unnamed
// folder match, so they are dropped.
TStrings& LoadedList(TFolderNameList& Names)
{
    if (Names.List)
        return *Names.List;
    auto list = std::make_unique<TStringList>();
    list->SetCaseSensitive(false);
    list->SetSorted(true);  // a name given twice is kept once
    const std::string file = ExeFolderPath(Names.FileName);
    if (IsExistingFile(file)) {
        TStringList lines;
        LoadStringsFromFile(file, lines);
        for (int i = 0; i < lines.Count(); ++i) {
            const std::string name = TrimCharSetStr(lines.Get(i), true, BlanksAndControls);
            if (!name.empty())
                list->Add(name);
        }
    } else {
        for (int id : Names.BuiltIn)
            list->Add(LoadResString(id));
    }
    Names.List = std::move(list);
    return *Names.List;
}

// The name without its " (n)" copy suffix, or empty when it has none.
std::string WithoutCopyNumber(const std::string& Name)
{
    if (Name.size() < 3 || Name.back() != ')')
        return std::string();
    const size_t open = Name.rfind(" (");
    if (open == std::string::npos)
        return std::string();
    const size_t first = open + 2, last = Name.size() - 1;
    if (first >= last)
        return std::string();
    for (size_t i = first; i < last; ++i)
        if (!IsDigitChar(Name[i]))
            return std::string();
    return Name.substr(0, open);
}

std::uint32_t HexValue(const std::string& Text)
{
    return static_cast<std::uint32_t>(HexToIntDef(Text, 0));
}

}  // namespace

TStrings& DraftsFolderNames() { return LoadedList(DraftsList); }
TStrings& SentFolderNames() { return LoadedList(SentList); }
TStrings& TrashFolderNames() { return LoadedList(TrashList); }

void FreeFolderNameLists()
{
    DraftsList.List.reset();
    SentList.List.reset();
    TrashList.List.reset();
}

bool FolderNameInList(const std::string& Name, const TStrings& List, TMailboxKind Kind)
{
    std::string n = ExtractFileNameNoExt(Name);
    if (Kind == mbkHotmail && n.size() >= 10 && SameTextStr(n.substr(0, 10), "Hotmail - "))
        n.erase(0, 10);
    if (List.IndexOf(n) >= 0)
        return true;
    if (IsCopyNumberedKind(Kind)) {
        const std::string base = WithoutCopyNumber(n);
        if (!base.empty())
            return List.IndexOf(base) >= 0;
    }
    return false;
}

bool IsSentFolder(const std::string& Name, TMailboxKind Kind)
{
    return FolderNameInList(Name, SentFolderNames(), Kind);
}

bool IsDraftsFolder(const std::string& Name, TMailboxKind Kind)
{
    return FolderNameInList(Name, DraftsFolderNames(), Kind);
}

bool IsTrashFolder(const std::string& Name, TMailboxKind Kind)
{
    std::string tested = Name;
    const size_t slash = Name.find('\\');
    if (slash != std::string::npos) {
        if (PathHasDrive(Name)) {
            // The folder tree's own extension marks where the top folder ends,
            // so everything below a trash folder is trash too.
            const char* ext = Kind == mbkMozilla ? ".sbd" : (IsEudoraKind(Kind) ? ".fol" : nullptr);
            if (ext) {
                const int p = FindSubStr(Name, ext, srWholeWord, 1);
                if (p > 0)
                    tested = Name.substr(0, p - 1);
            }
        } else {
            tested = Name.substr(0, slash);
        }
    }
    return FolderNameInList(tested, TrashFolderNames(), Kind);
}

TMailFlags FolderFlagsOf(const std::string& FolderName, TMailboxKind Kind)
{
    if (FolderName.empty())
        return ffNone;
    if (IsSentFolder(FolderName, Kind))
        return ffSent;
    if (IsTrashFolder(FolderName, Kind))
        return ffTrash;
    if (IsDraftsFolder(FolderName, Kind))
        return ffDrafts;
    return ffOther;
}

TMailFlags MapHexStatusFlags(const std::string& Text)
{
    // A header value arrives trimmed, so a lone word must count as well as
    // one followed by more text; else its deleted bit would be lost.
    const size_t end = Text.find_first_of(" \t");
    const std::string word = end == std::string::npos ? Text : Text.substr(0, end);
    std::uint32_t v = 0;
    if (word.size() >= 3 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X'))
        v = HexValue(word.substr(2));

    TMailFlags f = 0;
    if (v & 0x4000)
        f = 0x40800;
    if (v & 0x4000000)
        f = (v & 0x4000) ? 0x240800 : 0x240000;
    if (v & 0x400000)
        f |= 0x820000;
    if (v & 0x40)
        f |= 0x21001;
    if (v & 0x2000)
        f |= 0x20003;
    if (v & 0x8)
        f |= 0x20400;
    if (v & 0x1)
        f |= 0x30000;
    if (f == 0)
        f = 0x20001;
    if (v & 0x20000000)
        f |= mfFlagged;
    if (v & 0x10000)
        f |= mfDeleted;
    return f;
}

// ---------------------------------------------------------------------------
// Flags from header fields
// ---------------------------------------------------------------------------

TMailFlags LabelToFlag(const std::string& Label)
{
    if (Label.size() < 4 || Label.size() > 9)
        return 0;
    static const struct {
        const char* Name;
        TMailFlags Flags;
    } Labels[] = {
        {"Draft", mfDraft},  {"Deleted", mfDeleted},        {"Inbox", mfInbox},
        {"Sent", mfSent | mfSentFolder}, {"Spam", mfTrash}, {"Starred", mfFlagged},
        {"Trash", mfTrash},  {"Unread", mfUnread},
    };
    for (const auto& l : Labels)
        if (SameTextStr(Label, l.Name))
            return l.Flags;
    return 0;
}

TMailFlags GmailLabelsToFlags(const std::string& Labels)
{
    if (Labels.empty())
        return 0;
    TMailFlags f = 0;
    size_t start = 0;
    for (;;) {
        const size_t comma = Labels.find(',', start);
        const std::string label = Labels.substr(start, comma == std::string::npos ? std::string::npos
                                                                                   : comma - start);
        f |= LabelToFlag(TrimCharSetStr(label, true, BlanksAndControls));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    // A message both in the inbox and sent is one sent to oneself: it
    // belongs to neither side.
    if ((f & mfInbox) && (f & mfSentFolder))
        f &= ~(mfInbox | mfSentFolder | mfSent);
    else if (!(f & (mfDraft | mfTrash | mfSentFolder | mfInbox)))
        f |= mfOtherFolder;
    if (!(f & mfUnread))
        f |= mfRead;
    return f;
}

void MarkIfSent(const std::string& Header, TMailFlags& Flags)
{
    const TBmPattern& received = ReceivedNamePattern();
    const int first = FindFieldStart(Header, received, 1);
    bool sent = true;
    if (first > 0) {
        if (FindFieldStart(Header, received, first + 1) > 0)
            sent = false;
        else if (HasHeaderField(Header, "Authentication-Results", true) ||
                 HasHeaderField(Header, "X-AntiAbuse", true) || HasHeaderField(Header, "Newsgroups", true))
            sent = false;
        else {
            const size_t from = static_cast<size_t>(first - 1);
            const size_t eol = Header.find_first_of("\r\n", from);
            const std::string line =
                Header.substr(from, eol == std::string::npos ? std::string::npos : eol - from);
            if (line.find(" with SMTP") != std::string::npos)
                sent = false;
            else {
                const std::string labels = GetHeaderField(Header, "X-Gmail-Labels");
                if (!labels.empty() && labels.find("Sent") == std::string::npos)
                    sent = false;
            }
        }
    }
    if (sent)
        Flags |= mfSentFolder;
}

TMailFlags GetStatusFlagsFromHeaders(const std::string& Header, TMailFlags FolderFlags, bool UseCalypsoFlags)
{
    TMailFlags f = mfComputed;
    const std::string labels = GetHeaderField(Header, "X-Gmail-Labels");
    if (!labels.empty())
        return f | GmailLabelsToFlags(labels);

    const bool folderUnknown = FolderFlags == ffNone || FolderFlags == ffOther;
    if (!HasHeaderField(Header, "X-Mozilla-Status", true)) {
        if (UseCalypsoFlags) {
            const std::string calypso = GetHeaderField(Header, "X-CalypsoMsgFlags");
            if (!calypso.empty())
                return f | MapHexStatusFlags(calypso);
        }
        for (char c : GetHeaderField(Header, "Status")) {
            if (c == 'R')
                f |= mfRead;
            else if (c == 'U')
                f |= mfUnread;
        }
        for (char c : GetHeaderField(Header, "X-Status")) {
            switch (c) {
            case 'F':
            case '*': f |= mfFlagged; break;
            case 'W': f |= mfForwarded; break;
            case 'D': f |= mfDeleted; break;
            case 'A': f |= mfReplied; break;
            case 'B': f |= mfRedirected; break;
            default: break;
            }
        }
        // Replied, forwarded or redirected messages were received here.
        if (folderUnknown && !(f & (mfRedirected | mfForwarded | mfReplied)))
            MarkIfSent(Header, f);
        return f;
    }

    const std::uint32_t status = HexValue(GetHeaderField(Header, "X-Mozilla-Status"));
    f |= status;
    if (!(status & 0xF))
        f |= mfUnread;
    f |= mfMozillaStatus;
    const std::string status2Text = GetHeaderField(Header, "X-Mozilla-Status2");
    if (status2Text.empty()) {
        if (folderUnknown)
            MarkIfSent(Header, f);
        return f;
    }
    const std::uint32_t status2 = HexValue(status2Text);
    if (status2 & 0x200000)
        f |= mfDeleted;
    if (!folderUnknown)
        return f;
    if (status2 & 0x800000) {
        f |= mfRedirected;
        MarkIfSent(Header, f);
        return f;
    }
    if (FolderFlags == ffNone)
        MarkIfSent(Header, f);
    return f;
}
