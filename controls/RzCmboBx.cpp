#include "controls/RzCmboBx.h"

#include <commctrl.h>

#include <algorithm>

#include "classlib/Cleanup.h"
#include "classlib/PathForms.h"
#include "classlib/Themes.h"
#include "controls/RzGrafx.h"

namespace {

// Part and states of the themed drop-down button.
constexpr int ComboDropDownButtonPart = 1;
constexpr int ComboButtonHot = 2;
constexpr int ComboButtonPressed = 3;

constexpr char CtrlC = 3;
constexpr char CtrlV = 22;
constexpr char CtrlX = 24;

bool KeyHeld(int VKey)
{
    return (GetKeyState(VKey) & 0x8000) != 0;
}

} // namespace

TRzCustomComboBox::TRzCustomComboBox(TComponent* AOwner) : TRzFrameProps<TCustomComboBox>(AOwner)
{
    FControlStyle &= ~csSetCaption;
    FNormalColor = Color();
    FSearchTimer = new TTimer(this);
    FSearchTimer->SetEnabled(false);
    FSearchTimer->SetInterval(GKeyboardSearchDelay);
    FSearchTimer->OnTimer = [this](TObject*) { SearchTimerTick(); };
}

bool TRzCustomComboBox::StylesActive() const
{
    return ThemeServices()->ThemesEnabled();
}

bool TRzCustomComboBox::UseThemes() const
{
    return FFramingPreference == fpXPThemes && StylesActive();
}

void TRzCustomComboBox::CreateWnd()
{
    TCustomComboBox::CreateWnd();
    if (EditHandle())
        SendMessageA(EditHandle(), EM_SETREADONLY, FReadOnly ? TRUE : FALSE, 0);
    UpdateTextHint();
}

void TRzCustomComboBox::Loaded()
{
    TCustomComboBox::Loaded();
    FNormalColor = Color();
    UpdateColors();
    UpdateFrame(false, false);
}

void TRzCustomComboBox::FrameSettingChanged(TRzFrameControllerPropertyConnection What)
{
    if (What != fcpFramingPreference || FFramingPreference == fpCustomFraming)
        Invalidate();
}

// ---------------------------------------------------------------------------
// Colours and frame
// ---------------------------------------------------------------------------

void TRzCustomComboBox::UpdateColors()
{
    if (HasState(csLoading))
        return;
    FUpdatingColor = true;
    SetColor(StateColor({FNormalColor, FDisabledColor, FFocusColor, FReadOnlyColor, FReadOnlyColorOnFocus},
                        Enabled(), FHasFocus, FReadOnly));
    FUpdatingColor = false;
}

void TRzCustomComboBox::UpdateFrame(bool ViaMouse, bool Hot)
{
    if (ViaMouse)
        FMouseOver = Hot;
    else
        FFocusedFrame = Hot;
    const bool VistaStyles = StylesActive() && IsWindowsVersionOrLater(wvWinVista);
    if (((FFlatButtons && !VistaStyles) || FFrameHotTrack) && !DroppedDown())
        RepaintFrameArea();
    UpdateColors();
}

void TRzCustomComboBox::RepaintFrameArea()
{
    if (!HandleAllocated())
        return;
    RECT R = ClientRect();
    if (!FFrameHotTrack)
        R.left = R.right - (GetSystemMetrics(SM_CXVSCROLL) + 2);
    RedrawWindow(WindowHandle(), &R, nullptr, RDW_INVALIDATE | RDW_NOERASE);
}

