#include "app/KvRichPnl.h"

#include <richedit.h>

#include <iterator>
#include <vector>

#include "classlib/Cleanup.h"
#include "foundation/KvAnsi.h"

namespace {

// The rich edit's code page for wide text.
constexpr UINT CodePageUtf16 = 1200;

struct TScrollKey {
    WORD Key;
    UINT Message;
    WORD Code;
};

// The keys a viewer scrolls with, and how.
const TScrollKey ScrollKeys[] = {
    {VK_PRIOR, WM_VSCROLL, SB_PAGEUP}, {VK_NEXT, WM_VSCROLL, SB_PAGEDOWN}, {VK_END, WM_VSCROLL, SB_BOTTOM},
    {VK_HOME, WM_VSCROLL, SB_TOP},     {VK_LEFT, WM_HSCROLL, SB_LINELEFT}, {VK_UP, WM_VSCROLL, SB_LINEUP},
    {VK_RIGHT, WM_HSCROLL, SB_LINERIGHT}, {VK_DOWN, WM_VSCROLL, SB_LINEDOWN},
};

// The whole text (or with GT_SELECTION the selected text) with CRLF line
// breaks, in the code page (CP_ACP) or as wide text (1200).
template <typename TString>
TString WholeText(HWND Wnd, UINT CodePage, DWORD Flags = 0)
{
    using TChar = typename TString::value_type;
    GETTEXTLENGTHEX Len{GTL_USECRLF | GTL_PRECISE | GTL_NUMBYTES, CodePage};
    const LRESULT Size = SendMessageA(Wnd, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&Len), 0);
    if (Size <= 0)
        return {};
    std::vector<TChar> Buf(static_cast<size_t>(Size) / sizeof(TChar) + 2);
    GETTEXTEX Get{};
    Get.cb = static_cast<DWORD>(Buf.size() * sizeof(TChar));
    Get.flags = GT_USECRLF | Flags;
    Get.codepage = CodePage;
    const LRESULT Got = SendMessageA(Wnd, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&Get),
                                     reinterpret_cast<LPARAM>(Buf.data()));
    return TString(Buf.data(), Got > 0 ? static_cast<size_t>(Got) : 0);
}

} // namespace

TKvRichPanel::TKvRichPanel(TComponent* AOwner) : TRzRichEdit(AOwner)
{
    SetReadOnly(true);
    // A viewer that gets the focus must not select its whole text.
    SetAutoSelect(false);
    // Nothing to type: Tab, Enter and Esc belong to the form.
    SetWantReturns(false);
}

void TKvRichPanel::SetShowCaret(bool Value)
{
    if (FShowCaret == Value)
        return;
    FShowCaret = Value;
    if (HandleAllocated() && Focused()) {
        if (Value)
            ::ShowCaret(WindowHandle());
        else
            ::HideCaret(WindowHandle());
    }
}

void TKvRichPanel::ScrollToCaret()
{
    if (HandleAllocated())
        SendMessageA(WindowHandle(), EM_SCROLLCARET, 0, 0);
}

std::string TKvRichPanel::GetSelectedOrAllText()
{
    if (HandleAllocated() && SelLength() > 0)
        return SelText();
    return AllText();
}

std::wstring TKvRichPanel::GetSelectedOrAllWideText()
{
    if (HandleAllocated() && SelLength() > 0)
        return WholeText<std::wstring>(WindowHandle(), CodePageUtf16, GT_SELECTION);
    return AllWideText();
}

std::string TKvRichPanel::AllText()
{
    return HandleAllocated() ? WholeText<std::string>(WindowHandle(), CP_ACP) : Text();
}

std::wstring TKvRichPanel::AllWideText()
{
    return HandleAllocated() ? WholeText<std::wstring>(WindowHandle(), CodePageUtf16) : AnsiToWideStr(Text());
}

int TKvRichPanel::LineCount()
{
    // The text's own lines, however the panel wraps them; counted as the
    // class library's line lists count: a final line break adds no line.
    const std::string Text = AllText();
    int Count = 0;
    for (std::size_t At = Text.find("\r\n"); At != std::string::npos; At = Text.find("\r\n", At + 2))
        ++Count;
    if (!Text.empty() && (Text.size() < 2 || Text.compare(Text.size() - 2, 2, "\r\n") != 0))
        ++Count;
    return Count;
}

void TKvRichPanel::AppendText(const std::string& Text)
{
    const HWND Wnd = Handle();
    CHARRANGE End{-1, -1};
    SendMessageA(Wnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&End));
    SendMessageA(Wnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Text.c_str()));
}

void TKvRichPanel::AppendText(const std::wstring& Text)
{
    // The control keeps its text as wide text, whichever code page its
    // window speaks; this way in no letter is lost to the code page.
    const HWND Wnd = Handle();
    CHARRANGE End{-1, -1};
    SendMessageA(Wnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&End));
    SETTEXTEX Set{ST_SELECTION, CodePageUtf16};
    SendMessageA(Wnd, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&Set), reinterpret_cast<LPARAM>(Text.c_str()));
}

void TKvRichPanel::Empty()
{
    // The rich edit deletes text one paragraph at a time, each time looking
    // for the place from the start: under Wine a log of 5,000 mailboxes took
    // 15 s to empty, 1,000 took 0.2 s. A new window costs the same whatever
    // the old one held.
    if (!HandleAllocated()) {
        SetText("");
        return;
    }
    FDropText = true;
    TScopeExit Kept([this] { FDropText = false; });
    RecreateWnd();
}

void TKvRichPanel::DestroyWnd()
{
    if (!FDropText) {
        TRzRichEdit::DestroyWnd();
        return;
    }
    SetTextBuf("");
    DestroyWindowHandle();
}

bool TKvRichPanel::ViewerMessage(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_KEYDOWN:
        for (const TScrollKey& K : ScrollKeys)
            if (K.Key == Message.WParam) {
                SendMessageA(WindowHandle(), K.Message, K.Code, 0);
                SendMessageA(WindowHandle(), K.Message, SB_ENDSCROLL, 0);
                break;
            }
        Message.Result = 0;
        return true;
    case WM_LBUTTONDOWN:
        if (!Focused() && CanFocus())
            SetFocus();
        Message.Result = 0;
        return true;
    case WM_KEYUP:
    case WM_CHAR:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        Message.Result = 0;
        return true;
    case WM_SETFOCUS:
        TRzRichEdit::WndProc(Message);
        if (HandleAllocated())
            ::HideCaret(WindowHandle());
        return true;
    case WM_KILLFOCUS:
        if (HandleAllocated())
            ::ShowCaret(WindowHandle());
        TRzRichEdit::WndProc(Message);
        return true;
    default:
        return false;
    }
}

void TKvRichPanel::WndProc(TMessage& Message)
{
    if (!FShowCaret && !HasState(csDesigning) && ViewerMessage(Message))
        return;
    TRzRichEdit::WndProc(Message);
}
