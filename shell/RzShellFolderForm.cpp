#include "shell/RzShellFolderForm.h"

#include <algorithm>

#include "shell/RzShellFormLogic.h"

namespace {

// The layout of the form as it is made; FormResize keeps it at any size.
constexpr int FormWidth0 = 400, FormHeight0 = 420;
constexpr int Margin = 8;
constexpr int ToolButtonTop = 8, ToolButtonHeight = 24;
constexpr int NewFolderWidth = 104, DeleteFolderWidth = 72;
constexpr int ButtonWidth = 75, ButtonHeight = 25;
constexpr int ButtonPanelHeight = 41;
constexpr int StatusBarHeight = 20;
constexpr int TreeGapBelowButtons = 4;

void SetBit(TRzShellTreeOptions& Set, TRzShellTreeOptions Bit, bool On)
{
    Set = On ? static_cast<TRzShellTreeOptions>(Set | Bit) : static_cast<TRzShellTreeOptions>(Set & ~Bit);
}

// Each image of the tool buttons drawn on a 16 x 16 cell over a mask colour.
constexpr int ImageSize = 16;
constexpr TColor ImageMask = clFuchsia;

void DrawFolder(TCanvas* C, int X)
{
    C->Pen()->SetColor(0x00307090);
    C->Brush()->SetColor(0x0060D0F0);
    const POINT Tab[] = {{X + 1, 3}, {X + 6, 3}, {X + 7, 5}, {X + 7, 6}, {X + 1, 6}};
    C->Polygon(Tab, 5);
    C->Rectangle(X + 1, 5, X + 15, 14);
}

} // namespace

TRzSelectFolderForm::TRzSelectFolderForm(TComponent* AOwner) : TForm(AOwner)
{
    BuildControls();
    FormCreate(this);
}

void TRzSelectFolderForm::BuildControls()
{
    // No name of its own: two folder forms may live at once under the
    // application, and names of one owner must differ.
    SetBounds(0, 0, FormWidth0, FormHeight0);
    SetBorderStyle(bsSizeable);

    ImageList1 = new TImageList(this, ImageSize, ImageSize);
    ImageList1->SetName("ImageList1");
    FillImages();

    vclPopupMenu = new TPopupMenu(this);
    vclPopupMenu->SetName("vclPopupMenu");
    smnCreateFolder = new TMenuItem(this);
    smnCreateFolder->SetName("smnCreateFolder");
    smnCreateFolder->SetCaption("Create &Folder");
    smnCreateFolder->OnClick = [this](TObject* S) { CreateBtnClick(S); };
    vclPopupMenu->Items()->Add(smnCreateFolder);
    smnDelete = new TMenuItem(this);
    smnDelete->SetName("smnDelete");
    smnDelete->SetCaption("&Delete");
    smnDelete->OnClick = [this](TObject* S) { DeleteBtnClick(S); };
    vclPopupMenu->Items()->Add(smnDelete);

    btnNewFolder = new TRzToolButton(this);
    btnNewFolder->SetName("btnNewFolder");
    btnNewFolder->SetParent(this);
    btnNewFolder->SetBounds(Margin, ToolButtonTop, NewFolderWidth, ToolButtonHeight);
    btnNewFolder->SetImages(ImageList1);
    btnNewFolder->SetShowCaption(true);
    btnNewFolder->SetCaption("Create Folder");
    btnNewFolder->OnClick = [this](TObject* S) { CreateBtnClick(S); };

    btnDeleteFolder = new TRzToolButton(this);
    btnDeleteFolder->SetName("btnDeleteFolder");
    btnDeleteFolder->SetParent(this);
    btnDeleteFolder->SetBounds(Margin + NewFolderWidth + 4, ToolButtonTop, DeleteFolderWidth, ToolButtonHeight);
    btnDeleteFolder->SetImages(ImageList1);
    btnDeleteFolder->SetShowCaption(true);
    btnDeleteFolder->SetCaption("Delete");
    btnDeleteFolder->OnClick = [this](TObject* S) { DeleteBtnClick(S); };

    ShellTree = new TRzShellTree(this);
    ShellTree->SetName("ShellTree");
    ShellTree->SetParent(this);
    ShellTree->SetBounds(Margin, ToolButtonTop + ToolButtonHeight + TreeGapBelowButtons, FormWidth0 - 24, 300);
    // Filled once, when the form shows, after the dialog has set its base
    // and selected folders.
    ShellTree->SetOptions(DefaultShellTreeOptions & ~stoAutoFill);
    ShellTree->SetPopupMenu(vclPopupMenu);
    ShellTree->SetTabStop(true);
    ShellTree->OnChange = [this](TObject* S, TTreeNode* Node) { ShellTreeChange(S, Node); };
    ShellTree->OnEdited = [this](TObject*, TTreeNode*, std::string&) {
        PostMessageA(Handle(), RZFF_FOLDERRENAMED, 0, 0);
    };

    ButtonPanel = new TPanel(this);
    ButtonPanel->SetName("ButtonPanel");
    ButtonPanel->SetParent(this);
    ButtonPanel->SetBevelOuter(bvNone);
    ButtonPanel->SetCaption("");
    ButtonPanel->SetHeight(ButtonPanelHeight);
    ButtonPanel->SetAlign(alBottom);

    btnOk = new TRzButton(this);
    btnOk->SetName("btnOk");
    btnOk->SetParent(ButtonPanel);
    btnOk->SetBounds(0, 8, ButtonWidth, ButtonHeight);
    btnOk->SetCaption("OK");
    btnOk->SetDefault(true);
    btnOk->SetModalResult(mrOk);

    btnCancel = new TRzButton(this);
    btnCancel->SetName("btnCancel");
    btnCancel->SetParent(ButtonPanel);
    btnCancel->SetBounds(0, 8, ButtonWidth, ButtonHeight);
    btnCancel->SetCaption("Cancel");
    btnCancel->SetCancel(true);
    btnCancel->SetModalResult(mrCancel);

    RzStatusBar1 = new TRzStatusBar(this);
    RzStatusBar1->SetName("RzStatusBar1");
    RzStatusBar1->SetParent(this);
    RzStatusBar1->SetHeight(StatusBarHeight);
    RzStatusBar1->SetAlign(alBottom);
    RzStatusBar1->SetSimpleStatus(true);

    SetActiveControl(ShellTree);
    OnResize = [this](TObject* S) { FormResize(S); };
    FCanvas = std::make_unique<TControlCanvas>(this);
}

