#include "shell/RzListVw.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>

#include "classlib/Cleanup.h"
#include "classlib/Controls.h"

namespace {

constexpr int ArrowGap = 5;
constexpr int ImageGap = 4;
constexpr int HintOffsetX = 5, HintOffsetY = 3;

// The item hint: a borderless popup in the hint colours.
LRESULT CALLBACK HintProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Msg == WM_PAINT) {
        PAINTSTRUCT PS;
        const HDC DC = BeginPaint(Wnd, &PS);
        RECT R;
        GetClientRect(Wnd, &R);
        FillRect(DC, &R, GetSysColorBrush(COLOR_INFOBK));
        FrameRect(DC, &R, GetSysColorBrush(COLOR_WINDOWFRAME));
        char Text[512] = {};
        GetWindowTextA(Wnd, Text, sizeof Text);
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, GetSysColor(COLOR_INFOTEXT));
        {
            TSelectedObject Font(DC, reinterpret_cast<HGDIOBJ>(GetWindowLongPtrA(Wnd, GWLP_USERDATA)));
            R.left += 2;
            DrawTextA(DC, Text, -1, &R, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        }
        EndPaint(Wnd, &PS);
        return 0;
    }
    if (Msg == WM_NCHITTEST)
        return HTTRANSPARENT;
    return DefWindowProcA(Wnd, Msg, WParam, LParam);
}

HWND MakeHintWindow()
{
    return CreateHelperWindow("TessalyItemHint", HintProc, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, WS_POPUP, nullptr,
                              LoadCursor(nullptr, IDC_ARROW));
}

} // namespace

TRzCustomListView::TRzCustomListView(TComponent* AOwner) : TRzFramedView<TCustomListView>(AOwner)
{
    SetShowItemHints(true);
    if (!VersionAtLeast(ComCtlVersion(), 4, 70))
        FHeaderSortDisplayMode = hsdmNone;
}

TRzCustomListView::~TRzCustomListView()
{
    FHeader.Detach();
    if (FHintWnd)
        DestroyWindow(FHintWnd);
}

const TPropertyTable& TRzCustomListView::ClassProperties()
{
    using P = TRzCustomListView;
    static const TPropertyTable Table(&TRzFramedView<TCustomListView>::ClassProperties(), {
        OrdProp("HeaderSortDisplayMode", &P::HeaderSortDisplayMode, &P::SetHeaderSortDisplayMode),
    });
    return Table;
}

void TRzCustomListView::SetHeaderSortDisplayMode(TRzLVHeaderSortDisplayMode Value)
{
    // Owner-drawn header items need comctl32 4.70.
    if (!VersionAtLeast(CommonControlsVersion(), 4, 70))
        Value = hsdmNone;
    if (StoreChanged(FHeaderSortDisplayMode, Value))
        UpdateHeaderState();
}

void TRzCustomListView::SetFillLastColumn(bool Value)
{
    if (StoreChanged(FFillLastColumn, Value))
        FillLastColumn();
}

void TRzCustomListView::InvalidateHeaderItem(int Index)
{
    const HWND H = HeaderHandle();
    RECT R{};
    if (H && Index >= 0 && SendMessageA(H, HDM_GETITEMRECT, Index, reinterpret_cast<LPARAM>(&R)))
        InvalidateRect(H, &R, TRUE);
}

void TRzCustomListView::SetSortColumn(int Value)
{
    if (FSortColumn == Value)
        return;
    InvalidateHeaderItem(FSortColumn);
    InvalidateHeaderItem(Value);
    FSortColumn = Value;
    if (VersionAtLeast(CommonControlsVersion(), 6, 0))
        UpdateHeaderState();
}

void TRzCustomListView::SetSortDescending(bool Value)
{
    if (StoreChanged(FSortDescending, Value))
        InvalidateHeaderItem(FSortColumn);
}

