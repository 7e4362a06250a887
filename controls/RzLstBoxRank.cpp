// The rank list box: the user reorders its items by dragging one (with
// Shift, unless no modifier is asked for) or by Shift with Up, Down, Home
// and End.
#include <algorithm>

#include "classlib/Cleanup.h"
#include "classlib/Forms.h"
#include "controls/RzLstBox.h"

TRzRankListBox::TRzRankListBox(TComponent* AOwner) : TRzListBox(AOwner)
{
    TCustomListBox::SetExtendedSelect(false);
}

TRzRankListBox::~TRzRankListBox()
{
    if (FMoving && Screen)
        Screen->SetCursor(FSavedCursor);
}

void TRzRankListBox::SetMoveOnDrag(bool Value)
{
    if (FMoving)
        throw Exception("MoveOnDrag property cannot be changed while moving an item");
    FMoveOnDrag = Value;
}

void TRzRankListBox::MoveItem(int OldIndex, int NewIndex)
{
    Items()->Move(OldIndex, NewIndex);
    SetItemIndex(NewIndex);
    if (OnMoveItem)
        OnMoveItem(this, OldIndex, NewIndex);
}

int TRzRankListBox::DropTarget(TPoint P)
{
    const int Index = ItemAtPos(P, true);
    if (Index >= 0)
        return Index;
    return P.y < 0 ? 0 : Items()->Count() - 1;
}

void TRzRankListBox::EndMove()
{
    FMoving = false;
    if (Screen)
        Screen->SetCursor(FSavedCursor);
}

void TRzRankListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TRzListBox::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || (FModifierKey == mkShift && !(Shift & ssShift)))
        return;
    const int Index = ItemAtPos(TPoint(X, Y), true);
    if (Index < 0)
        return;
    FMoveIndex = Index;
    FSavedCursor = Screen ? Screen->Cursor() : crDefault;
    if (Screen)
        Screen->SetCursor(DragCursor());
    FMoving = true;
}

void TRzRankListBox::MouseMove(TShiftState Shift, int X, int Y)
{
    TRzListBox::MouseMove(Shift, X, Y);
    if (!FMoving)
        return;
    // The release went somewhere else (a message box shown by a handler,
    // a switch to another program): holding the pointer inside the list
    // now would trap it there, so the move ends as on a release.
    if (!(Shift & ssLeft)) {
        EndMove();
        if (HandleAllocated() && GetCapture() == WindowHandle())
            ReleaseCapture();
        return;
    }
    TPoint P(std::clamp(X, 0, std::max(0, ClientWidth() - 1)), std::clamp(Y, 0, std::max(0, ClientHeight() - 1)));
    if (P.x != X || P.y != Y) {
        const TPoint S = ClientToScreen(P);
        SetCursorPos(S.x, S.y);
    }
    if (!FMoveOnDrag)
        return;
    const int Target = DropTarget(P);
    if (Target >= 0 && Target != FMoveIndex) {
        MoveItem(FMoveIndex, Target);
        FMoveIndex = ItemIndex();
    }
}

void TRzRankListBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TRzListBox::MouseUp(Button, Shift, X, Y);
    if (!FMoving)
        return;
    if (!FMoveOnDrag) {
        const int Target = DropTarget(TPoint(X, Y));
        if (Target >= 0 && Target != FMoveIndex)
            MoveItem(FMoveIndex, Target);
    }
    EndMove();
}

void TRzRankListBox::KeyDown(WORD& Key, TShiftState Shift)
{
    TRzListBox::KeyDown(Key, Shift);
    if (FMoving || !(Shift & ssShift))
        return;
    const int Index = ItemIndex();
    const int Last = Items()->Count() - 1;
    if (Index < 0)
        return;
    int Target = -1;
    switch (Key) {
    case VK_UP: Target = Index > 0 ? Index - 1 : -1; break;
    case VK_DOWN: Target = Index < Last ? Index + 1 : -1; break;
    case VK_HOME: Target = Index > 0 ? 0 : -1; break;
    case VK_END: Target = Index < Last ? Last : -1; break;
    default: return;
    }
    if (Target < 0)
        return;
    MoveItem(Index, Target);
    Key = 0;
}

void TRzRankListBox::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONUP: {
        // The list's own procedure lets the mouse go before the button-up
        // reaches MouseUp; that is no lost capture.
        FReleasing = true;
        TScopeExit Done([this] { FReleasing = false; });
        TRzListBox::WndProc(Message);
        return;
    }
    case WM_CAPTURECHANGED:
        // Another window took the mouse: the release will never come here.
        if (FMoving && !FReleasing && reinterpret_cast<HWND>(Message.LParam) != WindowHandle())
            EndMove();
        break;
    case WM_KILLFOCUS:
        // Focus gone (Alt+Tab, a dialog): the move ends and the mouse is
        // let go, so that the pointer is free outside the list.
        if (FMoving) {
            EndMove();
            if (GetCapture() == WindowHandle())
                ReleaseCapture();
        }
        break;
    default:
        break;
    }
    TRzListBox::WndProc(Message);
}
