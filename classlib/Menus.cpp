#include "classlib/Menus.h"

#include <algorithm>
#include <memory>

#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "classlib/ResStrings.h"

namespace {

// Command identifiers: WM_COMMAND carries 16 bits, and 0 means "nothing
// chosen", so the numbers wrap inside 1..0xFFFF.
UINT NextCommand()
{
    static UINT Last = 0;
    Last = Last >= 0xFFFF ? 1 : Last + 1;
    return Last;
}

constexpr int ImageGap = 2; // beside an item image, inside the check column

} // namespace

// ---------------------------------------------------------------------------
// TMenuItem
// ---------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FCommand(NextCommand()) {}

TMenuItem::~TMenuItem()
{
    TMenuItem::BeforeDestruction();
}

void TMenuItem::BeforeDestruction()
{
    if (FParent)
        FParent->Remove(this);
    // Sub-items go with their parent; each leaves the list as it is freed.
    while (!FItems.empty()) {
        TMenuItem* Last = FItems.back();
        FItems.pop_back();
        Last->FParent = nullptr;
        Last->Free();
    }
    TComponent::BeforeDestruction();
}

TMenuItem* TMenuItem::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format(LoadResString(SListIndexError), Index));
    return FItems[static_cast<size_t>(Index)];
}

void TMenuItem::Add(TMenuItem* Item)
{
    Insert(Count(), Item);
}

void TMenuItem::Insert(int Index, TMenuItem* Item)
{
    if (!Item)
        return;
    if (Item->FParent)
        throw EInvalidOperation("Menu inserted twice");
    if (Index < 0 || Index > Count())
        throw EListError(Format(LoadResString(SListIndexError), Index));
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* Item)
{
    auto It = std::find(FItems.begin(), FItems.end(), Item);
    if (It == FItems.end())
        return;
    FItems.erase(It);
    Item->FParent = nullptr;
}

void TMenuItem::Delete(int Index)
{
    TMenuItem* Item = Items(Index);
    Remove(Item);
    Item->Free();
}

void TMenuItem::Clear()
{
    while (!FItems.empty())
        Delete(Count() - 1);
}

int TMenuItem::IndexOf(const TMenuItem* Item) const
{
    auto It = std::find(FItems.begin(), FItems.end(), Item);
    return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

TMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* Root = this;
    while (Root->FParent)
        Root = Root->FParent;
    return Root->FMenu;
}

TMenuItem* TMenuItem::FindByCommand(UINT ACommand)
{
    if (FCommand == ACommand)
        return this;
    for (TMenuItem* Item : FItems)
        if (TMenuItem* Found = Item->FindByCommand(ACommand))
            return Found;
    return nullptr;
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(this);
}

// ---------------------------------------------------------------------------
// TMenu
// ---------------------------------------------------------------------------

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr))
{
    FItems->FMenu = this;
}

TMenu::~TMenu()
{
    FreeHandle();
    FItems->FMenu = nullptr;
    FItems->Free();
}

void TMenu::FreeHandle()
{
    if (FHandle)
        DestroyMenu(FHandle);
    FHandle = nullptr;
}

void TMenu::SetImages(TCustomImageList* Value)
{
    if (Value == FImages)
        return;
    if (FImages)
        FImages->RemoveFreeNotification(this);
    FImages = Value;
    if (FImages)
        FImages->FreeNotification(this);
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages)
        FImages = nullptr;
}

HMENU TMenu::BuildHandle()
{
    FreeHandle();
    FHandle = CreatePopupMenu();
    if (!FHandle)
        throw EOutOfResources("Out of system resources");
    AppendItems(FHandle, FItems);
    return FHandle;
}

