// The rich edit over RichEdit20A: its lines, streaming of rich and plain
// text, selection, caret position, character and paragraph formats, and its
// reflected notifications.
#include <windows.h>
#include <richedit.h>

#include <algorithm>

#include "classlib/Classes.h"
#include "classlib/ResStrings.h"
#include "classlib/StdCtrls.h"
#include "classlib/Streams.h"
#include "classlib/SysUtils.h"

namespace {

// The rich edit's own text length (a line break counts one).
int TextLength(HWND Wnd)
{
    GETTEXTLENGTHEX L{GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
    return static_cast<int>(SendMessageA(Wnd, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&L), 0));
}

int LineIndex(HWND Wnd, int Line)
{
    return static_cast<int>(SendMessageA(Wnd, EM_LINEINDEX, static_cast<WPARAM>(Line), 0));
}

int LineLength(HWND Wnd, int Start)
{
    return static_cast<int>(SendMessageA(Wnd, EM_LINELENGTH, static_cast<WPARAM>(Start), 0));
}

void Select(HWND Wnd, int Start, int End)
{
    CHARRANGE R{Start, End};
    SendMessageA(Wnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&R));
}

void Replace(HWND Wnd, int Start, int End, const std::string& Text)
{
    Select(Wnd, Start, End);
    SendMessageA(Wnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Text.c_str()));
}

// Lone carriage returns (the control's paragraph ends) become CRLF.
std::string WithCRLF(const std::string& S)
{
    std::string R;
    R.reserve(S.size() + S.size() / 16);
    for (size_t I = 0; I < S.size(); ++I) {
        R += S[I];
        if (S[I] == '\r' && (I + 1 >= S.size() || S[I + 1] != '\n'))
            R += '\n';
    }
    return R;
}

std::string TrimLineEnd(std::string S)
{
    while (!S.empty() && (S.back() == '\r' || S.back() == '\n'))
        S.pop_back();
    return S;
}

struct TStreamCursor {
    const std::string* In = nullptr;
    size_t Pos = 0;
    std::string* Out = nullptr;
};

DWORD CALLBACK StreamInProc(DWORD_PTR Cookie, LPBYTE Buffer, LONG Count, LONG* Done)
{
    auto C = reinterpret_cast<TStreamCursor*>(Cookie);
    const size_t N = std::min(static_cast<size_t>(std::max<LONG>(Count, 0)), C->In->size() - C->Pos);
    std::copy_n(C->In->data() + C->Pos, N, Buffer);
    C->Pos += N;
    *Done = static_cast<LONG>(N);
    return 0;
}

DWORD CALLBACK StreamOutProc(DWORD_PTR Cookie, LPBYTE Buffer, LONG Count, LONG* Done)
{
    auto C = reinterpret_cast<TStreamCursor*>(Cookie);
    C->Out->append(reinterpret_cast<const char*>(Buffer), static_cast<size_t>(std::max<LONG>(Count, 0)));
    *Done = Count;
    return 0;
}

// The lines of a rich edit. With a window every operation goes to it (a log
// grows line by line without rewriting its text); without one they work on
// the text the control keeps for its next window.
class TRichEditStrings : public TStrings {
public:
    explicit TRichEditStrings(TCustomRichEdit* Edit) : FEdit(Edit) {}