// The create image shows a folder with a spark, the delete image a red
// cross; image 1 (the plain folder) keeps the numbering the buttons use.
void TRzSelectFolderForm::FillImages()
{
    TBitmap Strip(ImageSize * 3, ImageSize);
    TCanvas* C = Strip.Canvas();
    C->Brush()->SetColor(ImageMask);
    C->FillRect(TRect(0, 0, ImageSize * 3, ImageSize));
    DrawFolder(C, 0);
    C->Pen()->SetColor(0x0000A0F0);
    C->MoveTo(11, 0);
    C->LineTo(11, 5);
    C->MoveTo(9, 2);
    C->LineTo(14, 2);
    DrawFolder(C, ImageSize);
    C->Pen()->SetColor(0x002020D0);
    C->Pen()->SetWidth(2);
    const int X = ImageSize * 2;
    C->MoveTo(X + 3, 3);
    C->LineTo(X + 13, 13);
    C->MoveTo(X + 13, 3);
    C->LineTo(X + 3, 13);
    ImageList1->AddMasked(&Strip, ImageMask);
}

void TRzSelectFolderForm::FormCreate(TObject*)
{
    // Owned by the form that opened it, so it stays above that form.
    SetPopupMode(pmAuto);
    ShellTree->SetShowRoot(true);
    // The status bar stays the lowest of the bottom-aligned controls.
    RzStatusBar1->SetTop(Height());
    SetMinTrackSize(MinTrackWidth, MinTrackHeight);
}

void TRzSelectFolderForm::SetOptions(TRzSelectFolderDialogOptions Value)
{
    FOptions = Value;
    TRzShellTreeOptions T = ShellTree->Options();
    SetBit(T, stoOleDrag, Value & sfdoOleDrag);
    SetBit(T, stoOleDrop, Value & sfdoOleDrop);
    SetBit(T, stoIncludeNonFolders, Value & sfdoIncludeNonFolders);
    SetBit(T, stoVirtualFolders, Value & sfdoVirtualFolders);
    SetBit(T, stoContextMenus, Value & sfdoContextMenus);
    SetBit(T, stoShowHidden, Value & sfdoShowHidden);
    ShellTree->SetOptions(T);

    const bool Buttons = Value & sfdoCreateDeleteButtons;
    btnNewFolder->SetVisible(Buttons);
    btnDeleteFolder->SetVisible(Buttons);
    btnNewFolder->SetImageIndex(Value & sfdoCreateFolderIcon ? CreateFolderImage : -1);
    btnDeleteFolder->SetImageIndex(Value & sfdoDeleteFolderIcon ? DeleteFolderImage : -1);
    // A caption-only button would look like a label while flat.
    const bool BothIcons = (Value & sfdoCreateFolderIcon) && (Value & sfdoDeleteFolderIcon);
    btnNewFolder->SetFlat(BothIcons);
    btnDeleteFolder->SetFlat(BothIcons);
    ShellTree->SetReadOnly(Value & sfdoReadOnly);
    FormResize(this);
}

void TRzSelectFolderForm::SetFrameProps(TColor FrameColor, TFrameStyle FrameStyle, bool FrameVisible,
                                        TFramingPreference FramingPreference)
{
    ShellTree->SetFrameColor(FrameColor);
    ShellTree->SetFrameStyle(FrameStyle);
    ShellTree->SetFrameVisible(FrameVisible);
    ShellTree->SetFramingPreference(FramingPreference);
}

