#include "shell/RzShellOpenForm.h"

#include <algorithm>

#include "classlib/Cleanup.h"
#include "classlib/Registry.h"
#include "classlib/SysUtils.h"

// ---------------------------------------------------------------------------
// Places
// ---------------------------------------------------------------------------

TRzPlaceData::TRzPlaceData(TCSIDL SpecialFolder) : Kind(SpecialFolder)
{
    TPidl Pidl;
    if (SUCCEEDED(ShellGetSpecialFolderPidl(nullptr, SpecialFolder, Pidl)))
        Caption = ShellGetDisplayNameFromPidl(Pidl.Get());
    if (Caption.empty()) {
        // The desktop's own list is empty: its name comes from the folder.
        TComPtr<IShellFolder> Desktop;
        if (SUCCEEDED(ShellGetDesktopFolder(Desktop)))
            Caption = ShellGetDisplayNameFromFolder(Desktop.Get(), Pidl.Get(), TRzNameKind::Normal);
    }
    IconIndex = ShellGetSpecialIconIndex(SpecialFolder, 0);
}

TRzPlaceData::TRzPlaceData(const std::string& APath) : Kind(csidlNone)
{
    char Expanded[MAX_PATH * 2] = {};
    const DWORD N = ExpandEnvironmentStringsA(APath.c_str(), Expanded, sizeof(Expanded));
    Path = (N > 0 && N <= sizeof(Expanded)) ? std::string(Expanded) : APath;
    if (Path.size() > 3) {
        const std::string Trimmed = (Path.back() == '\\') ? Path.substr(0, Path.size() - 1) : Path;
        Caption = Trimmed.substr(Trimmed.find_last_of('\\') + 1);
    } else {
        TPidl Pidl;
        if (SUCCEEDED(ShellPathToPidl(Path, Pidl)))
            Caption = ShellGetDisplayNameFromPidl(Pidl.Get());
    }
    IconIndex = ShellGetIconIndexFromPath(Path, 0);
}

std::vector<std::unique_ptr<TRzPlaceData>> LoadPlaces()
{
    std::vector<std::unique_ptr<TRzPlaceData>> Places;
    TRegistry Reg(HKEY_CURRENT_USER, KEY_READ);
    if (Reg.OpenKeyReadOnly(RzPlacesBarKey)) {
        for (int I = 0; I < RzPlaceCount; ++I) {
            const std::string Name = "Place" + std::to_string(I);
            if (!Reg.ValueExists(Name))
                continue;
            try {
                const TRegDataType Type = Reg.GetDataType(Name);
                if (Type == rdString || Type == rdExpandString)
                    Places.push_back(std::make_unique<TRzPlaceData>(Reg.ReadString(Name)));
                else
                    Places.push_back(std::make_unique<TRzPlaceData>(static_cast<TCSIDL>(Reg.ReadInteger(Name))));
            } catch (const ERegistryException&) {
                // A value of a type neither a path nor a number is passed over.
            }
        }
        return Places;
    }
    for (TCSIDL Id : {TCSIDL(CSIDL_RECENT), TCSIDL(CSIDL_DESKTOP), TCSIDL(CSIDL_PERSONAL), TCSIDL(CSIDL_DRIVES),
                      TCSIDL(CSIDL_NETWORK)})
        Places.push_back(std::make_unique<TRzPlaceData>(Id));
    return Places;
}

// ---------------------------------------------------------------------------
// Construction and layout
// ---------------------------------------------------------------------------

namespace {

constexpr int PlacesWidth = 92, PlaceButtonHeight = 62;
constexpr int ToolButtonSize = 24;
constexpr int EditHeight = 21, PushWidth = 75, PushHeight = 25;
constexpr int Gap = 8;
constexpr int GlyphWidenBy = 20;

enum class TToolGlyph : unsigned char { UpOneLevel, Desktop, NewFolder, Tree, List, Details };

template <typename T>
T* Make(TComponent* Owner, TWinControl* Parent)
{
    auto C = new T(Owner);
    C->SetParent(Parent);
    return C;
}

TMenuItem* MakeItem(TComponent* Owner, TMenuItem* Parent, int Tag = 0)
{
    auto Item = new TMenuItem(Owner);
    Item->SetTag(Tag);
    Parent->Add(Item);
    return Item;
}

// The width of a label's caption in its font, accelerator marks left out.
int LabelTextWidth(TLabel* Label)
{
    std::string Text = Label->Caption();
    Text.erase(std::remove(Text.begin(), Text.end(), '&'), Text.end());
    TWindowDC DC(nullptr);
    TSelectedObject Font(DC.Get(), Label->Font()->Handle());
    SIZE Size{};
    GetTextExtentPoint32A(DC.Get(), Text.c_str(), static_cast<int>(Text.size()), &Size);
    return Size.cx;
}

} // namespace

bool SameFolderText(const std::string& A, const std::string& B)
{
    auto Trim = [](std::string S) {
        if (S.size() > 3 && (S.back() == '\\'))
            S.pop_back();
        return S;
    };
    const std::string X = Trim(A), Y = Trim(B);
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, X.data(), static_cast<int>(X.size()), Y.data(),
                          static_cast<int>(Y.size())) == CSTR_EQUAL;
}

TRzShellOpenSaveForm::TRzShellOpenSaveForm(TComponent* AOwner)
    : TForm(AOwner), FParsedNames(std::make_unique<TStringList>()), FAcceptedFiles(std::make_unique<TStringList>())
{
    SetBorderStyle(bsSizeable);
    SetBounds(0, 0, 620, 420);
    SetCaption("Open");
    SetColor(clBtnFace);
    SetKeyPreview(true);
    BuildControls();
    ShellList->OnDblClickOpen = [this](TObject* Sender, bool& Handled) { DblClickOpen(Sender, Handled); };
    FormCreate(this);
}

TRzShellOpenSaveForm::~TRzShellOpenSaveForm() = default;

