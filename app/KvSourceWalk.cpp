#include "app/KvSourceWalk.h"

#include <windows.h>

#include <unordered_set>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Cleanup.h"
#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvBase.h"
#include "foundation/KvFileFinder.h"
#include "foundation/KvFileProbes.h"
#include "foundation/KvFiles.h"
#include "foundation/KvStrings.h"
#include "mail/KvEudora.h"
#include "mail/KvMailboxHead.h"
#include "app/KvConvert.h"

namespace {

// The folder a search entry ("C:\Mail\*.mbx") searches; empty for a mask
// alone.
std::string SearchFolderOf(const std::string& Entry)
{
    const int Slash = LastCharPos('\\', Entry);
    return Entry.substr(0, static_cast<size_t>(Slash > 0 ? Slash - 1 : 0));
}

}  // namespace

TLogText LogNameOf(const std::string& Path)
{
    TLogText Name = TLogText::FromWide(LongPathOf(Path));
    if (!Name.Wide.empty())
        Name.Ansi += " (" + Path + ")";
    return Name;
}

std::string MailboxDataFile(const TConvertSettings& Settings, const std::string& Found)
{
    if (Settings.GetMailboxFileOf(Found) == Found)
        return Found;
    // The finder gives a name the code page cannot carry by its short form;
    // the data file has a short name of its own.
    return DerivedFilePath(Found, [&](const std::string& Name) { return Settings.GetMailboxFileOf(Name); });
}

bool IsEmptyMailbox(const TConvertSettings& Settings, const std::string& FileName, const std::string& Data,
                    std::string& Reason, bool& Unreadable)
{
    bool Created = false;
    Unreadable = false;
    if (DiskFileProblem(Data, GENERIC_READ, OPEN_EXISTING, Created) == NotADiskFile) {
        Reason = std::string("Mailbox cannot be read: ") + NotADiskFile;
        Unreadable = true;
        return false;
    }
    if (MailFormatReader(Settings.SourceFormat) == TMailReader::EudoraIndex &&
        GetFileSizeByName(FileName) > EudoraHeaderSize) {
        Reason = "Mailbox data file is empty, but its index lists messages";
        return false;
    }
    return true;
}

TSourceWalk::TSourceWalk(TConvertSettings& Settings, const TStringList* SkipFolders, const std::atomic<bool>& Aborted,
                         std::function<void(int)> Found)
    : FSettings(Settings), FSkipFolders(SkipFolders), FAborted(Aborted), FFound(std::move(Found)),
      FFinder(std::make_unique<TFileFinder>())
{
    FFinder->OnAcceptFile = [this](TFileFinder*, const std::string& Name, bool& Accept) {
        // A file that fails the look is the mailbox's own to say why.
        try {
            AcceptFile(Name, Accept);
        } catch (const std::exception&) {
            Accept = true;
        }
    };
    FFinder->OnAcceptFolder = [this](TFileFinder*, const std::string& Name, bool& Accept) { AcceptFolder(Name, Accept); };
    FFinder->OnFile = [this](TFileFinder* Sender, const std::string& Name) {
        if (!FAborted && !FStopped)
            AddMailbox(Name);
        Sender->Abort = FAborted || FStopped;
    };
    FFinder->OnSkip = [this](TFileFinder*, const std::string& Name, const std::string& Reason) {
        AddLine(Name, "Not searched: " + Name + " (" + Reason + ")",
                Reason != TFileFinder::RevisitReason && Reason != TFileFinder::CompatLinkReason);
    };
    FFinder->OnFolderError = [this](TFileFinder*, const std::string& Folder, DWORD Error) {
        AddLine(Folder, "Folder cannot be opened: " + LogNameOf(Folder) + ": " + SystemErrorText(Error), true);
        AddLine(Folder, TLogText(), false);
    };
    // Mailboxes restored from a CD or a backup are read-only; they are
    // still mailboxes.
    FFinder->Attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
}

TSourceWalk::~TSourceWalk() = default;

void TSourceWalk::Walk(const TSink& Sink)
{
    FSink = Sink;
    FStopped = false;
    FSteps.clear();
    FSourcesBySize.clear();
    FSizesListed = false;
    FMailboxes = 0;
    FFinder->Recursive = FSettings.IncludeSubfolders;
    for (int I = 0; I < FSettings.SourceCount && !FAborted && !FStopped; ++I)
        WalkEntry(I);
    FSettings.SetCurrentIndex(-1);
    FSink = nullptr;
}

