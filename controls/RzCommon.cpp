#include "controls/RzCommon.h"

#include <windows.h>
#include <vssym32.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Themes.h"

TRzXPColorScheme XPColorScheme = xpcsBlue;
bool MoreThan256Colors = true;
TRzBlinkingControlsList* BlinkingControls = nullptr;

// ===========================================================================
// Colour maths
// ===========================================================================

namespace {

BYTE RoundToByte(double Value)
{
    // Halves go to the even neighbour, as the stored colour sets expect.
    const long V = std::lrint(Value);
    return static_cast<BYTE>(std::clamp<long>(V, 0, 255));
}

} // namespace

void ColorToHLS(TColor Color, BYTE& Hue, BYTE& Saturation, BYTE& Lightness)
{
    const COLORREF C = ColorToRef(Color);
    const double R = GetRValue(C) / 255.0, G = GetGValue(C) / 255.0, B = GetBValue(C) / 255.0;
    const double Max = std::max({R, G, B}), Min = std::min({R, G, B});
    const double L = (Max + Min) / 2;
    double H = 0, S = 0;
    if (Max != Min) {
        const double Delta = Max - Min;
        S = L < 0.5 ? Delta / (Max + Min) : Delta / (2 - Max - Min);
        if (R == Max)
            H = (G - B) / Delta;
        else if (G == Max)
            H = 2 + (B - R) / Delta;
        else
            H = 4 + (R - G) / Delta;
        H /= 6;
        if (H < 0)
            H += 1;
    }
    Hue = RoundToByte(H * 240);
    Saturation = RoundToByte(S * 240);
    Lightness = RoundToByte(L * 240);
}

TColor HLSToColor(BYTE Hue, BYTE Saturation, BYTE Lightness)
{
    // The hue divides by 239: stored colours were computed that way.
    const double H = Hue / 239.0, S = Saturation / 240.0, L = Lightness / 240.0;
    const double M2 = L < 0.5 ? L * (1 + S) : L + S - L * S;
    if (M2 <= 0)
        return clBlack;
    const double M1 = 2 * L - M2;
    const int K = static_cast<int>(H * 6);
    const double F = H * 6 - K;
    const double Rising = M1 + (M2 - M1) * F, Falling = M2 - (M2 - M1) * F;
    double R, G, B;
    switch (K) {
    case 1: R = Falling; G = M2; B = M1; break;
    case 2: R = M1; G = M2; B = Rising; break;
    case 3: R = M1; G = Falling; B = M2; break;
    case 4: R = Rising; G = M1; B = M2; break;
    case 5: R = M2; G = M1; B = Falling; break;
    default: R = M2; G = Rising; B = M1; break;
    }
    auto Channel = [](double V) { return RoundToByte(std::min(V, 1.0) * 255); };
    return static_cast<TColor>(RGB(Channel(R), Channel(G), Channel(B)));
}

BYTE ColorHue(TColor Color)
{
    BYTE H, S, L;
    ColorToHLS(Color, H, S, L);
    return H;
}

TColor DarkerColor(TColor Color, BYTE Amount)
{
    BYTE H, S, L;
    ColorToHLS(Color, H, S, L);
    return HLSToColor(H, S, static_cast<BYTE>(std::max(L - Amount, 0)));
}

TColor LighterColor(TColor Color, BYTE Amount)
{
    BYTE H, S, L;
    ColorToHLS(Color, H, S, L);
    return HLSToColor(H, S, static_cast<BYTE>(std::min(L + Amount, 255)));
}

TColor AdjustColor(TColor Color, int Adjustment)
{
    if (Adjustment < 0)
        return DarkerColor(Color, static_cast<BYTE>(-Adjustment & 0xFF));
    if (Adjustment > 0)
        return LighterColor(Color, static_cast<BYTE>(Adjustment & 0xFF));
    return Color;
}

TColor BlendColors(TColor ForeColor, TColor BackColor, BYTE Alpha)
{
    const COLORREF F = ColorToRef(ForeColor), B = ColorToRef(BackColor);
    const double A = Alpha / 255.0;
    auto Mix = [A](int Fore, int Back) { return RoundToByte(Fore * A + Back * (1 - A)); };
    return static_cast<TColor>(RGB(Mix(GetRValue(F), GetRValue(B)), Mix(GetGValue(F), GetGValue(B)),
                                   Mix(GetBValue(F), GetBValue(B))));
}

TColor XorColors(TColor Color1, TColor Color2)
{
    return static_cast<TColor>(ColorToRef(Color1) ^ ColorToRef(Color2));
}

bool ColorsTooClose(TColor Color1, TColor Color2)
{
    BYTE H1, S1, L1, H2, S2, L2;
    ColorToHLS(Color1, H1, S1, L1);
    ColorToHLS(Color2, H2, S2, L2);
    return std::abs(H1 - H2) < 20 && std::abs(L1 - L2) < 60;
}

TColor ComplementaryColor(TColor Color, BYTE Lightness)
{
    const BYTE H = ColorHue(Color);
    return HLSToColor(static_cast<BYTE>(H < 120 ? H + 120 : H - 120), 240, Lightness);
}

// ===========================================================================
// Colour scheme and colour sets
// ===========================================================================

namespace {

// Rows by scheme: hot frame, hot fill start and stop, panel gradient start
// and stop, panel frame, bar gradient start and stop.
const TColor SchemeColors[3][8] = {
    {0x00800000, 0x00C2EEFF, 0x00A0D9FF, 0x00FFEFE3, 0x00EABB99, 0x00BF7F57, 0x00E7A27B, 0x00D67563},
    {0x00385D3F, 0x00C2EEFF, 0x00A0D9FF, 0x00EDFFFF, 0x0092C7B8, 0x0077A17F, 0x00ADD9CC, 0x0084BDA5},
    {0x006F4B4B, 0x00C2EEFF, 0x00A0D9FF, 0x00FFF9F9, 0x00D0BCBD, 0x00B19F9F, 0x00D4C8C4, 0x00C8B3B1},
};

bool UseSchemeColors(TRzGradientColorStyle ColorStyle)
{
    return ColorStyle == gcsMSOffice && ThemeServices()->ThemesEnabled();
}

TColor SchemeColor(int Entry)
{
    return SchemeColors[std::min<int>(XPColorScheme, 2)][Entry];
}

} // namespace

TRzXPColorScheme XPColorSchemeFromName(const std::string& ColorName)
{
    std::string Upper = ColorName;
    for (char& C : Upper)
        C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    if (Upper == "HOMESTEAD")
        return xpcsOliveGreen;
    if (Upper == "METALLIC")
        return xpcsSilver;
    return xpcsBlue;
}