void TRzShellOpenSaveForm::BeforeDestruction()
{
    // The list deselects its items as it goes; the edit may be gone by
    // then, and a form that goes while shown never hid.
    FActiveFlag = false;
    ShellList->OnSelectItem = nullptr;
    ShellList->OnFolderChanged = nullptr;
    ShellList->OnEdited = nullptr;
    ShellList->OnDblClickOpen = nullptr;
    TForm::BeforeDestruction();
}

void TRzShellOpenSaveForm::BuildControls()
{
    imlPlaces = new TImageList(this);
    imlToolbar = new TImageList(this);
    BuildPlaces();
    BuildLookInRow();
    BuildShellViews();
    BuildListMenu();
    BuildEditRows();

    OnResize = [this](TObject* S) { FormResize(S); };
    OnKeyDown = [this](TObject* S, WORD& Key, TShiftState Shift) { FormKeyDown(S, Key, Shift); };
    OnCloseQuery = [this](TObject* S, bool& CanClose) { FormCloseQuery(S, CanClose); };
    SetActiveControl(edtFileName);
}

void TRzShellOpenSaveForm::BuildPlaces()
{
    PnlJumps = Make<TPanel>(this, this);
    PnlJumps->SetAlign(alLeft);
    PnlJumps->SetWidth(PlacesWidth);
    PnlJumps->SetBevelOuter(bvLowered);
    PnlJumps->SetShowCaption(false);
    PnlJumps->SetColor(clBtnShadow);
    for (int I = 0; I < RzPlaceCount; ++I) {
        auto B = Make<TRzToolButton>(this, PnlJumps);
        B->SetBounds(2, 2 + I * PlaceButtonHeight, PlacesWidth - 4, PlaceButtonHeight);
        B->SetLayout(blGlyphTop);
        B->SetShowCaption(true);
        B->SetImages(imlPlaces);
        B->SetGroupIndex(1);
        B->SetAllowAllUp(true);
        B->SetFont(PnlJumps->Font());
        B->SetTag(I);
        B->OnClick = [this](TObject* S) { btnPlaceClick(S); };
        btnPlace[I] = B;
    }
}

void TRzShellOpenSaveForm::BuildLookInRow()
{
    PnlWork = Make<TPanel>(this, this);
    PnlWork->SetAlign(alClient);
    PnlWork->SetBevelOuter(bvNone);
    PnlWork->SetShowCaption(false);

    lblLookIn = Make<TLabel>(this, PnlWork);
    lblLookIn->SetBounds(Gap, 12, 60, 13);
    lblLookIn->SetCaption("Look &in:");
    ShellCombo = Make<TRzShellCombo>(this, PnlWork);
    ShellCombo->SetBounds(72, 8, 300, EditHeight);
    ShellCombo->SetTabOrder(0);
    lblLookIn->SetFocusControl(ShellCombo);

    BuildToolbarImages();
    auto Tool = [this](TToolGlyph Glyph, int Tag = 0) {
        auto B = Make<TRzToolButton>(this, PnlWork);
        B->SetBounds(0, 7, ToolButtonSize, ToolButtonSize);
        B->SetImages(imlToolbar);
        B->SetImageIndex(static_cast<int>(Glyph));
        B->SetTag(Tag);
        return B;
    };
    btnUpOneLevel = Tool(TToolGlyph::UpOneLevel);
    btnUpOneLevel->OnClick = [this](TObject* S) { btnUpOneLevelClick(S); };
    btnShowDesktop = Tool(TToolGlyph::Desktop);
    btnShowDesktop->SetHint("Desktop");
    btnShowDesktop->OnClick = [this](TObject* S) { btnShowDesktopClick(S); };
    btnCreateNewFolder = Tool(TToolGlyph::NewFolder);
    btnCreateNewFolder->OnClick = [this](TObject* S) { btnCreateNewFolderClick(S); };
    btnShowTree = Tool(TToolGlyph::Tree);
    btnShowTree->SetGroupIndex(2);
    btnShowTree->SetAllowAllUp(true);
    btnShowTree->OnClick = [this](TObject* S) { btnShowTreeClick(S); };
    btnList = Tool(TToolGlyph::List, vsList);
    // The icon views leave both view buttons up.
    btnList->SetGroupIndex(3);
    btnList->SetAllowAllUp(true);
    btnList->SetDown(true);
    btnList->OnClick = [this](TObject* S) { ViewBtnClick(S); };
    btnDetails = Tool(TToolGlyph::Details, vsReport);
    btnDetails->SetGroupIndex(3);
    btnDetails->SetAllowAllUp(true);
    btnDetails->OnClick = [this](TObject* S) { ViewBtnClick(S); };
}

void TRzShellOpenSaveForm::BuildShellViews()
{
    RzSplitter1 = Make<TRzSplitter>(this, PnlWork);
    RzSplitter1->SetBorderOuter(fsNone);
    RzSplitter1->SetRealTimeDrag(true);
    RzSplitter1->SetPosition(RzOpenFormDefaultTreeWidth);
    RzSplitter1->UpperLeft()->SetVisible(false);
    ShellTree = Make<TRzShellTree>(this, RzSplitter1->UpperLeftPane());
    ShellTree->SetAlign(alClient);
    ShellTree->SetTabStop(false);
    ShellList = Make<TRzShellList>(this, RzSplitter1->LowerRightPane());
    ShellList->SetAlign(alClient);
    ShellList->SetViewStyle(vsList);
    ShellList->SetTabStop(true);
    ShellList->OnSelectItem = [this](TObject* S, TListItem* Item, bool Sel) { ShellListChange(S, Item, Sel); };
    ShellList->OnFolderChanged = [this](TObject* S) { ShellListFolderChanged(S); };
    // A renamed item the box names is named anew once the rename is done.
    ShellList->OnEdited = [this](TObject*, TListItem*, std::string&) {
        if (FActiveFlag && FNameFromList && !std::exchange(FNamesPending, true))
            PostMessageA(Handle(), RZOF_SELECTIONSETTLED, 0, 0);
    };
    ShellCombo->SetShellList(ShellList);
}