void TMenu::AppendItems(HMENU Menu, TMenuItem* Parent)
{
    for (TMenuItem* Item : Parent->FItems) {
        if (!Item->Visible())
            continue;
        MENUITEMINFOA Info{};
        Info.cbSize = sizeof(Info);
        if (Item->IsLine()) {
            Info.fMask = MIIM_FTYPE;
            Info.fType = MFT_SEPARATOR;
            InsertMenuItemA(Menu, GetMenuItemCount(Menu), TRUE, &Info);
            continue;
        }
        Info.fMask = MIIM_STRING | MIIM_STATE | MIIM_ID | MIIM_DATA;
        Info.dwTypeData = const_cast<char*>(Item->FCaption.c_str());
        Info.fState = (Item->Enabled() ? MFS_ENABLED : MFS_DISABLED) | (Item->Checked() ? MFS_CHECKED : 0);
        Info.wID = Item->Command();
        Info.dwItemData = reinterpret_cast<ULONG_PTR>(Item);
        if (FImages && Item->ImageIndex() >= 0 && Item->ImageIndex() < FImages->Count()) {
            // Drawn by DrawItem when the tracking window asks.
            Info.fMask |= MIIM_BITMAP;
            Info.hbmpItem = HBMMENU_CALLBACK;
        }
        if (Item->Count() > 0) {
            Info.fMask |= MIIM_SUBMENU;
            Info.hSubMenu = CreatePopupMenu();
            AppendItems(Info.hSubMenu, Item);
        }
        InsertMenuItemA(Menu, GetMenuItemCount(Menu), TRUE, &Info);
    }
}

bool TMenu::DispatchCommand(UINT ACommand)
{
    TMenuItem* Item = ACommand ? FItems->FindByCommand(ACommand) : nullptr;
    if (!Item || Item == FItems)
        return false;
    Item->Click();
    return true;
}

bool TMenu::MeasureItem(MEASUREITEMSTRUCT& Measure)
{
    if (Measure.CtlType != ODT_MENU || !FImages)
        return false;
    auto* Item = reinterpret_cast<TMenuItem*>(Measure.itemData);
    if (!Item || !FItems->FindByCommand(Measure.itemID))
        return false;
    Measure.itemWidth = static_cast<UINT>(FImages->Width() + ImageGap);
    Measure.itemHeight = static_cast<UINT>(FImages->Height() + ImageGap);
    return true;
}

bool TMenu::DrawItem(const DRAWITEMSTRUCT& Draw)
{
    if (Draw.CtlType != ODT_MENU || !FImages)
        return false;
    TMenuItem* Item = FItems->FindByCommand(Draw.itemID);
    if (!Item || Item == FItems)
        return false;
    TCanvas Canvas;
    Canvas.SetHandle(Draw.hDC);
    const RECT& R = Draw.rcItem;
    const int X = R.left + (R.right - R.left - FImages->Width()) / 2;
    const int Y = R.top + (R.bottom - R.top - FImages->Height()) / 2;
    FImages->Draw(&Canvas, X, Y, Item->ImageIndex(), (Draw.itemState & ODS_DISABLED) == 0);
    Canvas.SetHandle(nullptr);
    return true;
}

// ---------------------------------------------------------------------------
// TPopupMenu
// ---------------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu()
{
    SetPopupComponent(nullptr);
    DeallocateHWnd(FWindow);
}

void TPopupMenu::SetPopupComponent(TComponent* Value)
{
    if (Value == FPopupComponent)
        return;
    if (FPopupComponent)
        FPopupComponent->RemoveFreeNotification(this);
    FPopupComponent = Value;
    if (FPopupComponent)
        FPopupComponent->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation)
{
    TMenu::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupComponent)
        FPopupComponent = nullptr;
}

UINT TPopupMenu::TrackFlags() const
{
    UINT Flags = TPM_LEFTBUTTON | TPM_RIGHTBUTTON;
    switch (FAlignment) {
    case paLeft: Flags |= TPM_LEFTALIGN; break;
    case paRight: Flags |= TPM_RIGHTALIGN; break;
    case paCenter: Flags |= TPM_CENTERALIGN; break;
    }
    return Flags;
}

void TPopupMenu::DoPopup(TObject* Sender)
{
    if (OnPopup)
        OnPopup(Sender);
}

void TPopupMenu::WindowProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_COMMAND:
        if (HIWORD(Message.WParam) == 0 && DispatchCommand(LOWORD(Message.WParam)))
            return;
        break;
    case WM_MEASUREITEM:
        if (MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam))) {
            Message.Result = TRUE;
            return;
        }
        break;
    case WM_DRAWITEM:
        if (DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam))) {
            Message.Result = TRUE;
            return;
        }
        break;
    default:
        break;
    }
    Message.Result = DefWindowProcA(FWindow, Message.Msg, Message.WParam, Message.LParam);
}