TRzXPColorScheme GetXPColorScheme()
{
    std::string Name;
    TRegKey Key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", 0,
                      KEY_QUERY_VALUE, Key.Put()) == ERROR_SUCCESS) {
        char Buf[260];
        DWORD Size = sizeof(Buf) - 1, Type = 0;
        if (RegQueryValueExA(Key.Get(), "ColorName", nullptr, &Type, reinterpret_cast<BYTE*>(Buf), &Size) ==
                ERROR_SUCCESS &&
            (Type == REG_SZ || Type == REG_EXPAND_SZ)) {
            Buf[std::min<DWORD>(Size, sizeof(Buf) - 1)] = '\0';
            Name = Buf;
        }
    } else {
        Key.Release();  // a failed open leaves no key
    }
    return XPColorSchemeFromName(Name);
}

bool HasMoreThan256Colors()
{
    const TWindowDC DC(nullptr);
    return GetDeviceCaps(DC.Get(), NUMCOLORS) == -1;
}

TColor GetXPThemeColor(int Kind)
{
    if (Kind > 7 || Kind < 0)
        return 0x00FFFFFF;
    if (!ThemeServices()->ThemesEnabled())
        return clBtnFace;
    struct TEntry {
        TThemedElement Element;
        int Part, State, Prop;
    };
    static const TEntry Entries[8] = {
        {teEdit, 0, 0, TMT_BORDERCOLOR},       {teExplorerBar, 5, 1, TMT_TEXTCOLOR},
        {teExplorerBar, 9, 1, TMT_TEXTCOLOR},  {teExplorerBar, 5, 1, TMT_FILLCOLOR},
        {teExplorerBar, 0, 0, TMT_GRADIENTCOLOR1}, {teExplorerBar, 12, 1, TMT_FILLCOLOR},
        {teButton, 4, 1, TMT_TEXTCOLOR},       {teSpin, 0, 0, TMT_BORDERCOLOR},
    };
    const TEntry& E = Entries[Kind];
    TColor Color = clBtnFace;
    // Some themes (Wine's among them) lack a class or a colour: the button
    // face stands in rather than an undefined value.
    if (!ThemeServices()->GetColor(E.Element, E.Part, E.State, E.Prop, Color))
        return clBtnFace;
    return Color;
}

void GetHotTrackButtonColors(TRzGradientColorStyle ColorStyle, TColor& FrameColor, TColor& StartColor,
                             TColor& StopColor)
{
    if (UseSchemeColors(ColorStyle)) {
        FrameColor = SchemeColor(0);
        StartColor = SchemeColor(1);
        StopColor = SchemeColor(2);
    } else {
        FrameColor = clHighlight;
        StopColor = BlendColors(clHighlight, clWindow, 77);
        StartColor = LighterColor(StopColor, 20);
    }
    if (!MoreThan256Colors)
        StartColor = StopColor;
}

void GetGradientPanelColors(TRzGradientColorStyle ColorStyle, TColor& StartColor, TColor& StopColor)
{
    if (UseSchemeColors(ColorStyle)) {
        StartColor = SchemeColor(3);
        StopColor = SchemeColor(4);
    } else {
        StartColor = clWindow;
        StopColor = DarkerColor(clBtnFace, 10);
    }
}

TColor GetGradientPanelFrameColor(TRzGradientColorStyle ColorStyle)
{
    return UseSchemeColors(ColorStyle) ? SchemeColor(5) : LighterColor(clBtnShadow, 30);
}

void GetGradientStatusBarColors(TRzGradientColorStyle ColorStyle, TColor& FirstColor, TColor& SecondColor,
                                TColor& FrameColor)
{
    if (UseSchemeColors(ColorStyle)) {
        FirstColor = SchemeColor(4);
        SecondColor = SchemeColor(3);
        FrameColor = FirstColor;
    } else {
        FirstColor = DarkerColor(clBtnFace, 20);
        SecondColor = clWindow;
        FrameColor = DarkerColor(clBtnFace, 40);
    }
}

void GetGradientBarColors(TRzGradientColorStyle ColorStyle, TColor& StartColor, TColor& StopColor)
{
    if (UseSchemeColors(ColorStyle)) {
        StartColor = SchemeColor(6);
        StopColor = SchemeColor(7);
    } else {
        StartColor = BlendColors(clBlack, clBtnFace, 40);
        StopColor = BlendColors(clBlack, clBtnFace, 80);
    }
}

// ===========================================================================
// System queries and small routines
// ===========================================================================

// The checks for 98 and for 7 also accept every later major version, so
// that a newer system than the table knows counts as later.
bool IsWindowsVersionOf(int Kind, int PlatformId, int Major, int Minor)
{
    Kind &= 0x7F;
    const bool Is9x = PlatformId == VER_PLATFORM_WIN32_WINDOWS;
    const bool IsNT = PlatformId == VER_PLATFORM_WIN32_NT;
    switch (Kind) {
    case wvWin95: return Is9x && Major < 5 && Minor == 0;
    case wvWinNT: return IsNT && Major < 5;
    case wvWin98: return Is9x && Major < 5 && Minor == 10;
    case wvWinME: return Is9x && Major < 5 && Minor == 90;
    case wvWin2000: return IsNT && Major == 5 && Minor == 0;
    case wvWinXP: return IsNT && Major == 5 && Minor == 1;
    case wvWin2003: return IsNT && Major == 5 && Minor == 2;
    case wvWinVista: return IsNT && Major == 6 && Minor == 0;
    case wvWin7: return IsNT && Major == 6 && Minor == 1;
    default: return false;
    }
}

bool IsWindowsVersionOrLaterOf(int Kind, int PlatformId, int Major, int Minor)
{
    Kind &= 0x7F;
    const bool AnyFamily = PlatformId == VER_PLATFORM_WIN32_WINDOWS || PlatformId == VER_PLATFORM_WIN32_NT;
    const bool IsNT = PlatformId == VER_PLATFORM_WIN32_NT;
    switch (Kind) {
    case wvWin95: return AnyFamily && Major >= 4;
    case wvWinNT: return IsNT && Major >= 4;
    case wvWin98: return AnyFamily && ((Major >= 4 && Minor >= 10) || Major >= 5);
    case wvWinME: return AnyFamily && ((Major >= 4 && Minor >= 90) || Major >= 5);
    case wvWin2000: return IsNT && Major >= 5;
    case wvWinXP: return IsNT && ((Major == 5 && Minor >= 1) || Major >= 6);
    case wvWin2003: return IsNT && ((Major >= 5 && Minor >= 2) || Major >= 6);
    case wvWinVista: return IsNT && Major >= 6;
    case wvWin7: return IsNT && ((Major == 6 && Minor >= 1) || Major >= 7);
    default: return false;
    }
}