    std::string Get(int Index) const override
    {
        CheckIndex(Index, GetCount() - 1);
        if (!Live())
            return Stored().Get(Index);
        const HWND W = Wnd();
        const int Start = LineIndex(W, Index);
        const int Len = LineLength(W, Start);
        std::string Buf(static_cast<size_t>(Len) * 2 + 2, '\0');
        TEXTRANGEA R{{Start, Start + Len}, Buf.data()};
        const int Got = static_cast<int>(SendMessageA(W, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&R)));
        Buf.resize(static_cast<size_t>(std::max(Got, 0)));
        return TrimLineEnd(Buf);
    }

    void Put(int Index, const std::string& S) override
    {
        CheckIndex(Index, GetCount() - 1);
        if (!Live()) {
            TStringList L;
            L.Assign(&Stored());
            L.Put(Index, S);
            Store(L);
            return;
        }
        const int Start = LineIndex(Wnd(), Index);
        Replace(Wnd(), Start, Start + LineLength(Wnd(), Start), S);
    }

    void Insert(int Index, const std::string& S) override
    {
        const int Count = GetCount();
        CheckIndex(Index, Count);
        if (!Live()) {
            TStringList L;
            L.Assign(&Stored());
            L.Insert(Index, S);
            Store(L);
            return;
        }
        const HWND W = Wnd();
        if (Index < Count) {
            const int At = LineIndex(W, Index);
            Replace(W, At, At, S + "\r\n");
            return;
        }
        // At the end: a last line without a break gets one first.
        const int End = TextLength(W);
        const int Lines = static_cast<int>(SendMessageA(W, EM_GETLINECOUNT, 0, 0));
        Replace(W, End, End, (Count == Lines && End > 0 ? "\r\n" : "") + S + "\r\n");
    }

    void Delete(int Index) override
    {
        CheckIndex(Index, GetCount() - 1);
        if (!Live()) {
            TStringList L;
            L.Assign(&Stored());
            L.Delete(Index);
            Store(L);
            return;
        }
        const HWND W = Wnd();
        const int Lines = static_cast<int>(SendMessageA(W, EM_GETLINECOUNT, 0, 0));
        const int Start = LineIndex(W, Index);
        const int End = Index + 1 < Lines ? LineIndex(W, Index + 1) : TextLength(W);
        Replace(W, Start, End, "");
    }

    void Clear() override { FEdit->SetText(""); }
    void SetText(const std::string& Value) override { FEdit->SetText(Value); }

    void LoadFromStream(TStream* Stream) override
    {
        const std::int64_t Size = Stream->Size() - Stream->Position();
        if (Size > 0x7FFFFFFF)
            throw EReadError(LoadResString(SReadError));
        FEdit->SetRichText(Stream->ReadString(static_cast<std::int32_t>(std::max<std::int64_t>(Size, 0))),
                           FEdit->PlainText());
    }

    void SaveToStream(TStream* Stream) const override
    {
        Stream->WriteString(FEdit->RichText(FEdit->PlainText()));
    }

protected:
    int GetCount() const override
    {
        if (!Live())
            return Stored().Count();
        // The line after a final break is empty and not a line of the text.
        const HWND W = Wnd();
        int N = static_cast<int>(SendMessageA(W, EM_GETLINECOUNT, 0, 0));
        if (N > 0 && LineLength(W, LineIndex(W, N - 1)) == 0)
            --N;
        return N;
    }

    void SetUpdateState(bool Updating) override
    {
        if (!Live())
            return;
        SendMessageA(Wnd(), WM_SETREDRAW, Updating ? FALSE : TRUE, 0);
        if (!Updating)
            InvalidateRect(Wnd(), nullptr, TRUE);
    }

private:
    bool Live() const { return FEdit->HandleAllocated(); }
    HWND Wnd() const { return FEdit->WindowHandle(); }

    static void CheckIndex(int Index, int Last)
    {
        if (Index < 0 || Index > Last)
            Error(SListIndexError, Index);
    }

    const TStringList& Stored() const
    {
        FStored.SetText(FEdit->Text());
        return FStored;
    }

    void Store(const TStringList& L) { FEdit->SetText(L.Text()); }

    TCustomRichEdit* FEdit;
    mutable TStringList FStored;
};

CHARFORMAT2A SelectionCharFormat(HWND Wnd)
{
    CHARFORMAT2A F{};
    F.cbSize = sizeof(F);
    SendMessageA(Wnd, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&F));
    return F;
}

PARAFORMAT2 SelectionParaFormat(HWND Wnd)
{
    PARAFORMAT2 F{};
    F.cbSize = sizeof(F);
    SendMessageA(Wnd, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&F));
    return F;
}

void SetSelectionParaFormat(HWND Wnd, DWORD Mask, LONG PARAFORMAT2::*Field, int Points)
{
    PARAFORMAT2 F{};
    F.cbSize = sizeof(F);
    F.dwMask = Mask;
    F.*Field = Points * 20; // twips
    SendMessageA(Wnd, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&F));
}

