#include "classlib/Themes.h"

#include <cstdint>
#include <memory>

#include "classlib/PathForms.h"

namespace {

bool GThemingDisabled = false;

const wchar_t* const ThemeClassNames[] = {
    L"BUTTON", L"CLOCK", L"COMBOBOX", L"EDIT", L"EXPLORERBAR", L"HEADER", L"LISTVIEW", L"MENU",
    L"PAGE", L"PROGRESS", L"REBAR", L"SCROLLBAR", L"SPIN", L"STARTPANEL", L"STATUS", L"TAB",
    L"TASKBAND", L"TASKBAR", L"TOOLBAR", L"TOOLTIP", L"TRACKBAR", L"TRAYNOTIFY", L"TREEVIEW", L"WINDOW",
};

template <typename F>
F Load(HMODULE Lib, const char* Name)
{
    return Lib ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(Lib, Name))) : nullptr;
}

} // namespace

// The entry points, each checked for null before use: older systems lack
// some of them.
struct TThemeServices::TApi {
    HTHEME_(WINAPI* OpenThemeData)(HWND, LPCWSTR) = nullptr;
    HRESULT(WINAPI* CloseThemeData)(HTHEME_) = nullptr;
    BOOL(WINAPI* IsThemeActive)() = nullptr;
    BOOL(WINAPI* IsAppThemed)() = nullptr;
    BOOL(WINAPI* IsThemePartDefined)(HTHEME_, int, int) = nullptr;
    HRESULT(WINAPI* GetThemeColor)(HTHEME_, int, int, int, COLORREF*) = nullptr;
    HRESULT(WINAPI* DrawThemeBackground)(HTHEME_, HDC, int, int, const RECT*, const RECT*) = nullptr;
    HRESULT(WINAPI* DrawThemeEdge)(HTHEME_, HDC, int, int, const RECT*, UINT, UINT, RECT*) = nullptr;
    HRESULT(WINAPI* DrawThemeText)(HTHEME_, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*) = nullptr;
    HRESULT(WINAPI* DrawThemeParentBackground)(HWND, HDC, const RECT*) = nullptr;
    BOOL(WINAPI* IsThemeBackgroundPartiallyTransparent)(HTHEME_, int, int) = nullptr;
    HRESULT(WINAPI* GetThemeBackgroundContentRect)(HTHEME_, HDC, int, int, const RECT*, RECT*) = nullptr;
    HRESULT(WINAPI* GetThemePartSize)(HTHEME_, HDC, int, int, const RECT*, int, SIZE*) = nullptr;
    HRESULT(WINAPI* SetWindowTheme)(HWND, LPCWSTR, LPCWSTR) = nullptr;
};

TThemeServices::TThemeServices() : FApi(new TApi)
{
    FLib = LoadLibraryA("uxtheme.dll");
    if (!FLib)
        return;
    FApi->OpenThemeData = Load<decltype(FApi->OpenThemeData)>(FLib, "OpenThemeData");
    FApi->CloseThemeData = Load<decltype(FApi->CloseThemeData)>(FLib, "CloseThemeData");
    FApi->IsThemeActive = Load<decltype(FApi->IsThemeActive)>(FLib, "IsThemeActive");
    FApi->IsAppThemed = Load<decltype(FApi->IsAppThemed)>(FLib, "IsAppThemed");
    FApi->IsThemePartDefined = Load<decltype(FApi->IsThemePartDefined)>(FLib, "IsThemePartDefined");
    FApi->GetThemeColor = Load<decltype(FApi->GetThemeColor)>(FLib, "GetThemeColor");
    FApi->DrawThemeBackground = Load<decltype(FApi->DrawThemeBackground)>(FLib, "DrawThemeBackground");
    FApi->DrawThemeEdge = Load<decltype(FApi->DrawThemeEdge)>(FLib, "DrawThemeEdge");
    FApi->DrawThemeText = Load<decltype(FApi->DrawThemeText)>(FLib, "DrawThemeText");
    FApi->DrawThemeParentBackground = Load<decltype(FApi->DrawThemeParentBackground)>(FLib, "DrawThemeParentBackground");
    FApi->IsThemeBackgroundPartiallyTransparent =
        Load<decltype(FApi->IsThemeBackgroundPartiallyTransparent)>(FLib, "IsThemeBackgroundPartiallyTransparent");
    FApi->GetThemeBackgroundContentRect =
        Load<decltype(FApi->GetThemeBackgroundContentRect)>(FLib, "GetThemeBackgroundContentRect");
    FApi->GetThemePartSize = Load<decltype(FApi->GetThemePartSize)>(FLib, "GetThemePartSize");
    FApi->SetWindowTheme = Load<decltype(FApi->SetWindowTheme)>(FLib, "SetWindowTheme");
    if (!FApi->OpenThemeData || !FApi->CloseThemeData || !FApi->IsThemeActive) {
        FreeLibrary(FLib);
        FLib = nullptr;
    }
}

TThemeServices::~TThemeServices()
{
    ApplyThemeChange();
    if (FLib)
        FreeLibrary(FLib);
    delete FApi;
}

void TThemeServices::SetThemingDisabled(bool Value)
{
    if (Value == GThemingDisabled)
        return;
    GThemingDisabled = Value;
    ThemeServices()->ApplyThemeChange();
}

bool TThemeServices::ThemingDisabled()
{
    return GThemingDisabled;
}

bool TThemeServices::ThemesEnabled() const
{
    if (GThemingDisabled || !FLib)
        return false;
    if (!FApi->IsThemeActive())
        return false;
    return !FApi->IsAppThemed || FApi->IsAppThemed();
}