namespace {

// Major and minor version that tests put in place of the running system's;
// 0 major for none.
DWORD OverrideMajor = 0, OverrideMinor = 0;

OSVERSIONINFOA SystemVersion()
{
    static const OSVERSIONINFOA Info = [] {
        OSVERSIONINFOA V{};
        V.dwOSVersionInfoSize = sizeof(V);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
        GetVersionExA(&V);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
        return V;
    }();
    if (OverrideMajor == 0)
        return Info;
    OSVERSIONINFOA V = Info;
    V.dwPlatformId = VER_PLATFORM_WIN32_NT;
    V.dwMajorVersion = OverrideMajor;
    V.dwMinorVersion = OverrideMinor;
    return V;
}

// Text metrics and extents of a font on a screen DC.
class TScreenFontDC {
public:
    explicit TScreenFontDC(const TFont* Font) : FScreen(nullptr), FSelected(FScreen.Get(), Font->Handle()) {}
    HDC DC() const { return FScreen.Get(); }
    TEXTMETRICA Metrics() const
    {
        TEXTMETRICA TM{};
        GetTextMetricsA(DC(), &TM);
        return TM;
    }

private:
    // The font leaves the DC before the DC goes back.
    TWindowDC FScreen;
    TSelectedObject FSelected;
};

} // namespace

std::wstring SystemToWide(const std::string& Text)
{
    const int N = MultiByteToWideChar(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
    std::wstring W(static_cast<size_t>(N > 0 ? N : 0), L'\0');
    if (N > 0)
        MultiByteToWideChar(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), W.data(), N);
    return W;
}

void OverrideWindowsVersion(unsigned Major, unsigned Minor)
{
    OverrideMajor = Major;
    OverrideMinor = Minor;
}

TColor StateColor(const TRzStateColors& Colors, bool Enabled, bool Focused, bool ReadOnly)
{
    if (!Enabled)
        return Colors.Disabled;
    if (Focused)
        return ReadOnly && Colors.ReadOnlyColorOnFocus ? Colors.ReadOnly : Colors.Focus;
    return ReadOnly ? Colors.ReadOnly : Colors.Normal;
}

bool IsWindowsVersion(int Kind)
{
    const OSVERSIONINFOA V = SystemVersion();
    return IsWindowsVersionOf(Kind, V.dwPlatformId, V.dwMajorVersion, V.dwMinorVersion);
}

bool IsWindowsVersionOrLater(int Kind)
{
    const OSVERSIONINFOA V = SystemVersion();
    return IsWindowsVersionOrLaterOf(Kind, V.dwPlatformId, V.dwMajorVersion, V.dwMinorVersion);
}

bool IsTrueTypeFont(const TFont* Font)
{
    return (TScreenFontDC(Font).Metrics().tmPitchAndFamily & TMPF_TRUETYPE) != 0;
}

int GetFontLineHeight(const TFont* Font)
{
    return TScreenFontDC(Font).Metrics().tmHeight + 2;
}

int GetAvgCharWidth(const TFont* Font)
{
    TScreenFontDC DC(Font);
    static const char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE Size{};
    GetTextExtentPoint32A(DC.DC(), Letters, 52, &Size);
    return static_cast<int>(std::lround(Size.cx / 52.0));
}

HFONT CreateRotatedFont(const TFont* Font, int Angle)
{
    LOGFONTA LF{};
    LF.lfHeight = Font->Height();
    LF.lfWidth = 0;
    LF.lfEscapement = Angle * 10;
    LF.lfOrientation = 0;
    LF.lfWeight = (Font->Style() & fsBold) ? FW_BOLD : FW_NORMAL;
    LF.lfItalic = (Font->Style() & fsItalic) ? 1 : 0;
    LF.lfUnderline = (Font->Style() & fsUnderline) ? 1 : 0;
    LF.lfStrikeOut = (Font->Style() & fsStrikeOut) ? 1 : 0;
    LF.lfCharSet = Font->Charset();
    LF.lfPitchAndFamily =
        Font->Pitch() == fpVariable ? VARIABLE_PITCH : (Font->Pitch() == fpFixed ? FIXED_PITCH : DEFAULT_PITCH);
    lstrcpynA(LF.lfFaceName, Font->Name().c_str(), LF_FACESIZE);
    return CreateFontIndirectA(&LF);
}

TRect CenterRect(const RECT& Rect, int Width, int Height)
{
    // Division rounding toward zero, also for negative sums.
    const int L = (Rect.left + Rect.right - Width) / 2;
    const int T = (Rect.top + Rect.bottom - Height) / 2;
    return TRect(L, T, L + Width, T + Height);
}

TRect GetMonitorBoundsRect(HMONITOR Monitor)
{
    MONITORINFO Info{};
    Info.cbSize = sizeof(Info);
    if (!Monitor || !GetMonitorInfoA(Monitor, &Info))
        return TRect();
    return TRect(Info.rcMonitor);
}

TRect GetMonitorWorkAreaRect(HMONITOR Monitor)
{
    MONITORINFO Info{};
    Info.cbSize = sizeof(Info);
    if (!Monitor || !GetMonitorInfoA(Monitor, &Info))
        return TRect();
    return TRect(Info.rcWork);
}

TRect GetMonitorWorkArea(TControl* Control)
{
    HWND Wnd = nullptr;
    for (TControl* C = Control; C && !Wnd; C = C->Parent())
        if (auto* W = dynamic_cast<TWinControl*>(C))
            Wnd = W->WindowHandle();
    HMONITOR Monitor = Wnd ? MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST)
                           : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    return GetMonitorWorkAreaRect(Monitor);
}

int GetMonitorWorkAreaWidth(TControl* Control)
{
    return GetMonitorWorkArea(Control).Width();
}

HMONITOR FindMonitorAtPoint(const POINT& Point)
{
    return MonitorFromPoint(Point, MONITOR_DEFAULTTONULL);
}

bool IsLeadByte(char Ch)
{
    return IsDBCSLeadByte(static_cast<BYTE>(Ch)) != 0;
}

bool IsByteInSet(BYTE Value, const std::vector<BYTE>& Set)
{
    return std::find(Set.begin(), Set.end(), Value) != Set.end();
}

int CountChar(char Ch, const std::string& Text)
{
    return static_cast<int>(std::count(Text.begin(), Text.end(), Ch));
}

std::string RemoveAccelerators(const std::string& Text)
{
    std::string Result;
    Result.reserve(Text.size());
    for (size_t I = 0; I < Text.size(); ++I) {
        if (Text[I] == '&' && I + 1 < Text.size()) {
            if (Text[I + 1] == '&') {
                Result += '&';
                ++I;
            }
            continue;
        }
        Result += Text[I];
    }
    return Result;
}

std::string ExpandEnvStrings(const std::string& Text)
{
    const DWORD Needed = ExpandEnvironmentStringsA(Text.c_str(), nullptr, 0);
    if (Needed == 0)
        return Text;
    std::string Buf(Needed, '\0');
    const DWORD Got = ExpandEnvironmentStringsA(Text.c_str(), Buf.data(), Needed);
    if (Got == 0 || Got > Needed)
        return Text;
    Buf.resize(Got - 1);
    return Buf;
}

int DrawCanvasText(TCanvas* Canvas, const std::string& Text, RECT& Rect, UINT Flags)
{
    return Canvas->DrawText(Text, Rect, Flags);
}