void TRzSelectFolderForm::SetButtonProps(TColor Color, bool HotTrack, TColor HighlightColor, TColor HotTrackColor,
                                         TRzHotTrackColorType HotTrackColorType)
{
    for (TRzButton* B : {btnOk, btnCancel}) {
        B->SetColor(Color);
        B->SetHotTrack(HotTrack);
        B->SetHighlightColor(HighlightColor);
        B->SetHotTrackColor(HotTrackColor);
        B->SetHotTrackColorType(HotTrackColorType);
    }
}

void TRzSelectFolderForm::SetToolButtonProps(TRzGradientColorStyle GradientColorStyle, TColor SelectionColorStart,
                                             TColor SelectionColorStop, TColor SelectionFrameColor,
                                             TRzVisualStyle VisualStyle)
{
    for (TRzToolButton* B : {btnNewFolder, btnDeleteFolder}) {
        B->SetGradientColorStyle(GradientColorStyle);
        B->SetSelectionColorStart(SelectionColorStart);
        B->SetSelectionColorStop(SelectionColorStop);
        B->SetSelectionFrameColor(SelectionFrameColor);
        B->SetVisualStyle(VisualStyle);
    }
    RzStatusBar1->SetVisualStyle(VisualStyle);
}

void TRzSelectFolderForm::DoShow()
{
    TForm::DoShow();
    Font()->SetName("MS Sans Serif");
    ShellTree->SetOptions(ShellTree->Options() | stoAutoFill);
    ShellTree->FillTree();
    btnOk->SetCaption("OK");
    btnCancel->SetCaption("Cancel");
    btnNewFolder->SetCaption("Create Folder");
    btnDeleteFolder->SetCaption("Delete");
    if (Caption().empty())
        SetCaption("Browse for Folder");
    FormResize(this);
    if (OnFormShow)
        OnFormShow(this);
}

void TRzSelectFolderForm::DoHide()
{
    TForm::DoHide();
    if (OnFormClose)
        OnFormClose(this);
}

int TRzSelectFolderForm::TextWidth(const std::string& Text)
{
    FCanvas->Font()->Assign(Font());
    const int W = FCanvas->TextWidth(Text);
    FCanvas->FreeHandle();
    return W;
}

void TRzSelectFolderForm::ShowPathOf(TRzShellTreeData* Data)
{
    // Virtual folders (the computer, the network) have no path: the status
    // line stays empty.
    const std::string Path = Data->Path();
    SetStatusText(ShortenPathToWidth(Path, [this](const std::string& T) { return TextWidth(T); },
                                     StatusTextWidth()));
}

void TRzSelectFolderForm::ShellTreeChange(TObject*, TTreeNode* Node)
{
    TRzShellTreeData* Data = ShellTree->ShellData(Node);
    if (!Data)
        return;
    ShowPathOf(Data);
    const bool HasPath = !Data->Path().empty();
    const bool CanDelete = HasPath && Node != ShellTree->RootNode();
    btnNewFolder->SetEnabled(HasPath);
    btnDeleteFolder->SetEnabled(CanDelete);
    smnCreateFolder->SetEnabled(HasPath);
    smnDelete->SetEnabled(CanDelete);
    if (OnSelChange)
        OnSelChange(this, Data->AbsIdList());
}

void TRzSelectFolderForm::WndProc(TMessage& Message)
{
    if (Message.Msg == RZFF_FOLDERRENAMED) {
        if (TRzShellTreeData* Data = ShellTree->ShellData(ShellTree->Selected()))
            ShowPathOf(Data);
        return;
    }
    TForm::WndProc(Message);
}

void TRzSelectFolderForm::FormResize(TObject*)
{
    int Top = Margin;
    if (btnNewFolder->Visible())
        Top = btnNewFolder->Top() + btnNewFolder->Height() + TreeGapBelowButtons;
    else if (btnDeleteFolder->Visible())
        Top = btnDeleteFolder->Top() + btnDeleteFolder->Height() + TreeGapBelowButtons;
    const int Left = ShellTree->Left();
    const int Bottom = ButtonPanel->Top() - 4;
    ShellTree->SetBounds(Left, Top, std::max(Width() - 24, 0), std::max(Bottom - Top, 0));

    const int PanelRight = ButtonPanel->ClientWidth();
    btnCancel->SetLeft(PanelRight - Margin - btnCancel->Width());
    btnOk->SetLeft(btnCancel->Left() - Margin - btnOk->Width());

    if (TRzShellTreeData* Data = ShellTree->ShellData(ShellTree->Selected()))
        ShowPathOf(Data);
}

void TRzSelectFolderForm::CreateBtnClick(TObject*)
{
    ShellTree->CreateNewFolder();
}

void TRzSelectFolderForm::DeleteBtnClick(TObject*)
{
    ShellTree->InvokeVerb(ShellTree->Selected(), "delete");
    ShellTree->RefreshTree();
}