void TRzCustomComboBox::PaintFrame(HDC DC)
{
    TCanvas C;
    C.SetHandle(DC);
    const TRect R = ClientRect();
    const bool Styles = StylesActive();
    const bool Vista = IsWindowsVersionOrLater(wvWinVista);
    const bool VistaStyles = Styles && Vista;
    const int B = Styles ? 1 : 2;
    const int ButtonW = GetSystemMetrics(SM_CXVSCROLL);
    const TRect Button(R.right - B - ButtonW, R.top + B, R.right - B, R.bottom - B);
    TRect TextArea = R;
    TextArea.right = Button.left;
    const TColor Back = Color();

    // Erase the 3-D border under the library frame, or the themed edge's
    // inner ring in the control's colour.
    if (FFrameVisible && !UseThemes()) {
        if (!VistaStyles) {
            if (Styles) {
                DrawBox(&C, R, Back);
                DrawBevel(&C, ShrunkRect(TextArea, 1), Back, Back, 2, sdAllSides);
            } else {
                DrawBevel(&C, R, Back, Back, 2, sdAllSides);
            }
        }
    } else if (Styles && ColorToRGB(Back) != ColorToRGB(clWhite) &&
               !(Style() == csDropDownList && FReadOnly && Vista)) {
        DrawBevel(&C, ShrunkRect(TextArea, 1), Back, Back, 2, sdAllSides);
    }
    const bool ExactlyVista = Vista && !IsWindowsVersionOrLater(wvWin7);
    if (Styles && Style() != csSimple &&
        ((IsWindowsVersionOrLater(wvWinXP) && !Vista) || (ExactlyVista && Style() == csDropDown)))
        FillSolidRect(DC, TRect(Button.left - 2, Button.top, Button.left, Button.bottom), Back);

    if (FFlatButtons && !FReadOnly && !VistaStyles) {
        const bool Hot = FFocusedFrame || FMouseOver;
        const bool Dropped = DroppedDown();
        if (Hot) {
            if (Styles) {
                ThemeServices()->DrawElement(DC, teComboBox, ComboDropDownButtonPart,
                                             Dropped ? ComboButtonPressed : ComboButtonHot, Button);
            } else {
                TRect Face;
                if (FFlatButtonColor == clBtnFace)
                    Face = DrawBevel(&C, Button, Dropped ? clBtnShadow : clBtnHighlight,
                                     Dropped ? clBtnHighlight : clBtnShadow, 1, sdAllSides);
                else
                    Face = DrawColorBorder(&C, Button, FFlatButtonColor, Dropped ? fsStatus : fsPopup);
                FillSolidRect(DC, Face, FFlatButtonColor);
                TRect Arrow = Face;
                if (Dropped)
                    OffsetRect(&Arrow, 1, 1);
                DrawDropDownArrow(&C, Arrow, 0, true);
            }
        } else {
            FillSolidRect(DC, Button, Back);
            DrawDropDownArrow(&C, Button, Styles ? 2 : 0, Enabled());
        }
    } else if (FReadOnly && Style() != csDropDownList) {
        FillSolidRect(DC, Button, Back);
    }

    if (FFrameVisible && !UseThemes()) {
        const bool Hot = FFrameHotTrack && (FFocusedFrame || FMouseOver);
        const TColor FrameC = Hot ? FFrameHotColor : FFrameColor;
        const TFrameStyle FrameS = Hot ? FFrameHotStyle : FFrameStyle;
        if (FrameS == fsFlat)
            DrawSides(&C, R, FrameC, FrameC, FFrameSides);
        else if (FrameS == fsFlatBold)
            DrawBevel(&C, R, FrameC, FrameC, 2, FFrameSides);
        else if (Back != clWindow)
            DrawColorBorderSides(&C, R, Back, FFrameSides, FrameS);
        else
            DrawBorderSides(&C, R, FrameS, FFrameSides);
    }
    C.SetHandle(nullptr);
}

// ---------------------------------------------------------------------------
// Messages of the combo window
// ---------------------------------------------------------------------------