LRESULT SendTextMessage(HWND Handle, UINT Msg, WPARAM WParam, const std::string& Text)
{
    return SendMessageA(Handle, Msg, WParam, reinterpret_cast<LPARAM>(Text.c_str()));
}

void NotifyDesignerModified(TControl*)
{
    // There is no form designer: nothing to tell.
}

// ===========================================================================
// Frame drawing
// ===========================================================================

void FillSolidRect(HDC DC, const RECT& R, TColor Color)
{
    if (Color == clNone || R.right <= R.left || R.bottom <= R.top)
        return;
    HBRUSH Brush = CreateSolidBrush(ColorToRef(Color));
    ::FillRect(DC, &R, Brush);
    DeleteObject(Brush);
}

namespace {

void FillArea(HDC DC, int L, int T, int R, int B, TColor Color)
{
    FillSolidRect(DC, RECT{L, T, R, B}, Color);
}

void SetPixelColor(HDC DC, int X, int Y, TColor Color)
{
    SetPixelV(DC, X, Y, ColorToRef(Color));
}

TRect Ring(TCanvas* Canvas, const RECT& Rect, TColor Color, TSides Sides)
{
    return DrawSides(Canvas, Rect, Color, Color, Sides);
}

TRect InsetSides(const RECT& Rect, int By, TSides Sides)
{
    TRect R(Rect);
    if (HasSide(Sides, sdLeft))
        R.left += By;
    if (HasSide(Sides, sdTop))
        R.top += By;
    if (HasSide(Sides, sdRight))
        R.right -= By;
    if (HasSide(Sides, sdBottom))
        R.bottom -= By;
    return R;
}

// An etched double line: the light line one pixel in from the dark one,
// with the corner pixels at open ends set so the lines end cleanly.
TRect DrawEtched(TCanvas* Canvas, const RECT& Rect, TColor ULColor, TColor LRColor, TSides Sides)
{
    HDC DC = Canvas->Handle();
    const bool L = HasSide(Sides, sdLeft), T = HasSide(Sides, sdTop), Rt = HasSide(Sides, sdRight),
               B = HasSide(Sides, sdBottom);
    const int Right = Rect.right - 1, Bottom = Rect.bottom - 1;
    if (Rt)
        SetPixelColor(DC, Right, Rect.top, LRColor);
    else if (T)
        SetPixelColor(DC, Right, Rect.top, ULColor);
    if (B)
        SetPixelColor(DC, Rect.left, Bottom, LRColor);
    else if (L)
        SetPixelColor(DC, Rect.left, Bottom, ULColor);
    if (T && !L)
        SetPixelColor(DC, Rect.left, Rect.top + 1, LRColor);
    if (L && !T)
        SetPixelColor(DC, Rect.left + 1, Rect.top, LRColor);
    if (B && !Rt)
        SetPixelColor(DC, Right, Bottom - 1, ULColor);
    if (Rt && !B)
        SetPixelColor(DC, Right - 1, Bottom, ULColor);
    DrawSides(Canvas, TRect(Rect.left + 1, Rect.top + 1, Rect.right, Rect.bottom), LRColor, LRColor, Sides);
    DrawSides(Canvas, TRect(Rect.left, Rect.top, Rect.right - 1, Rect.bottom - 1), ULColor, ULColor, Sides);
    return InsetSides(Rect, 2, Sides);
}

// The lines of one frame style: up to two rings (outer first), or an
// etched pair, or a rounded line.
struct TFrameLines {
    enum TKind { None, Rings, Etched, Rounded } Kind = None;
    int Count = 0;
    TColor UL[2] = {clNone, clNone};
    TColor LR[2] = {clNone, clNone};
};

TFrameLines Lines(TFrameLines::TKind Kind, TColor UL0, TColor LR0, TColor UL1 = clNone, TColor LR1 = clNone,
                  int Count = 1)
{
    TFrameLines F;
    F.Kind = Kind;
    F.Count = Count;
    F.UL[0] = UL0;
    F.LR[0] = LR0;
    F.UL[1] = UL1;
    F.LR[1] = LR1;
    return F;
}

TFrameLines SystemFrameLines(TFrameStyleEx Style)
{
    using K = TFrameLines;
    switch (Style) {
    case fsFlat: return Lines(K::Rings, cl3DDkShadow, cl3DDkShadow);
    case fsStatus: return Lines(K::Rings, clBtnShadow, clBtnHighlight);
    case fsPopup: return Lines(K::Rings, clBtnHighlight, clBtnShadow);
    case fsFlatBold: return Lines(K::Rings, clBtnShadow, clBtnShadow, clBtnShadow, clBtnShadow, 2);
    case fsLowered: return Lines(K::Rings, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight, 2);
    case fsRaised: return Lines(K::Rings, cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow, 2);
    case fsButtonUp: return Lines(K::Rings, clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow, 2);
    case fsButtonDown: return Lines(K::Rings, clBtnText, clBtnText, clBtnShadow, clBtnShadow, 2);
    case fsGroove: return Lines(K::Etched, clBtnShadow, clBtnHighlight);
    case fsBump: return Lines(K::Etched, clBtnHighlight, clBtnShadow);
    case fsFlatRounded: return Lines(K::Rounded, cl3DDkShadow, cl3DDkShadow);
    default: return TFrameLines();
    }
}

TFrameLines ColorFrameLines(TFrameStyleEx Style, TColor C)
{
    using K = TFrameLines;
    const TColor D50 = DarkerColor(C, 50), D100 = DarkerColor(C, 100);
    switch (Style) {
    case fsFlat: return Lines(K::Rings, D50, D50);
    case fsStatus: return Lines(K::Rings, D50, LighterColor(C, 100));
    case fsPopup: return Lines(K::Rings, LighterColor(C, 100), D50);
    case fsFlatBold: return Lines(K::Rings, D50, D50, D50, D50, 2);
    case fsLowered: return Lines(K::Rings, D50, LighterColor(C, 100), D100, LighterColor(C, 50), 2);
    case fsRaised: return Lines(K::Rings, LighterColor(C, 50), D100, LighterColor(C, 100), D50, 2);
    case fsButtonDown: return Lines(K::Rings, D100, D100, D50, D50, 2);
    case fsButtonUp: return Lines(K::Rings, LighterColor(C, 100), D100, LighterColor(C, 40), D50, 2);
    case fsGroove: return Lines(K::Etched, D50, LighterColor(C, 100));
    case fsBump: return Lines(K::Etched, LighterColor(C, 100), D50);
    case fsFlatRounded: return Lines(K::Rounded, D50, D50);
    default: return TFrameLines();
    }
}

TRect DrawFrameLines(TCanvas* Canvas, const RECT& Rect, const TFrameLines& F, TSides Sides)
{
    switch (F.Kind) {
    case TFrameLines::Rings: {
        TRect R(Rect);
        for (int I = 0; I < F.Count; ++I)
            R = DrawSides(Canvas, R, F.UL[I], F.LR[I], Sides);
        return R;
    }
    case TFrameLines::Etched: return DrawEtched(Canvas, Rect, F.UL[0], F.LR[0], Sides);
    case TFrameLines::Rounded: return DrawRoundedFlatBorder(Canvas, Rect, F.UL[0], Sides);
    default: return TRect(Rect);
    }
}

} // namespace

