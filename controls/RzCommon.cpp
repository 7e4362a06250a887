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
TRzBlinkingControlsList* GBlinkingControls = nullptr;

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
DWORD GOverrideMajor = 0, GOverrideMinor = 0;

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
    if (GOverrideMajor == 0)
        return Info;
    OSVERSIONINFOA V = Info;
    V.dwPlatformId = VER_PLATFORM_WIN32_NT;
    V.dwMajorVersion = GOverrideMajor;
    V.dwMinorVersion = GOverrideMinor;
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

void OverrideWindowsVersion(unsigned Major, unsigned Minor)
{
    GOverrideMajor = Major;
    GOverrideMinor = Minor;
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
    if (!GBlinkingControls)
        GBlinkingControls = new TRzBlinkingControlsList();
    return GBlinkingControls;
}

void ReleaseBlinkingList()
{
    if (GBlinkingControls && GBlinkingControls->Count() == 0) {
        TRzBlinkingControlsList* L = GBlinkingControls;
        GBlinkingControls = nullptr;
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
