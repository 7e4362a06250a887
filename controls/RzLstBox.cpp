#include "controls/RzLstBox.h"

#include <algorithm>

#include "classlib/Cleanup.h"
#include "classlib/Forms.h"
#include "classlib/Themes.h"
#include "controls/RzGrafx.h"

namespace {

// Theme colour kinds of group rows: text and background.
constexpr int GroupTextThemeColor = 5;
constexpr int GroupBackThemeColor = 4;

bool BeginsWith(const std::string& Text, const std::string& Prefix)
{
    return Text.compare(0, Prefix.size(), Prefix) == 0;
}

} // namespace

std::string ListRowKey(std::string Text)
{
    if (!Text.empty())
        CharUpperBuffA(Text.data(), static_cast<DWORD>(Text.size()));
    return Text;
}

int GroupIndexOf(const TStrings* Items, const std::string& Prefix, int Index)
{
    if (Index < 0)
        return -1;
    for (int I = std::min(Index, Items->Count() - 1); I >= 0; --I)
        if (BeginsWith(Items->Get(I), Prefix))
            return I;
    return -1;
}

int GroupNumberOf(const TStrings* Items, const std::string& Prefix, int Index)
{
    if (Index < 0 || Index >= Items->Count() || !BeginsWith(Items->Get(Index), Prefix))
        return -1;
    int Number = 0;
    for (int I = 0; I < Index; ++I)
        Number += BeginsWith(Items->Get(I), Prefix) ? 1 : 0;
    return Number;
}

int ReselectAfterDelete(int Selected, int Count)
{
    if (Selected < 0 || Count == 0)
        return -1;
    return std::min(Selected, Count - 1);
}

TRzCustomListBox::TRzCustomListBox(TComponent* AOwner)
    : TRzFrameProps<TCustomListBox>(AOwner), FGroupFont(std::make_unique<TFont>())
{
    FControlStyle &= ~csOpaque;
    FNormalColor = Color();
    FSearchTimer = new TTimer(this);
    FSearchTimer->SetEnabled(false);
    FSearchTimer->SetInterval(GKeyboardSearchDelay);
    FSearchTimer->OnTimer = [this](TObject*) { SearchTimerTick(); };
    SyncedGroupFont();
    // A change made through GroupFont makes it the list's own: kept when
    // the font changes and stored.
    FGroupFont->OnChange = [this](TObject*) {
        if (FSyncingGroupFont)
            return;
        FCustomGroupFont = true;
        FontChanged();
        Invalidate();
    };
}

TRzCustomListBox::~TRzCustomListBox() = default;

void TRzCustomListBox::CreateParams(TCreateParams& Params)
{
    TCustomListBox::CreateParams(Params);
    if (FHorzScrollBar)
        Params.Style |= WS_HSCROLL;
    else if (Columns() == 0)
        Params.Style &= ~static_cast<DWORD>(WS_HSCROLL);
}