void TRzCustomComboBox::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_PAINT:
        TCustomComboBox::WndProc(Message);
        if (HandleAllocated()) {
            TWindowDC DC(WindowHandle(), GetDC(WindowHandle()));
            PaintFrame(DC.Get());
        }
        return;
    case WM_SIZE:
        TCustomComboBox::WndProc(Message);
        if (FFrameVisible && !UseThemes())
            Invalidate();
        return;
    case WM_KEYDOWN: case WM_SYSKEYDOWN:
        if (FReadOnly)
            return;
        if (Message.Msg == WM_KEYDOWN) {
            switch (Message.WParam) {
            case VK_ESCAPE: case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME:
            case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
                ClearSearch();
                break;
            default:
                break;
            }
        }
        break;
    case WM_CHAR:
        if (FReadOnly)
            return;
        if (InListStyle()) {
            ListStyleChar(Message);
            return;
        }
        break;
    case WM_MOUSEWHEEL:
        MouseWheel(Message);
        return;
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == CBN_EDITCHANGE)
            EditTextChanged();
        break;
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK:
        if (FReadOnly)
            return;
        break;
    case CM_ENTER:
        TCustomComboBox::WndProc(Message);
        ComboEnter();
        return;
    case CM_EXIT:
        TCustomComboBox::WndProc(Message);
        ComboExit();
        return;
    case CM_MOUSEENTER:
        TCustomComboBox::WndProc(Message);
        if (!FMouseOver)
            UpdateFrame(true, true);
        return;
    case CM_MOUSELEAVE: {
        TCustomComboBox::WndProc(Message);
        // Moving onto the edit part leaves the combo window but not the
        // control.
        POINT P{};
        GetCursorPos(&P);
        if (HandleAllocated())
            ::ScreenToClient(WindowHandle(), &P);
        const RECT Client = ClientRect();
        if (!HandleAllocated() || !PtInRect(&Client, P))
            UpdateFrame(true, false);
        return;
    }
    case CM_ENABLEDCHANGED:
        TCustomComboBox::WndProc(Message);
        UpdateColors();
        return;
    case CM_COLORCHANGED: case CM_PARENTCOLORCHANGED:
        TCustomComboBox::WndProc(Message);
        if (!FUpdatingColor) {
            if (FFocusColor == FNormalColor)
                FFocusColor = Color();
            FNormalColor = Color();
        }
        return;
    default:
        break;
    }
    TCustomComboBox::WndProc(Message);
}

void TRzCustomComboBox::ComboEnter()
{
    FHasFocus = true;
    UpdateFrame(false, true);
}

void TRzCustomComboBox::ComboExit()
{
    FHasFocus = false;
    ClearSearch();
    UpdateFrame(false, false);
    if (Style() == csDropDown && OnNotInList) {
        const std::string T = Text();
        if (!T.empty() && IndexOfItem(T) < 0)
            OnNotInList(this);
    }
}

void TRzCustomComboBox::MouseWheel(TMessage& Message)
{
    Message.Result = 1;
    if (FReadOnly)
        return;
    const bool Down = static_cast<short>(HIWORD(Message.WParam)) < 0;
    if (DroppedDown()) {
        int Top = static_cast<int>(SendMessageA(WindowHandle(), CB_GETTOPINDEX, 0, 0));
        Top += Down ? WheelScrollLines() : -WheelScrollLines();
        SendMessageA(WindowHandle(), CB_SETTOPINDEX, static_cast<WPARAM>(std::max(Top, 0)), 0);
        return;
    }
    const int Count = Items()->Count();
    if (Count == 0)
        return; // nothing to move to: no selection, no events
    const int Index = ItemIndex();
    int Next = 0;
    if (Index >= 0)
        Next = Down ? std::min(Index + 1, Count - 1) : std::max(Index - 1, 0);
    SetItemIndex(Next);
    FireSelection();
}

void TRzCustomComboBox::FireSelection()
{
    auto Alive = FAlive;
    Click();
    if (*Alive)
        Change();
}

// ---------------------------------------------------------------------------
// Incremental search of the list styles
// ---------------------------------------------------------------------------

void TRzCustomComboBox::ListStyleChar(TMessage& Message)
{
    if (DoKeyMessage(Message))
        return;
    const char Ch = static_cast<char>(Message.WParam);
    if (Ch == VK_BACK) {
        if (FSearchText.empty()) {
            InvalidKeyBeep();
            if (Items()->Count() > 0)
                SelectMatch(FSearchText);
            return;
        }
        size_t Cut = 1;
        if (FSearchText.size() >= 2 && IsLeadByte(FSearchText[FSearchText.size() - 2]))
            Cut = 2;
        FSearchText.resize(FSearchText.size() - Cut);
        if (FSearchText.empty()) {
            // Back to the start of the list, when there is one.
            if (Items()->Count() > 0) {
                SetItemIndex(0);
                FireSelection();
            }
            return;
        }
        SelectMatch(FSearchText);
        return;
    }
    if (static_cast<unsigned char>(Ch) >= 32) {
        FKeyInProgress = true;
        SelectMatch(FSearchText + Ch);
        FSearchTimer->SetEnabled(false);
        FSearchTimer->SetInterval(GKeyboardSearchDelay);
        FSearchTimer->SetEnabled(true);
        FKeyInProgress = false;
        return;
    }
    TCustomComboBox::WndProc(Message);
}