void TRzCustomListView::SetViewStyle(TViewStyle Value)
{
    const bool Changed = Value != ViewStyle();
    TRzFramedView<TCustomListView>::SetViewStyle(Value);
    if (Changed && Value == vsReport)
        UpdateHeaderState();
    // Wine's list view lays its items out anew for the style but leaves the
    // old picture on the screen: report view would show the list view's
    // rows under a new header, with empty columns, until the next refill.
    if (Changed && HandleAllocated())
        InvalidateRect(WindowHandle(), nullptr, TRUE);
    // A list scrolled sideways keeps its offset into the new style, where
    // Details would show the columns right of the names: back to the left.
    if (Changed && Value == vsReport && HandleAllocated())
        if (const int Sideways = GetScrollPos(WindowHandle(), SB_HORZ); Sideways > 0)
            SendMessageA(WindowHandle(), LVM_SCROLL, static_cast<WPARAM>(-Sideways), 0);
    // The new style starts at its top, where the item the user was on (End
    // in a long list) may lie far out of view: it is brought back.
    if (Changed && HandleAllocated())
        if (const int Focused = ListView_GetNextItem(WindowHandle(), -1, LVNI_FOCUSED); Focused >= 0)
            ListView_EnsureVisible(WindowHandle(), Focused, FALSE);
}

void TRzCustomListView::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TRzFramedView<TCustomListView>::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (HeaderHandle())
        FillLastColumn();
}

void TRzCustomListView::FillLastColumn()
{
    if (ViewStyle() != vsReport || HasState(csDestroying) || ColumnCount() == 0 || !FFillLastColumn ||
        !HandleAllocated() || FFillingLastColumn)
        return;
    FFillingLastColumn = true;
    TScopeExit Done([this] { FFillingLastColumn = false; });
    TUpdateScope<TCustomListView> Update(*this);
    int Sum = 0;
    for (int I = 0; I < ColumnCount() - 1; ++I)
        Sum += ColumnWidth(I);
    int Available = ClientWidth();
    // Without items the vertical bar is not there yet, but will be.
    if (ItemCount() == 0 || HasState(csLoading))
        Available -= GetSystemMetrics(SM_CXVSCROLL);
    if (Available > Sum)
        SetColumnWidth(ColumnCount() - 1, std::max(Available - Sum, 5));
}

void TRzCustomListView::UpdateHeaderState()
{
    const HWND H = HeaderHandle();
    if (ViewStyle() != vsReport || !H || FHeaderStateLevel > 0)
        return;
    ++FHeaderStateLevel;
    for (int I = ColumnCount() - 1; I >= 0; --I) {
        HDITEMA Item{};
        Item.mask = HDI_FORMAT;
        SendMessageA(H, HDM_GETITEMA, I, reinterpret_cast<LPARAM>(&Item));
        int Fmt = Item.fmt & HDF_JUSTIFYMASK;
        if (FHeaderSortDisplayMode != hsdmNone)
            Fmt |= HDF_OWNERDRAW;
        else {
            Fmt |= HDF_STRING;
            if (Column(I)->ImageIndex >= 0 && SmallImages())
                Fmt |= HDF_IMAGE;
        }
        Item.fmt = Fmt;
        SendMessageA(H, HDM_SETITEMA, I, reinterpret_cast<LPARAM>(&Item));
    }
    InvalidateRect(H, nullptr, TRUE);
    --FHeaderStateLevel;
}

TRect TRzCustomListView::ArrowBox(const RECT& Rect)
{
    const int W = (Rect.top + Rect.bottom) / 2;
    const int Top = ((Rect.top + Rect.bottom - (W - 1)) / 2) - 1;
    return TRect(Rect.left, Top, Rect.left + W, Top + W - 1);
}

