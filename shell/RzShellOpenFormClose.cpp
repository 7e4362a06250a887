// Closing the open/save form with OK: a typed mask filters the list, a
// typed folder is entered, and names are combined, completed and checked
// before the form hands them on.
#include "shell/RzShellOpenForm.h"

#include <unordered_map>

#include "classlib/Dialogs.h"
#include "classlib/PathForms.h"
#include "classlib/SysUtils.h"

namespace {

enum class TNameVerdict : unsigned char { Accept, Skip, Refuse };

bool IsExistingFolder(const std::string& Path)
{
    const DWORD A = FileAttributesAnyLength(Path);
    return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY);
}

bool SameTextIgnoringCase(const std::string& A, const std::string& B)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, A.data(), static_cast<int>(A.size()), B.data(),
                          static_cast<int>(B.size())) == CSTR_EQUAL;
}

} // namespace

bool TRzShellOpenSaveForm::ShowFormMessage(TRzFormMessageKind Kind, const std::string& Text)
{
    TMessageDlgRequest Request;
    Request.Msg = Text;
    Request.Caption = Caption();
    Request.HelpCtx = 0;
    switch (Kind) {
    case TRzFormMessageKind::Warning:
        Request.DlgType = mtWarning;
        Request.Buttons = mbOKOnly;
        break;
    case TRzFormMessageKind::WarningQuestion:
        Request.DlgType = mtWarning;
        Request.Buttons = mbYesNo;
        break;
    case TRzFormMessageKind::ConfirmQuestion:
        Request.DlgType = mtConfirmation;
        Request.Buttons = mbYesNo;
        break;
    }
    return MessageDlg(Request) == mrYes;
}

void TRzShellOpenSaveForm::FormCloseQuery(TObject*, bool& CanClose)
{
    if (ModalResult() != mrOk)
        return;
    FlushSelectedNames();
    const std::string Text = edtFileName->Text();
    // A folder chosen in the list with no name typed since is entered; a
    // typed name wins over it.
    if ((FNameFromList || Text.find_first_not_of(" \t") == std::string::npos) &&
        ListView_GetSelectedCount(ShellList->Handle()) == 1)
        if (TRzShellListData* D = ShellList->SelectedData(); D && D->IsFolder()) {
            CanClose = false;
            ShellList->OpenSelected();
            return;
        }
    // A name written from the list is an item, never a mask.
    if (!FNameFromList && HasWildcard(SplitFolderAndName(Text).Name)) {
        CanClose = false;
        ApplyTypedMask(Text);
        return;
    }
    CanClose = ValidateText(Text);
    if (CanClose && !(FOptions & osoNoChangeDir)) {
        const std::string Shown = ListFolderPath();
        if (!Shown.empty())
            SetCurrentDirectoryA(Shown.c_str());
    }
}

// A typed mask keeps the form open: its folder part is entered, and the
// mask filters the list until a type is chosen again.
void TRzShellOpenSaveForm::ApplyTypedMask(const std::string& Text)
{
    const TRzFolderAndName Parts = SplitFolderAndName(Text);
    if (!Parts.Folder.empty()) {
        ValidateText(Parts.Folder);
        FAcceptedFiles->Clear();
    }
    FTypedMask = Parts.Name;
    ShellList->SetFileFilter(FTypedMask);
    ShellList->FillList();
    edtFileName->SetText(FTypedMask);
    edtFileName->SelectAll();
}

