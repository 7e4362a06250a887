#include "app/MainBrowse.h"

#include <vector>

#include "app/KvConvertDriver.h"
#include "app/Main.h"
#include "classlib/Clipbrd.h"
#include "controls/RzBtnEdt.h"
#include "controls/RzLstBox.h"
#include "controls/RzRadGrp.h"
#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvFolderDlg.h"
#include "foundation/KvSpFolder.h"
#include "foundation/KvWindows.h"
#include "shell/RzShellDialogs.h"

namespace {

const char* const AllFilesFilter = "All Files (*.*)|*.*";
// The longest path the browse takes from the clipboard.
constexpr std::size_t MaxClipboardPath = 260;

// The dialog name for a target pattern's extension: "*." and the
// extension, "*." alone for ".", nothing for "*".
std::string PatternFileName(const std::string& Ext)
{
    if (Ext == "*")
        return std::string();
    if (Ext == ".")
        return "*.";
    return "*." + Ext;
}

}  // namespace

TFormatFileFilter FormatFileFilter(TMailFormat Format, const std::string& RowText)
{
    TFormatFileFilter F;
    const TMailFormat Id = MailFormatId(Format);
    const std::string SourceExt = MailFormatExtension(Id, false);
    F.DefaultExt = SourceExt == "*" ? std::string() : SourceExt;
    F.FilterIndex = Id == mftMbox || MailFormatIsMboxTarget(Id) ? 2 : 1;
    // The generic and unknown formats have no extension of their own that
    // a mailbox would carry.
    if (Id == mftUnknown || Id == mftPine) {
        F.Filter = AllFilesFilter;
        return F;
    }
    const std::string Ext = SourceExt == "*" ? "mbox" : SourceExt;
    std::string Text = RowText;
    if (Text.find('(') == std::string::npos)
        Text += " (*." + Ext + ")";
    F.Filter = Text + "|*." + Ext + "|" + AllFilesFilter;
    return F;
}

std::string SourceStartFolder(const std::string& Remembered, TMailFormat Format)
{
    if (!Remembered.empty())
        return Remembered;
    const std::string Store = GetSourceDefaultFolder(Format);
    return Store.empty() ? GetAppDataFolder() : Store;
}

std::string SourceFolderEntry(const std::string& Dir, TMailFormat Format)
{
    return AddTrailingBackslash(Dir) + "*." + MailFormatExtension(Format, false);
}

std::string TargetBrowseStartText(const std::string& TargetText, const std::string& ClipboardPath,
                                  const std::string& DocumentsFolder)
{
    if (!TargetText.empty())
        return TargetText;
    if (!ClipboardPath.empty() && ClipboardPath.size() <= MaxClipboardPath && ContainsBackslash(ClipboardPath) &&
        !HasInvalidPathChars(ClipboardPath))
        return ClipboardPath;
    return AddTrailingBackslash(DocumentsFolder);
}

bool TargetBrowsePicksFile(TMailFormat TargetFormat, bool RestoreFolderTree, bool CtrlHeld)
{
    return MailFormatIsMboxTarget(TargetFormat) && !RestoreFolderTree && !CtrlHeld;
}

TTargetFileStart TargetFileStart(const std::string& Text)
{
    const std::string Ext = TargetExtOfText(Text);
    if (Ext.empty() && !FolderExists(Text))
        return {ExtractParentFolder(Text), ExtractFileNamePart(Text)};
    return {CutTargetPattern(Text), PatternFileName(Ext)};
}

std::string TargetFolderResult(const std::string& Dir, const std::string& OldText)
{
    const std::string Ext = TargetExtOfText(OldText);
    const std::string WithSlash = AddTrailingBackslash(Dir);
    return Ext.empty() ? WithSlash : WithSlash + PatternFileName(Ext);
}

// ---------------------------------------------------------------------------
// The form's browsing handlers
// ---------------------------------------------------------------------------

namespace {

// The text of a format's row in its list; empty when it has none.
std::string RowTextOf(TRzTabbedListBox* List, TMailFormat Format, bool Target)
{
    const int Row = MailFormatToRow(Format, Target);
    TStrings* Items = List->Items();
    return Row >= 0 && Row < Items->Count() ? Items->Strings(Row) : std::string();
}

// The clipboard's text as a path: a "mailbox:/" address turned into one.
std::string ClipboardPath()
{
    std::string Text;
    try {
        Text = Clipboard().AsText();
    } catch (const EClipboardException&) {
        // Another program holding the clipboard leaves the browse to start
        // from the documents folder.
        return std::string();
    }
    MailboxUrlToPath(Text);
    return Text;
}

}  // namespace