void TRzCustomListView::DrawHeaderItem(HDC DC, int Index, const RECT& Rect)
{
    if (Index < 0 || Index >= ColumnCount())
        return;
    TCanvas C;
    C.SetHandle(DC);
    C.Font()->Assign(Font());
    C.Font()->SetColor(clBtnText);
    C.Brush()->SetColor(clBtnFace);
    const bool Themed = UseThemes();
    TRect R(Rect.left, Rect.top, Rect.right, Rect.bottom);
    if (Themed) {
        const int State = FHeaderButtonDown && FHotHeaderItem == Index ? HIS_PRESSED
                          : FHotHeaderItem == Index                      ? HIS_HOT
                                                                         : HIS_NORMAL;
        if (!ThemeServices()->DrawElement(DC, teHeader, HP_HEADERITEM, State, R))
            C.FillRect(R);
        R = ShrunkRect(R, 2);
    } else
        C.FillRect(R);

    const TListColumn* Col = Column(Index);
    const bool IsSort = Index == FSortColumn;
    TRect Box = ArrowBox(R);
    const int BoxW = Box.Width();
    bool ShowBox = false;
    TRect TextR = R;
    const int ImageW = Col->ImageIndex >= 0 && SmallImages() ? SmallImages()->Width() + ImageGap : 0;
    SIZE Ext{};
    GetTextExtentPoint32A(C.Handle(), Col->Caption.c_str(), static_cast<int>(Col->Caption.size()), &Ext);
    auto PlaceRight = [&] {
        Box = TRect(R.right - ArrowGap - BoxW, Box.top, R.right - ArrowGap, Box.bottom);
        ShowBox = true;
    };
    switch (FHeaderSortDisplayMode) {
    case hsdmNone:
        break;
    case hsdmLeftAlign:
        if (IsSort && R.Width() > 15) {
            ShowBox = true;
            TextR.left = Box.right + ArrowGap;
        }
        break;
    case hsdmRightOfText:
        if (Col->Alignment == taLeftJustify) {
            const int End = std::min<int>(R.left + ImageW + Ext.cx, R.right);
            Box = TRect(End + ArrowGap, Box.top, End + ArrowGap + BoxW, Box.bottom);
            ShowBox = true;
        } else if (IsSort) {
            PlaceRight();
            if (Col->Alignment == taRightJustify)
                TextR.right = Box.left - ArrowGap;
            else {
                TextR.left += BoxW + ArrowGap;
                TextR.right -= BoxW + ArrowGap;
            }
        }
        break;
    case hsdmRightAlign:
        PlaceRight();
        if (IsSort)
            TextR.right = Box.left - ArrowGap;
        break;
    }

    if (ImageW > 0) {
        SmallImages()->Draw(&C, TextR.left, TextR.top + (TextR.Height() - SmallImages()->Height()) / 2,
                            Col->ImageIndex);
        TextR.left += ImageW;
    }
    static const UINT Align[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    SetBkMode(DC, Themed ? TRANSPARENT : OPAQUE);
    SetBkColor(DC, ColorToRGB(clBtnFace));
    SetTextColor(DC, ColorToRGB(clBtnText));
    RECT TR = TextR;
    DrawTextA(DC, Col->Caption.c_str(), static_cast<int>(Col->Caption.size()), &TR,
              Align[Col->Alignment] | DT_SINGLELINE | DT_END_ELLIPSIS | DT_VCENTER | DT_NOPREFIX);

    if (ShowBox && IsSort && FHeaderSortDisplayMode != hsdmNone && R.Width() > 2 * BoxW) {
        const int H = Box.Height() * 3 / 4;
        const int Bottom = Box.bottom - 1, Top = Box.bottom - H;
        const int L = Box.left, Rt = Box.left + 2 * H - 2, Mid = Box.left + H - 1;
        POINT Tri[3];
        if (!FSortDescending)
            Tri[0] = {L, Bottom}, Tri[1] = {Rt, Bottom}, Tri[2] = {Mid, Top};
        else
            Tri[0] = {L, Top}, Tri[1] = {Rt, Top}, Tri[2] = {Mid, Bottom};
        C.Pen()->SetColor(clBtnShadow);
        C.Brush()->SetColor(clBtnShadow);
        C.Polygon(Tri, 3);
    }
    C.SetHandle(nullptr);
}

void TRzCustomListView::CreateWnd()
{
    TRzFramedView<TCustomListView>::CreateWnd();
    SendBackColor();
    PostMessageA(WindowHandle(), RZSH_REFRESHHEADER, 0, 0);
}

void TRzCustomListView::DestroyWnd()
{
    FHeader.Detach();
    HideItemHint();
    TRzFramedView<TCustomListView>::DestroyWnd();
}

void TRzCustomListView::Loaded()
{
    TRzFramedView<TCustomListView>::Loaded();
    FillLastColumn();
    if (HWND H = HeaderHandle())
        HeaderCreated(H);
}

void TRzCustomListView::SendBackColor()
{
    if (!HandleAllocated())
        return;
    const COLORREF C = ColorToRGB(Color());
    SendMessageA(WindowHandle(), LVM_SETBKCOLOR, 0, C);
    SendMessageA(WindowHandle(), LVM_SETTEXTBKCOLOR, 0, C);
}

void TRzCustomListView::HeaderCreated(HWND Header)
{
    // Hot tracking is a themed look: classic headers have none.
    if (UseThemes() && FHeader.Window() != Header)
        FHeader.Attach(Header, [this](UINT Msg, WPARAM W, LPARAM L) { return HeaderProc(Msg, W, L); });
    UpdateHeaderState();
}

LRESULT TRzCustomListView::HeaderProc(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    const HWND H = FHeader.Window();
    switch (Msg) {
    case WM_MOUSEMOVE: {
        if (!FHeaderButtonDown) {
            HDHITTESTINFO Hit{};
            Hit.pt = {static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam))};
            const int Item = static_cast<int>(SendMessageA(H, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&Hit)));
            if (Item != FHotHeaderItem) {
                FHotHeaderItem = Item;
                InvalidateRect(H, nullptr, FALSE);
            }
        }
        if (!FTrackingHeaderLeave) {
            TRACKMOUSEEVENT T{sizeof T, TME_LEAVE, H, 0};
            FTrackingHeaderLeave = _TrackMouseEvent(&T) != FALSE;
        }
        break;
    }
    case WM_MOUSELEAVE:
        FHotHeaderItem = -1;
        FTrackingHeaderLeave = false;
        InvalidateRect(H, nullptr, FALSE);
        break;
    case WM_LBUTTONDOWN:
        FHeaderButtonDown = true;
        break;
    case WM_LBUTTONUP:
        FHeaderButtonDown = false;
        break;
    default:
        break;
    }
    return FHeader.Default(Msg, WParam, LParam);
}

