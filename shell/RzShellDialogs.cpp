#include "shell/RzShellDialogs.h"

#include <cstdint>

#include "classlib/SysUtils.h"

// ---------------------------------------------------------------------------
// TRzShellDialog
// ---------------------------------------------------------------------------

TRzShellDialog::TRzShellDialog(TComponent* AOwner) : TComponent(AOwner)
{
}

bool TRzShellDialog::Execute()
{
    // One of the dialog's own events (OnFormShow, say) may call Execute
    // again while the form runs.
    if (FExecuting)
        throw Exception(ClassName() + " already executing");
    FExecuting = true;
    TScopeExit Done([this] { FExecuting = false; });
    return DoExecute();
}

void TRzShellDialog::DoInitialized()
{
    if (OnInitialized)
        OnInitialized(this);
}

void TRzShellDialog::PlaceForm(TCustomForm* Form) const
{
    Form->SetPosition(FFormPosition);
    if (FFormPosition == poDesigned)
        Form->SetBounds(FFormLeft, FFormTop, Form->Width(), Form->Height());
    if (FFormWidth > 0)
        Form->SetWidth(FFormWidth);
    if (FFormHeight > 0)
        Form->SetHeight(FFormHeight);
    Form->SetWindowState(FFormWindowState);
}

void TRzShellDialog::ReadFormPlacement(const TCustomForm* Form)
{
    // The restored rectangle, so that a form closed maximised reopens at
    // its normal size beneath the maximised window.
    const TRect R = Form->NormalBounds();
    FFormLeft = R.left;
    FFormTop = R.top;
    FFormWidth = R.right - R.left;
    FFormHeight = R.bottom - R.top;
    FFormWindowState = Form->WindowState();
    FFormPosition = Form->Position();
}

namespace {

void WriteInt32(TStream* Stream, int Value)
{
    const auto U = static_cast<std::uint32_t>(Value);
    const unsigned char Bytes[4] = {static_cast<unsigned char>(U), static_cast<unsigned char>(U >> 8),
                                    static_cast<unsigned char>(U >> 16), static_cast<unsigned char>(U >> 24)};
    Stream->WriteBuffer(Bytes, sizeof(Bytes));
}

int ReadInt32(TStream* Stream)
{
    unsigned char Bytes[4] = {};
    Stream->ReadBuffer(Bytes, sizeof(Bytes));
    const std::uint32_t U = Bytes[0] | (Bytes[1] << 8) | (Bytes[2] << 16) | (static_cast<std::uint32_t>(Bytes[3]) << 24);
    return static_cast<int>(U);
}

unsigned char ReadByte(TStream* Stream)
{
    unsigned char B = 0;
    Stream->ReadBuffer(&B, 1);
    return B;
}

} // namespace

void TRzShellDialog::ReadPlacement(TStream* Stream)
{
    // Read whole before anything changes: a short record leaves the
    // dialog as it was.
    const int L = ReadInt32(Stream), T = ReadInt32(Stream), W = ReadInt32(Stream), H = ReadInt32(Stream);
    const unsigned char State = ReadByte(Stream), Position = ReadByte(Stream);
    FFormLeft = L;
    FFormTop = T;
    FFormWidth = W;
    FFormHeight = H;
    FFormWindowState = State <= wsMaximized ? static_cast<TWindowState>(State) : wsNormal;
    FFormPosition = Position <= poOwnerFormCenter ? static_cast<TPosition>(Position) : poScreenCenter;
}

void TRzShellDialog::WritePlacement(TStream* Stream) const
{
    WriteInt32(Stream, FFormLeft);
    WriteInt32(Stream, FFormTop);
    WriteInt32(Stream, FFormWidth);
    WriteInt32(Stream, FFormHeight);
    const unsigned char Bytes[2] = {static_cast<unsigned char>(FFormWindowState),
                                    static_cast<unsigned char>(FFormPosition)};
    Stream->WriteBuffer(Bytes, sizeof(Bytes));
}

// ---------------------------------------------------------------------------
// TRzCustomSelectFolderDialog
// ---------------------------------------------------------------------------

TRzCustomSelectFolderDialog::TRzCustomSelectFolderDialog(TComponent* AOwner)
    : TRzShellDialog(AOwner), FBaseFolder(std::make_unique<TRzShellLocator>()),
      FSelectedFolder(std::make_unique<TRzShellLocator>())
{
}

TRzSelectFolderForm* TRzCustomSelectFolderDialog::CreateForm()
{
    return new TRzSelectFolderForm(Application);
}

void TRzCustomSelectFolderDialog::InitForm(TRzSelectFolderForm* Form)
{
    Form->OnSelChange = OnSelChange;
    Form->ShellTree->OnAddItem = OnAddItem;
    Form->OnFormShow = OnFormShow;
    Form->OnFormClose = OnFormClose;
    Form->SetStatusText("");
    PlaceForm(Form);
    Form->SetOptions(FOptions);
    Form->SetCaption(Title().empty() ? "Browse for Folder" : Title());
    StyleForm(Form);
    Form->ShellTree->SetBaseFolder(FBaseFolder.get());
    Form->ShellTree->SetSelectedFolder(FSelectedFolder.get());
}

void TRzCustomSelectFolderDialog::ReadForm(TRzSelectFolderForm* Form)
{
    ReadFormPlacement(Form);
    if (Form->ModalResult() == mrOk)
        FSelectedFolder->Assign(Form->ShellTree->SelectedFolder());
}

