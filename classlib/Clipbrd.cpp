#include "classlib/Clipbrd.h"

#include "classlib/Cleanup.h"
#include "classlib/Controls.h"

#include <cstring>

TClipboard& Clipboard()
{
    static TClipboard C;
    return C;
}

TClipboard::~TClipboard()
{
    if (FOpenRefCount > 0)
        CloseClipboard();
    if (FOwner)
        DeallocateHWnd(FOwner);
}

// Content put on a clipboard opened without a window has no owner, and the
// system refuses it; a hidden window of our own owns it.
HWND TClipboard::OwnerWindow()
{
    if (!FOwner)
        FOwner = AllocateHWnd([this](TMessage& M) { M.Result = DefWindowProcA(FOwner, M.Msg, M.WParam, M.LParam); });
    return FOwner;
}

void TClipboard::Open()
{
    if (FOpenRefCount == 0) {
        // Another program may hold the clipboard for a moment (a clipboard
        // viewer reading our new content); a few tries ride that out.
        bool Opened = false;
        for (int Try = 0; Try < 10 && !Opened; ++Try) {
            Opened = OpenClipboard(OwnerWindow()) != FALSE;
            if (!Opened)
                Sleep(10);
        }
        if (!Opened)
            throw EClipboardException("Cannot open clipboard");
        FEmptied = false;
    }
    ++FOpenRefCount;
}

void TClipboard::Close()
{
    if (FOpenRefCount == 0)
        return;
    if (--FOpenRefCount == 0)
        CloseClipboard();
}

void TClipboard::Clear()
{
    Open();
    EmptyClipboard();
    FEmptied = true;
    Close();
}

bool TClipboard::HasFormat(UINT Format) const
{
    return IsClipboardFormatAvailable(Format) != FALSE;
}

namespace {

// The clipboard's text in Format, CF_TEXT or CF_UNICODETEXT.
template <typename TChar>
std::basic_string<TChar> ClipboardText(UINT Format)
{
    std::basic_string<TChar> Text;
    if (HANDLE Data = GetClipboardData(Format)) {
        if (const auto* P = static_cast<const TChar*>(GlobalLock(Data))) {
            // The block may be larger than its text, and a careless program
            // may leave out the ending NUL: never read past the block.
            const std::size_t Most = GlobalSize(Data) / sizeof(TChar);
            std::size_t N = 0;
            while (N < Most && P[N])
                ++N;
            Text.assign(P, N);
            GlobalUnlock(Data);
        }
    }
    return Text;
}

}  // namespace

std::string TClipboard::AsText()
{
    Open();
    std::string Text = ClipboardText<char>(CF_TEXT);
    Close();
    return Text;
}

std::wstring TClipboard::AsWideText()
{
    Open();
    std::wstring Text = ClipboardText<wchar_t>(CF_UNICODETEXT);
    Close();
    return Text;
}

void TClipboard::SetAsText(const std::string& Value)
{
    SetData(CF_TEXT, Value.c_str(), Value.size() + 1);
}

void TClipboard::SetAsWideText(const std::wstring& Value)
{
    SetData(CF_UNICODETEXT, Value.c_str(), (Value.size() + 1) * sizeof(wchar_t));
}

void TClipboard::SetData(UINT Format, const void* Bytes, std::size_t Size)
{
    Open();
    const TScopeExit Closer([this] { Close(); });
    if (!FEmptied) {
        EmptyClipboard();
        FEmptied = true;
    }
    HGLOBAL Data = GlobalAlloc(GMEM_MOVEABLE, Size);
    if (!Data)
        throw EClipboardException("Out of memory while setting clipboard text");
    TScopeExit FreeData([Data] { GlobalFree(Data); });
    if (auto* P = static_cast<char*>(GlobalLock(Data))) {
        std::memcpy(P, Bytes, Size);
        GlobalUnlock(Data);
    }
    if (!SetClipboardData(Format, Data))
        throw EClipboardException("Cannot set clipboard text");
    // The system owns the block from here on.
    FreeData.Dismiss();
}