void TPopupMenu::Popup(int X, int Y)
{
    DoPopup(this);
    HMENU Menu = BuildHandle();
    // The hidden window that owns a tracked menu: TrackPopupMenu needs a real
    // window of this thread, and the chosen command arrives there.
    if (!FWindow)
        FWindow = AllocateHWnd([this](TMessage& M) { WindowProc(M); }, "TessalyPopupList", WS_EX_TOOLWINDOW, WS_POPUP,
                               nullptr);
    TrackPopupMenu(Menu, TrackFlags(), X, Y, 0, FWindow, nullptr);
    // The chosen command is posted to the window; run it before returning,
    // so the caller sees the click done when Popup returns.
    MSG Msg;
    while (PeekMessageA(&Msg, FWindow, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
        TMessage M{Msg.message, Msg.wParam, Msg.lParam, 0};
        WindowProc(M);
    }
}

// ---------------------------------------------------------------------------
// Menu font
// ---------------------------------------------------------------------------

const TFont* MenuFont()
{
    static std::unique_ptr<TFont> Font;
    if (!Font) {
        Font = std::make_unique<TFont>();
        NONCLIENTMETRICSA Metrics{};
        Metrics.cbSize = sizeof(Metrics);
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0))
            Font->SetHandle(CreateFontIndirectA(&Metrics.lfMenuFont));
    }
    return Font.get();
}

// ---------------------------------------------------------------------------
// Shortcut texts
// ---------------------------------------------------------------------------

TShortCut ShortCut(WORD Key, unsigned Shift)
{
    if (Key & 0xFF00)
        return scNone;
    TShortCut S = Key;
    if (Shift & ssShift)
        S |= scShift;
    if (Shift & ssCtrl)
        S |= scCtrl;
    if (Shift & ssAlt)
        S |= scAlt;
    return S;
}

namespace {

std::string KeyName(TShortCut ShortCut)
{
    static const char* const Named32to40[] = {"Space", "PgUp", "PgDn", "End", "Home", "Left", "Up", "Right", "Down"};
    const WORD Key = ShortCut & 0xFF;
    switch (Key) {
    case 8: return "BkSp";
    case 9: return "Tab";
    case 13: return "Enter";
    case 27: return "Esc";
    case 45: return "Ins";
    case 46: return "Del";
    default: break;
    }
    if (Key >= 32 && Key <= 40)
        return Named32to40[Key - 32];
    if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z'))
        return std::string(1, static_cast<char>(Key));
    if (Key >= 96 && Key <= 105)
        return std::string(1, static_cast<char>('0' + Key - 96));
    if (Key >= 112 && Key <= 135)
        return "F" + std::to_string(Key - 111);
    return "#" + std::to_string(ShortCut);
}

bool TakePrefix(std::string& Text, const char* Prefix)
{
    const size_t N = strlen(Prefix);
    if (Text.size() >= N && CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Text.data(), static_cast<int>(N),
                                           Prefix, static_cast<int>(N)) == CSTR_EQUAL) {
        Text.erase(0, N);
        return true;
    }
    return false;
}

} // namespace

std::string ShortCutToText(TShortCut ShortCut)
{
    const std::string Name = KeyName(ShortCut);
    if (Name.empty())
        return {};
    std::string S;
    if (ShortCut & scShift)
        S += "Shift+";
    if (ShortCut & scCtrl)
        S += "Ctrl+";
    if (ShortCut & scAlt)
        S += "Alt+";
    return S + Name;
}

TShortCut TextToShortCut(const std::string& Text)
{
    std::string Rest = Text;
    TShortCut Shift = 0;
    for (;;) {
        if (TakePrefix(Rest, "Shift+"))
            Shift |= scShift;
        else if (TakePrefix(Rest, "Ctrl+") || TakePrefix(Rest, "^"))
            Shift |= scCtrl;
        else if (TakePrefix(Rest, "Alt+"))
            Shift |= scAlt;
        else
            break;
    }
    if (Rest.empty())
        return scNone;
    for (int Key = 8; Key <= 597; ++Key) {
        const std::string Name = KeyName(static_cast<TShortCut>(Key));
        if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Rest.data(), static_cast<int>(Rest.size()),
                           Name.data(), static_cast<int>(Name.size())) == CSTR_EQUAL)
            return static_cast<TShortCut>(Key | Shift);
    }
    return scNone;
}
