#include "controls/RzBtnEdt.h"

#include <array>
#include <memory>

#include "classlib/Themes.h"

namespace {

constexpr int KindCount = static_cast<int>(TButtonKind::bkSearch) + 1;

// The kind glyphs, loaded from the program's resources on first use.
TBitmap* KindGlyph(TButtonKind Kind)
{
    static const char* const Names[KindCount] = {
        nullptr, "RZBTNEDT_LOOKUP", "RZBTNEDT_DROPDOWN", "RZBTNEDT_CALENDAR", "RZBTNEDT_ACCEPT",
        "RZBTNEDT_REJECT", "RZBTNEDT_FOLDER", "RZBTNEDT_FIND", "RZBTNEDT_SEARCH",
    };
    static std::array<std::unique_ptr<TBitmap>, KindCount> Cache;
    const auto I = static_cast<size_t>(Kind);
    if (Kind == TButtonKind::bkCustom || I >= Cache.size())
        return nullptr;
    if (!Cache[I]) {
        auto B = std::make_unique<TBitmap>();
        B->LoadFromResourceName(GetModuleHandleA(nullptr), Names[I]);
        Cache[I] = std::move(B);
    }
    return Cache[I].get();
}

} // namespace

TRzPairLayout LayoutButtonPair(bool MainVisible, int MainWidth, bool AltVisible, int AltWidth, int PairHeight)
{
    TRzPairLayout L{TRect(0, 0, 0, 0), TRect(0, 0, 0, 0)};
    const int H = PairHeight - 1;
    if (MainVisible)
        L.Main = TRect(0, 0, MainWidth, H);
    if (AltVisible) {
        const int X = MainVisible ? MainWidth : 0;
        L.Alt = TRect(X, 0, X + AltWidth, H);
    }
    return L;
}

TRect ButtonStripRect(int EditWidth, int EditHeight, int StripWidth, bool RightToLeft, bool Framed)
{
    const int H = EditHeight - 3;
    if (RightToLeft)
        return TRect(0, 0, StripWidth, H);
    if (Framed)
        return TRect(EditWidth - StripWidth - 4, 0, EditWidth - 4, H);
    return TRect(EditWidth - StripWidth - 1, 1, EditWidth - 1, 1 + H);
}

// ---------------------------------------------------------------------------
// TRzButtonPair
// ---------------------------------------------------------------------------

TRzButtonPair::TRzButtonPair(TComponent* AOwner) : TCustomControl(AOwner)
{
    FControlStyle &= ~(csAcceptsControls | csSetCaption);
    FWidth = 34;
    FHeight = 21;
    SetTabStop(false);
    FAltButton = CreateButton();
    FButton = CreateButton();
    FButton->SetVisible(true);
}

TRzButtonPair::~TRzButtonPair()
{
    SetFocusControl(nullptr);
}

TRzControlButton* TRzButtonPair::CreateButton()
{
    auto B = new TRzControlButton(this);
    B->SetVisible(false);
    B->SetParent(this);
    B->SetFlat(true);
    B->SetWidth(ThemeServices()->ThemesEnabled() ? 15 : 17);
    B->OnClick = [this](TObject* Sender) { ButtonClick(Sender); };
    B->OnMouseDown = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
        ButtonMouseDown(Sender, Button, Shift, X, Y);
    };
    // The release of a refused press ends the refusal.
    B->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { FPressCancelled = false; };
    return B;
}

void TRzButtonPair::SetFocusControl(TWinControl* Value)
{
    if (FFocusControl == Value)
        return;
    if (FFocusControl)
        FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TRzButtonPair::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl)
        FFocusControl = nullptr;
}

void TRzButtonPair::SetFlat(bool Value)
{
    FButton->SetFlat(Value);
    FAltButton->SetFlat(Value);
}

void TRzButtonPair::SetPairColor(TColor Value)
{
    SetColor(Value);
    FButton->SetColor(Value);
    FAltButton->SetColor(Value);
}

void TRzButtonPair::SetPairEnabled(bool Value)
{
    SetEnabled(Value);
    FButton->SetEnabled(Value);
    FAltButton->SetEnabled(Value);
}

void TRzButtonPair::Resize()
{
    TCustomControl::Resize();
    ResizeButtons();
}

void TRzButtonPair::ResizeButtons()
{
    if (HasState(csLoading))
        return;
    const TRzPairLayout L =
        LayoutButtonPair(FButton->Visible(), FButton->Width(), FAltButton->Visible(), FAltButton->Width(), Height());
    if (FButton->Visible())
        FButton->SetBounds(L.Main.left, L.Main.top, L.Main.Width(), L.Main.Height());
    if (FAltButton->Visible())
        FAltButton->SetBounds(L.Alt.left, L.Alt.top, L.Alt.Width(), L.Alt.Height());
}