void TSourceWalk::ListNamedSources()
{
    FNamed.clear();
    FSourcesBySize.clear();
    FSizesListed = false;
    for (int I = 0; I < FSettings.SourceCount; ++I) {
        FSettings.SetCurrentIndex(I);
        const std::string Name = FSettings.GetSourceEntry();
        if (!IsSourcePattern(Name)) {
            FNamed.emplace_back(I, Name);
            continue;
        }
        if (const std::string Owner = OwnerOf(SearchFolderOf(Name)); !Owner.empty())
            FNamed.emplace_back(I, Owner);
    }
    FSettings.SetCurrentIndex(-1);
}

namespace {

// The identities of Folder and of each folder above it.
std::set<TFileIdentity> FolderChain(const std::string& Folder)
{
    std::set<TFileIdentity> Chain;
    std::wstring Path = LongFullPathOf(ExcludeTrailingSlash(Folder));
    for (;;) {
        if (TFileIdentity Id; FileIdentityOf(PrefixedPath(Path), Id))
            Chain.insert(Id);
        const size_t Slash = Path.find_last_of(L'\\');
        if (Slash == std::wstring::npos)
            break;
        if (Slash + 1 <= PathRootLength(Path)) {
            if (TFileIdentity Id; Slash + 1 < Path.size() && FileIdentityOf(PrefixedPath(Path.substr(0, Slash + 1)), Id))
                Chain.insert(Id);
            break;
        }
        Path.erase(Slash);
    }
    return Chain;
}

}  // namespace

bool TSourceWalk::SearchMeets(const std::string& Folder)
{
    const std::set<TFileIdentity> Chain = FolderChain(Folder);
    TFileIdentity Own;
    const bool Known = FileIdentityOf(LongPathForm(ExcludeTrailingSlash(Folder)), Own);
    bool Meets = false;
    for (int I = 0; I < FSettings.SourceCount && !Meets; ++I) {
        FSettings.SetCurrentIndex(I);
        const std::string Name = FSettings.GetSourceEntry();
        if (!IsSourcePattern(Name))
            continue;
        const std::string Root = SearchFolderOf(Name);
        TFileIdentity RootId;
        Meets = (FileIdentityOf(LongPathForm(ExcludeTrailingSlash(Root)), RootId) && Chain.count(RootId) != 0) ||
                (Known && FolderChain(Root).count(Own) != 0);
    }
    FSettings.SetCurrentIndex(-1);
    return Meets;
}

std::string TSourceWalk::OwnerOf(const std::string& Folder) const
{
    if (FSettings.SubfolderExt.empty() || !HasFileExt(Folder, FSettings.SubfolderExt))
        return std::string();
    // From the folder's long name: its short one is no other file's.
    const std::string Owner = DerivedFilePath(Folder, [&](const std::string& Base) {
        return SetFileExt(Base, MailFormatExtension(FSettings.SourceFormat, false));
    });
    // A device name ("CON" of "CON.sbd") is there to the plain form
    // whether the file is or not.
    const bool There = IsDeviceFileName(ExtractFileNamePart(Owner)) ? IsExistingWideFile(AnsiToWideStr(Owner))
                                                                     : IsExistingFile(Owner);
    return There ? Owner : std::string();
}

void TSourceWalk::WalkEntry(int Entry)
{
    FEntry = Entry;
    FSettings.SetCurrentIndex(Entry);
    const std::string Name = FSettings.GetSourceEntry();
    if (!IsSourcePattern(Name)) {
        AddMailbox(Name);
        return;
    }
    const std::string Folder = SearchFolderOf(Name);
    const std::string Mask = Name.substr(static_cast<size_t>(LastCharPos('\\', Name)));
    // A Mozilla sub-folder is the overflow of the mailbox beside it
    // (Inbox.sbd of Inbox): that mailbox is the user's choice too.
    if (const std::string Owner = OwnerOf(Folder); !Owner.empty())
        AddMailbox(Owner);
    if (!FStopped)
        Search(Folder, Mask);
}

