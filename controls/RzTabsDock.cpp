// Docking into the page control: a docked form gets a page of its own, the
// page follows the form's caption and visibility, and undocking removes
// it; the tab of a docked form drags or undocks the form.
#include "classlib/Forms.h"
#include "controls/RzTabs.h"

namespace {

// A caption shown on a tab: the text before its first line break.
std::string FirstLine(const std::string& Text)
{
    return Text.substr(0, Text.find_first_of("\r\n"));
}

} // namespace

TRzTabSheet* TRzPageControl::PageOfClient(const TControl* Client) const
{
    for (TRzTabSheet* P : FPages)
        if (Client && Client->Parent() == P)
            return P;
    return nullptr;
}

void TRzPageControl::DockClient(TControl* Client)
{
    // A client already held by a page docks no second time.
    if (!Client || PageOfClient(Client))
        return;
    auto Page = new TRzTabSheet(this);
    FNewDockPage = Page;
    TScopeExit Done([this] { FNewDockPage = nullptr; });
    Page->SetPageControl(this);
    if (dynamic_cast<TCustomForm*>(Client))
        Page->SetCaption(FirstLine(Client->Caption()));
    Page->SetTabVisible(Client->Visible());
    Client->SetParent(Page);
    Client->SetAlign(alClient);
    if (Client->Visible())
        SetActivePage(Page);
}

void TRzPageControl::DockNotification(TControl* Client, UINT Msg)
{
    TRzTabSheet* Page = PageOfClient(Client);
    if (!Page)
        return;
    if (Msg == CM_TEXTCHANGED)
        Page->SetCaption(FirstLine(Client->Caption()));
    else if (Msg == CM_VISIBLECHANGED)
        Page->SetTabVisible(Client->Visible());
}

void TRzPageControl::UndockClient(TControl* Client)
{
    FUndockPage = PageOfClient(Client);
    if (Client)
        Client->SetAlign(alNone);
}

void TRzPageControl::UndockPageEmptied(TRzTabSheet* Page)
{
    FUndockPage = nullptr;
    if (HasState(csDestroying))
        return;
    if (Page == ActivePage())
        SelectNextPage(true);
    if (Page == ActivePage())
        SetActivePage(nullptr);
    // The page goes from the strip now; the object once its own handler
    // has unwound.
    Page->SetPageControl(nullptr);
    Page->Free();
}

TControl* TRzPageControl::DockedClientAt(int X, int Y)
{
    TRzTabSheet* Page = PageForTab(TabAtPos(X, Y));
    if (!Page || Page->ControlCount() == 0)
        return nullptr;
    TControl* Client = Page->Controls(0);
    return Client->HostDockSite() == this ? Client : nullptr;
}

void TRzPageControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto Alive = FAlive;
    TRzCustomTabControl::MouseDown(Button, Shift, X, Y);
    if (!*Alive || Button != mbLeft || (Shift & ssDouble))
        return;
    if (TControl* Client = DockedClientAt(X, Y))
        Client->BeginDrag(false);
}

void TRzPageControl::DblClick()
{
    auto Alive = FAlive;
    TRzCustomTabControl::DblClick();
    if (!*Alive || !FDblClickUndocks || !HandleAllocated())
        return;
    POINT P{};
    GetCursorPos(&P);
    const TPoint C = ScreenToClient(TPoint(P.x, P.y));
    if (TControl* Client = DockedClientAt(C.x, C.y)) {
        // Floats where it is shown now.
        const TPoint At = Client->ClientToScreen(TPoint(0, 0));
        Client->ManualFloat(Bounds(At.x, At.y, Client->Width(), Client->Height()));
    }
}
