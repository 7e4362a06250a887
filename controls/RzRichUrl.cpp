#include "controls/RzRichUrl.h"

#include <richedit.h>

#include <cstdlib>

#include "classlib/Forms.h"

namespace {

// The wheel setting that asks for a page per notch.
constexpr int WheelPageScroll = 65535;
constexpr int WheelNotch = WHEEL_DELTA;

} // namespace

TRichWheelScroll RichWheelScroll(int WheelDelta, int Lines)
{
    // WHEEL_PAGESCROLL read as a signed number is -1.
    if (Lines == WheelPageScroll || Lines < 0)
        return {WheelDelta / WheelNotch, true};
    return {WheelDelta / WheelNotch * Lines, false};
}

// ---------------------------------------------------------------------------
// TRzRichEdit
// ---------------------------------------------------------------------------

TRzRichEdit::TRzRichEdit(TComponent* AOwner) : TRzFramedEdit<TCustomRichEdit>(AOwner)
{
    FControlStyle &= ~csSetCaption;
}

void TRzRichEdit::CreateWnd()
{
    TRzFramedEdit<TCustomRichEdit>::CreateWnd();
    LineColChange();
}

void TRzRichEdit::WndProc(TMessage& Message)
{
    using TBase = TRzFramedEdit<TCustomRichEdit>;
    if (TrackFrameHot(Message, FHasFocus))
        return;
    switch (Message.Msg) {
    case WM_NCPAINT:
        PaintNonClient(Message);
        return;
    case WM_SIZE:
        TBase::WndProc(Message);
        if (FrameVisible() && !UseThemes())
            RepaintFrame();
        return;
    case CM_ENABLEDCHANGED:
        EnabledChanged();
        return;
    case CM_COLORCHANGED: case CM_PARENTCOLORCHANGED:
        ColorChanged(Message);
        return;
    default:
        TBase::WndProc(Message);
    }
}

void TRzRichEdit::EnabledChanged()
{
    // The focus must not stay on a disabled control.
    if (!Enabled() && Parent())
        if (TCustomForm* F = GetParentForm(this); F && Focused() && F->HandleAllocated())
            ::SetFocus(F->WindowHandle());
    if (HandleAllocated() && !HasState(csDesigning)) {
        if (Enabled())
            EnableWindow(WindowHandle(), TRUE);
        else
            SetWindowLongA(WindowHandle(), GWL_STYLE, GetWindowLongA(WindowHandle(), GWL_STYLE) | WS_DISABLED);
    }
    UpdateColors();
}

void TRzRichEdit::SetReadOnly(bool Value)
{
    TRzFramedEdit<TCustomRichEdit>::SetReadOnly(Value);
    UpdateColors();
}

// ---------------------------------------------------------------------------
// Caret line and column
// ---------------------------------------------------------------------------

int TRzRichEdit::GetColumn()
{
    return CaretPos().x + 1;
}

int TRzRichEdit::GetLine()
{
    return CaretPos().y + 1;
}

void TRzRichEdit::SetColumn(int Value)
{
    // A column before the first would put the caret on the line above.
    if (Value < 1)
        return;
    const HWND W = Handle();
    const int Start = static_cast<int>(SendMessageA(W, EM_LINEINDEX, static_cast<WPARAM>(-1), 0));
    const int Length = static_cast<int>(SendMessageA(W, EM_LINELENGTH, static_cast<WPARAM>(Start), 0));
    if (Value > Length + 1)
        return;
    SendMessageA(W, EM_SETSEL, static_cast<WPARAM>(Start + Value - 1), Start + Value - 1);
    LineColChange();
}

void TRzRichEdit::SetLine(int Value)
{
    // Line 0 would ask for the caret's own line (EM_LINEINDEX of -1) and
    // move the caret; a line past the end has no start.
    if (Value < 1)
        return;
    const HWND W = Handle();
    const int Start = static_cast<int>(SendMessageA(W, EM_LINEINDEX, static_cast<WPARAM>(Value - 1), 0));
    if (Start < 0)
        return;
    SendMessageA(W, EM_SETSEL, static_cast<WPARAM>(Start), Start);
    if (GetLine() != Value)
        return;
    const int First = static_cast<int>(SendMessageA(W, EM_GETFIRSTVISIBLELINE, 0, 0));
    SendMessageA(W, EM_LINESCROLL, 0, Value - First - 1);
    LineColChange();
}