void TfrmTessaly::CreateBrowseDialogs()
{
    vclOpenSourceFiles = new TRzOpenDialog(this);
    vclOpenSourceFiles->SetName("vclOpenSourceFiles");
    vclOpenSourceFiles->SetTitle("Add Source Files");
    // Add Files adds every name the dialog returns. Neither file dialog
    // moves the program's current folder.
    vclOpenSourceFiles->SetOptions(vclOpenSourceFiles->Options() | osoAllowMultiselect | osoFileMustExist |
                                   osoPathMustExist | osoNoChangeDir);
    vclOpenSourceFolder = new TRzSelectFolderDialog(this);
    vclOpenSourceFolder->SetName("vclOpenSourceFolder");
    vclOpenSourceFolder->SetTitle("Add Source Folder");
    vclSelectTargetFile = new TRzOpenDialog(this);
    vclSelectTargetFile->SetName("vclSelectTargetFile");
    vclSelectTargetFile->SetTitle("Select Target File");
    vclSelectTargetFile->SetOptions(vclSelectTargetFile->Options() | osoNoChangeDir);
    vclSelectTargetFolder = new TRzSelectFolderDialog(this);
    vclSelectTargetFolder->SetName("vclSelectTargetFolder");
    vclSelectTargetFolder->SetTitle("Select Target Folder");

    btnAddFiles->OnClick = [this](TObject* Sender) { btnAddFilesClick(Sender); };
    btnAddFolder->OnClick = [this](TObject* Sender) { btnAddFolderClick(Sender); };
    lbxSourceFormat->OnDblClick = [this](TObject* Sender) { lbxSourceFormatDblClick(Sender); };
    lbxTargetFormat->OnDblClick = [this](TObject* Sender) { lbxTargetFormatDblClick(Sender); };
    edtTargetFolder->OnButtonClick = [this](TObject* Sender) { edtTargetFolderButtonClick(Sender); };
}

void TfrmTessaly::btnAddFilesClick(TObject*)
{
    const TMailFormat Format = GetSelectedSourceFormat();
    const TMailFormat Id = MailFormatId(Format);
    const TFormatFileFilter Filter = FormatFileFilter(Format, RowTextOf(lbxSourceFormat, Format, false));
    TRzOpenDialog* D = vclOpenSourceFiles;
    D->SetFileName(std::string());
    D->SetInitialDir(SourceStartFolder(SourceFolders[Id], Format));
    D->SetFilter(Filter.Filter);
    D->SetFilterIndex(Filter.FilterIndex);
    D->SetDefaultExt(Filter.DefaultExt);
    if (!D->Execute())
        return;
    std::vector<std::string> Names;
    for (int I = 0; I < D->Files()->Count(); ++I)
        Names.push_back(D->Files()->Strings(I));
    if (Names.empty() && !D->FileName().empty())
        Names.push_back(D->FileName());
    if (Names.empty())
        return;
    AddSourceNames(Names, Format);
    SourceFolders[Id] = ExcludeTrailingSlash(ExtractParentFolder(Names.front()));
}

void TfrmTessaly::btnAddFolderClick(TObject*)
{
    const TMailFormat Format = GetSelectedSourceFormat();
    const TMailFormat Id = MailFormatId(Format);
    TRzSelectFolderDialog* D = vclOpenSourceFolder;
    D->SetSelectedPathName(SourceStartFolder(SourceFolders[Id], Format));
    if (!D->Execute())
        return;
    const std::string Chosen = D->SelectedPathName();
    if (Chosen.empty())
        return;
    // Through the common adding step: the same folder twice would convert
    // every message twice.
    AddSourceNames({SourceFolderEntry(Chosen, Format)}, Format);
    SourceFolders[Id] = ExcludeTrailingSlash(Chosen);
}

void TfrmTessaly::lbxSourceFormatDblClick(TObject*)
{
    PostMessageA(Handle(), KM_BROWSEFORMAT, ControlParam(lbxSourceFormat), 0);
}

void TfrmTessaly::lbxTargetFormatDblClick(TObject*)
{
    PostMessageA(Handle(), KM_BROWSEFORMAT, ControlParam(lbxTargetFormat), 0);
}

void TfrmTessaly::BrowseFormatList(TWinControl* List)
{
    if (List == lbxSourceFormat)
        btnAddFilesClick(List);
    else if (List == lbxTargetFormat)
        edtTargetFolderButtonClick(List);
}

void TfrmTessaly::edtTargetFolderButtonClick(TObject*)
{
    const std::string Text = TargetBrowseStartText(GetTargetFolderText(), ClipboardPath(), GetDocumentsFolder());
    const TMailFormat Format = GetSelectedTargetFormat();
    const bool CtrlHeld = GetKeyState(VK_CONTROL) < 0;
    const TTargetFileStart Start = TargetFileStart(Text);
    if (TargetBrowsePicksFile(Format, grpTargetOptions->GetItemChecked(0), CtrlHeld)) {
        const TFormatFileFilter Filter = FormatFileFilter(Format, RowTextOf(lbxTargetFormat, Format, true));
        TRzOpenDialog* D = vclSelectTargetFile;
        D->SetInitialDir(Start.Folder);
        D->SetFileName(Start.FileName);
        D->SetFilter(Filter.Filter);
        D->SetFilterIndex(Filter.FilterIndex);
        D->SetDefaultExt(Filter.DefaultExt);
        if (D->Execute())
            edtTargetFolder->SetText(D->FileName());
        return;
    }
    std::string Chosen = Start.Folder;
    if (IsWin98OrNT5()) {
        vclSelectTargetFolder->SetSelectedPathName(Chosen);
        if (!vclSelectTargetFolder->Execute())
            return;
        Chosen = vclSelectTargetFolder->SelectedPathName();
    } else if (!BrowseForFolder(Chosen, Handle(), vclSelectTargetFolder->Title())) {
        return;
    }
    if (!Chosen.empty())
        edtTargetFolder->SetText(TargetFolderResult(Chosen, Text));
}