struct TEffectStyle {
    DWORD Effect;
    TFontStyle Style;
};
constexpr TEffectStyle EffectStyles[] = {
    {CFE_BOLD, fsBold}, {CFE_ITALIC, fsItalic}, {CFE_UNDERLINE, fsUnderline}, {CFE_STRIKEOUT, fsStrikeOut}};

} // namespace

// ---------------------------------------------------------------------------
// Formats
// ---------------------------------------------------------------------------

TFontStyles TTextAttributes::Style() const
{
    const CHARFORMAT2A F = SelectionCharFormat(FOwner->Handle());
    TFontStyles S = 0;
    for (const TEffectStyle& E : EffectStyles)
        if ((F.dwMask & E.Effect) && (F.dwEffects & E.Effect))
            S |= E.Style;
    return S;
}

void TTextAttributes::SetStyle(TFontStyles Value)
{
    CHARFORMAT2A F{};
    F.cbSize = sizeof(F);
    for (const TEffectStyle& E : EffectStyles) {
        F.dwMask |= E.Effect;
        if (Value & E.Style)
            F.dwEffects |= E.Effect;
    }
    SendMessageA(FOwner->Handle(), EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&F));
}

int TParaAttributes::FirstIndent() const
{
    return SelectionParaFormat(FOwner->Handle()).dxStartIndent / 20;
}

void TParaAttributes::SetFirstIndent(int Value)
{
    SetSelectionParaFormat(FOwner->Handle(), PFM_STARTINDENT, &PARAFORMAT2::dxStartIndent, Value);
}

int TParaAttributes::RightIndent() const
{
    return SelectionParaFormat(FOwner->Handle()).dxRightIndent / 20;
}

void TParaAttributes::SetRightIndent(int Value)
{
    SetSelectionParaFormat(FOwner->Handle(), PFM_RIGHTINDENT, &PARAFORMAT2::dxRightIndent, Value);
}

// ---------------------------------------------------------------------------
// TCustomRichEdit
// ---------------------------------------------------------------------------

TCustomRichEdit::TCustomRichEdit(TComponent* AOwner)
    : TCustomEdit(AOwner), FLines(std::make_unique<TRichEditStrings>(this))
{
    FControlStyle &= ~csFixedHeight;
    FWidth = 185;
    FHeight = 89;
}

TCustomRichEdit::~TCustomRichEdit() = default;

void TCustomRichEdit::CreateParams(TCreateParams& Params)
{
    // One load for the life of the program; the class is registered by it.
    static HMODULE Lib = LoadLibraryA("riched20.dll");
    if (!Lib)
        throw EOutOfResources("The rich edit library could not be loaded");
    TCustomEdit::CreateParams(Params);
    CreateSubClass(Params, "RichEdit20A");
    Params.Style |= ES_MULTILINE;
    Params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL | WS_HSCROLL | WS_VSCROLL);
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        Params.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
        Params.Style |= WS_HSCROLL;
    if (!FWordWrap)
        Params.Style |= ES_AUTOHSCROLL;
}

void TCustomRichEdit::CreateWnd()
{
    TCustomEdit::CreateWnd();
    const HWND W = WindowHandle();
    // Without a limit of its own the control stops at 32K characters: a
    // long log would silently lose its end.
    SendMessageA(W, EM_EXLIMITTEXT, 0, MaxLength() > 0 ? MaxLength() : 0x7FFFFFF0);
    SendMessageA(W, EM_SETTARGETDEVICE, 0, FWordWrap ? 0 : 1);
    SendMessageA(W, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE);
    SendMessageA(W, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(ColorToRef(Color())));
    if (!FKeptRichText.empty()) {
        SetRichText(FKeptRichText, false);
        FKeptRichText.clear();
    }
}

void TCustomRichEdit::DestroyWnd()
{
    if (HandleAllocated() && !HasState(csDestroying))
        FKeptRichText = RichText(false);
    TCustomEdit::DestroyWnd();
}