void TRzShellOpenSaveForm::BuildListMenu()
{
    LvPopup = new TPopupMenu(this);
    TMenuItem* Root = LvPopup->Items();
    View1Mitm = MakeItem(this, Root);
    LargeIcons1Mitm = MakeItem(this, View1Mitm, vsIcon);
    Smallicons1MItm = MakeItem(this, View1Mitm, vsSmallIcon);
    List1Mitm = MakeItem(this, View1Mitm, vsList);
    Details1Mitm = MakeItem(this, View1Mitm, vsReport);
    for (TMenuItem* M : {LargeIcons1Mitm, Smallicons1MItm, List1Mitm, Details1Mitm})
        M->OnClick = [this](TObject* S) { ViewBtnClick(S); };
    List1Mitm->SetChecked(true);
    N1 = MakeItem(this, Root);
    N1->SetCaption("-");
    New1Mitm = MakeItem(this, Root);
    Folder1Mitm = MakeItem(this, New1Mitm);
    Folder1Mitm->OnClick = [this](TObject* S) { btnCreateNewFolderClick(S); };
    N2 = MakeItem(this, Root);
    N2->SetCaption("-");
    Properties1Mitm = MakeItem(this, Root);
    Properties1Mitm->OnClick = [this](TObject* S) { Properties1MitmClick(S); };
    Paste1Mitm = MakeItem(this, Root);
    Paste1Mitm->OnClick = [this](TObject* S) { Paste1MitmClick(S); };
    N3 = MakeItem(this, Root);
    N3->SetCaption("-");
    ShellList->SetPopupMenu(LvPopup);
}

void TRzShellOpenSaveForm::BuildEditRows()
{
    PnlEdits = Make<TPanel>(this, PnlWork);
    PnlEdits->SetAlign(alBottom);
    PnlEdits->SetHeight(96);
    PnlEdits->SetBevelOuter(bvNone);
    PnlEdits->SetShowCaption(false);
    lblFileName = Make<TLabel>(this, PnlEdits);
    lblFileName->SetBounds(0, 10, 60, 13);
    edtFileName = Make<TRzEdit>(this, PnlEdits);
    edtFileName->SetBounds(72, 6, 300, EditHeight);
    edtFileName->SetTabOrder(0);
    edtFileName->OnChange = [this](TObject* S) { edtFileNameChange(S); };
    lblFileName->SetFocusControl(edtFileName);
    cbxFileName = Make<TRzComboBox>(this, PnlEdits);
    cbxFileName->SetBounds(72, 6, 300, EditHeight);
    cbxFileName->SetVisible(false);
    lblFilesOfType = Make<TLabel>(this, PnlEdits);
    lblFilesOfType->SetBounds(0, 38, 60, 13);
    lblFilesOfType->SetCaption("Files of &type:");
    cbxFileTypes = Make<TRzComboBox>(this, PnlEdits);
    cbxFileTypes->SetStyle(csDropDownList);
    cbxFileTypes->SetBounds(72, 34, 300, EditHeight);
    cbxFileTypes->SetTabOrder(1);
    cbxFileTypes->OnSelEndOk = [this](TObject* S) { cbxFileTypesSelEndOk(S); };
    lblFilesOfType->SetFocusControl(cbxFileTypes);
    chkReadOnly = Make<TRzCheckBox>(this, PnlEdits);
    chkReadOnly->SetBounds(72, 62, 160, 17);
    chkReadOnly->SetTabOrder(2);
    chkReadOnly->OnClick = [this](TObject* S) { chkReadOnlyClick(S); };
    btnOpen = Make<TRzBitBtn>(this, PnlEdits);
    btnOpen->SetBounds(400, 4, PushWidth, PushHeight);
    btnOpen->SetModalResult(mrOk);
    btnOpen->SetDefault(true);
    btnOpen->SetTabOrder(3);
    btnOpen->SetCaption("&Open");
    btnCancel = Make<TRzBitBtn>(this, PnlEdits);
    btnCancel->SetBounds(400, 32, PushWidth, PushHeight);
    btnCancel->SetModalResult(mrCancel);
    btnCancel->SetCancel(true);
    btnCancel->SetTabOrder(4);
    btnHelp = Make<TRzBitBtn>(this, PnlEdits);
    btnHelp->SetBounds(400, 60, PushWidth, PushHeight);
    btnHelp->SetTabOrder(5);
    btnHelp->SetVisible(false);
    btnHelp->OnClick = [this](TObject* S) { btnHelpClick(S); };
}