bool TRzButtonPair::TakeFocus(TWinControl* Control)
{
    if (!Control->HandleAllocated() || GetFocus() == Control->WindowHandle())
        return true;
    Control->SetFocus();
    return Control->HandleAllocated() && GetFocus() == Control->WindowHandle();
}

void TRzButtonPair::ButtonMouseDown(TObject*, TMouseButton Button, TShiftState, int, int)
{
    if (Button != mbLeft)
        return;
    FPressCancelled = false;
    TWinControl* Target = nullptr;
    if (FFocusControl && FFocusControl->TabStop() && FFocusControl->CanFocus())
        Target = FFocusControl;
    else if (TabStop() && CanFocus())
        Target = this;
    if (Target && !TakeFocus(Target))
        FPressCancelled = true; // a focus handler sent it elsewhere: no click follows
}

void TRzButtonPair::ButtonClick(TObject* Sender)
{
    if (FPressCancelled)
        return;
    if (Sender == FAltButton) {
        if (OnAltBtnClick)
            OnAltBtnClick(this);
    } else if (OnButtonClick) {
        OnButtonClick(this);
    }
}

// ---------------------------------------------------------------------------
// TRzCustomButtonEdit
// ---------------------------------------------------------------------------

TRzCustomButtonEdit::TRzCustomButtonEdit(TComponent* AOwner) : TRzEdit(AOwner)
{
    FWidth = 121;
    FButtons = new TRzButtonPair(this);
    FButtons->SetParent(this);
    FButtons->SetFocusControl(this);
    FButtons->OnButtonClick = [this](TObject*) { ButtonClick(); };
    FButtons->OnAltBtnClick = [this](TObject*) { AltBtnClick(); };
    SetKind(MainIndex, TButtonKind::bkLookup);
    SetKind(AltIndex, TButtonKind::bkLookup);
    ResizeButtons();
}

TRzCustomButtonEdit::~TRzCustomButtonEdit() = default;

TRzControlButton* TRzCustomButtonEdit::GetButton(int Index) const
{
    return Index == AltIndex ? FButtons->AltButton() : FButtons->Button();
}

void TRzCustomButtonEdit::SetKind(int Index, TButtonKind Value)
{
    FKind[Index == AltIndex ? 0 : 1] = Value;
    if (Value == TButtonKind::bkCustom || HasState(csLoading))
        return;
    if (TBitmap* Glyph = KindGlyph(Value)) {
        GetButton(Index)->SetGlyph(Glyph);
        GetButton(Index)->SetNumGlyphs(2);
    }
}

void TRzCustomButtonEdit::SetGlyph(int Index, const TBitmap* Value)
{
    GetButton(Index)->SetGlyph(Value);
    FKind[Index == AltIndex ? 0 : 1] = TButtonKind::bkCustom;
}

void TRzCustomButtonEdit::SetVisibleOf(int Index, bool Value)
{
    GetButton(Index)->SetVisible(Value);
    ResizeButtons();
}

void TRzCustomButtonEdit::SetWidthOf(int Index, int Value)
{
    GetButton(Index)->SetWidth(Value);
    ResizeButtons();
}

void TRzCustomButtonEdit::Loaded()
{
    TRzEdit::Loaded();
    SetKind(MainIndex, FKind[1]);
    SetKind(AltIndex, FKind[0]);
    ResizeButtons();
}

void TRzCustomButtonEdit::CreateWnd()
{
    TRzEdit::CreateWnd();
    SetEditRect();
}

void TRzCustomButtonEdit::ResizeButtons()
{
    if (HasState(csLoading) || !FButtons)
        return;
    const int LineHeight = GetFontLineHeight(Font());
    if (LineHeight > Height()) {
        SetHeight(LineHeight); // the resize that follows lays out again
        if (Height() == LineHeight)
            return;
    }
    int W = 0;
    if (FButtons->Button()->Visible())
        W += FButtons->Button()->Width();
    if (FButtons->AltButton()->Visible())
        W += FButtons->AltButton()->Width();
    const TRect R = ButtonStripRect(Width(), Height(), W, false, FrameVisible() || BorderStyle() == bsSingle);
    FButtons->SetBounds(R.left, R.top, R.Width(), R.Height());
    FButtons->ResizeButtons();
    SetEditRect();
    Invalidate();
}