TRect DrawSides(TCanvas* Canvas, const RECT& Rect, TColor ULColor, TColor LRColor, TSides Sides)
{
    HDC DC = Canvas->Handle();
    const RECT& R = Rect;
    // Top/left first, so the two corners shared with the bottom/right lines
    // take the bottom/right colour, as system borders do.
    if (ULColor != clNone) {
        if (HasSide(Sides, sdLeft))
            FillArea(DC, R.left, R.top, R.left + 1, R.bottom, ULColor);
        if (HasSide(Sides, sdTop))
            FillArea(DC, R.left, R.top, R.right, R.top + 1, ULColor);
    }
    if (LRColor != clNone) {
        if (HasSide(Sides, sdRight))
            FillArea(DC, R.right - 1, R.top, R.right, R.bottom, LRColor);
        if (HasSide(Sides, sdBottom))
            FillArea(DC, R.left, R.bottom - 1, R.right, R.bottom, LRColor);
    }
    return InsetSides(Rect, 1, Sides);
}

TRect DrawBevel(TCanvas* Canvas, const RECT& Rect, TColor ULColor, TColor LRColor, int Width, TSides Sides)
{
    TRect R(Rect);
    for (int I = 0; I < Width; ++I)
        R = DrawSides(Canvas, R, ULColor, LRColor, Sides);
    return R;
}

TRect DrawBox(TCanvas* Canvas, const RECT& Rect, TColor Color)
{
    return Ring(Canvas, Rect, Color, sdAllSides);
}

TRect DrawCornerBrackets(TCanvas* Canvas, const RECT& Rect, TColor Color, int Length)
{
    HDC DC = Canvas->Handle();
    const int L = Rect.left, T = Rect.top, R = Rect.right, B = Rect.bottom;
    FillArea(DC, L, T, L + Length, T + 1, Color);
    FillArea(DC, L, T, L + 1, T + Length, Color);
    FillArea(DC, R - Length, T, R, T + 1, Color);
    FillArea(DC, R - 1, T, R, T + Length, Color);
    FillArea(DC, L, B - 1, L + Length, B, Color);
    FillArea(DC, L, B - Length, L + 1, B, Color);
    FillArea(DC, R - Length, B - 1, R, B, Color);
    FillArea(DC, R - 1, B - Length, R, B, Color);
    return ShrunkRect(Rect, 1);
}

TRect DrawDottedBox(TCanvas* Canvas, const RECT& Rect)
{
    HDC DC = Canvas->Handle();
    for (int X = Rect.left + 1; X < Rect.right; X += 2) {
        SetPixelColor(DC, X, Rect.top, clBlack);
        SetPixelColor(DC, X, Rect.bottom - 1, clBlack);
    }
    for (int Y = Rect.top + 1; Y < Rect.bottom; Y += 2) {
        SetPixelColor(DC, Rect.left, Y, clBlack);
        SetPixelColor(DC, Rect.right - 1, Y, clBlack);
    }
    return ShrunkRect(Rect, 1);
}

TRect DrawBorderSides(TCanvas* Canvas, const RECT& Rect, TFrameStyleEx Style, TSides Sides)
{
    return DrawFrameLines(Canvas, Rect, SystemFrameLines(Style), Sides);
}

TRect DrawBorder(TCanvas* Canvas, const RECT& Rect, TFrameStyleEx Style)
{
    return DrawBorderSides(Canvas, Rect, Style, sdAllSides);
}

TRect DrawColorBorderSides(TCanvas* Canvas, const RECT& Rect, TColor Color, TSides Sides, TFrameStyleEx Style)
{
    return DrawFrameLines(Canvas, Rect, ColorFrameLines(Style, Color), Sides);
}

TRect DrawColorBorder(TCanvas* Canvas, const RECT& Rect, TColor Color, TFrameStyleEx Style)
{
    return DrawColorBorderSides(Canvas, Rect, Color, sdAllSides, Style);
}

TRect DrawCtl3DBorderSides(TCanvas* Canvas, const RECT& Rect, bool Sunken, TSides Sides)
{
    return DrawBorderSides(Canvas, Rect, Sunken ? fsLowered : fsRaised, Sides);
}

TRect DrawButtonBorderSides(TCanvas* Canvas, const RECT& Rect, bool Pressed, TSides Sides)
{
    return DrawBorderSides(Canvas, Rect, Pressed ? fsButtonDown : fsButtonUp, Sides);
}

TRect DrawButtonBorder(TCanvas* Canvas, const RECT& Rect, bool Pressed)
{
    return DrawButtonBorderSides(Canvas, Rect, Pressed, sdAllSides);
}

TRect DrawColorButtonBorderSides(TCanvas* Canvas, const RECT& Rect, TColor Color, TSides Sides, bool Pressed)
{
    return DrawColorBorderSides(Canvas, Rect, Color, Sides, Pressed ? fsButtonDown : fsButtonUp);
}

TRect DrawColorButtonBorder(TCanvas* Canvas, const RECT& Rect, TColor Color, bool Pressed)
{
    return DrawColorButtonBorderSides(Canvas, Rect, Color, sdAllSides, Pressed);
}

TRect DrawRoundedFlatBorder(TCanvas* Canvas, const RECT& Rect, TColor Color, TSides Sides)
{
    HDC DC = Canvas->Handle();
    const bool L = HasSide(Sides, sdLeft), T = HasSide(Sides, sdTop), Rt = HasSide(Sides, sdRight),
               B = HasSide(Sides, sdBottom);
    const int X0 = Rect.left, Y0 = Rect.top, X1 = Rect.right, Y1 = Rect.bottom;
    if (L)
        FillArea(DC, X0, Y0 + (T ? 2 : 0), X0 + 1, Y1 - (B ? 2 : 0), Color);
    if (Rt)
        FillArea(DC, X1 - 1, Y0 + (T ? 2 : 0), X1, Y1 - (B ? 2 : 0), Color);
    if (T)
        FillArea(DC, X0 + (L ? 2 : 0), Y0, X1 - (Rt ? 2 : 0), Y0 + 1, Color);
    if (B)
        FillArea(DC, X0 + (L ? 2 : 0), Y1 - 1, X1 - (Rt ? 2 : 0), Y1, Color);
    if (L && T)
        SetPixelColor(DC, X0 + 1, Y0 + 1, Color);
    if (Rt && T)
        SetPixelColor(DC, X1 - 2, Y0 + 1, Color);
    if (L && B)
        SetPixelColor(DC, X0 + 1, Y1 - 2, Color);
    if (Rt && B)
        SetPixelColor(DC, X1 - 2, Y1 - 2, Color);
    return InsetSides(Rect, 2, Sides);
}