void TSourceWalk::Search(const std::string& Folder, const std::string& Mask)
{
    // The search lists nothing of a folder it cannot find or open, and the
    // run would end on four zeros without a word of why.
    if (!Folder.empty()) {
        // A folder named as a device ("CON.sbd") is the device to the plain
        // form; the "\\?\" form finds the folder, and its mailboxes open
        // by paths that go on below it.
        const std::string Name = ExtractFileNamePart(Folder);
        const bool Device = IsDeviceFileName(Name);
        const DWORD Attr = GetFileAttributesW(
            (Device ? PrefixedPath(FullPlainPath(AnsiToWideStr(Folder))) : LongPathForm(Folder)).c_str());
        if (Attr == INVALID_FILE_ATTRIBUTES || !(Attr & FILE_ATTRIBUTE_DIRECTORY)) {
            AddLine(Folder,
                    "Folder not found: " + LogNameOf(Folder) +
                        (Device ? " (" + Name + " is a device name)" : std::string()),
                    true);
            AddLine(Folder, TLogText(), false);
            return;
        }
        WIN32_FIND_DATAW Entry;
        const TFindHandle Find(FindFirstFileW(LongPathForm(AddTrailingBackslash(Folder) + "*").c_str(), &Entry));
        if (const DWORD Error = Find.Valid() ? 0 : GetLastError(); Error != 0 && Error != ERROR_FILE_NOT_FOUND) {
            FFinder->OnFolderError(FFinder.get(), Folder, Error);
            return;
        }
    }
    FFinder->Abort = false;
    FFinder->SetFileMask(Mask);
    FFinder->OnFolderFiles = nullptr;
    if (!FSettings.SubfolderExt.empty())
        FFinder->OnFolderFiles = [this](TFileFinder*, const std::string& In, const std::vector<std::string>& Files,
                                        const std::vector<std::string>& Matched) {
            ReportUnindexedMailboxes(In, Files, Matched);
        };
    FFinder->Execute(Folder);
}

void TSourceWalk::AddMailbox(const std::string& Name)
{
    TSourceStep Step;
    Step.Entry = FEntry;
    Step.Name = Name;
    Add(std::move(Step));
    if (FFound && !FSink)
        FFound(++FMailboxes);
}

void TSourceWalk::AddLine(const std::string& Name, const TLogText& Line, bool Counted)
{
    TSourceStep Step;
    Step.Kind = TSourceStep::TKind::Line;
    Step.Entry = FEntry;
    Step.Name = Name;
    Step.Line = Line;
    Step.Counted = Counted;
    Add(std::move(Step));
}

void TSourceWalk::Add(TSourceStep&& Step)
{
    if (FStopped)
        return;
    if (FSink) {
        // The step is read before the walk goes on: the current entry is
        // the step's own again after it.
        const int Walking = FSettings.CurrentIndex;
        if (Step.Kind == TSourceStep::TKind::Mailbox) {
            FSteps.push_back(Step);
            if (FSizesListed)
                AddSizes(Step.Name);
        }
        FStopped = !FSink(Step);
        if (FSettings.CurrentIndex != Walking)
            FSettings.SetCurrentIndex(Walking);
        return;
    }
    FSteps.push_back(std::move(Step));
}

void TSourceWalk::AcceptFile(const std::string& Found, bool& Accept) const
{
    const std::string Data = MailboxDataFile(FSettings, Found);
    // A mailbox that cannot be read (held open by its mail program, a
    // device name) gets its line from its reading instead of vanishing.
    if (IsDeviceFile(Data)) {
        Accept = true;
        return;
    }
    // Found through its index, the file is meant as a mailbox: one that is
    // none gets its line, row and error as when it is given by hand. An
    // index left without its mailbox, and an empty mailbox, pass unsaid.
    if (!SamePathName(Data, Found)) {
        // An index named on another system with characters Windows does not
        // allow comes by its short name, but its data file by no name: it is
        // no index left without its mailbox, and gets its row.
        if (HasForbiddenNameChars(NameOnDisk(Found))) {
            Accept = true;
            return;
        }
        std::string Reason;
        bool Unreadable = false;
        Accept = IsExistingFile(Data) &&
                 (GetFileSizeByName(Data) != 0 || !IsEmptyMailbox(FSettings, Found, Data, Reason, Unreadable));
        return;
    }
    std::string Head;
    Accept = ReadMailboxHead(Data, Head) == 0 ? SniffHead(Head) == TMailboxSniff::Mbox : IsExistingFile(Data);
}

bool TSourceWalk::IsOnSkipList(const std::string& Name) const
{
    return FSkipFolders && FSkipFolders->IndexOf(Name) >= 0;
}