bool TRzShellOpenSaveForm::ValidateText(const std::string& Text)
{
    FAcceptedFiles->Clear();
    const std::vector<std::string> Names =
        Text.find('"') != std::string::npos ? SplitQuotedFileNames(Text) : std::vector<std::string>{Text};
    if (Names.empty())
        return false;
    // The text is looked at once, however many names it holds.
    if (!(FOptions & osoNoValidate) && !IsValidFileNameText(Text)) {
        ShowFormMessage(TRzFormMessageKind::Warning, FormatFormMessage(SRzInvalidFileName, Text));
        return false;
    }
    const std::string Base = ListFolderPath();
    const bool Single = Names.size() == 1;
    // Names written from the list's selection are its own items: what the
    // listing found of each stands. Asked of the shell and the disk, each
    // name would cost a read of the whole folder.
    std::unordered_map<std::string, DWORD> Listed;
    if (FNameFromList && !Single)
        for (const TSelectedFile& File : SelectedFiles())
            if (File.Attributes != INVALID_FILE_ATTRIBUTES)
                Listed.emplace(File.Name, File.Attributes);
    for (const std::string& Name : Names) {
        const auto Found = Listed.find(Name);
        std::string FullName;
        if (!ValidateName(Name, Base, Single, Found == Listed.end() ? nullptr : &Found->second, FullName)) {
            FAcceptedFiles->Clear();
            return false;
        }
        if (!FullName.empty())
            FAcceptedFiles->Add(FullName);
    }
    return FAcceptedFiles->Count() > 0;
}