int FrameStyleWidth(TFrameStyleEx Style, int BevelWidth)
{
    switch (Style) {
    case fsNone: return 0;
    case fsFlat: return 1;
    case fsStatus:
    case fsPopup: return BevelWidth;
    default: return 2;
    }
}

TRect DrawInnerOuterBorders(TCanvas* Canvas, const RECT& Rect, const TRzBorderArgs& Args)
{
    const TFrameStyleEx BorderOuter = Args.BorderOuter, BorderInner = Args.BorderInner;
    const int BorderWidth = Args.BorderWidth, BevelWidth = Args.BevelWidth;
    const TSides BorderSides = Args.BorderSides;
    const TColor BorderColor = Args.BorderColor, BorderHighlight = Args.BorderHighlight,
                 BorderShadow = Args.BorderShadow, Color = Args.Color, ParentColor = Args.ParentColor;
    const bool Transparent = Args.Transparent;
    const TColor F = AdjustColor(Args.FlatColor, Args.FlatColorAdjustment);
    const bool HasBand = BorderWidth > 0 || BorderInner != fsNone;
    TRect R(Rect);

    // The frames other than the flat ones share this painter.
    auto Frame = [&](TFrameStyleEx Style) {
        switch (Style) {
        case fsPopup: R = DrawBevel(Canvas, R, BorderHighlight, BorderShadow, BevelWidth, BorderSides); break;
        case fsStatus: R = DrawBevel(Canvas, R, BorderShadow, BorderHighlight, BevelWidth, BorderSides); break;
        default: R = DrawBorderSides(Canvas, R, Style, BorderSides); break;
        }
    };

    switch (BorderOuter) {
    case fsFlat: R = Ring(Canvas, R, F, BorderSides); break;
    case fsFlatBold: R = DrawBevel(Canvas, R, F, F, 2, BorderSides); break;
    case fsFlatRounded:
        // The rings fill what the rounded line leaves out: the outer corners
        // take the parent's colour.
        if (!Transparent) {
            const TRect Inner = Ring(Canvas, R, ParentColor, BorderSides);
            Ring(Canvas, Inner, HasBand ? BorderColor : Color, BorderSides);
        } else if (HasBand) {
            Ring(Canvas, ShrunkRect(R, 1), BorderColor, BorderSides);
        }
        R = DrawRoundedFlatBorder(Canvas, R, F, BorderSides);
        break;
    default: Frame(BorderOuter); break;
    }

    if (BorderWidth > 0)
        R = DrawBevel(Canvas, R, BorderColor, BorderColor, BorderWidth, BorderSides);

    switch (BorderInner) {
    case fsFlat:
        if (Args.FullInnerFlatFrame)
            R = DrawBox(Canvas, R, F);
        else
            R = Ring(Canvas, R, F, BorderSides);
        break;
    case fsFlatBold: R = DrawBevel(Canvas, R, F, F, 2, BorderSides); break;
    case fsFlatRounded: {
        const TRect Inner = Ring(Canvas, R, BorderColor, BorderSides);
        if (!Transparent)
            Ring(Canvas, Inner, Color, BorderSides);
        R = DrawRoundedFlatBorder(Canvas, R, F, BorderSides);
        break;
    }
    default: Frame(BorderInner); break;
    }
    return R;
}

void DrawNonClientFrame(TCanvas* Canvas, int Width, int Height, bool NoColorRing, TSides Sides, TColor FrameColor,
                        TColor Color, TFrameStyle FrameStyle)
{
    const TRect R(0, 0, Width, Height);
    // The colour rings fill the border where no frame line is drawn.
    if (!NoColorRing)
        DrawBevel(Canvas, R, Color, Color, 2, sdAllSides);
    switch (FrameStyle) {
    case fsFlat: Ring(Canvas, R, FrameColor, Sides); break;
    case fsFlatBold: DrawBevel(Canvas, R, FrameColor, FrameColor, 2, Sides); break;
    default:
        if (Color != clWindow)
            DrawColorBorderSides(Canvas, R, Color, Sides, FrameStyle);
        else
            DrawBorderSides(Canvas, R, FrameStyle, Sides);
        break;
    }
}