bool TRzCustomSelectFolderDialog::DoExecute()
{
    if (FForm)
        throw Exception("TRzSelectFolderDialog form already active");
    return RunForm(
        FForm, [this] { return CreateForm(); }, [this](TRzSelectFolderForm* F) { InitForm(F); },
        [this](TRzSelectFolderForm* F) { ReadForm(F); });
}

// ---------------------------------------------------------------------------
// TRzFileDialog
// ---------------------------------------------------------------------------

TRzFileDialog::TRzFileDialog(TComponent* AOwner)
    : TRzShellDialog(AOwner), FHistoryList(std::make_unique<TStringList>()), FFiles(std::make_unique<TStringList>())
{
}

void TRzFileDialog::SetOptions(TRzOpenSaveOptions Value)
{
    FOptions = Value;
    if (FForm)
        FForm->SetOptions(Value);
}

void TRzFileDialog::SetFilter(const std::string& Value)
{
    FFilter = Value;
    if (FForm)
        FForm->SetFilter(Value);
}

int TRzFileDialog::FilterIndex() const
{
    return FForm ? FForm->GetFilterIndex() : FFilterIndex;
}

void TRzFileDialog::SetFilterIndex(int Value)
{
    FFilterIndex = Value;
    if (FForm)
        FForm->SetFilterIndex(Value);
}

void TRzFileDialog::SetFormSplitterPos(int Value)
{
    FFormSplitterPos = Value;
    if (FForm)
        FForm->SetSplitterPos(Value);
}

void TRzFileDialog::SetOnAddListItem(TRzShAddItemEvent Value)
{
    OnAddListItem = std::move(Value);
    if (FForm)
        FForm->ShellList->OnAddItem = OnAddListItem;
}

void TRzFileDialog::SetOnAddTreeItem(TRzShAddItemEvent Value)
{
    OnAddTreeItem = std::move(Value);
    if (FForm)
        FForm->ShellTree->OnAddItem = OnAddTreeItem;
}

std::string TRzFileDialog::FileName() const
{
    if (FForm)
        return FForm->GetFileName();
    return FFiles->Count() > 0 ? FFiles->Strings(0) : std::string();
}

void TRzFileDialog::SetFileName(const std::string& Value)
{
    FFiles->Clear();
    FFiles->Add(Value);
    if (FForm)
        FForm->SetFileName(Value);
}

TRzShellOpenSaveForm* TRzFileDialog::CreateForm()
{
    return new TRzShellOpenSaveForm(Application);
}

void TRzFileDialog::InitForm(TRzShellOpenSaveForm* Form)
{
    Form->ShellList->OnAddItem = OnAddListItem;
    Form->ShellTree->OnAddItem = OnAddTreeItem;
    Form->OnAddComboItem = OnAddComboItem;
    Form->OnFormClose = OnFormClose;
    Form->OnFormShow = OnFormShow;
    Form->OnTypeChanged = OnTypeChanged;
    Form->OnFolderChanged = OnFolderChanged;
    Form->OnSelectionChanged = OnSelectionChanged;
    Form->SetInitialDir(FInitialDir);
    Form->SetFileName(FileName());
    Form->SetDefaultExt(FDefaultExt);
    PlaceForm(Form);
    Form->SetOptions(FOptions);
    Form->SetFilter(FFilter);
    Form->SetFilterIndex(FFilterIndex);
    Form->SetSplitterPos(FFormSplitterPos);
    StyleForm(Form);
    Form->lblLookIn->SetCaption("Look &in:");
    Form->lblFilesOfType->SetCaption("Files of &type:");
    Form->HelpContext = FHelpContext;
    Form->OnDialogHelp = OnHelp;
}

void TRzFileDialog::ReadForm(TRzShellOpenSaveForm* Form)
{
    FOptions = Form->Options();
    FFiles->Assign(Form->GetSelectedFiles());
    ReadFormPlacement(Form);
    FFilterIndex = Form->GetFilterIndex();
    FFormSplitterPos = Form->GetSplitterPos();
}

bool TRzFileDialog::DoExecute()
{
    if (FForm)
        throw Exception(Name() + " already executing");
    return RunForm(
        FForm, [this] { return CreateForm(); }, [this](TRzShellOpenSaveForm* F) { InitForm(F); },
        [this](TRzShellOpenSaveForm* F) { ReadForm(F); });
}

void TRzFileDialog::ReadPlacement(TStream* Stream)
{
    TRzShellDialog::ReadPlacement(Stream);
    const unsigned char ShowTree = ReadByte(Stream);
    const int SplitterPos = ReadInt32(Stream);
    FOptions = ShowTree ? (FOptions | osoShowTree) : (FOptions & ~osoShowTree);
    FFormSplitterPos = SplitterPos;
}

void TRzFileDialog::WritePlacement(TStream* Stream) const
{
    TRzShellDialog::WritePlacement(Stream);
    const unsigned char ShowTree = (FOptions & osoShowTree) ? 1 : 0;
    Stream->WriteBuffer(&ShowTree, 1);
    WriteInt32(Stream, FFormSplitterPos);
}

void TRzCustomOpenDialog::InitForm(TRzShellOpenSaveForm* Form)
{
    TRzFileDialog::InitForm(Form);
    Form->SetCaption(Title().empty() ? "Open" : Title());
    Form->btnOpen->SetCaption("&Open");
}