void TRzCustomButtonEdit::SetEditRect()
{
    if (!HandleAllocated())
        return;
    if (ButtonsHidden())
        SetMargins(0, 0);
    else
        SetMargins(0, FButtons->Width() + 2);
}

TRect TRzCustomButtonEdit::GetEditRect()
{
    TRect R = TRzEdit::GetEditRect();
    if (!ButtonsHidden())
        R.right -= 2 + FButtons->Width();
    return R;
}

void TRzCustomButtonEdit::AltBtnClick()
{
    if (OnAltBtnClick)
        OnAltBtnClick(this);
}

void TRzCustomButtonEdit::ButtonClick()
{
    if (OnButtonClick)
        OnButtonClick(this);
}

void TRzCustomButtonEdit::SetHideButtonsOnReadOnly(bool Value)
{
    if (StoreChanged(FHideButtonsOnReadOnly, Value))
        ReadOnlyChanged();
}

void TRzCustomButtonEdit::ReadOnlyChanged()
{
    TRzEdit::ReadOnlyChanged();
    FButtons->SetVisible(!ButtonsHidden());
    ResizeButtons();
}

void TRzCustomButtonEdit::SetFlatButtonColor(TColor Value)
{
    if (StoreChanged(FFlatButtonColor, Value))
        UpdateFrame(false, HotByFocus());
}

void TRzCustomButtonEdit::SetFlatButtons(bool Value)
{
    TRzEdit::SetFlatButtons(Value);
    FButtons->SetFlat(Value);
    ResizeButtons();
}

void TRzCustomButtonEdit::UpdateFrame(bool ViaMouse, bool Hot)
{
    TRzEdit::UpdateFrame(ViaMouse, Hot);
    if (!FlatButtons())
        return;
    const bool Lit = HotByMouse() || HotByFocus();
    if (ThemeServices()->ThemesEnabled()) {
        FButtons->SetFlat(!Lit);
        FButtons->SetPairColor(Color());
    } else {
        FButtons->SetPairColor(Lit ? FFlatButtonColor : Color());
    }
}

void TRzCustomButtonEdit::KeyDown(WORD& Key, TShiftState Shift)
{
    TRzEdit::KeyDown(Key, Shift);
    if (!FAllowKeyEdit && Key == VK_DELETE) {
        InvalidKeyBeep();
        Key = 0;
        return;
    }
    const TShortCut Pressed = ShortCut(static_cast<WORD>(Key & 0xFF), Shift);
    FKeyHandled = false;
    if (Pressed == scNone)
        return;
    TRzControlButton* Main = FButtons->Button();
    TRzControlButton* Alt = FButtons->AltButton();
    if (Main->Visible() && Main->Enabled() && Pressed == FShortCut[1]) {
        FKeyHandled = true;
        Main->Click();
    } else if (Alt->Visible() && Alt->Enabled() && Pressed == FShortCut[0]) {
        FKeyHandled = true;
        Alt->Click();
    }
}

void TRzCustomButtonEdit::KeyPress(char& Key)
{
    TRzEdit::KeyPress(Key);
    if (Key == 0)
        return;
    if (FKeyHandled) {
        FKeyHandled = false;
        Key = 0;
        return;
    }
    if (!FAllowKeyEdit && (static_cast<unsigned char>(Key) >= 32 || Key == VK_BACK)) {
        InvalidKeyBeep();
        Key = 0;
    }
}

void TRzCustomButtonEdit::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_CUT: case WM_PASTE:
        if (!FAllowKeyEdit || ReadOnly())
            return;
        break;
    case CM_ENTER:
        SetEditRect();
        break;
    case CM_EXIT:
        TRzEdit::WndProc(Message);
        SetEditRect();
        return;
    case WM_SIZE:
        TRzEdit::WndProc(Message);
        ResizeButtons();
        return;
    case WM_WINDOWPOSCHANGED:
        // The window's new size reaches the control's bounds only after the
        // size message has been handled; the buttons follow it here.
        TRzEdit::WndProc(Message);
        ResizeButtons();
        return;
    case CM_COLORCHANGED:
        TRzEdit::WndProc(Message);
        FButtons->SetPairColor(Color());
        return;
    case CM_ENABLEDCHANGED:
        TRzEdit::WndProc(Message);
        SetEditRect();
        FButtons->SetPairEnabled(Enabled());
        if (FlatButtons())
            FButtons->SetPairColor(Color());
        return;
    case CM_FONTCHANGED:
        TRzEdit::WndProc(Message);
        SetEditRect();
        FButtons->SetPairEnabled(Enabled());
        ResizeButtons();
        return;
    default:
        break;
    }
    TRzEdit::WndProc(Message);
}