HTHEME_ TThemeServices::Theme(TThemedElement Element)
{
    if (!ThemesEnabled())
        return nullptr;
    auto It = FThemes.find(Element);
    if (It != FThemes.end())
        return It->second;
    // A class the theme lacks is remembered as null, not asked for again.
    HTHEME_ H = FApi->OpenThemeData(nullptr, ThemeClassNames[Element]);
    FThemes[Element] = H;
    return H;
}

void TThemeServices::ApplyThemeChange()
{
    for (auto& [Element, H] : FThemes)
        if (H && FApi->CloseThemeData)
            FApi->CloseThemeData(H);
    FThemes.clear();
}

bool TThemeServices::PartDefined(TThemedElement Element, int Part, int State)
{
    HTHEME_ H = Theme(Element);
    return H && FApi->IsThemePartDefined && FApi->IsThemePartDefined(H, Part, State);
}

bool TThemeServices::GetColor(TThemedElement Element, int Part, int State, int PropId, TColor& Color)
{
    HTHEME_ H = Theme(Element);
    if (!H || !FApi->GetThemeColor)
        return false;
    COLORREF C = 0;
    if (FApi->GetThemeColor(H, Part, State, PropId, &C) != S_OK)
        return false;
    Color = static_cast<TColor>(C & 0x00FFFFFF);
    return true;
}

namespace {

// The system's drawing of an element as large as a stored size may make
// (two thousand million pixels) faults inside the system. An edge that
// lies further past the part of DC that shows than any screen reaches is
// drawn that far past it instead: it stays out of sight, and a window of a
// size a screen can show is drawn exactly as before.
TRect ShownElementRect(HDC DC, const RECT& R)
{
    constexpr std::int64_t Reach = 32767;
    TRect Out(R);
    RECT Clip;
    const int Kind = GetClipBox(DC, &Clip);
    if (Kind == ERROR || Kind == NULLREGION)
        return Out;
    if (Clip.left - std::int64_t(R.left) > Reach)
        Out.left = static_cast<LONG>(Clip.left - Reach);
    if (Clip.top - std::int64_t(R.top) > Reach)
        Out.top = static_cast<LONG>(Clip.top - Reach);
    if (std::int64_t(R.right) - Clip.right > Reach)
        Out.right = static_cast<LONG>(Clip.right + Reach);
    if (std::int64_t(R.bottom) - Clip.bottom > Reach)
        Out.bottom = static_cast<LONG>(Clip.bottom + Reach);
    return Out;
}

} // namespace

bool TThemeServices::DrawElement(HDC DC, TThemedElement Element, int Part, int State, const RECT& R, const RECT* Clip)
{
    HTHEME_ H = Theme(Element);
    if (!H || !FApi->DrawThemeBackground)
        return false;
    const RECT Shown = ShownElementRect(DC, R);
    return SUCCEEDED(FApi->DrawThemeBackground(H, DC, Part, State, &Shown, Clip));
}

bool TThemeServices::DrawEdge(HDC DC, TThemedElement Element, int Part, int State, const RECT& R, UINT Edge,
                              UINT Flags, RECT* ContentRect)
{
    HTHEME_ H = Theme(Element);
    return H && FApi->DrawThemeEdge && SUCCEEDED(FApi->DrawThemeEdge(H, DC, Part, State, &R, Edge, Flags, ContentRect));
}

bool TThemeServices::DrawText(HDC DC, TThemedElement Element, int Part, int State, const std::wstring& Text,
                              DWORD Flags, const RECT& R)
{
    HTHEME_ H = Theme(Element);
    return H && FApi->DrawThemeText &&
           SUCCEEDED(FApi->DrawThemeText(H, DC, Part, State, Text.c_str(), static_cast<int>(Text.size()), Flags, 0, &R));
}

bool TThemeServices::DrawText(HDC DC, TThemedElement Element, int Part, int State, const std::string& Text,
                              DWORD Flags, const RECT& R)
{
    return DrawText(DC, Element, Part, State, AnsiToWide(Text), Flags, R);
}

bool TThemeServices::DrawParentBackground(HWND Wnd, HDC DC, const RECT* R)
{
    return ThemesEnabled() && FApi->DrawThemeParentBackground &&
           SUCCEEDED(FApi->DrawThemeParentBackground(Wnd, DC, R));
}

bool TThemeServices::HasTransparentParts(TThemedElement Element, int Part, int State)
{
    HTHEME_ H = Theme(Element);
    return H && FApi->IsThemeBackgroundPartiallyTransparent &&
           FApi->IsThemeBackgroundPartiallyTransparent(H, Part, State);
}

TRect TThemeServices::ContentRect(HDC DC, TThemedElement Element, int Part, int State, const RECT& R)
{
    HTHEME_ H = Theme(Element);
    RECT Out = R;
    if (H && FApi->GetThemeBackgroundContentRect &&
        SUCCEEDED(FApi->GetThemeBackgroundContentRect(H, DC, Part, State, &R, &Out)))
        return Out;
    return R;
}

bool TThemeServices::PartSize(HDC DC, TThemedElement Element, int Part, int State, SIZE& Size)
{
    HTHEME_ H = Theme(Element);
    // 1: the "true" size the part is drawn at.
    return H && FApi->GetThemePartSize && SUCCEEDED(FApi->GetThemePartSize(H, DC, Part, State, nullptr, 1, &Size));
}

void TThemeServices::SetWindowThemed(HWND Wnd, bool Themed)
{
    if (!FApi->SetWindowTheme || !Wnd)
        return;
    if (Themed)
        FApi->SetWindowTheme(Wnd, nullptr, nullptr);
    else
        FApi->SetWindowTheme(Wnd, L"", L"");
}

TThemeServices* ThemeServices()
{
    static std::unique_ptr<TThemeServices> Instance(new TThemeServices);
    return Instance.get();
}