bool TRzCustomListView::IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage)
{
    if (!Enabled() && Target == dtItem && Stage == cdPrePaint)
        return true;
    return TRzFramedView<TCustomListView>::IsCustomDrawn(Target, Stage);
}

bool TRzCustomListView::CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage)
{
    // Rows match the disabled background.
    if (!Enabled())
        Canvas()->Brush()->SetColor(DisabledColor());
    return TRzFramedView<TCustomListView>::CustomDrawItem(Item, State, Stage);
}

bool TRzCustomListView::EditItemCaption(TListItem* Item)
{
    if (!Item)
        return false;
    const bool Was = std::exchange(FEditByProgram, true);
    TScopeExit Restore([&] { FEditByProgram = Was; });
    return Item->EditCaption();
}

bool TRzCustomListView::CanEdit(TListItem* Item)
{
    // A click in report view edits only the label under the mouse.
    if (ViewStyle() == vsReport && !FEditByProgram) {
        POINT P{};
        GetCursorPos(&P);
        const TPoint C = ScreenToClient(TPoint(P.x, P.y));
        const TRect Label = Item->DisplayRect(drLabel);
        if (!PtInRect(&Label, POINT{C.x, C.y}))
            return false;
    }
    return TRzFramedView<TCustomListView>::CanEdit(Item);
}

void TRzCustomListView::DoItemContextMenu(TListItem* Item, TPoint& Pos, TPopupMenu*& Menu)
{
    if (OnItemContextMenu)
        OnItemContextMenu(this, Item, Pos, Menu);
}

bool TRzCustomListView::ItemContextMenu(TListItem* Item, TPoint Pos)
{
    TPopupMenu* Menu = PopupMenu();
    DoItemContextMenu(Item, Pos, Menu);
    if (!Menu)
        return false;
    const TPoint S = ClientToScreen(Pos);
    Menu->SetPopupComponent(this);
    Menu->Popup(S.x, S.y);
    FSuppressNextPopup = true;
    return true;
}

bool TRzCustomListView::HandleNotify(NMHDR* Header, LRESULT& Result)
{
    switch (Header->code) {
    case NM_RCLICK: {
        POINT P{};
        GetCursorPos(&P);
        const TPoint C = ScreenToClient(TPoint(P.x, P.y));
        if (TListItem* It = GetItemAt(C.x, C.y)) {
            ItemContextMenu(It, C);
            Result = 1;
            return true;
        }
        return false;
    }
    case LVN_GETINFOTIPA: case LVN_GETINFOTIPW:
        return true;
    case LVN_BEGINDRAG: case LVN_BEGINRDRAG:
        FDragging = true;
        return false;
    default:
        return TRzFramedView<TCustomListView>::HandleNotify(Header, Result);
    }
}

bool TRzCustomListView::ItemHintShowing() const
{
    return FHintWnd && IsWindowVisible(FHintWnd);
}

void TRzCustomListView::HideItemHint()
{
    if (FHintWnd)
        ShowWindow(FHintWnd, SW_HIDE);
    FHintText.clear();
}