void TRzRichEdit::LineColChange()
{
    if (OnLineColChange)
        OnLineColChange(this, GetLine(), GetColumn());
    ClipboardChange();
}

void TRzRichEdit::ClipboardChange()
{
    if (OnClipboardChange)
        OnClipboardChange(this, IsClipboardFormatAvailable(CF_TEXT) != FALSE, SelLength() > 0);
}

void TRzRichEdit::Change()
{
    TRzFramedEdit<TCustomRichEdit>::Change();
    LineColChange();
}

void TRzRichEdit::Click()
{
    TRzFramedEdit<TCustomRichEdit>::Click();
    LineColChange();
}

void TRzRichEdit::KeyDown(WORD& Key, TShiftState Shift)
{
    TRzFramedEdit<TCustomRichEdit>::KeyDown(Key, Shift);
    LineColChange();
}

void TRzRichEdit::KeyUp(WORD& Key, TShiftState Shift)
{
    TRzFramedEdit<TCustomRichEdit>::KeyUp(Key, Shift);
    LineColChange();
}

void TRzRichEdit::KeyPress(char& Key)
{
    if (!EnterAsTab(Key))
        TRzFramedEdit<TCustomRichEdit>::KeyPress(Key);
}

void TRzRichEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TRzFramedEdit<TCustomRichEdit>::MouseUp(Button, Shift, X, Y);
    ClipboardChange();
}

void TRzRichEdit::SelectionChange()
{
    TRzFramedEdit<TCustomRichEdit>::SelectionChange();
    ClipboardChange();
}

bool TRzRichEdit::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    if (OnMouseWheel)
        return TRzFramedEdit<TCustomRichEdit>::DoMouseWheel(Shift, WheelDelta, MousePos);
    const TRichWheelScroll S = RichWheelScroll(WheelDelta, WheelScrollLines());
    const WPARAM Code = S.Count > 0 ? (S.Pages ? SB_PAGEUP : SB_LINEUP) : (S.Pages ? SB_PAGEDOWN : SB_LINEDOWN);
    for (int I = 0; I < std::abs(S.Count); ++I) {
        // A scroll that fails or moves nothing (the top or the end) ends
        // the move.
        const LRESULT R = SendMessageA(Handle(), EM_SCROLL, Code, 0);
        if (HIWORD(R) == 0 || LOWORD(R) == 0)
            break;
    }
    return true;
}

// ---------------------------------------------------------------------------
// TRzRichEditURL
// ---------------------------------------------------------------------------

void TRzRichEditURL::CreateWnd()
{
    TRzRichEdit::CreateWnd();
    const HWND W = WindowHandle();
    SendMessageA(W, EM_AUTOURLDETECT, TRUE, 0);
    SendMessageA(W, EM_SETEVENTMASK, 0, SendMessageA(W, EM_GETEVENTMASK, 0, 0) | ENM_LINK);
    // Links are found as text comes in: what the new window already holds
    // (its text from before) goes in once more.
    if (GetWindowTextLengthA(W) > 0)
        SetRichText(RichText(false), false);
}

void TRzRichEditURL::CNNotify(TMessage& Message)
{
    const auto Link = reinterpret_cast<ENLINK*>(Message.LParam);
    if (Link->nmhdr.code == EN_LINK && Link->msg == WM_LBUTTONDOWN) {
        // A failing handler must not break the click's message handling.
        try {
            SendMessageA(Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&Link->chrg));
            const std::string URL = SelText();
            if (OnURLClick)
                OnURLClick(this, URL);
        } catch (...) {
        }
    }
    TRzRichEdit::CNNotify(Message);
}