void InvalidateNonClientFrame(HWND Window, const RECT& Rect)
{
    TWindowDC DC(Window, GetWindowDC(Window));
    if (!DC)
        return;
    RECT Clip;
    const int Kind = GetClipBox(DC.Get(), &Clip);
    DC.Reset();
    if (Kind != NULLREGION && Kind != ERROR)
        RedrawWindow(Window, &Rect, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

// ===========================================================================
// Transparency
// ===========================================================================

void DrawParentImage(TControl* Control, TCanvas* Canvas, bool InvalidateParent)
{
    DrawParentImageDC(Control, Canvas->Handle(), InvalidateParent);
}

void DrawParentImageDC(TControl* Control, HDC DC, bool InvalidateParent)
{
    TWinControl* Parent = Control ? Control->Parent() : nullptr;
    if (!Parent)
        return;
    const int Saved = SaveDC(DC);
    OffsetViewportOrgEx(DC, -Control->Left(), -Control->Top(), nullptr);
    IntersectClipRect(DC, 0, 0, Parent->ClientWidth(), Parent->ClientHeight());
    Parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    Parent->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(DC), PRF_CLIENT);
    RestoreDC(DC, Saved);
    // Custom controls and forms repaint their children themselves.
    if (InvalidateParent && !dynamic_cast<TCustomControl*>(Parent) && !dynamic_cast<TCustomForm*>(Parent))
        Parent->Invalidate();
}

void InvalidateTransparentControls(TWinControl* Container)
{
    if (!Container)
        return;
    for (int I = 0; I < Container->ControlCount(); ++I) {
        TControl* C = Container->Controls(I);
        TPropOrd Transparent = 0;
        if (GetOrdProp(C, "Transparent", Transparent) && Transparent)
            C->Invalidate();
    }
}

// ===========================================================================
// Frame controller
// ===========================================================================

namespace {

const char* const ConnectionNames[fcpAll] = {
    "Color",           "FocusColor",      "DisabledColor", "ReadOnlyColor", "ReadOnlyColorOnFocus", "ParentColor",
    "FlatButtonColor", "FlatButtons",     "FrameColor",    "FrameHotColor", "FrameHotTrack",        "FrameHotStyle",
    "FrameSides",      "FrameStyle",      "FrameVisible",  "FramingPreference",
};

// A full push sets ParentColor before Color, and Color only when the
// controller does not hand the parent's colour down.
const TRzFrameControllerPropertyConnection FullPushOrder[] = {
    fcpParentColor, fcpColor, fcpDisabledColor, fcpReadOnlyColor, fcpReadOnlyColorOnFocus, fcpFocusColor,
    fcpFlatButtonColor, fcpFlatButtons, fcpFrameColor, fcpFrameHotColor, fcpFrameHotTrack, fcpFrameHotStyle,
    fcpFrameSides, fcpFrameStyle, fcpFrameVisible, fcpFramingPreference,
};

} // namespace

const char* FrameControllerPropertyName(TRzFrameControllerPropertyConnection Property)
{
    return Property < fcpAll ? ConnectionNames[Property] : "";
}

void TRzRegIniFile::SetPath(const std::string& Value)
{
    FChanged |= StoreChanged(FPath, Value);
}

void TRzRegIniFile::SetPathType(TRzPathType Value)
{
    FChanged |= StoreChanged(FPathType, Value);
}

void TRzRegIniFile::SetRegKey(TRzRegKey Value)
{
    FChanged |= StoreChanged(FRegKey, Value);
}

void TRzRegIniFile::SetRegAccess(TRzRegAccess Value)
{
    FChanged |= StoreChanged(FRegAccess, Value);
}

void TRzRegIniFile::SetSpecialFolder(TRzSpecialFolder Value)
{
    FChanged |= StoreChanged(FSpecialFolder, Value);
}

void TRzRegIniFile::SetFileEncoding(TRzIniFileEncoding Value)
{
    FChanged |= StoreChanged(FFileEncoding, Value);
}

TRzFrameController::TRzFrameController(TComponent* AOwner) : TComponent(AOwner) {}

TRzFrameController::~TRzFrameController()
{
    // The controls clear their reference through free notification.
    FControls.reset();
}

TPropOrd TRzFrameController::ValueOf(TRzFrameControllerPropertyConnection Property) const
{
    switch (Property) {
    case fcpColor: return FColor;
    case fcpFocusColor: return FFocusColor;
    case fcpDisabledColor: return FDisabledColor;
    case fcpReadOnlyColor: return FReadOnlyColor;
    case fcpReadOnlyColorOnFocus: return FReadOnlyColorOnFocus;
    case fcpParentColor: return FParentColor;
    case fcpFlatButtonColor: return FFlatButtonColor;
    case fcpFlatButtons: return FFlatButtons;
    case fcpFrameColor: return FFrameColor;
    case fcpFrameHotColor: return FFrameHotColor;
    case fcpFrameHotTrack: return FFrameHotTrack;
    case fcpFrameHotStyle: return FFrameHotStyle;
    case fcpFrameSides: return FFrameSides;
    case fcpFrameStyle: return FFrameStyle;
    case fcpFrameVisible: return FFrameVisible;
    case fcpFramingPreference: return FFramingPreference;
    default: return 0;
    }
}

void TRzFrameController::UpdateControl(TControl* Control, TRzFrameControllerPropertyConnection Property)
{
    if (!Control)
        return;
    TPropOrd Notifications = fcnAll;
    if (!GetOrdProp(Control, "FrameControllerNotifications", Notifications))
        Notifications = fcnAll;
    if (auto* Custom = dynamic_cast<IRzCustomFramingNotification*>(Control)) {
        Custom->CustomFramingChanged();
        return;
    }
    const auto Set = static_cast<TRzFrameControllerNotifications>(Notifications);
    auto Push = [&](TRzFrameControllerPropertyConnection P) {
        if (HasNotification(Set, P))
            SetOrdProp(Control, ConnectionNames[P], ValueOf(P)); // a control without it is skipped
    };
    if (Property < fcpAll) {
        Push(Property);
        return;
    }
    for (TRzFrameControllerPropertyConnection P : FullPushOrder)
        if (P != fcpColor || !FParentColor)
            Push(P);
}

void TRzFrameController::UpdateControls(TRzFrameControllerPropertyConnection Property)
{
    if (FUpdateCount >= 1 || !FControls)
        return;
    // A control may leave the list while it is being updated.
    const std::vector<TControl*> Snapshot = *FControls;
    for (TControl* C : Snapshot)
        if (FControls && std::find(FControls->begin(), FControls->end(), C) != FControls->end())
            UpdateControl(C, Property);
}

void TRzFrameController::AddControl(TControl* Control)
{
    if (!Control)
        return;
    if (!FControls)
        FControls = std::make_unique<std::vector<TControl*>>();
    if (std::find(FControls->begin(), FControls->end(), Control) != FControls->end())
        return;
    FControls->push_back(Control);
    FreeNotification(Control);
    UpdateControl(Control, fcpAll);
}

void TRzFrameController::RemoveControl(TControl* Control)
{
    if (!FControls)
        return;
    FControls->erase(std::remove(FControls->begin(), FControls->end(), Control), FControls->end());
    if (FControls->empty())
        FControls.reset();
}

void TRzFrameController::BeginUpdate()
{
    ++FUpdateCount;
}

void TRzFrameController::EndUpdate()
{
    --FUpdateCount;
    if (FUpdateCount < 1) {
        FUpdateCount = 0;
        UpdateControls(fcpAll);
    }
}

void TRzFrameController::Assign(const TPersistent* Source)
{
    const auto* Src = dynamic_cast<const TRzFrameController*>(Source);
    if (!Src) {
        TComponent::Assign(Source);
        return;
    }
    TUpdateScope Update(*this);
    SetColor(Src->FColor);
    SetParentColor(Src->FParentColor);
    SetFlatButtonColor(Src->FFlatButtonColor);
    SetFlatButtons(Src->FFlatButtons);
    SetDisabledColor(Src->FDisabledColor);
    SetReadOnlyColor(Src->FReadOnlyColor);
    SetReadOnlyColorOnFocus(Src->FReadOnlyColorOnFocus);
    SetFocusColor(Src->FFocusColor);
    SetFrameColor(Src->FFrameColor);
    SetFrameHotColor(Src->FFrameHotColor);
    SetFrameHotTrack(Src->FFrameHotTrack);
    SetFrameHotStyle(Src->FFrameHotStyle);
    SetFrameSides(Src->FFrameSides);
    SetFrameStyle(Src->FFrameStyle);
    SetFrameVisible(Src->FFrameVisible);
    SetFramingPreference(Src->FFramingPreference);
}

void TRzFrameController::ReadOldFrameFlat(bool Value)
{
    SetFrameHotTrack(Value);
    if (Value) {
        SetFrameStyle(fsStatus);
        SetFrameHotStyle(fsLowered);
    }
}

bool FrameStyleFromName(const std::string& StyleName, TFrameStyle& Style)
{
    static const char* const Names[] = {"fsNone",       "fsFlat",   "fsGroove",   "fsBump",
                                        "fsLowered",    "fsButtonDown", "fsRaised", "fsButtonUp",
                                        "fsStatus",     "fsPopup",  "fsFlatBold"};
    for (int I = 0; I <= fsFlatBold; ++I)
        if (AnsiSameText(StyleName, Names[I])) {
            Style = static_cast<TFrameStyle>(I);
            return true;
        }
    return false;
}

void TRzFrameController::ReadOldFrameFocusStyle(const std::string& StyleName)
{
    TFrameStyle Style;
    if (FrameStyleFromName(StyleName, Style))
        SetFrameHotStyle(Style);
}

void TRzFrameController::SetColor(TColor Value)
{
    if (FColor == Value)
        return;
    const bool FocusFollows = FColor == FFocusColor;
    FColor = Value;
    if (FocusFollows)
        FFocusColor = Value;
    const bool WasParentColor = FParentColor;
    FParentColor = false;
    if (WasParentColor)
        UpdateControls(fcpParentColor);
    UpdateControls(fcpColor);
    // The controls' focus colour would otherwise keep the old value until
    // the next full push.
    if (FocusFollows)
        UpdateControls(fcpFocusColor);
}

void TRzFrameController::SetParentColor(bool Value)
{
    if (FParentColor == Value)
        return;
    FParentColor = Value;
    UpdateControls(fcpParentColor);
    if (!Value)
        UpdateControls(fcpColor);
}

void TRzFrameController::SetFlatButtonColor(TColor Value)
{
    if (StoreChanged(FFlatButtonColor, Value))
        UpdateControls(fcpFlatButtonColor);
}

void TRzFrameController::SetFlatButtons(bool Value)
{
    if (StoreChanged(FFlatButtons, Value))
        UpdateControls(fcpFlatButtons);
}

void TRzFrameController::SetDisabledColor(TColor Value)
{
    if (StoreChanged(FDisabledColor, Value))
        UpdateControls(fcpDisabledColor);
}

void TRzFrameController::SetReadOnlyColor(TColor Value)
{
    if (StoreChanged(FReadOnlyColor, Value))
        UpdateControls(fcpReadOnlyColor);
}

void TRzFrameController::SetReadOnlyColorOnFocus(bool Value)
{
    if (StoreChanged(FReadOnlyColorOnFocus, Value))
        UpdateControls(fcpReadOnlyColorOnFocus);
}

void TRzFrameController::SetFocusColor(TColor Value)
{
    if (StoreChanged(FFocusColor, Value))
        UpdateControls(fcpFocusColor);
}

void TRzFrameController::SetFrameColor(TColor Value)
{
    if (StoreChanged(FFrameColor, Value))
        UpdateControls(fcpFrameColor);
}

void TRzFrameController::SetFrameHotColor(TColor Value)
{
    if (StoreChanged(FFrameHotColor, Value))
        UpdateControls(fcpFrameHotColor);
}

void TRzFrameController::SetFrameHotStyle(TFrameStyle Value)
{
    if (StoreChanged(FFrameHotStyle, Value))
        UpdateControls(fcpFrameHotStyle);
}

void TRzFrameController::SetFrameSides(TSides Value)
{
    if (StoreChanged(FFrameSides, Value))
        UpdateControls(fcpFrameSides);
}

void TRzFrameController::SetFrameStyle(TFrameStyle Value)
{
    if (StoreChanged(FFrameStyle, Value))
        UpdateControls(fcpFrameStyle);
}

void TRzFrameController::SetFrameVisible(bool Value)
{
    if (StoreChanged(FFrameVisible, Value))
        UpdateControls(fcpFrameVisible);
}

void TRzFrameController::SetFramingPreference(TFramingPreference Value)
{
    if (StoreChanged(FFramingPreference, Value))
        UpdateControls(fcpFramingPreference);
}

void TRzFrameController::SetFrameHotTrack(bool Value)
{
    if (FFrameHotTrack == Value)
        return;
    FFrameHotTrack = Value;
    if (Value) {
        SetFrameVisible(true);
        if (!HasState(csLoading))
            FFrameSides = sdAllSides;
    }
    UpdateControls(fcpFrameHotTrack);
}

void TRzFrameController::SetRegIniFile(TRzRegIniFile* Value)
{
    if (FRegIniFile == Value)
        return;
    if (FRegIniFile)
        FRegIniFile->RemoveFreeNotification(this);
    FRegIniFile = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TRzFrameController::Loaded()
{
    TComponent::Loaded();
    UpdateControls(fcpAll);
}

void TRzFrameController::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FRegIniFile)
        FRegIniFile = nullptr;
    if (FControls)
        if (auto* C = dynamic_cast<TControl*>(AComponent))
            RemoveControl(C);
}