void TRzCustomComboBox::SelectMatch(const std::string& SearchText)
{
    const int Index = FindMatchingItem(SearchText);
    if (Index < 0) {
        InvalidKeyBeep();
        return;
    }
    SetItemIndex(Index);
    FSearchText = SearchText;
    FireSelection();
}

void TRzCustomComboBox::SearchTimerTick()
{
    if (FKeyInProgress)
        return;
    FSearchTimer->SetEnabled(false);
    ClearSearch();
}

int TRzCustomComboBox::FindMatchingItem(const std::string& Text)
{
    if (!HandleAllocated()) {
        for (int I = 0; I < Items()->Count(); ++I)
            if (Items()->Get(I).size() >= Text.size() &&
                lstrcmpiA(Items()->Get(I).substr(0, Text.size()).c_str(), Text.c_str()) == 0)
                return I;
        return -1;
    }
    const LRESULT R =
        SendMessageA(WindowHandle(), CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(Text.c_str()));
    return R == CB_ERR ? -1 : static_cast<int>(R);
}

int TRzCustomComboBox::IndexOfItem(const std::string& Text)
{
    return Items()->IndexOf(Text);
}

void TRzCustomComboBox::InvalidKeyBeep()
{
    if (FBeepOnInvalidKey)
        ControlBeep(MB_OK);
}

// ---------------------------------------------------------------------------
// Completion in the edit style
// ---------------------------------------------------------------------------

int TRzCustomComboBox::EditCaret()
{
    DWORD Start = 0;
    SendMessageA(WindowHandle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&Start), 0);
    return static_cast<int>(Start);
}

void TRzCustomComboBox::EditWndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_MOUSEMOVE:
        if (!FEditTracking) {
            TRACKMOUSEEVENT T{sizeof(T), TME_LEAVE, EditHandle(), 0};
            FEditTracking = TrackMouseEvent(&T) != FALSE;
        }
        if (!FMouseOver)
            UpdateFrame(true, true);
        break;
    case WM_MOUSELEAVE: {
        FEditTracking = false;
        POINT P{};
        GetCursorPos(&P);
        ::ScreenToClient(WindowHandle(), &P);
        const RECT Client = ClientRect();
        if (!PtInRect(&Client, P))
            UpdateFrame(true, false);
        break;
    }
    case WM_LBUTTONDOWN:
        if (FAutoComplete)
            FSearchText = Text();
        break;
    case WM_KEYDOWN:
        if (EditKeyDown(Message))
            return;
        break;
    case WM_SYSKEYDOWN:
        FSysKey = true;
        if (FReadOnly && Message.WParam != VK_F4)
            return;
        break;
    case WM_CHAR:
        if (EditChar(Message))
            return;
        break;
    case WM_CUT: case WM_PASTE:
        if (!FAllowEdit)
            return;
        if (FAutoComplete && Message.Msg == WM_CUT)
            AutoCompleteKeyPress(Text());
        TCustomComboBox::EditWndProc(Message);
        if (FAutoComplete && Message.Msg == WM_PASTE) {
            FSearchText = Text();
            AutoCompleteKeyPress(FSearchText);
        }
        return;
    default:
        break;
    }
    TCustomComboBox::EditWndProc(Message);
}