void TRzCustomListBox::CreateWnd()
{
    // The rows come back into the new window one by one.
    FRowTexts.clear();
    FRowObjects.clear();
    TCustomListBox::CreateWnd();
    ShowScrollBar(WindowHandle(), SB_HORZ, FHorzScrollBar ? TRUE : FALSE);
    if (FHorzScrollBar)
        UpdateHorzExtent();
    SendMessageA(WindowHandle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

void TRzCustomListBox::Loaded()
{
    TCustomListBox::Loaded();
    if (FHorzScrollBar) {
        FHorzExtent = 0;
        UpdateHorzExtent();
    }
    FNormalColor = Color();
    UpdateColors();
    UpdateFrame(false, false);
}

void TRzCustomListBox::FrameSettingChanged(TRzFrameControllerPropertyConnection What)
{
    if (What == fcpFramingPreference && FFramingPreference != fpCustomFraming)
        return;
    if (What == fcpFrameHotTrack)
        Invalidate();
    RepaintFrame();
}

bool TRzCustomListBox::UseThemes() const
{
    return FFramingPreference == fpXPThemes && ThemeServices()->ThemesEnabled();
}

// ---------------------------------------------------------------------------
// Colours and frame
// ---------------------------------------------------------------------------

void TRzCustomListBox::UpdateColors()
{
    if (HasState(csLoading))
        return;
    FUpdatingColor = true;
    SetColor(StateColor({FNormalColor, FDisabledColor, FFocusColor, FNormalColor, false}, Enabled(), FHasFocus,
                        false));
    FUpdatingColor = false;
}

void TRzCustomListBox::UpdateFrame(bool ViaMouse, bool Hot)
{
    if (ViaMouse)
        FMouseOver = Hot;
    if (FFrameHotTrack)
        RepaintFrame();
    UpdateColors();
}

void TRzCustomListBox::RepaintFrame()
{
    if (HandleAllocated())
        InvalidateNonClientFrame(WindowHandle(), ClientRect());
}

void TRzCustomListBox::PaintFrame(HDC DC)
{
    TCanvas C;
    C.SetHandle(DC);
    const bool Hot = FrameHot();
    DrawNonClientFrame(&C, Width(), Height(), false, FFrameSides, Hot ? FFrameHotColor : FFrameColor, Color(),
                       Hot ? FFrameHotStyle : FFrameStyle);
    C.SetHandle(nullptr);
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------

void TRzCustomListBox::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_NCPAINT:
        TCustomListBox::WndProc(Message);
        if (FFrameVisible && !UseThemes() && HandleAllocated()) {
            TWindowDC DC(WindowHandle(), GetWindowDC(WindowHandle()));
            PaintFrame(DC.Get());
        }
        return;
    case WM_CHAR:
        if (FIncrementalSearch) {
            SearchChar(Message);
            return;
        }
        break;
    case WM_KEYDOWN:
        HideItemHint();
        switch (Message.WParam) {
        case VK_ESCAPE: case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME:
        case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
            FSearchText.clear();
            break;
        default:
            break;
        }
        break;
    case WM_LBUTTONDOWN:
        FSearchText.clear();
        break;
    case LB_ADDSTRING: case LB_INSERTSTRING:
        TCustomListBox::WndProc(Message);
        if (static_cast<LRESULT>(Message.Result) < 0 || IsVirtual())
            return;
        RowAdded(static_cast<int>(Message.Result), reinterpret_cast<const char*>(Message.LParam));
        return;
    case LB_DELETESTRING:
        if (!IsVirtual() && Message.WParam < static_cast<WPARAM>(Items()->Count()))
            RowRemoved(static_cast<int>(Message.WParam));
        TCustomListBox::WndProc(Message);
        UpdateHorzExtent();
        return;
    case LB_SETITEMDATA:
        if (!IsVirtual() && Message.WParam < static_cast<WPARAM>(Items()->Count())) {
            TObject* const Was = RowObject(static_cast<int>(Message.WParam));
            TCustomListBox::WndProc(Message);
            if (static_cast<LRESULT>(Message.Result) != LB_ERR) {
                CountRowObject(Was, -1);
                CountRowObject(reinterpret_cast<TObject*>(Message.LParam), 1);
            }
            return;
        }
        break;
    case LB_RESETCONTENT:
        FRowTexts.clear();
        FRowObjects.clear();
        TCustomListBox::WndProc(Message);
        UpdateHorzExtent();
        return;
    case WM_SIZE:
        TCustomListBox::WndProc(Message);
        // The rows are as wide as before: only the client's width is new.
        if (FHorzScrollBar)
            SetHorzExtent(std::max(FWidestItem + 1, ClientWidth()));
        if (FFrameVisible && !UseThemes())
            RepaintFrame();
        return;
    case CM_FONTCHANGED:
        TCustomListBox::WndProc(Message);
        if (FShowGroups)
            AdjustItemHeight();
        FontChanged();
        UpdateHorzExtent();
        return;
    case CM_ENTER:
        FHasFocus = true;
        UpdateFrame(false, true);
        break;
    case WM_VSCROLL: case WM_HSCROLL: case WM_MOUSEWHEEL:
        // The hint would name an item no longer under the mouse.
        HideItemHint();
        break;
    case CM_EXIT:
        TCustomListBox::WndProc(Message);
        HideItemHint();
        FHasFocus = false;
        FSearchText.clear();
        UpdateFrame(false, false);
        return;
    case CM_MOUSEENTER: case CM_MOUSELEAVE:
        TCustomListBox::WndProc(Message);
        if (Message.Msg == CM_MOUSELEAVE)
            HideItemHint();
        UpdateFrame(true, Message.Msg == CM_MOUSEENTER);
        return;
    case CM_ENABLEDCHANGED:
        TCustomListBox::WndProc(Message);
        UpdateColors();
        RepaintFrame();
        return;
    case CM_COLORCHANGED: case CM_PARENTCOLORCHANGED:
        TCustomListBox::WndProc(Message);
        if (!FUpdatingColor && (Message.Msg == CM_COLORCHANGED || ParentColor())) {
            if (FFocusColor == FNormalColor)
                FFocusColor = Color();
            FNormalColor = Color();
        }
        if (FFrameVisible && !UseThemes())
            RepaintFrame();
        return;
    default:
        break;
    }
    TCustomListBox::WndProc(Message);
}

// ---------------------------------------------------------------------------
// Incremental search
// ---------------------------------------------------------------------------

void TRzCustomListBox::InvalidKeyBeep()
{
    if (FBeepOnInvalidKey)
        ControlBeep(MB_OK);
}

void TRzCustomListBox::SearchChar(TMessage& Message)
{
    if (DoKeyMessage(Message))
        return;
    const char Ch = static_cast<char>(Message.WParam);
    switch (Ch) {
    case VK_BACK:
        if (!FSearchText.empty()) {
            FSearchText.pop_back();
            if (FSearchText.empty()) {
                // Back at the start, when there is anything to select.
                if (Count() > 0) {
                    SetItemIndex(0);
                    Click();
                }
                return;
            }
        } else {
            InvalidKeyBeep();
            if (Count() == 0)
                return;
        }
        Search(FSearchText);
        return;
    case VK_RETURN:
        if (FTabOnEnter)
            PostMessageA(WindowHandle(), WM_KEYDOWN, VK_TAB, 0);
        return;
    case VK_ESCAPE:
        SetItemIndex(-1);
        return;
    default:
        break;
    }
    if (Ch == ' ' && MultiSelect() && !ExtendedSelect()) {
        TCustomListBox::WndProc(Message);
        return;
    }
    if (static_cast<unsigned char>(Ch) < 32)
        return;
    FKeyInProgress = true;
    Search(FSearchText + Ch);
    FSearchTimer->SetEnabled(false);
    FSearchTimer->SetInterval(GKeyboardSearchDelay);
    FSearchTimer->SetEnabled(true);
    FKeyInProgress = false;
}

void TRzCustomListBox::Search(const std::string& Text)
{
    const int Found = FindItem(Text);
    if (Found < 0) {
        InvalidKeyBeep();
        return;
    }
    if (MultiSelect()) {
        const int Old = ItemIndex();
        if (Old >= 0)
            SendMessageA(WindowHandle(), LB_SETSEL, FALSE, Old);
        SendMessageA(WindowHandle(), LB_SETSEL, TRUE, Found);
        SendMessageA(WindowHandle(), LB_SETCARETINDEX, static_cast<WPARAM>(Found), FALSE);
    } else {
        SetItemIndex(Found);
    }
    FSearchText = Text;
    if (OnMatch)
        OnMatch(this);
}

void TRzCustomListBox::SearchTimerTick()
{
    if (FKeyInProgress)
        return;
    FSearchTimer->SetEnabled(false);
    FSearchText.clear();
}

int TRzCustomListBox::FindItem(const std::string& Text)
{
    const LRESULT R =
        SendMessageA(Handle(), LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(Text.c_str()));
    return R == LB_ERR ? -1 : static_cast<int>(R);
}

bool TRzCustomListBox::HoldsText(const std::string& Text) const
{
    if (!HandleAllocated() || IsVirtual())
        return Items()->IndexOf(Text) >= 0;
    return FRowTexts.count(ListRowKey(Text)) > 0;
}

bool TRzCustomListBox::RowsShareObject(TObject*& Object) const
{
    if (HandleAllocated() && !IsVirtual()) {
        if (FRowObjects.size() != 1)
            return false;
        Object = FRowObjects.begin()->first;
        return true;
    }
    const TStrings* Rows = Items();
    const int Count = Rows->Count();
    for (int I = 1; I < Count; ++I)
        if (Rows->GetObject(I) != Rows->GetObject(0))
            return false;
    if (Count > 0)
        Object = Rows->GetObject(0);
    return Count > 0;
}

TObject* TRzCustomListBox::RowObject(int Index)
{
    return reinterpret_cast<TObject*>(Perform(LB_GETITEMDATA, static_cast<WPARAM>(Index)));
}

// A row just added at Index, its text null when it has none.
void TRzCustomListBox::RowAdded(int Index, const char* Text)
{
    CountRowObject(RowObject(Index), 1);
    if (!Text)
        return;
    FRowTexts.insert(ListRowKey(Text));
    // Only the new row can make the list wider: measuring every row at
    // each add made filling a long list quadratic.
    WidenHorzExtent(Text);
}

// The row at Index, before it goes.
void TRzCustomListBox::RowRemoved(int Index)
{
    const auto Row = FRowTexts.find(ListRowKey(Items()->Get(Index)));
    if (Row != FRowTexts.end())
        FRowTexts.erase(Row);
    CountRowObject(RowObject(Index), -1);
}

void TRzCustomListBox::CountRowObject(TObject* Object, int Delta)
{
    const auto At = FRowObjects.try_emplace(Object, 0).first;
    if ((At->second += Delta) <= 0)
        FRowObjects.erase(At);
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------

bool TRzCustomListBox::IsGroup(int Index)
{
    return Index >= 0 && Index < Items()->Count() && BeginsWith(Items()->Get(Index), FGroupPrefix);
}

void TRzCustomListBox::AdjustItemHeight()
{
    SetItemHeight(std::max(ItemHeight(), GetFontLineHeight(Font())));
}

void TRzCustomListBox::CNDrawItem(TMessage& Message)
{
    const auto& D = *reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
    const TOwnerDrawState State = OwnerDrawStateOf(D.itemState);
    const int Index = static_cast<int>(D.itemID);
    TCanvas* C = Canvas();
    C->SetHandle(D.hDC);
    C->SetFont(Font());
    C->SetBrush(Brush());
    TRect R(D.rcItem);
    const bool Group = FShowGroups && IsGroup(Index);
    if (!Group && FOwnerDrawIndent > 0) {
        C->FillRect(TRect(R.left, R.top, R.left + FOwnerDrawIndent, R.bottom));
        R.left += FOwnerDrawIndent;
    }
    if (State & odSelected) {
        C->Brush()->SetColor(clHighlight);
        C->Font()->SetColor(clHighlightText);
    }
    if (Index < 0 || Index >= Count())
        C->FillRect(R);
    else if (Group)
        DrawGroup(Index, R, State);
    else
        DrawItem(Index, R, State);
    const bool HideFocus = (SendMessageA(WindowHandle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
    if ((State & odFocused) && !HideFocus)
        C->DrawFocusRect(R);
    C->SetHandle(nullptr);
    Message.Result = 1;
}

void TRzCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State)
{
    if (OnDrawItem)
        OnDrawItem(this, Index, Rect, State);
    else
        DrawItemText(Index, Rect, State);
}

void TRzCustomListBox::DrawItemText(int Index, TRect Rect, TOwnerDrawState)
{
    TCanvas* C = Canvas();
    C->FillRect(Rect);
    std::string Text = ItemText(Index);
    TRect T = Rect;
    T.left += 2;
    C->DrawText(Text, T, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

TFont* TRzCustomListBox::SyncedGroupFont()
{
    if (!FCustomGroupFont) {
        FSyncingGroupFont = true;
        FGroupFont->Assign(Font());
        FGroupFont->SetStyle(fsBold);
        FGroupFont->SetColor(clHighlight);
        FSyncingGroupFont = false;
    }
    return FGroupFont.get();
}

std::string TRzCustomListBox::PaintGroupRow(int Index, const TRect& Rect, TOwnerDrawState State)
{
    TCanvas* C = Canvas();
    TFont* GroupFont = SyncedGroupFont();
    TColor Text = GroupFont->Color();
    TColor Back = FGroupColor;
    if (ThemeServices()->ThemesEnabled() && FGroupColorFromTheme) {
        // A theme without these colours (Wine's) answers the button face
        // for both: the heading would vanish, so the own colours stay.
        const TColor ThemeText = GetXPThemeColor(GroupTextThemeColor);
        const TColor ThemeBack = GetXPThemeColor(GroupBackThemeColor);
        if (ThemeText != ThemeBack) {
            Text = ThemeText;
            Back = ThemeBack;
        }
    }
    C->SetFont(GroupFont);
    if (State & odSelected) {
        C->Font()->SetColor(clHighlightText);
        C->Brush()->SetColor(clHighlight);
        C->FillRect(Rect);
    } else {
        C->Font()->SetColor(Text);
        if (FUseGradients && MoreThan256Colors) {
            DrawGradient(C, Rect, gdVerticalEnd, Back, Color(), 1);
        } else {
            C->Brush()->SetColor(Back);
            C->FillRect(Rect);
        }
    }
    return Items()->Get(Index).substr(FGroupPrefix.size());
}

void TRzCustomListBox::DrawGroup(int Index, TRect Rect, TOwnerDrawState State)
{
    TCanvas* C = Canvas();
    const std::string Caption = PaintGroupRow(Index, Rect, State);
    TRect T = Rect;
    T.left += 2;
    const int OldMode = SetBkMode(C->Handle(), TRANSPARENT);
    C->DrawText(Caption, T, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SetBkMode(C->Handle(), OldMode);
}

// ---------------------------------------------------------------------------
// Item hints
// ---------------------------------------------------------------------------

namespace {

std::string TabsExpanded(const std::string& Text)
{
    std::string Out;
    for (char Ch : Text) {
        if (Ch == '\t')
            Out.append(8, ' ');
        else
            Out += Ch;
    }
    return Out;
}

} // namespace

void TRzCustomListBox::MouseMove(TShiftState Shift, int X, int Y)
{
    TCustomListBox::MouseMove(Shift, X, Y);
    UpdateItemHint(X, Y);
}

void TRzCustomListBox::SetShowItemHints(bool Value)
{
    if (StoreChanged(FShowItemHints, Value) && !Value)
        HideItemHint();
}

void TRzCustomListBox::HideItemHint()
{
    if (FHintWindow && FHintWindow->Active())
        FHintWindow->ReleaseHandle();
}

int TRzCustomListBox::TextWidth(HDC DC, const std::string& Text)
{
    SIZE Size{};
    GetTextExtentPoint32A(DC, Text.c_str(), static_cast<int>(Text.size()), &Size);
    return static_cast<int>(Size.cx);
}

void TRzCustomListBox::UpdateItemHint(int X, int Y)
{
    if (!FShowItemHints || HasState(csDesigning) || !HandleAllocated())
        return;
    const int Index = ItemAtPos(TPoint(X, Y), true);
    // Only while one of our own windows is active: a hint over an inactive
    // program would float above whatever the user works in.
    if (Index < 0 || !GetActiveWindow()) {
        HideItemHint();
        return;
    }
    const bool Group = IsGroup(Index);
    std::string Text = ItemText(Index);
    if (Group)
        Text = Text.substr(FGroupPrefix.size());
    int Width = 0;
    {
        TWindowDC DC(nullptr, GetDC(nullptr));
        const HGDIOBJ Old = SelectObject(DC.Get(), Font()->Handle());
        Width = TextWidth(DC.Get(), Text) + 2;
        SelectObject(DC.Get(), Old);
    }
    if (Width <= ClientWidth() - FOwnerDrawIndent) {
        HideItemHint();
        return;
    }
    if (!FHintWindow) {
        FHintWindow = new THintWindow(this);
        FHintWindow->SetColor(clInfoBk);
    }
    FHintWindow->Font()->Assign(Font());
    const std::string Shown = TabsExpanded(Text);
    TRect R = FHintWindow->CalcHintRect(Screen ? Screen->Width() : 1024, Shown);
    const TRect Item = ItemRect(Index);
    const TPoint Origin = ClientToScreen(TPoint(Item.left, Item.top));
    const int Left = Origin.x + FOwnerDrawIndent - 1;
    const int Top = Origin.y + (Item.Height() - R.Height()) / 2 - 2;
    R = TRect(Left, Top, Left + R.Width(), Top + R.Height());
    if (FHintWindow->Active() && FHintWindow->HintText() == Shown) {
        RECT Now{};
        GetWindowRect(FHintWindow->Handle(), &Now);
        if (Now.left == R.left && Now.top == R.top)
            return;
    }
    FHintWindow->ActivateHint(R, Shown);
}

// ---------------------------------------------------------------------------
// Horizontal extent
// ---------------------------------------------------------------------------

void TRzCustomListBox::UpdateHorzExtent()
{
    if (!FHorzScrollBar || !HandleAllocated())
        return;
    TWindowDC DC(nullptr, GetDC(nullptr));
    const HGDIOBJ Old = SelectObject(DC.Get(), Font()->Handle());
    int Widest = 0;
    const int N = static_cast<int>(SendMessageA(WindowHandle(), LB_GETCOUNT, 0, 0));
    for (int I = 0; I < N && !IsVirtual(); ++I) {
        Widest = std::max(Widest, TextWidth(DC.Get(), "x" + Items()->Get(I) + GetExtentSuffix()));
    }
    SelectObject(DC.Get(), Old);
    FWidestItem = Widest;
    SetHorzExtent(std::max(Widest + 1, ClientWidth()));
}

void TRzCustomListBox::WidenHorzExtent(const char* Text)
{
    if (!FHorzScrollBar || !HandleAllocated() || !Text)
        return;
    TWindowDC DC(nullptr, GetDC(nullptr));
    const HGDIOBJ Old = SelectObject(DC.Get(), Font()->Handle());
    const int Width = TextWidth(DC.Get(), "x" + std::string(Text) + GetExtentSuffix());
    SelectObject(DC.Get(), Old);
    if (Width <= FWidestItem)
        return;
    FWidestItem = Width;
    SetHorzExtent(std::max(Width + 1, ClientWidth()));
}

void TRzCustomListBox::SetHorzExtent(int Value)
{
    FHorzExtent = Value & 0xFFFF;
    if (HandleAllocated())
        SendMessageA(WindowHandle(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(FHorzExtent), 0);
}

void TRzCustomListBox::SetHorzScrollBar(bool Value)
{
    if (StoreChanged(FHorzScrollBar, Value) && HandleAllocated())
        RecreateWnd();
}

// ---------------------------------------------------------------------------
// Operations
// ---------------------------------------------------------------------------

void TRzCustomListBox::DeleteItem(int Index)
{
    const int Selected = ItemIndex();
    Items()->Delete(Index);
    const int Next = ReselectAfterDelete(Selected, Items()->Count());
    if (Next >= 0) {
        SetItemIndex(Next);
        Click();
    }
}

std::string TRzCustomListBox::GetSelectedText()
{
    const int Index = ItemIndex();
    if (Index < 0 || Index >= Items()->Count() || (MultiSelect() && SelCount() == 0))
        return {};
    return Items()->Get(Index);
}

void TRzCustomListBox::SelectAll()
{
    if (MultiSelect())
        SendMessageA(Handle(), LB_SETSEL, TRUE, -1);
}

// ---------------------------------------------------------------------------
// Setters
// ---------------------------------------------------------------------------

void TRzCustomListBox::SetOwnerDrawIndent(int Value)
{
    if (StoreChanged(FOwnerDrawIndent, Value))
        Invalidate();
}

void TRzCustomListBox::SetShowGroups(bool Value)
{
    if (!StoreChanged(FShowGroups, Value))
        return;
    if (Value) {
        SetStyle(lbOwnerDrawFixed);
        AdjustItemHeight();
    }
    Invalidate();
}

void TRzCustomListBox::SetGroupPrefix(const std::string& Value)
{
    if (StoreChanged(FGroupPrefix, Value))
        Invalidate();
}

void TRzCustomListBox::SetGroupColor(TColor Value)
{
    if (StoreChanged(FGroupColor, Value))
        Invalidate();
}

void TRzCustomListBox::SetGroupColorFromTheme(bool Value)
{
    if (StoreChanged(FGroupColorFromTheme, Value))
        Invalidate();
}

void TRzCustomListBox::SetGroupFont(const TFont* Value)
{
    FGroupFont->Assign(Value);
    FCustomGroupFont = true;
    FontChanged();
    Invalidate();
}

void TRzCustomListBox::SetUseGradients(bool Value)
{
    if (StoreChanged(FUseGradients, Value))
        Invalidate();
}