void TCustomRichEdit::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CN_NOTIFY:
        CNNotify(Message);
        return;
    case WM_GETDLGCODE:
        // The window asks for every key; the settings decide.
        TCustomEdit::WndProc(Message);
        if (FWantTabs)
            Message.Result |= DLGC_WANTTAB;
        else
            Message.Result &= ~DLGC_WANTTAB;
        if (!FWantReturns)
            Message.Result &= ~DLGC_WANTALLKEYS;
        return;
    case CM_COLORCHANGED:
        // The control paints its own background; no WM_CTLCOLOR reaches us.
        TCustomEdit::WndProc(Message);
        if (HandleAllocated())
            SendMessageA(WindowHandle(), EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(ColorToRef(Color())));
        return;
    default:
        TCustomEdit::WndProc(Message);
    }
}

void TCustomRichEdit::CNNotify(TMessage& Message)
{
    Message.Result = 0;
    if (reinterpret_cast<NMHDR*>(Message.LParam)->code == EN_SELCHANGE)
        SelectionChange();
}

void TCustomRichEdit::SelectionChange()
{
    if (OnSelectionChange)
        OnSelectionChange(this);
}

void TCustomRichEdit::SetLines(const TStrings* Value)
{
    FLines->Assign(Value);
}

void TCustomRichEdit::SetScrollBars(TScrollStyle Value)
{
    if (StoreChanged(FScrollBars, Value) && HandleAllocated())
        RecreateWnd();
}

void TCustomRichEdit::SetWordWrap(bool Value)
{
    if (StoreChanged(FWordWrap, Value) && HandleAllocated())
        RecreateWnd();
}

std::string TCustomRichEdit::SelText()
{
    CHARRANGE R{};
    SendMessageA(Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&R));
    std::string Buf(static_cast<size_t>(std::max<LONG>(R.cpMax - R.cpMin, 0)) * 2 + 2, '\0');
    const int Got = static_cast<int>(SendMessageA(Handle(), EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(Buf.data())));
    Buf.resize(static_cast<size_t>(std::max(Got, 0)));
    return WithCRLF(Buf);
}

void TCustomRichEdit::SetSelText(const std::string& Value)
{
    SendMessageA(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Value.c_str()));
}

TPoint TCustomRichEdit::CaretPos()
{
    CHARRANGE R{};
    SendMessageA(Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&R));
    const int Line = static_cast<int>(SendMessageA(Handle(), EM_EXLINEFROMCHAR, 0, R.cpMax));
    return TPoint(R.cpMax - LineIndex(Handle(), Line), Line);
}

void TCustomRichEdit::CopyToClipboard()
{
    SendMessageA(Handle(), WM_COPY, 0, 0);
}

std::string TCustomRichEdit::RichText(bool Plain)
{
    std::string Out;
    TStreamCursor C;
    C.Out = &Out;
    EDITSTREAM S{reinterpret_cast<DWORD_PTR>(&C), 0, StreamOutProc};
    SendMessageA(Handle(), EM_STREAMOUT, Plain ? SF_TEXT : SF_RTF, reinterpret_cast<LPARAM>(&S));
    return Out;
}

void TCustomRichEdit::SetRichText(const std::string& Data, bool Plain)
{
    const bool Rich = !Plain && Data.compare(0, 5, "{\\rtf") == 0;
    TStreamCursor C;
    C.In = &Data;
    EDITSTREAM S{reinterpret_cast<DWORD_PTR>(&C), 0, StreamInProc};
    SendMessageA(Handle(), EM_STREAMIN, Rich ? SF_RTF : SF_TEXT, reinterpret_cast<LPARAM>(&S));
}

const TPropertyTable* TCustomRichEdit::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TCustomRichEdit::ClassProperties()
{
    using R = TCustomRichEdit;
    static const TPropertyTable Table(&TWinControl::ClassProperties(), {
        OrdProp("HideSelection", &R::HideSelection, &R::SetHideSelection),
        OrdProp("PlainText", &R::PlainText, &R::SetPlainText),
        OrdProp("ReadOnly", &R::ReadOnly, &R::SetReadOnly),
        OrdProp("ScrollBars", &R::ScrollBars, &R::SetScrollBars),
        OrdProp("WantReturns", &R::WantReturns, &R::SetWantReturns),
        OrdProp("WantTabs", &R::WantTabs, &R::SetWantTabs),
        OrdProp("WordWrap", &R::WordWrap, &R::SetWordWrap),
    });
    return Table;
}