// True when the key is swallowed.
bool TRzCustomComboBox::EditKeyDown(TMessage& Message)
{
    FSysKey = false;
    const WPARAM Key = Message.WParam;
    if (FReadOnly && (Key == VK_F4 || Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT))
        return true;
    if (!FAutoComplete)
        return false;
    switch (Key) {
    case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT:
        FListNavigation = true;
        ClearSearch();
        break;
    case VK_END: case VK_HOME: case VK_LEFT: case VK_RIGHT:
        FSearchText = Text();
        break;
    case VK_DELETE: {
        const std::string T = Text();
        DWORD Start = 0, End = 0;
        SendMessageA(WindowHandle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&Start), reinterpret_cast<LPARAM>(&End));
        if (!FAllowEdit && Start < T.size())
            return true;
        size_t Len = End > Start ? End - Start : (Start < T.size() && IsLeadByte(T[Start]) ? 2 : 1);
        FSearchText = T;
        if (Start < FSearchText.size())
            FSearchText.erase(Start, Len);
        break;
    }
    case VK_INSERT:
        if (!FAllowEdit)
            return true;
        if (KeyHeld(VK_SHIFT))
            FPastePending = true;
        break;
    default:
        break;
    }
    return false;
}

// True when the character is swallowed.
bool TRzCustomComboBox::EditChar(TMessage& Message)
{
    if (FSysKey) {
        FSysKey = false;
        return false;
    }
    char Ch = static_cast<char>(Message.WParam);
    if (FReadOnly) {
        if (FTabOnEnter && Ch == VK_RETURN && !DroppedDown())
            PostMessageA(WindowHandle(), WM_KEYDOWN, VK_TAB, 0);
        return Ch != CtrlC;
    }
    if (!FAutoComplete || Style() != csDropDown)
        return false;
    auto Alive = FAlive;
    std::string S = FSearchText;
    DWORD Start = 0, End = 0;
    SendMessageA(WindowHandle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&Start), reinterpret_cast<LPARAM>(&End));
    switch (Ch) {
    case VK_BACK: {
        if (S.empty()) {
            InvalidKeyBeep();
            return false;
        }
        if (End > Start && FAllowEdit) {
            // The selected part (the completed rest) goes, and nothing is
            // completed again: the typed letters stay as they are.
            if (Start < S.size())
                S.erase(Start, std::min<size_t>(End, S.size()) - Start);
            FSearchText = S;
            SendMessageA(WindowHandle(), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            SetTextQuietly(S);
            SendMessageA(WindowHandle(), CB_SETEDITSEL, 0, MAKELPARAM(Start, Start));
            Change();
            return true;
        }
        if (Start >= S.size()) {
            S.pop_back();
        } else if (Start > 0 && FAllowEdit) {
            const size_t Cut = Start >= 2 && IsLeadByte(S[Start - 2]) ? 2 : 1;
            S.erase(Start - Cut, Cut);
        } else {
            return false; // caret at the start: nothing before it to remove
        }
        FSearchText = S;
        if (S.empty()) {
            ClearSearch();
            if (Items()->Count() > 0) {
                SetItemIndex(-1);
                if (FKeepSearchCase)
                    SetTextQuietly("");
                FireSelection();
            }
            return false;
        }
        return AutoCompleteKeyPress(S) || !*Alive;
    }
    case VK_RETURN:
        if (DroppedDown() && OnSelEndOk)
            OnSelEndOk(this);
        FEnterPressed = true;
        return false;
    case CtrlV: case CtrlX:
        if (!FAllowEdit)
            return true;
        TCustomComboBox::EditWndProc(Message);
        if (*Alive) {
            FSearchText = Text();
            AutoCompleteKeyPress(FSearchText);
        }
        return true;
    case VK_ESCAPE:
        ClearSearch();
        return !DroppedDown();
    default:
        break;
    }
    if (static_cast<unsigned char>(Ch) < 32)
        return false;
    // The key handlers see the letter first; one may drop or change it.
    if (DoKeyMessage(Message) || !*Alive)
        return true;
    Ch = static_cast<char>(Message.WParam);
    if (static_cast<unsigned char>(Ch) < 32)
        return true;
    const std::string Before = S;
    if (Start < S.size())
        S.erase(Start, std::min<size_t>(End, S.size()) - Start);
    const size_t At = std::min<size_t>(Start, S.size());
    S.insert(At, 1, Ch);
    FSearchText = S;
    if (AutoCompleteKeyPress(S))
        return true;
    if (FAllowEdit) {
        // The edit inserts the letter into the typed text alone.
        FListNavigation = true;
        SetTextQuietly(Before);
        FListNavigation = false;
        SendMessageA(WindowHandle(), CB_SETEDITSEL, 0, MAKELPARAM(At, At));
        return false;
    }
    InvalidKeyBeep();
    FSearchText = Before;
    return true;
}