void ChangeFrameController(TControl* Control, TRzFrameController*& Field, TRzFrameController* Value)
{
    if (Field == Value)
        return;
    if (Field) {
        Field->RemoveControl(Control);
        Field->RemoveFreeNotification(Control);
    }
    Field = Value;
    if (Value) {
        Value->FreeNotification(Control);
        Value->AddControl(Control);
    }
}

// ===========================================================================
// Shared blink timer
// ===========================================================================

TRzBlinkingControlsList::TRzBlinkingControlsList()
{
    FTimer = new TTimer(nullptr);
    FTimer->SetInterval(FIntervalOff);
    FTimer->OnTimer = [this](TObject*) { Tick(); };
    FTimer->SetEnabled(true);
}

TRzBlinkingControlsList::~TRzBlinkingControlsList()
{
    FTimer->OnTimer = nullptr;
    FTimer->Free();
}

void TRzBlinkingControlsList::Add(TControl* Control)
{
    if (std::find(FControls.begin(), FControls.end(), Control) == FControls.end())
        FControls.push_back(Control);
}

void TRzBlinkingControlsList::Remove(TControl* Control)
{
    FControls.erase(std::remove(FControls.begin(), FControls.end(), Control), FControls.end());
}

void TRzBlinkingControlsList::Tick()
{
    FBlinkState = !FBlinkState;
    FTimer->SetInterval(FBlinkState ? FIntervalOn : FIntervalOff);
    // A control may leave the list from inside its own CM_BLINK.
    const std::vector<TControl*> Snapshot = FControls;
    for (TControl* C : Snapshot) {
        if (std::find(FControls.begin(), FControls.end(), C) == FControls.end())
            continue;
        if (C->Perform(CM_BLINKINGQUERY, 0, 0) == 1)
            C->Perform(CM_BLINK, FBlinkState ? 1 : 0, 0);
    }
}

TRzBlinkingControlsList* NeedBlinkingList()
{
    if (!BlinkingControls)
        BlinkingControls = new TRzBlinkingControlsList();
    return BlinkingControls;
}

void ReleaseBlinkingList()
{
    if (BlinkingControls && BlinkingControls->Count() == 0) {
        TRzBlinkingControlsList* L = BlinkingControls;
        BlinkingControls = nullptr;
        L->Free();
    }
}

// ===========================================================================
// Start-up
// ===========================================================================

namespace {

struct TRzCommonInit {
    TRzCommonInit()
    {
        MoreThan256Colors = HasMoreThan256Colors();
        XPColorScheme = GetXPColorScheme();
    }
} RzCommonInit;

} // namespace