void TRzCustomListView::UpdateItemHint(int X, int Y)
{
    TListItem* It = ShowItemHints() ? GetItemAt(X, Y) : nullptr;
    const std::string Text = It ? ItemHintText(It) : std::string();
    if (Text.empty()) {
        HideItemHint();
        return;
    }
    const TRect B = It->DisplayRect(drBounds);
    const TPoint At = ClientToScreen(TPoint(B.left + HintOffsetX, B.bottom - HintOffsetY));
    if (ItemHintShowing() && Text == FHintText && At.x == FHintPos.x && At.y == FHintPos.y)
        return;
    if (!FHintWnd)
        FHintWnd = MakeHintWindow();
    SetWindowLongPtrA(FHintWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Font()->Handle()));
    SetWindowTextA(FHintWnd, Text.c_str());
    SIZE S{};
    {
        TWindowDC DC(FHintWnd);
        TSelectedObject Sel(DC.Get(), Font()->Handle());
        GetTextExtentPoint32A(DC.Get(), Text.c_str(), static_cast<int>(Text.size()), &S);
    }
    const int W = std::min<int>(S.cx + 6, GetSystemMetrics(SM_CXSCREEN));
    SetWindowPos(FHintWnd, HWND_TOPMOST, At.x, At.y, W, S.cy + 4, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    FHintText = Text;
    FHintPos = At;
}

void TRzCustomListView::ScrollByWheel(int Delta)
{
    const UINT Lines = GWheelScrollLinesQuery();
    const TCustomImageList* Images = ViewStyle() == vsIcon ? LargeImages() : SmallImages();
    const int ItemH = Images ? Images->Height() : (ViewStyle() == vsIcon ? 32 : 16);
    const int Step = Lines == WHEEL_PAGESCROLL ? ClientHeight() : static_cast<int>(Lines) * ItemH;
    SendMessageA(WindowHandle(), LVM_SCROLL, 0, Delta > 0 ? -Step : Step);
}

void TRzCustomListView::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case RZSH_REFRESHHEADER:
        UpdateHeaderState();
        return;
    case WM_DRAWITEM: {
        auto* D = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
        if (D->CtlType == ODT_HEADER || D->hwndItem == HeaderHandle()) {
            DrawHeaderItem(D->hDC, static_cast<int>(D->itemID), D->rcItem);
            Message.Result = TRUE;
            return;
        }
        break;
    }
    case WM_NOTIFY: {
        const auto* N = reinterpret_cast<const NMHDR*>(Message.LParam);
        if (N->hwndFrom == HeaderHandle()) {
            TRzFramedView<TCustomListView>::WndProc(Message);
            switch (N->code) {
            case HDN_ENDTRACKA: case HDN_ENDTRACKW: case HDN_DIVIDERDBLCLICKA: case HDN_DIVIDERDBLCLICKW:
                FillLastColumn();
                break;
            case HDN_ENDDRAG:
                PostMessageA(WindowHandle(), RZSH_REFRESHHEADER, 0, 0);
                break;
            default:
                break;
            }
            return;
        }
        break;
    }
    case WM_MOUSEWHEEL:
        ScrollByWheel(static_cast<short>(HIWORD(Message.WParam)));
        Message.Result = 0;
        return;
    case WM_MOUSEMOVE:
        TRzFramedView<TCustomListView>::WndProc(Message);
        if (ViewStyle() == vsReport && FHotHeaderItem != -1) {
            FHotHeaderItem = -1;
            if (HWND H = HeaderHandle())
                InvalidateRect(H, nullptr, FALSE);
        }
        UpdateItemHint(Message.XPos(), Message.YPos());
        return;
    case CM_MOUSELEAVE:
        HideItemHint();
        if (ViewStyle() == vsReport && FHotHeaderItem != -1) {
            FHotHeaderItem = -1;
            if (HWND H = HeaderHandle())
                InvalidateRect(H, nullptr, FALSE);
        }
        break;
    case WM_CONTEXTMENU: {
        if (FSuppressNextPopup) {
            FSuppressNextPopup = false;
            return;
        }
        TListItem* Sel = Selected();
        if (!Sel)
            break;
        if (Message.LParam != -1) {
            ItemContextMenu(Sel, ScreenToClient(TPoint(Message.XPos(), Message.YPos())));
            return;
        }
        // From the keyboard: the middle of the icon of the selected item
        // when it has the focus, else of the focused item.
        TListItem* At = Sel->Focused() ? Sel : ItemFocused();
        if (!At)
            break;
        const TRect Icon = At->DisplayRect(drIcon);
        ItemContextMenu(Sel, TPoint((Icon.left + Icon.right) / 2, (Icon.top + Icon.bottom) / 2));
        return;
    }
    default:
        break;
    }
    TRzFramedView<TCustomListView>::WndProc(Message);
}