// Simple line glyphs of the toolbar, 16 pixels square, on a key colour.
void TRzShellOpenSaveForm::BuildToolbarImages()
{
    constexpr int S = 16;
    constexpr TColor Key = clFuchsia;
    const int Count = 6;
    TBitmap Strip(S * Count, S);
    HDC DC = Strip.Canvas()->Handle();
    TGdiObject<HBRUSH> KeyBrush(CreateSolidBrush(ColorToRGB(Key)));
    RECT All{0, 0, S * Count, S};
    FillRect(DC, &All, KeyBrush.Get());
    TGdiObject<HBRUSH> FolderBrush(CreateSolidBrush(RGB(0xF0, 0xC8, 0x50)));
    TGdiObject<HBRUSH> Dark(CreateSolidBrush(RGB(0x30, 0x30, 0x30)));
    TGdiObject<HBRUSH> Blue(CreateSolidBrush(RGB(0x20, 0x50, 0xB0)));
    auto Box = [&](int X, int L, int T, int R, int B, HBRUSH Br) {
        RECT Rc{X + L, T, X + R, B};
        FillRect(DC, &Rc, Br);
    };
    auto FolderShape = [&](int X) {
        Box(X, 1, 4, 7, 6, FolderBrush.Get());
        Box(X, 1, 5, 15, 14, FolderBrush.Get());
        RECT Rc{X + 1, 5, X + 15, 14};
        FrameRect(DC, &Rc, Dark.Get());
    };
    // Up one level: a folder with an arrow pointing up.
    int X = static_cast<int>(TToolGlyph::UpOneLevel) * S;
    FolderShape(X);
    Box(X, 7, 7, 9, 13, Blue.Get());
    Box(X, 5, 9, 11, 10, Blue.Get());
    Box(X, 6, 8, 10, 9, Blue.Get());
    // Desktop: a screen on a stand.
    X = static_cast<int>(TToolGlyph::Desktop) * S;
    Box(X, 1, 2, 15, 12, Dark.Get());
    Box(X, 2, 3, 14, 11, Blue.Get());
    Box(X, 6, 12, 10, 14, Dark.Get());
    Box(X, 4, 14, 12, 15, Dark.Get());
    // New folder: a folder with a spark.
    X = static_cast<int>(TToolGlyph::NewFolder) * S;
    FolderShape(X);
    Box(X, 11, 0, 12, 5, Blue.Get());
    Box(X, 9, 2, 14, 3, Blue.Get());
    // Tree: a stem with three branches ending in boxes.
    X = static_cast<int>(TToolGlyph::Tree) * S;
    Box(X, 2, 1, 6, 5, FolderBrush.Get());
    Box(X, 3, 5, 4, 14, Dark.Get());
    for (int Y : {7, 12}) {
        Box(X, 4, Y, 8, Y + 1, Dark.Get());
        Box(X, 8, Y - 2, 13, Y + 3, FolderBrush.Get());
    }
    // List: two columns of small items.
    X = static_cast<int>(TToolGlyph::List) * S;
    for (int Col : {1, 9})
        for (int Y : {2, 7, 12}) {
            Box(X, Col, Y, Col + 2, Y + 2, Blue.Get());
            Box(X, Col + 3, Y + 1, Col + 6, Y + 2, Dark.Get());
        }
    // Details: rows with an icon and long text.
    X = static_cast<int>(TToolGlyph::Details) * S;
    for (int Y : {2, 6, 10, 14}) {
        Box(X, 1, Y - 1, 3, Y + 1, Blue.Get());
        Box(X, 4, Y, 15, Y + 1, Dark.Get());
    }
    imlToolbar->SetSize(S, S);
    imlToolbar->AddMasked(&Strip, Key);
}

void TRzShellOpenSaveForm::FormCreate(TObject*)
{
    SetPopupMode(pmAuto);
    SetMinTrackSize(RzOpenFormMinWidth, RzOpenFormMinHeight);
    PnlJumps->SetParentBackground(false);
    PnlJumps->SetDoubleBuffered(true);
    PnlWork->SetParentBackground(false);
    PnlWork->SetDoubleBuffered(true);
    imlPlaces->SetShareImages(true);
    imlPlaces->SetHandle(ShellGetSystemImageList(TRzImageListSize::Large));
    FPlaces = LoadPlaces();
    for (int I = 0; I < RzPlaceCount; ++I) {
        if (I < static_cast<int>(FPlaces.size())) {
            btnPlace[I]->SetCaption(FPlaces[I]->Caption);
            btnPlace[I]->SetImageIndex(FPlaces[I]->IconIndex);
        } else {
            btnPlace[I]->SetVisible(false);
        }
    }
    if (OnCreate)
        OnCreate(this);
}