bool TRzCustomComboBox::AutoCompleteKeyPress(const std::string& SearchText)
{
    const int Index = FindMatchingItem(SearchText);
    if (Index < 0 || SearchText.empty())
        return false;
    auto Alive = FAlive;
    const int Old = ItemIndex();
    const std::string Item = Items()->Get(Index);
    if (FKeepSearchCase) {
        FListNavigation = true;
        SetTextQuietly(SearchText + Item.substr(std::min(SearchText.size(), Item.size())));
        FListNavigation = false;
    } else {
        SetItemIndex(-1);
        SetItemIndex(Index);
    }
    FireSelection();
    if (!*Alive)
        return true;
    SendMessageA(WindowHandle(), CB_SETEDITSEL, 0, MAKELPARAM(SearchText.size(), -1));
    if (ItemIndex() != Old && OnMatch)
        OnMatch(this);
    return true;
}

// The edit's text changed: the first item it begins with is selected, the
// typed part kept and the rest selected.
void TRzCustomComboBox::EditTextChanged()
{
    if (FAutoComplete && !FListNavigation && !DroppedDown() && Style() == csDropDown && EditHandle()) {
        if (FEnterPressed) {
            FEnterPressed = false;
        } else {
            FSearchText = Text();
            const int Index = FSearchText.empty() ? -1 : FindMatchingItem(FSearchText);
            if (Index >= 0 && ItemIndex() != Index) {
                const size_t Typed = FSearchText.size();
                SetItemIndex(Index);
                SendMessageA(WindowHandle(), CB_SETEDITSEL, 0, MAKELPARAM(Typed, -1));
            }
        }
    }
    FListNavigation = false;
}

void TRzCustomComboBox::SetTextQuietly(const std::string& Value)
{
    if (Value == Text())
        return;
    const bool Was = FAutoComplete;
    FAutoComplete = false;
    SetText(Value);
    FAutoComplete = Was;
}

void TRzCustomComboBox::KeyPress(char& Key)
{
    if (FTabOnEnter && Key == VK_RETURN && !DroppedDown()) {
        PostMessageA(Handle(), WM_KEYDOWN, VK_TAB, 0);
        Key = 0;
        return;
    }
    if (Style() == csDropDown && MaxLength() >= 1 && static_cast<unsigned char>(Key) >= 32 &&
        static_cast<int>(Text().size()) >= MaxLength() && SelLength() == 0) {
        InvalidKeyBeep();
        Key = 0;
        return;
    }
    TCustomComboBox::KeyPress(Key);
}

// ---------------------------------------------------------------------------
// Drop-down list, item deletion, cue text
// ---------------------------------------------------------------------------

void TRzCustomComboBox::DropDown()
{
    auto Alive = FAlive;
    TCustomComboBox::DropDown();
    if (!*Alive || !HandleAllocated())
        return;
    int W = FDropDownWidth;
    if (W < 1) {
        W = 0;
        TCanvas* C = Canvas();
        C->SetFont(Font());
        for (int I = 0; I < Items()->Count(); ++I)
            W = std::max(W, C->TextWidth(Items()->Get(I)));
        static_cast<TControlCanvas*>(C)->FreeHandle();
        if (Items()->Count() > DropDownCount())
            W += GetSystemMetrics(SM_CXVSCROLL);
        W = std::max(W + 8, Width());
    }
    FComputedDropDownWidth = W;
    SendMessageA(WindowHandle(), CB_SETDROPPEDWIDTH, static_cast<WPARAM>(W), 0);
}

void TRzCustomComboBox::CloseUp()
{
    TCustomComboBox::CloseUp();
    Invalidate();
}

void TRzCustomComboBox::SelEndOk()
{
    FListNavigation = true;
    if (OnSelEndOk)
        OnSelEndOk(this);
}

void TRzCustomComboBox::SelEndCancel()
{
    if (OnSelEndCancel)
        OnSelEndCancel(this);
}