// False when the name refuses the close; an empty FullName on true skips it.
// ListedAttributes, for a name that is one of the list's files, are what
// the listing found of it.
bool TRzShellOpenSaveForm::ValidateName(const std::string& Name, const std::string& BaseFolder, bool Single,
                                        const DWORD* ListedAttributes, std::string& FullName)
{
    FullName.clear();
    const TRzCombinedName Combined = CombineWithBaseFolder(BaseFolder, Name);
    if (Combined.Result == TRzCombineResult::Empty)
        return true;
    if (Combined.Result == TRzCombineResult::TooLong) {
        // Cut to the limit it would name another file, and the overwrite
        // question would be asked about that one.
        ShowFormMessage(TRzFormMessageKind::Warning, FormatFormMessage(SRzInvalidFileName, Name));
        return false;
    }
    std::string Full = Combined.FullName;

    // A folder typed (or reached with dots) is entered instead of accepted.
    TComPtr<IShellFolder> Desktop;
    if (!ListedAttributes && SUCCEEDED(ShellGetDesktopFolder(Desktop))) {
        std::wstring Wide = AnsiToWide(Full);
        ULONG Eaten = 0, Attributes = SFGAO_FOLDER;
        TPidl Item;
        const DWORD FileAttributes = FileAttributesAnyLength(Full);
        // The desktop parses no path past MAX_PATH; a folder there is
        // found level by level.
        if (FAILED(Desktop->ParseDisplayName(Handle(), nullptr, Wide.data(), &Eaten, Item.Put(), &Attributes)) &&
            FileAttributes != INVALID_FILE_ATTRIBUTES && (FileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            SUCCEEDED(ShellPathToPidl(Full, Item)))
            Attributes = SFGAO_FOLDER;
        if (Item) {
            const bool ExistingFile =
                FileAttributes != INVALID_FILE_ATTRIBUTES && !(FileAttributes & FILE_ATTRIBUTE_DIRECTORY);
            if (!ExistingFile && (Attributes & SFGAO_FOLDER)) {
                TComPtr<IShellFolder> Bound;
                OleCheck(ShellBindToFolder(Item.Get(), Bound));
                ShellCombo->SelectedFolder()->SetIdList(Item.Get());
                edtFileName->SelectAll();
                return false;
            }
        }
    }

    // False when the name was a shortcut to a folder, which is entered.
    const auto Dereference = [this](std::string& Path) {
        if ((FOptions & osoNoDereferenceLinks) || !SameTextIgnoringCase(FileNameExtension(Path), ".lnk"))
            return true;
        TRzShortcut Shortcut;
        if (SUCCEEDED(ShellResolveShortcut(Path, Shortcut, false)) && !Shortcut.Path.empty())
            Path = Shortcut.Path;
        // A shortcut to a folder opens the folder, as the folder's own name
        // does; taken as a file it would hand a folder on as a file name.
        if (IsExistingFolder(Path)) {
            GoToFolderPath(Path);
            edtFileName->SelectAll();
            return false;
        }
        return true;
    };
    if (!Dereference(Full))
        return false;

    if (Single) {
        TRzShellListData* Picked = FNameFromList ? SelectedFileNamed(Name) : nullptr;
        std::string OnDisk;
        if (Picked && !Picked->Path().empty()) {
            Full = Picked->Path();
            // The shell's ANSI path keeps a '?' for each character the code
            // page lost; the name on disk is the item's short form then.
            if (Full.find('?') != std::string::npos && Picked->DiskKind(OnDisk) == TRzDiskKind::File &&
                !BaseFolder.empty())
                Full = BaseFolder + (BaseFolder.back() == '\\' ? "" : "\\") + OnDisk;
        } else {
            const TRzDefaultExtResult Ext =
                ApplyDefaultExtension(Full, FDefaultExt, SelectedTypeMask(), ExtensionRegisteredInClasses);
            Full = Ext.FullName;
            if (Ext.ExtensionDifferent == TRzExtensionFlag::Set)
                FOptions |= osoExtensionDifferent;
            else if (Ext.ExtensionDifferent == TRzExtensionFlag::Cleared)
                FOptions &= ~osoExtensionDifferent;
            // A name in another folder shows that folder, so the list below
            // can tell whether the name is one of its items. A folder that
            // does not exist is not shown: the list would fall back to the
            // desktop.
            const std::string NameFolder = SplitFolderAndName(Full).Folder;
            if (!NameFolder.empty() && !SameFolderText(NameFolder, BaseFolder) && IsExistingFolder(NameFolder))
                GoToFolderPath(NameFolder);
            if (!MatchListItems(Full))
                return false;
        }
        // The list names a shortcut by its own file, picked or typed without
        // its hidden extension: the target is what was chosen.
        if (!Dereference(Full))
            return false;
    }

    TRzFileCheckOptions Checks;
    Checks.NoReadOnlyReturn = FOptions & osoNoReadOnlyReturn;
    Checks.OverwritePrompt = FOptions & osoOverwritePrompt;
    Checks.FileMustExist = FOptions & osoFileMustExist;
    Checks.CreatePrompt = FOptions & osoCreatePrompt;
    // A listed shortcut resolved names another file, which the listing
    // knows nothing of.
    const DWORD Attributes =
        ListedAttributes && Full == Combined.FullName ? *ListedAttributes : FileAttributesAnyLength(Full);
    if (!CheckChosenFile(Full, Attributes, Checks,
                         [this](TRzFormMessageKind Kind, const std::string& Text) {
                             return ShowFormMessage(Kind, Text);
                         }))
        return false;
    FullName = Full;
    return true;
}

// The list's items named like the full name's last component: one makes
// the full name that item's path; two or more (names the shell shows
// without their extensions) let the user choose, and refuse the close.
bool TRzShellOpenSaveForm::MatchListItems(std::string& FullName)
{
    const std::string Last = SplitFolderAndName(FullName).Name;
    int First = -1, Matches = 0;
    for (int I = 0; I < ShellList->ItemCount(); ++I)
        if (TRzShellListData* D = ShellList->ItemData(I); D && SameTextIgnoringCase(D->DisplayName(), Last)) {
            if (First < 0)
                First = I;
            ++Matches;
        }
    if (Matches >= 2) {
        ShowFormMessage(TRzFormMessageKind::Warning, FormatFormMessage(SRzMoreThanOneFile, Last));
        TListItem* Item = ShellList->Item(First);
        Item->SetSelected(true);
        Item->SetFocused(true);
        ShellList->SetFocus();
        return false;
    }
    // The item's name on disk beside the typed folder: the shell's path of
    // an item stops at MAX_PATH, and a longer one would name another file.
    std::string OnDisk;
    if (Matches == 1)
        if (TRzShellListData* D = ShellList->ItemData(First)) {
            const std::string Where = SplitFolderAndName(FullName).Folder;
            if (D->DiskKind(OnDisk) != TRzDiskKind::Unknown && !Where.empty())
                FullName = Where + (Where.back() == '\\' ? "" : "\\") + OnDisk;
            else if (!D->Path().empty())
                FullName = D->Path();
        }
    return true;
}