void TRzShellOpenSaveForm::CreateWnd()
{
    TForm::CreateWnd();
    const TRect R = ClientRect();
    FSizeGrip = CreateWindowExA(0, "SCROLLBAR", nullptr,
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | SBS_SIZEGRIP,
                                R.right - RzSizeGripSize, R.bottom - RzSizeGripSize, RzSizeGripSize,
                                RzSizeGripSize, WindowHandle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    if (FSizeGrip)
        SetWindowPos(FSizeGrip, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TRzShellOpenSaveForm::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_DESTROY)
        FSizeGrip = nullptr;
    if (Message.Msg == RZOF_SELECTIONSETTLED) {
        FlushSelectedNames();
        return;
    }
    TForm::WndProc(Message);
}

void TRzShellOpenSaveForm::FormResize(TObject*)
{
    if (!PnlWork || !PnlEdits)
        return;
    const int WorkW = PnlWork->Width();
    // The toolbar keeps to the right edge; the combo takes what is left.
    const int ToolCount = 6;
    int X = WorkW - Gap - ToolCount * ToolButtonSize;
    for (TRzToolButton* B : {btnUpOneLevel, btnShowDesktop, btnCreateNewFolder, btnShowTree, btnList, btnDetails}) {
        if (B == btnShowTree && !B->Visible())
            continue;
        B->SetLeft(X);
        X += ToolButtonSize;
    }
    ShellCombo->SetWidth(std::max(60, WorkW - Gap - ToolCount * ToolButtonSize - Gap - ShellCombo->Left()));
    const int Top = ShellCombo->Top() + ShellCombo->Height() + Gap;
    RzSplitter1->SetBounds(0, Top, WorkW - Gap, std::max(0, PnlWork->ClientHeight() - Top - PnlEdits->Height()));
    const int ButtonLeft = WorkW - btnOpen->Width() - 16;
    for (TRzBitBtn* B : {btnOpen, btnCancel, btnHelp})
        B->SetLeft(ButtonLeft);
    for (TWinControl* C : std::initializer_list<TWinControl*>{cbxFileName, edtFileName, cbxFileTypes})
        C->SetWidth(std::max(20, ButtonLeft - Gap - C->Left()));
    if (FSizeGrip) {
        const TRect R = ClientRect();
        SetWindowPos(FSizeGrip, nullptr, R.right - RzSizeGripSize, R.bottom - RzSizeGripSize, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// ---------------------------------------------------------------------------
// Settings from the dialog
// ---------------------------------------------------------------------------

void TRzShellOpenSaveForm::SetOptions(TRzOpenSaveOptions Value)
{
    FOptions = Value;
    auto Flag = [](auto Set, bool On, auto Bit) { return On ? (Set | Bit) : (Set & ~Bit); };
    TRzShellTreeOptions T = ShellTree->Options();
    TRzShellListOptions L = ShellList->Options();
    T = Flag(T, Value & osoOleDrag, stoOleDrag);
    L = Flag(L, Value & osoOleDrag, sloOleDrag);
    T = Flag(T, Value & osoOleDrop, stoOleDrop);
    L = Flag(L, Value & osoOleDrop, sloOleDrop);
    T = Flag(T, Value & osoShowHidden, stoShowHidden);
    L = Flag(L, Value & osoShowHidden, sloShowHidden);
    L = Flag(L, Value & osoHideFoldersInListWhenTreeVisible, sloHideFoldersWhenLinkedToTree);
    L = Flag(L, Value & osoFilesCanBeFolders, sloFilesCanBeFolders);
    ShellList->SetMultiSelect(Value & osoAllowMultiselect);
    ShellTree->SetOptions(static_cast<TRzShellTreeOptions>(T));
    ShellList->SetOptions(static_cast<TRzShellListOptions>(L));
    chkReadOnly->SetVisible(!(Value & osoHideReadOnly));
    btnHelp->SetVisible(Value & osoShowHelp);
    SetShowHint(Value & osoShowHints);
}

void TRzShellOpenSaveForm::SetFilter(const std::string& Value)
{
    FFilter = Value;
    ShellList->SetFileFilter(Value);
    // A filter given again replaces the types rather than adding to them.
    cbxFileTypes->Items()->Clear();
    FTypeMasks.clear();
    std::vector<std::string> Parts;
    size_t Start = 0;
    while (Start < Value.size()) {
        const size_t Bar = Value.find('|', Start);
        Parts.push_back(Value.substr(Start, Bar == std::string::npos ? std::string::npos : Bar - Start));
        if (Bar == std::string::npos)
            break;
        Start = Bar + 1;
    }
    for (size_t I = 0; I < Parts.size(); I += 2) {
        cbxFileTypes->Items()->Add(Parts[I]);
        FTypeMasks.push_back(I + 1 < Parts.size() ? Parts[I + 1] : std::string());
    }
}

void TRzShellOpenSaveForm::SetFilterIndex(int Value)
{
    // An index out of range picks the first type, and its mask applies as
    // well: the list then shows what the type box says rather than the
    // whole filter text.
    const int Count = cbxFileTypes->Items()->Count();
    if (Count == 0)
        return;
    cbxFileTypes->SetItemIndex(Value >= 1 && Value <= Count ? Value - 1 : 0);
    cbxFileTypesSelEndOk(cbxFileTypes);
}

int TRzShellOpenSaveForm::GetFilterIndex()
{
    if (cbxFileTypes->Items()->Count() == 0)
        return 0;
    return cbxFileTypes->ItemIndex() + 1;
}

void TRzShellOpenSaveForm::SetSplitterPos(int Value)
{
    FSplitterPos = Value;
    if (Value >= 0)
        RzSplitter1->SetPosition(Value);
}

int TRzShellOpenSaveForm::GetSplitterPos() const
{
    return FSplitterPos < 0 ? FSplitterPos : RzSplitter1->Position();
}

void TRzShellOpenSaveForm::SetInitialDir(const std::string& Value)
{
    FInitialDir = Value;
    if (!Value.empty())
        ShellList->Folder()->SetPathName(Value);
}

void TRzShellOpenSaveForm::SetFileName(const std::string& Value)
{
    edtFileName->SetText(Value);
}

std::string TRzShellOpenSaveForm::GetFileName() const
{
    if (FActiveFlag)
        return FAcceptedFiles->Count() > 0 ? FAcceptedFiles->Strings(0) : std::string();
    return edtFileName->Text();
}

TStrings* TRzShellOpenSaveForm::GetSelectedFiles()
{
    FParsedNames->Assign(FAcceptedFiles.get());
    return FParsedNames.get();
}

void TRzShellOpenSaveForm::SetFrameProps(TColor FrameColor, TFrameStyle FrameStyle, bool FrameVisible,
                                         TFramingPreference Preference)
{
    ShellTree->SetFrameColor(FrameColor);
    ShellTree->SetFrameStyle(FrameStyle);
    ShellTree->SetFrameVisible(FrameVisible);
    ShellTree->SetFramingPreference(Preference);
    ShellList->SetFrameColor(FrameColor);
    ShellList->SetFrameStyle(FrameStyle);
    ShellList->SetFrameVisible(FrameVisible);
    ShellList->SetFramingPreference(Preference);
    edtFileName->SetFrameColor(FrameColor);
    edtFileName->SetFrameStyle(FrameStyle);
    edtFileName->SetFrameVisible(FrameVisible);
    edtFileName->SetFramingPreference(Preference);
    for (TRzCustomComboBox* C : std::initializer_list<TRzCustomComboBox*>{ShellCombo, cbxFileName, cbxFileTypes}) {
        C->SetFrameColor(FrameColor);
        C->SetFrameStyle(FrameStyle);
        C->SetFrameVisible(FrameVisible);
        C->SetFramingPreference(Preference);
        C->SetFlatButtons(FrameVisible);
    }
}

void TRzShellOpenSaveForm::SetButtonProps(TColor ButtonColor, bool HotTrack, TColor HighlightColor,
                                          TColor HotTrackColor, TRzHotTrackColorType HotTrackColorType)
{
    for (TRzCustomButton* B : std::initializer_list<TRzCustomButton*>{chkReadOnly, btnOpen, btnCancel, btnHelp}) {
        B->SetHotTrack(HotTrack);
        B->SetHighlightColor(HighlightColor);
        B->SetHotTrackColor(HotTrackColor);
        B->SetHotTrackColorType(HotTrackColorType);
    }
    for (TRzBitBtn* B : {btnOpen, btnCancel, btnHelp})
        B->SetColor(ButtonColor);
}

void TRzShellOpenSaveForm::SetShowButtonGlyphs(bool Value)
{
    if (!Value)
        return;
    const std::pair<TRzBitBtn*, const char*> Glyphs[] = {
        {btnOpen, "RZCOMMON_OK"}, {btnCancel, "RZCOMMON_CANCEL"}, {btnHelp, "RZCOMMON_HELP"}};
    for (const auto& [Button, Name] : Glyphs) {
        TBitmap Glyph;
        Glyph.LoadFromResourceName(GetModuleHandleA(nullptr), Name);
        Button->SetGlyph(&Glyph);
        Button->SetWidth(Button->Width() + GlyphWidenBy);
    }
}

void TRzShellOpenSaveForm::SetToolButtonProps(TRzGradientColorStyle GradientColorStyle, TColor SelectionColorStart,
                                              TColor SelectionColorStop, TColor SelectionFrameColor,
                                              TRzVisualStyle VisualStyle)
{
    std::vector<TRzToolButton*> All(btnPlace, btnPlace + RzPlaceCount);
    All.insert(All.end(), {btnUpOneLevel, btnShowDesktop, btnCreateNewFolder, btnShowTree, btnList, btnDetails});
    for (TRzToolButton* B : All) {
        B->SetGradientColorStyle(GradientColorStyle);
        B->SetSelectionColorStart(SelectionColorStart);
        B->SetSelectionColorStop(SelectionColorStop);
        B->SetSelectionFrameColor(SelectionFrameColor);
        B->SetVisualStyle(VisualStyle);
    }
}

// ---------------------------------------------------------------------------
// Showing and hiding
// ---------------------------------------------------------------------------

void TRzShellOpenSaveForm::DoShow()
{
    // The hourglass goes whatever happens below.
    Screen->SetCursor(crHourGlass);
    SetCursor(crHourGlass);
    TScopeExit Restore([this] {
        SetCursor(crDefault);
        Screen->SetCursor(crDefault);
    });
    TForm::DoShow();
    Font()->SetName("MS Sans Serif");
    SendMessageA(cbxFileTypes->Handle(), CB_SETEXTENDEDUI, TRUE, 0);
    if (!(FOptions & osoAllowTree)) {
        btnShowTree->SetVisible(false);
        const int Shift = btnList->Left() - btnShowTree->Left();
        btnList->SetLeft(btnList->Left() - Shift);
        btnDetails->SetLeft(btnDetails->Left() - Shift);
    }
    int Lowest = 0;
    for (int I = 0; I < PnlEdits->ControlCount(); ++I)
        if (TControl* C = PnlEdits->Controls(I); C->Visible())
            Lowest = std::max(Lowest, C->Top() + C->Height());
    PnlEdits->SetHeight(Lowest + Gap);
    SetCaptions();
    // The box opens showing what the option says.
    chkReadOnly->SetChecked(FOptions & osoReadOnly);
    SetShowTree(FOptions & osoShowTree);
    const std::string Typed = edtFileName->Text();
    const size_t Slash = Typed.find_last_of('\\');
    if (FInitialDir.empty() && Slash != std::string::npos) {
        GoToFolderPath(Typed.substr(0, Slash == 2 && Typed[1] == ':' ? 3 : Slash));
        if (Slash + 1 < Typed.size())
            edtFileName->SetText(Typed.substr(Slash + 1));
    } else if (FInitialDir.empty()) {
        char Current[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, Current);
        GoToFolderPath(Current);
    } else {
        GoToFolderPath(FInitialDir);
    }
    FNameFromList = true;
    FActiveFlag = true;
    FormResize(this);
    DoFormShow();
}

void TRzShellOpenSaveForm::DoHide()
{
    FActiveFlag = false;
    TForm::DoHide();
    DoFormClose();
}

void TRzShellOpenSaveForm::DoFormClose()
{
    if (OnFormClose)
        OnFormClose(this);
}

void TRzShellOpenSaveForm::DoFolderChanged()
{
    if (OnFolderChanged)
        OnFolderChanged(this);
}

void TRzShellOpenSaveForm::DoSelectionChanged()
{
    if (OnSelectionChanged)
        OnSelectionChanged(this);
}

void TRzShellOpenSaveForm::DoFormShow()
{
    if (OnFormShow)
        OnFormShow(this);
}

void TRzShellOpenSaveForm::DoTypeChanged()
{
    if (OnTypeChanged)
        OnTypeChanged(this);
}

void TRzShellOpenSaveForm::SetCaptions()
{
    btnCancel->SetCaption("Cancel");
    btnHelp->SetCaption("&Help");
    btnUpOneLevel->SetHint("Up One Level");
    btnCreateNewFolder->SetHint("Create New Folder");
    btnList->SetHint("List|Displays items in a list.");
    btnDetails->SetHint("Details|Displays information about each item in the window.");
    btnShowTree->SetHint("Show Tree (F12)");
    chkReadOnly->SetCaption("Open as &read-only");
    lblFileName->SetCaption("File &name:");
    const std::pair<TMenuItem*, std::pair<const char*, const char*>> Items[] = {
        {View1Mitm, {"&View", "Contains commands for customizing this window."}},
        {LargeIcons1Mitm, {"Lar&ge Icons", "Displays items by using large icons."}},
        {Smallicons1MItm, {"S&mall Icons", "Displays items by using small icons."}},
        {List1Mitm, {"&List", "Displays items in a list."}},
        {Details1Mitm, {"&Details", "Displays information about each item in the window."}},
        {Paste1Mitm, {"&Paste", "Inserts the items you have copied or cut into the selected location."}},
        {New1Mitm, {"Ne&w", "Contains commands for creating new items."}},
        {Folder1Mitm, {"&Folder", "Creates a new, empty folder."}},
        {Properties1Mitm, {"P&roperties", "Displays the properties of the selected items."}},
    };
    for (const auto& [Item, Text] : Items) {
        Item->SetCaption(Text.first);
        Item->SetHint(Text.second);
    }
    // The boxes start past the wider label and keep their right edges.
    const int LabelW = std::max(LabelTextWidth(lblFileName), LabelTextWidth(lblFilesOfType));
    lblFileName->SetWidth(LabelW);
    lblFilesOfType->SetWidth(LabelW);
    for (TControl* Box : std::initializer_list<TControl*>{cbxFileTypes, edtFileName, chkReadOnly, cbxFileName}) {
        const int Right = Box->Left() + Box->Width();
        const int NewLeft = lblFileName->Left() + LabelW + Gap;
        Box->SetBounds(NewLeft, Box->Top(), std::max(20, Right - NewLeft), Box->Height());
    }
}

// ---------------------------------------------------------------------------
// The tree
// ---------------------------------------------------------------------------

void TRzShellOpenSaveForm::SetShowTree(bool Show)
{
    if (Show) {
        if (ShellTree->ShellCombo() == ShellCombo && RzSplitter1->UpperLeft()->Visible())
            return;
        btnShowTree->SetDown(true);
        try {
            if (ShellTree->ShellCombo() != ShellCombo) {
                TRzHourglass Wait;
                ShellTree->SetSelectedFolder(ShellCombo->SelectedFolder());
                ShellCombo->SetShellList(nullptr);
                ShellCombo->SetShellTree(ShellTree);
                ShellTree->SetShellList(ShellList);
            } else {
                ShellTree->SetShellList(ShellList);
                ShellCombo->SetShellTree(ShellTree);
            }
            RzSplitter1->UpperLeft()->SetVisible(true);
            if (FSplitterPos < 0)
                FSplitterPos = RzOpenFormDefaultTreeWidth;
            RzSplitter1->SetPosition(FSplitterPos);
        } catch (...) {
            btnShowTree->SetDown(false);
            throw;
        }
        SetOptions(FOptions | osoShowTree);
        ShellTree->SetTabStop(true);
    } else {
        btnShowTree->SetDown(false);
        if (ShellTree->Focused())
            ShellList->SetFocus();
        ShellTree->SetTabStop(false);
        ShellTree->SetShellList(nullptr);
        ShellCombo->SetShellTree(nullptr);
        ShellCombo->SetShellList(ShellList);
        SetSplitterPos(GetSplitterPos());
        RzSplitter1->UpperLeft()->SetVisible(false);
        SetOptions(FOptions & ~osoShowTree);
    }
    if (ShellList->Visible() && (ShellList->Options() & sloHideFoldersWhenLinkedToTree))
        ShellList->FillList();
}

// ---------------------------------------------------------------------------
// Keys, views, the list and the types
// ---------------------------------------------------------------------------

void TRzShellOpenSaveForm::FormKeyDown(TObject*, WORD& Key, TShiftState Shift)
{
    if (Shift != 0)
        return;
    switch (Key) {
    case VK_F4:
        if (ShellCombo->DroppedDown()) {
            ShellCombo->SetDroppedDown(false);
            ShellList->SetFocus();
            ShellCombo->Perform(CN_COMMAND, MAKEWPARAM(0, CBN_SELENDOK), 0);
        } else {
            ShellCombo->SetFocus();
            ShellCombo->SetDroppedDown(true);
        }
        break;
    case VK_F5:
        if (!ShellCombo->Focused())
            ShellCombo->Refill();
        if (!ShellList->Focused())
            ShellList->FillList();
        if (ShellTree->ShellList() == ShellList && !ShellTree->Focused())
            ShellTree->RefreshTree();
        break;
    case VK_F12:
        if (FOptions & osoAllowTree)
            SetShowTree(!btnShowTree->Down());
        break;
    default:
        break;
    }
}

void TRzShellOpenSaveForm::ViewBtnClick(TObject* Sender)
{
    int Tag = 0;
    if (auto* B = dynamic_cast<TRzToolButton*>(Sender))
        Tag = static_cast<int>(B->Tag());
    else if (auto* M = dynamic_cast<TMenuItem*>(Sender))
        Tag = static_cast<int>(M->Tag());
    else
        return;
    const auto Style = static_cast<TViewStyle>(Tag);
    ShellList->SetViewStyle(Style);
    for (TRzToolButton* B : {btnList, btnDetails})
        B->SetDown(B->Tag() == Tag);
    for (TMenuItem* M : {LargeIcons1Mitm, Smallicons1MItm, List1Mitm, Details1Mitm})
        M->SetChecked(M->Tag() == Tag);
}

void TRzShellOpenSaveForm::ShellListChange(TObject*, TListItem*, bool)
{
    if (!FActiveFlag)
        return;
    // A refill drops the selection item by item; the one left for a moment
    // is not what the user chose, and the File name box keeps its text.
    // Select-all changes every item: the box is written once, when the
    // changes are all in, or each change would write every name again.
    if (!ShellList->Refilling() && !std::exchange(FNamesPending, true))
        PostMessageA(Handle(), RZOF_SELECTIONSETTLED, 0, 0);
    DoSelectionChanged();
}

void TRzShellOpenSaveForm::FlushSelectedNames()
{
    if (std::exchange(FNamesPending, false) && FActiveFlag)
        WriteSelectedNames();
}

std::vector<TRzShellOpenSaveForm::TSelectedFile> TRzShellOpenSaveForm::SelectedFiles()
{
    // The selected files in order with their names on disk, asked of the
    // control: a walk over every item would look each one up by position.
    std::vector<TSelectedFile> Collected;
    const HWND List = ShellList->Handle();
    for (int I = ListView_GetNextItem(List, -1, LVNI_SELECTED); I >= 0 && I < ShellList->ItemCount();
         I = ListView_GetNextItem(List, I, LVNI_SELECTED)) {
        TRzShellListData* D = ShellList->ItemData(I);
        std::string Name;
        DWORD Attributes = INVALID_FILE_ATTRIBUTES;
        const TRzDiskKind Kind = D ? D->DiskKind(Name, &Attributes) : TRzDiskKind::Directory;
        if (Kind == TRzDiskKind::Directory || (Kind == TRzDiskKind::Unknown && D->IsFolder()))
            continue;
        if (Kind == TRzDiskKind::File)
            Collected.push_back({D, Name, Attributes});
        else
            Collected.push_back({D, D->FileName(), INVALID_FILE_ATTRIBUTES});
    }
    return Collected;
}

std::string TRzShellOpenSaveForm::SingleFileBoxName(const TSelectedFile& File)
{
    // No file name holds a '?': in the shown name it stands for what
    // the code page lost, and the name on disk is the one that opens.
    const std::string Shown = File.Data->DisplayName();
    return Shown.find('?') == std::string::npos ? Shown : File.Name;
}

void TRzShellOpenSaveForm::WriteSelectedNames()
{
    const std::vector<TSelectedFile> Collected = SelectedFiles();
    if (Collected.size() >= 2) {
        std::string Text;
        for (const TSelectedFile& File : Collected) {
            if (!Text.empty())
                Text += ' ';
            Text += "\"" + File.Name + "\"";
        }
        edtFileName->SetText(Text);
    } else if (Collected.size() == 1) {
        edtFileName->SetText(SingleFileBoxName(Collected[0]));
    } else {
        // A folder's name stays out of the box, and the name there, typed
        // or picked before, stays the one Open takes: it no longer names
        // what is selected.
        FNameFromList = false;
        return;
    }
    FNameFromList = true;
}

TRzShellListData* TRzShellOpenSaveForm::SelectedFileNamed(const std::string& Name)
{
    for (const auto& File : SelectedFiles())
        if (SingleFileBoxName(File) == Name)
            return File.Data;
    return nullptr;
}

void TRzShellOpenSaveForm::edtFileNameChange(TObject*)
{
    if (FActiveFlag)
        FNameFromList = false;
}

void TRzShellOpenSaveForm::cbxFileTypesSelEndOk(TObject*)
{
    if (!FTypedMask.empty()) {
        edtFileName->SetText("");
        FTypedMask.clear();
    }
    const int Index = cbxFileTypes->ItemIndex();
    if (Index >= 0 && Index < static_cast<int>(FTypeMasks.size()))
        ShellList->SetFileFilter(FTypeMasks[static_cast<size_t>(Index)]);
    if (FActiveFlag)
        DoTypeChanged();
}

std::string TRzShellOpenSaveForm::SelectedTypeMask()
{
    const int Index = cbxFileTypes->ItemIndex();
    return Index >= 0 && Index < static_cast<int>(FTypeMasks.size()) ? FTypeMasks[static_cast<size_t>(Index)]
                                                                      : std::string();
}

// ---------------------------------------------------------------------------
// Folders and the places bar
// ---------------------------------------------------------------------------

std::string TRzShellOpenSaveForm::ListFolderPath() const
{
    return ShellList->Folder()->PathName();
}

void TRzShellOpenSaveForm::GoToFolderPath(const std::string& Path)
{
    ShellCombo->SelectedFolder()->SetPathName(Path);
}

bool TRzShellOpenSaveForm::FolderMatchesPlace(const TRzPlaceData& Place)
{
    if (Place.Kind == csidlNone) {
        const std::string Shown = ListFolderPath();
        return !Shown.empty() && SameFolderText(Shown, Place.Path);
    }
    return ShellGetSpecialFolderIdFromPidl(ShellList->Folder()->IdList()) == Place.Kind;
}

void TRzShellOpenSaveForm::UpdatePlacesBar()
{
    for (int I = 0; I < RzPlaceCount && I < static_cast<int>(FPlaces.size()); ++I)
        btnPlace[I]->SetDown(FolderMatchesPlace(*FPlaces[static_cast<size_t>(I)]));
}

void TRzShellOpenSaveForm::ShellListFolderChanged(TObject*)
{
    if (!FActiveFlag)
        return;
    DoFolderChanged();
    UpdatePlacesBar();
}

void TRzShellOpenSaveForm::btnUpOneLevelClick(TObject*)
{
    ShellList->GoUp(1);
}

void TRzShellOpenSaveForm::btnShowTreeClick(TObject*)
{
    SetShowTree(btnShowTree->Down());
}

void TRzShellOpenSaveForm::btnShowDesktopClick(TObject*)
{
    ShellList->Folder()->SetSpecialFolder(csidlDesktop);
}

void TRzShellOpenSaveForm::btnPlaceClick(TObject* Sender)
{
    auto* B = dynamic_cast<TRzToolButton*>(Sender);
    if (!B || B->Tag() < 0 || B->Tag() >= static_cast<std::intptr_t>(FPlaces.size()))
        return;
    const TRzPlaceData& Place = *FPlaces[static_cast<size_t>(B->Tag())];
    if (Place.Kind == csidlNone)
        ShellList->Folder()->SetPathName(Place.Path);
    else
        ShellList->Folder()->SetSpecialFolder(Place.Kind);
    UpdatePlacesBar();
}

void TRzShellOpenSaveForm::btnCreateNewFolderClick(TObject*)
{
    if (ShellTree->Focused() ||
        (RzSplitter1->UpperLeft()->Visible() && (FOptions & osoHideFoldersInListWhenTreeVisible)))
        ShellTree->CreateNewFolder();
    else
        ShellList->CreateNewFolder(true);
}

void TRzShellOpenSaveForm::btnHelpClick(TObject*)
{
    // The dialog's help handler sees the request first and may serve it.
    bool CallHelp = true;
    if (OnDialogHelp)
        OnDialogHelp(HELP_CONTEXT, static_cast<ULONG_PTR>(HelpContext), CallHelp);
    if (CallHelp)
        Application->HelpCommand(HELP_CONTEXT, static_cast<ULONG_PTR>(HelpContext));
}

void TRzShellOpenSaveForm::chkReadOnlyClick(TObject*)
{
    if (chkReadOnly->Checked())
        FOptions |= osoReadOnly;
    else
        FOptions &= ~osoReadOnly;
}

void TRzShellOpenSaveForm::Paste1MitmClick(TObject*)
{
    ShellList->InvokeVerbOnFolder("paste");
}

void TRzShellOpenSaveForm::Properties1MitmClick(TObject*)
{
    ShellList->InvokeVerbOnFolder("properties");
}

void TRzShellOpenSaveForm::DblClickOpen(TObject*, bool& Handled)
{
    SetModalResult(mrOk);
    Handled = true;
}