void TRzCustomComboBox::DeleteItem(void* Data)
{
    if (Data)
        DoDeleteItem(Data);
}

void TRzCustomComboBox::DoDeleteItem(void* Item)
{
    if (OnDeleteItem)
        OnDeleteItem(this, Item);
}

void TRzCustomComboBox::UpdateTextHint()
{
    if (!HandleAllocated() || !StylesActive())
        return;
    const std::wstring Hint = AnsiToWide(FTextHint);
    SendMessageW(WindowHandle(), CB_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(Hint.c_str()));
    // Some systems answer the combo's cue message with nothing: the edit
    // part shows the cue itself.
    if (EditHandle())
        SendMessageW(EditHandle(), EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(Hint.c_str()));
}

void TRzCustomComboBox::SetTextHint(const std::string& Value)
{
    if (StoreChanged(FTextHint, Value) && !HasState(csLoading))
        UpdateTextHint();
}

// ---------------------------------------------------------------------------
// Setters
// ---------------------------------------------------------------------------

void TRzCustomComboBox::SetReadOnly(bool Value)
{
    if (!StoreChanged(FReadOnly, Value))
        return;
    if (EditHandle())
        SendMessageA(EditHandle(), EM_SETREADONLY, Value ? TRUE : FALSE, 0);
    UpdateColors();
    Invalidate();
}

void TRzCustomComboBox::SetReadOnlyColor(TColor Value)
{
    if (StoreChanged(FReadOnlyColor, Value))
        UpdateColors();
}

void TRzCustomComboBox::SetReadOnlyColorOnFocus(bool Value)
{
    if (StoreChanged(FReadOnlyColorOnFocus, Value))
        UpdateColors();
}

void TRzCustomComboBox::SetFlatButtons(bool Value)
{
    if (StoreChanged(FFlatButtons, Value))
        Invalidate();
}

void TRzCustomComboBox::SetFlatButtonColor(TColor Value)
{
    if (StoreChanged(FFlatButtonColor, Value))
        Invalidate();
}

// ---------------------------------------------------------------------------
// TRzComboBox
// ---------------------------------------------------------------------------

TRzComboBox::TRzComboBox(TComponent* AOwner) : TRzCustomComboBox(AOwner), FValues(std::make_unique<TStringList>())
{
    FValues->OnChange = [this](TObject* Sender) { ValuesChanged(Sender); };
}

TRzComboBox::~TRzComboBox() = default;

void TRzComboBox::SetValues(const TStrings* List)
{
    FValues->Assign(List);
}

void TRzComboBox::ValuesChanged(TObject*)
{
    FRefreshingValues = true;
    SetValue(Value());
    FRefreshingValues = false;
}

std::string TRzComboBox::GetItemValue(int Index) const
{
    if (Index >= 0 && Index < FValues->Count() && !FValues->Get(Index).empty())
        return FValues->Get(Index);
    if (Index >= 0 && Index < Items()->Count())
        return Items()->Get(Index);
    return {};
}

std::string TRzComboBox::Value()
{
    int Index;
    if (Style() == csDropDown || Style() == csSimple) {
        const std::string T = Text();
        Index = T.empty() ? -1 : Items()->IndexOf(T);
    } else {
        Index = ItemIndex();
    }
    if (Index >= 0 && Index < FValues->Count() && !FValues->Get(Index).empty())
        return FValues->Get(Index);
    return Text();
}

void TRzComboBox::SetValue(const std::string& S)
{
    if (S == FValue && !FRefreshingValues)
        return;
    FSettingValue = true;
    int Found = -1;
    for (int I = 0; I < Items()->Count() && Found < 0; ++I)
        if (GetItemValue(I) == S)
            Found = I;
    SetItemIndex(Found);
    FSettingValue = false;
    FValue = S;
}

void TRzComboBox::SetItemHeight(int Value)
{
    if (OwnerDrawn())
        TRzCustomComboBox::SetItemHeight(Value);
}

void TRzComboBox::Click()
{
    if (FSettingValue)
        return;
    TRzCustomComboBox::Click();
    FValue = Value();
}

void TRzComboBox::Change()
{
    if (FSettingValue)
        return;
    TRzCustomComboBox::Change();
    FValue = Value();
}