void TSourceWalk::AcceptFolder(const std::string& Folder, bool& Accept)
{
    Accept = !FAborted;
    if (Accept && FSettings.SkipTrashJunk && FSkipFolders) {
        std::string Name = ExtractFileNamePart(ExcludeTrailingSlash(Folder));
        if (!FSettings.SubfolderExt.empty())
            Name = RemoveFileExt(Name, FSettings.SubfolderExt);
        Accept = !IsOnSkipList(Name);
    }
}

void TSourceWalk::ReportUnindexedMailboxes(const std::string& Folder, const std::vector<std::string>& Files,
                                           const std::vector<std::string>& Matched)
{
    // Mozilla mail programs find their mailboxes through the index beside
    // each one; a mailbox without one is not the search's to convert, but
    // the user learns of it and can add it by hand. One the user's own
    // pattern names (*.mbox, *) is the search's: no row calls it skipped.
    // The folder's mailboxes are read after this: what is found here was
    // there before the run.
    const std::string IndexExt = MailFormatExtension(FSettings.SourceFormat, false);
    std::unordered_set<std::string> Keys, Named;
    for (const std::string& Name : Files)
        Keys.insert(PathNameKey(Name));
    for (const std::string& Name : Matched)
        Named.insert(PathNameKey(Name));
    for (const std::string& Name : Files) {
        if (HasFileExt(Name, IndexExt) || Named.count(PathNameKey(Name)) != 0)
            continue;
        // Listed beside it by the same name. A short name may be another
        // file's long one: the index carries the mailbox's long name.
        if (ExtractFileNamePart(Name).find('~') == std::string::npos &&
            Keys.count(PathNameKey(Name + "." + IndexExt)) != 0)
            continue;
        if (IsExistingWideFile(LongPathOf(Name) + L"." + AnsiToWideStr(IndexExt)))
            continue;
        // A name Windows does not allow reaches its index by no path: the
        // index is looked for in the folder's listing.
        if (HasEntryNamed(Folder, NameOnDisk(Name) + L"." + AnsiToWideStr(IndexExt)))
            continue;
        if (SniffMailboxFile(Name) == TMailboxSniff::Mbox)
            AddLine(Name, "Mailbox without an index file skipped (add it by hand to convert it): " + LogNameOf(Name),
                    true);
    }
}

void TSourceWalk::AddSizes(const std::string& Name)
{
    const std::string Data = MailboxDataFile(FSettings, Name);
    for (const std::string& File : {Name, Data}) {
        const std::int64_t Size = GetFileSizeByName(File);
        if (Size >= 0)
            FSourcesBySize.emplace(Size, File);
        if (Data == Name)
            break;
    }
}

void TSourceWalk::ListSourceSizes()
{
    FSizesListed = true;
    FSourcesBySize.clear();
    // Asked while a mailbox is read: its entry is the current one again
    // after.
    const int Reading = FSettings.CurrentIndex;
    int Current = -1;
    const auto AddOf = [&](int Entry, const std::string& Name) {
        if (Entry != Current)
            FSettings.SetCurrentIndex(Current = Entry);
        AddSizes(Name);
    };
    for (const auto& [Entry, Name] : FNamed)
        AddOf(Entry, Name);
    for (const TSourceStep& Step : FSteps)
        if (Step.Kind == TSourceStep::TKind::Mailbox)
            AddOf(Step.Entry, Step.Name);
    FSettings.SetCurrentIndex(Reading);
}

bool TSourceWalk::IsSource(const std::wstring& Path)
{
    TFileIdentity Id;
    WIN32_FILE_ATTRIBUTE_DATA Data;
    const std::wstring Prefixed = PrefixedPath(FullPlainPath(Path));
    if (!GetFileAttributesExW(Prefixed.c_str(), GetFileExInfoStandard, &Data) ||
        (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !FileIdentityOf(Prefixed, Id))
        return false;
    if (!FSizesListed)
        ListSourceSizes();
    const std::int64_t Size =
        static_cast<std::int64_t>(Data.nFileSizeHigh) << 32 | static_cast<std::int64_t>(Data.nFileSizeLow);
    const auto [From, To] = FSourcesBySize.equal_range(Size);
    for (auto It = From; It != To; ++It)
        if (TFileIdentity Other; FileIdentityOf(LongPathForm(It->second), Other) && Other == Id)
            return true;
    return false;
}
