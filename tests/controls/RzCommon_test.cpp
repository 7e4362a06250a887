// Colour maths, colour sets, system queries, the frame controller and the
// shared blink timer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Themes.h"
#include "controls/RzCommon.h"

namespace {

void Channels(TColor C, int& R, int& G, int& B)
{
    const COLORREF V = ColorToRef(C);
    R = GetRValue(V);
    G = GetGValue(V);
    B = GetBValue(V);
}

} // namespace

// ---------------------------------------------------------------------------
// Colour maths
// ---------------------------------------------------------------------------

TEST(RzCommonColor, HlsOfKnownColours)
{
    const struct { TColor Color; int H, S, L; } Cases[] = {
        {clBlack, 0, 0, 0},          {clWhite, 0, 0, 240},       {0x00808080, 0, 0, 120},
        {0x00404040, 0, 0, 60},      {clRed, 0, 240, 120},       {clLime, 80, 240, 120},
        {clBlue, 160, 240, 120},     {clYellow, 40, 240, 120},   {clAqua, 120, 240, 120},
        {clFuchsia, 200, 240, 120},  {0x00000080, 0, 240, 60},   {0x00FF8080, 160, 240, 180},
    };
    for (const auto& C : Cases) {
        BYTE H, S, L;
        ColorToHLS(C.Color, H, S, L);
        EXPECT_EQ(H, C.H) << std::hex << C.Color;
        EXPECT_EQ(S, C.S) << std::hex << C.Color;
        EXPECT_EQ(L, C.L) << std::hex << C.Color;
        EXPECT_EQ(ColorHue(C.Color), C.H);
    }
    // A system colour is resolved first.
    BYTE H1, S1, L1, H2, S2, L2;
    ColorToHLS(clBtnFace, H1, S1, L1);
    ColorToHLS(ColorToRGB(clBtnFace), H2, S2, L2);
    EXPECT_EQ(H1, H2);
    EXPECT_EQ(L1, L2);
}

TEST(RzCommonColor, HlsRoundTripsStayClose)
{
    // The hue scale divides by 239 on the way back, so a colour comes back
    // within a few steps of itself, never exactly further off.
    const TColor Colors[] = {clRed,      clLime,     clBlue,     0x00336699, 0x00C0FFEE, 0x00102030,
                             0x00F0E0D0, 0x007F7F7F, 0x0000A5FF, 0x00D67563, 0x00385D3F, ColorToRGB(clBtnFace)};
    for (TColor C : Colors) {
        BYTE H, S, L;
        ColorToHLS(C, H, S, L);
        const TColor Back = HLSToColor(H, S, L);
        int R1, G1, B1, R2, G2, B2;
        Channels(C, R1, G1, B1);
        Channels(Back, R2, G2, B2);
        EXPECT_NEAR(R1, R2, 6) << std::hex << C;
        EXPECT_NEAR(G1, G2, 6) << std::hex << C;
        EXPECT_NEAR(B1, B2, 6) << std::hex << C;
        // And the trip back lands on the same lightness.
        BYTE H2, S2, L2;
        ColorToHLS(Back, H2, S2, L2);
        EXPECT_NEAR(L, L2, 1) << std::hex << C;
    }
    // Greys come back exactly; a zero lightness is black whatever the rest.
    for (int V = 0; V <= 255; V += 17) {
        BYTE H, S, L;
        ColorToHLS(RGB(V, V, V), H, S, L);
        int R, G, B;
        Channels(HLSToColor(H, S, L), R, G, B);
        EXPECT_NEAR(R, V, 1);
        EXPECT_EQ(R, G);
        EXPECT_EQ(G, B);
    }
    EXPECT_EQ(HLSToColor(100, 200, 0), clBlack);
}

TEST(RzCommonColor, DarkerLighterAdjustBlend)
{
    EXPECT_EQ(DarkerColor(clBlack, 50), clBlack);
    EXPECT_EQ(DarkerColor(clWhite, 240), clBlack);
    for (TColor C : {clRed, 0x00336699, clBtnFace, clBlack})
        EXPECT_EQ(LighterColor(C, 255), clWhite) << std::hex << C;
    // Lightness moves by the amount, hue stays.
    BYTE H, S, L, H2, S2, L2;
    ColorToHLS(0x00336699, H, S, L);
    ColorToHLS(DarkerColor(0x00336699, 30), H2, S2, L2);
    EXPECT_NEAR(L2, L - 30, 1);
    EXPECT_NEAR(H2, H, 2);
    ColorToHLS(LighterColor(0x00336699, 30), H2, S2, L2);
    EXPECT_NEAR(L2, L + 30, 1);

    EXPECT_EQ(AdjustColor(clBtnFace, 0), clBtnFace); // not resolved
    EXPECT_EQ(AdjustColor(0x00336699, -30), DarkerColor(0x00336699, 30));
    EXPECT_EQ(AdjustColor(0x00336699, 30), LighterColor(0x00336699, 30));

    EXPECT_EQ(BlendColors(clBtnFace, clRed, 255), ColorToRGB(clBtnFace));
    EXPECT_EQ(BlendColors(clRed, clBtnShadow, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(BlendColors(clWhite, clBlack, 128), static_cast<TColor>(RGB(128, 128, 128)));
    EXPECT_EQ(BlendColors(RGB(200, 0, 100), RGB(0, 200, 100), 51), static_cast<TColor>(RGB(40, 160, 100)));

    EXPECT_EQ(XorColors(0x00FF00FF, 0x000F0F0F), 0x00F00FF0);
    EXPECT_EQ(XorColors(clBtnFace, clBtnFace), 0);
}

TEST(RzCommonColor, TooCloseLimitsAreExclusive)
{
    const struct { TColor A, B; bool Close; } Cases[] = {
        {clRed, RGB(254, 127, 0), false},     // hues 0 and 20
        {clRed, RGB(254, 120, 0), true},      // hues 0 and 19
        {RGB(64, 64, 64), RGB(127, 127, 127), false}, // lightness 60 and 120
        {RGB(65, 65, 65), RGB(127, 127, 127), true},  // lightness 61 and 120
        {clBlack, 0x00101010, true},
        {clWhite, clBlack, false},
        {clRed, clBlue, false},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(ColorsTooClose(C.A, C.B), C.Close) << std::hex << C.A << " " << C.B;
}

TEST(RzCommonColor, ComplementaryColor)
{
    const struct { TColor In; int Hue; } Cases[] = {{clRed, 120}, {clAqua, 0}, {clLime, 200}, {clBlue, 40}};
    for (const auto& C : Cases) {
        BYTE H, S, L;
        ColorToHLS(ComplementaryColor(C.In, 120), H, S, L);
        EXPECT_NEAR(H, C.Hue, 2) << std::hex << C.In;
        EXPECT_NEAR(S, 240, 1);
        EXPECT_NEAR(L, 120, 1);
    }
}

// ---------------------------------------------------------------------------
// Scheme and colour sets
// ---------------------------------------------------------------------------

TEST(RzCommonScheme, SchemeNames)
{
    const struct { const char* Name; TRzXPColorScheme Scheme; } Cases[] = {
        {"HomeStead", xpcsOliveGreen}, {"METALLIC", xpcsSilver}, {"metallic", xpcsSilver},
        {"NormalColor", xpcsBlue},     {"", xpcsBlue},           {"Homestead2", xpcsBlue},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(XPColorSchemeFromName(C.Name), C.Scheme) << C.Name;
}

TEST(RzCommonScheme, SchemeFromTheRegistry)
{
    // The current user's hive is redirected to a scratch key for the test.
    const char* Scratch = "Software\\TessalyTests\\RzCommonScheme";
    HKEY Root;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Scratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Root, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, Root), ERROR_SUCCESS);
    const TRzXPColorScheme Missing = GetXPColorScheme();
    HKEY Theme;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &Theme, nullptr);
    RegSetValueExA(Theme, "ColorName", 0, REG_SZ, reinterpret_cast<const BYTE*>("Metallic"), 9);
    const TRzXPColorScheme Silver = GetXPColorScheme();
    RegSetValueExA(Theme, "ColorName", 0, REG_SZ, reinterpret_cast<const BYTE*>("HomeStead"), 10);
    const TRzXPColorScheme Olive = GetXPColorScheme();
    RegCloseKey(Theme);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(Root);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TessalyTests");
    EXPECT_EQ(Missing, xpcsBlue);
    EXPECT_EQ(Silver, xpcsSilver);
    EXPECT_EQ(Olive, xpcsOliveGreen);
}

TEST(RzCommonScheme, SystemColourSets)
{
    // Office colours need themes; with theming off every style gets the
    // system set.
    TThemeServices::SetThemingDisabled(true);
    const bool Saved = MoreThan256Colors;
    MoreThan256Colors = true;
    for (TRzGradientColorStyle Style : {gcsSystem, gcsMSOffice}) {
        TColor Frame, Start, Stop;
        GetHotTrackButtonColors(Style, Frame, Start, Stop);
        EXPECT_EQ(Frame, clHighlight);
        EXPECT_EQ(Stop, BlendColors(clHighlight, clWindow, 77));
        EXPECT_EQ(Start, LighterColor(Stop, 20));
        GetGradientPanelColors(Style, Start, Stop);
        EXPECT_EQ(Start, clWindow);
        EXPECT_EQ(Stop, DarkerColor(clBtnFace, 10));
        EXPECT_EQ(GetGradientPanelFrameColor(Style), LighterColor(clBtnShadow, 30));
        TColor First, Second;
        GetGradientStatusBarColors(Style, First, Second, Frame);
        EXPECT_EQ(First, DarkerColor(clBtnFace, 20));
        EXPECT_EQ(Second, clWindow);
        EXPECT_EQ(Frame, DarkerColor(clBtnFace, 40));
        GetGradientBarColors(Style, Start, Stop);
        EXPECT_EQ(Start, BlendColors(clBlack, clBtnFace, 40));
        EXPECT_EQ(Stop, BlendColors(clBlack, clBtnFace, 80));
    }
    // Few colours: the hot fill is flat.
    MoreThan256Colors = false;
    TColor Frame, Start, Stop;
    GetHotTrackButtonColors(gcsSystem, Frame, Start, Stop);
    EXPECT_EQ(Start, Stop);
    MoreThan256Colors = Saved;

    EXPECT_EQ(GetXPThemeColor(8), 0x00FFFFFF);
    EXPECT_EQ(GetXPThemeColor(1), clBtnFace);
    TThemeServices::SetThemingDisabled(false);
    // With themes on, a class the theme lacks still gives a colour.
    for (int Kind = 0; Kind <= 7; ++Kind) {
        const TColor C = GetXPThemeColor(Kind);
        EXPECT_TRUE(C == clBtnFace || (C & 0xFF000000) == 0) << Kind;
    }
}

// ---------------------------------------------------------------------------
// Versions and small routines
// ---------------------------------------------------------------------------

TEST(RzCommonSystem, WindowsVersionTables)
{
    constexpr int W9x = 1, NT = 2;
    struct TCase {
        int Kind, Platform, Major, Minor;
        bool Exact, OrLater;
    };
    const TCase Cases[] = {
        {wvWin95, W9x, 4, 0, true, true},      {wvWin95, NT, 6, 1, false, true},
        {wvWinNT, NT, 4, 0, true, true},       {wvWinNT, W9x, 4, 0, false, false},
        {wvWin98, W9x, 4, 10, true, true},     {wvWin98, W9x, 4, 0, false, false},
        {wvWin98, NT, 6, 0, false, true},      {wvWin98, NT, 10, 0, false, true},
        {wvWinME, W9x, 4, 90, true, true},     {wvWinME, NT, 5, 0, false, true},
        {wvWin2000, NT, 5, 0, true, true},     {wvWin2000, W9x, 4, 90, false, false},
        {wvWinXP, NT, 5, 0, false, false},     {wvWinXP, NT, 5, 1, true, true},
        {wvWinXP, NT, 5, 2, false, true},      {wvWinXP, NT, 6, 0, false, true},
        {wvWin2003, NT, 5, 2, true, true},     {wvWin2003, NT, 6, 0, false, true},
        {wvWinVista, NT, 6, 0, true, true},    {wvWinVista, NT, 5, 2, false, false},
        {wvWin7, NT, 6, 1, true, true},        {wvWin7, NT, 6, 0, false, false},
        {wvWin7, NT, 6, 2, false, true},       {wvWin7, NT, 10, 0, false, true},
        {9, NT, 10, 0, false, false},          {0x80 | wvWinXP, NT, 5, 1, true, true},
    };
    for (const TCase& C : Cases) {
        EXPECT_EQ(IsWindowsVersionOf(C.Kind, C.Platform, C.Major, C.Minor), C.Exact)
            << C.Kind << " on " << C.Platform << " " << C.Major << "." << C.Minor;
        EXPECT_EQ(IsWindowsVersionOrLaterOf(C.Kind, C.Platform, C.Major, C.Minor), C.OrLater)
            << C.Kind << " on " << C.Platform << " " << C.Major << "." << C.Minor;
    }
    // The running system is NT of some kind.
    EXPECT_TRUE(IsWindowsVersionOrLater(wvWin2000));
    EXPECT_FALSE(IsWindowsVersion(wvWin95));
}

TEST(RzCommonSystem, SmallRoutines)
{
    const struct { const char* In; const char* Out; } Accel[] = {
        {"&File", "File"}, {"Save && Exit", "Save & Exit"}, {"A&&&B", "A&B"}, {"End&", "End&"},
        {"&&", "&"},       {"", ""},                         {"No", "No"},     {"&", "&"},
    };
    for (const auto& C : Accel)
        EXPECT_EQ(RemoveAccelerators(C.In), C.Out) << C.In;

    EXPECT_EQ(CountChar('a', "banana"), 3);
    EXPECT_EQ(CountChar('\0', std::string("a\0b\0", 4)), 2);
    EXPECT_TRUE(IsByteInSet(3, {1, 2, 3}));
    EXPECT_FALSE(IsByteInSet(4, {1, 2, 3}));
    EXPECT_EQ(MinInt(-3, 2), -3);
    EXPECT_EQ(MaxInt(-3, 2), 2);

    EXPECT_EQ(CenterRect(TRect(0, 0, 100, 50), 20, 10), TRect(40, 20, 60, 30));
    EXPECT_EQ(CenterRect(TRect(0, 0, 11, 11), 4, 4), TRect(3, 3, 7, 7));
    // Rounds toward zero for negative sums too.
    EXPECT_EQ(CenterRect(TRect(-10, -10, 0, 0), 5, 5), TRect(-7, -7, -2, -2));

    SetEnvironmentVariableA("RZ_TEST_VAR", "value");
    EXPECT_EQ(ExpandEnvStrings("a%RZ_TEST_VAR%b"), "avalueb");
    EXPECT_EQ(ExpandEnvStrings("%RZ_NO_SUCH_VAR%"), "%RZ_NO_SUCH_VAR%");
    SetEnvironmentVariableA("RZ_TEST_VAR", nullptr);
}

TEST(RzCommonSystem, FontMetrics)
{
    TFont F;
    F.SetName("Tahoma");
    F.SetHeight(-13);
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, F.Handle());
    TEXTMETRICA TM;
    GetTextMetricsA(DC, &TM);
    SIZE Sz;
    GetTextExtentPoint32A(DC, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &Sz);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    EXPECT_EQ(GetFontLineHeight(&F), TM.tmHeight + 2);
    EXPECT_EQ(GetAvgCharWidth(&F), (Sz.cx + 26) / 52);
    EXPECT_EQ(IsTrueTypeFont(&F), (TM.tmPitchAndFamily & TMPF_TRUETYPE) != 0);

    F.SetStyle(fsBold | fsItalic);
    HFONT Turned = CreateRotatedFont(&F, 45);
    LOGFONTA LF;
    ASSERT_EQ(GetObjectA(Turned, sizeof(LF), &LF), static_cast<int>(sizeof(LF)));
    EXPECT_EQ(LF.lfEscapement, 450);
    EXPECT_EQ(LF.lfOrientation, 0);
    EXPECT_EQ(LF.lfWeight, FW_BOLD);
    EXPECT_EQ(LF.lfItalic, 1);
    EXPECT_EQ(LF.lfUnderline, 0);
    EXPECT_EQ(LF.lfHeight, -13);
    EXPECT_STREQ(LF.lfFaceName, "Tahoma");
    DeleteObject(Turned);
}

// ---------------------------------------------------------------------------
// Frame controller
// ---------------------------------------------------------------------------

namespace {

// A framed control that logs every property the controller sets on it.
class TFakeFramed : public TControl {
public:
    explicit TFakeFramed(TComponent* AOwner) : TControl(AOwner) {}
    ~TFakeFramed() override
    {
        if (FController)
            FController->RemoveControl(this);
    }

    std::vector<std::string> Log;
    int Count(const std::string& Name) const
    {
        int N = 0;
        for (const std::string& S : Log)
            N += S == Name;
        return N;
    }

    TFrameStyle FrameStyle() const { return FFrameStyle; }
    void SetFrameStyle(TFrameStyle V) { FFrameStyle = V; Log.push_back("FrameStyle"); }
    TSides FrameSides() const { return FFrameSides; }
    void SetFrameSides(TSides V) { FFrameSides = V; Log.push_back("FrameSides"); }
    TColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor V) { FFrameColor = V; Log.push_back("FrameColor"); }
    TColor FocusColor() const { return FFocusColor; }
    void SetFocusColor(TColor V) { FFocusColor = V; Log.push_back("FocusColor"); }
    TColor DisabledColor() const { return FDisabledColor; }
    void SetDisabledColor(TColor V) { FDisabledColor = V; Log.push_back("DisabledColor"); }
    bool FrameVisible() const { return FFrameVisible; }
    void SetFrameVisible(bool V) { FFrameVisible = V; Log.push_back("FrameVisible"); }
    bool FrameHotTrack() const { return FFrameHotTrack; }
    void SetFrameHotTrack(bool V) { FFrameHotTrack = V; Log.push_back("FrameHotTrack"); }
    TFramingPreference FramingPreference() const { return FFramingPreference; }
    void SetFramingPreference(TFramingPreference V) { FFramingPreference = V; Log.push_back("FramingPreference"); }
    TColor LoggedColor() const { return Color(); }
    void SetLoggedColor(TColor V) { SetColor(V); Log.push_back("Color"); }
    bool LoggedParentColor() const { return ParentColor(); }
    void SetLoggedParentColor(bool V) { SetParentColor(V); Log.push_back("ParentColor"); }
    TRzFrameControllerNotifications Notifications() const { return FNotifications; }
    void SetNotifications(TRzFrameControllerNotifications V) { FNotifications = V; }

    TRzFrameController* Controller() const { return FController; }
    void SetController(TRzFrameController* V) { ChangeFrameController(this, FController, V); }

    const TPropertyTable* Properties() const override
    {
        using F = TFakeFramed;
        static const TPropertyTable Table(&TControl::ClassProperties(), {
            OrdProp("FrameStyle", &F::FrameStyle, &F::SetFrameStyle),
            OrdProp("FrameSides", &F::FrameSides, &F::SetFrameSides),
            OrdProp("FrameColor", &F::FrameColor, &F::SetFrameColor),
            OrdProp("FocusColor", &F::FocusColor, &F::SetFocusColor),
            OrdProp("DisabledColor", &F::DisabledColor, &F::SetDisabledColor),
            OrdProp("FrameVisible", &F::FrameVisible, &F::SetFrameVisible),
            OrdProp("FrameHotTrack", &F::FrameHotTrack, &F::SetFrameHotTrack),
            OrdProp("FramingPreference", &F::FramingPreference, &F::SetFramingPreference),
            OrdProp("Color", &F::LoggedColor, &F::SetLoggedColor),
            OrdProp("ParentColor", &F::LoggedParentColor, &F::SetLoggedParentColor),
            OrdProp("FrameControllerNotifications", &F::Notifications, &F::SetNotifications),
        });
        return &Table;
    }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TControl::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FController)
            FController = nullptr;
    }

private:
    TFrameStyle FFrameStyle = fsNone;
    TSides FFrameSides = 0;
    TColor FFrameColor = clBlack, FFocusColor = clBlack, FDisabledColor = clBlack;
    bool FFrameVisible = false, FFrameHotTrack = false;
    TFramingPreference FFramingPreference = fpCustomFraming;
    TRzFrameControllerNotifications FNotifications = fcnAll;
    TRzFrameController* FController = nullptr;
};

// A control that reads the settings itself.
class TFakeCustom : public TControl, public IRzCustomFramingNotification {
public:
    using TControl::TControl;
    void CustomFramingChanged() override { ++Calls; }
    void SetFrameStyle(TFrameStyle) { ++Sets; }
    TFrameStyle FrameStyle() const { return fsNone; }
    const TPropertyTable* Properties() const override
    {
        static const TPropertyTable Table(&TControl::ClassProperties(), {
            OrdProp("FrameStyle", &TFakeCustom::FrameStyle, &TFakeCustom::SetFrameStyle),
        });
        return &Table;
    }
    int Calls = 0, Sets = 0;
};

} // namespace

TEST(RzCommonFrameController, JoiningPushesEverythingOnceInOrder)
{
    TComponent Owner(nullptr);
    auto* FC = new TRzFrameController(&Owner);
    auto* A = new TFakeFramed(&Owner);
    FC->SetFrameStyle(fsGroove); // no controls yet: nothing to push
    A->SetController(FC);
    const std::vector<std::string> Expected = {"ParentColor",  "Color",         "DisabledColor",     "FocusColor",
                                               "FrameColor",   "FrameHotTrack", "FrameSides",        "FrameStyle",
                                               "FrameVisible", "FramingPreference"};
    EXPECT_EQ(A->Log, Expected);
    EXPECT_EQ(A->FrameStyle(), fsGroove);
    EXPECT_EQ(A->FrameSides(), sdAllSides);
    EXPECT_EQ(A->Color(), clWindow);
    EXPECT_EQ(A->FrameColor(), clBtnShadow);
    // Joining again changes nothing.
    A->Log.clear();
    FC->AddControl(A);
    EXPECT_TRUE(A->Log.empty());
    EXPECT_EQ(FC->ControlCount(), 1);
}

TEST(RzCommonFrameController, SettersPushOnlyTheirPropertyAndOnlyOnChange)
{
    TComponent Owner(nullptr);
    auto* FC = new TRzFrameController(&Owner);
    auto* A = new TFakeFramed(&Owner);
    auto* B = new TFakeFramed(&Owner);
    A->SetController(FC);
    B->SetController(FC);
    A->Log.clear();
    B->Log.clear();
    struct TStep {
        std::function<void()> Set;
        std::vector<std::string> Pushed;
    };
    const TStep Steps[] = {
        {[&] { FC->SetFrameStyle(fsLowered); }, {"FrameStyle"}},
        {[&] { FC->SetFrameStyle(fsLowered); }, {}},
        {[&] { FC->SetFrameSides(SideBit(sdTop)); }, {"FrameSides"}},
        {[&] { FC->SetDisabledColor(clRed); }, {"DisabledColor"}},
        {[&] { FC->SetFocusColor(clYellow); }, {"FocusColor"}},
        {[&] { FC->SetFlatButtons(false); }, {}}, // nobody publishes it
        {[&] { FC->SetFrameHotTrack(true); }, {"FrameVisible", "FrameHotTrack"}},
        {[&] { FC->SetParentColor(true); }, {"ParentColor"}},
        {[&] { FC->SetParentColor(false); }, {"ParentColor", "Color"}},
    };
    for (const TStep& S : Steps) {
        A->Log.clear();
        B->Log.clear();
        S.Set();
        EXPECT_EQ(A->Log, S.Pushed);
        EXPECT_EQ(B->Log, S.Pushed);
    }
    EXPECT_EQ(A->FrameStyle(), fsLowered);
    EXPECT_EQ(B->DisabledColor(), clRed);
    // Hot tracking turned the frame on and all sides back.
    EXPECT_TRUE(FC->FrameVisible());
    EXPECT_EQ(FC->FrameSides(), sdAllSides);
}

TEST(RzCommonFrameController, ColourAndFocusColour)
{
    TComponent Owner(nullptr);
    auto* FC = new TRzFrameController(&Owner);
    auto* A = new TFakeFramed(&Owner);
    A->SetController(FC);
    // Equal colours move together.
    FC->SetColor(clAqua);
    EXPECT_EQ(FC->Color(), clAqua);
    EXPECT_EQ(FC->FocusColor(), clAqua);
    EXPECT_EQ(A->Color(), clAqua);
    EXPECT_EQ(A->FocusColor(), clAqua);
    // The focus colour alone leaves the colour.
    FC->SetFocusColor(clYellow);
    EXPECT_EQ(FC->Color(), clAqua);
    FC->SetColor(clLime);
    EXPECT_EQ(FC->FocusColor(), clYellow);
    EXPECT_EQ(A->FocusColor(), clYellow);
    // A full push with ParentColor sets it and leaves Color alone.
    FC->SetParentColor(true);
    auto* B = new TFakeFramed(&Owner);
    B->SetController(FC);
    EXPECT_EQ(B->Count("ParentColor"), 1);
    EXPECT_EQ(B->Count("Color"), 0);
    EXPECT_TRUE(B->ParentColor());
    // Setting the colour ends ParentColor.
    B->Log.clear();
    FC->SetColor(clRed);
    EXPECT_FALSE(FC->ParentColor());
    EXPECT_EQ(B->Color(), clRed);
}

TEST(RzCommonFrameController, NotificationFilter)
{
    TComponent Owner(nullptr);
    auto* FC = new TRzFrameController(&Owner);
    auto* A = new TFakeFramed(&Owner);
    A->SetNotifications(fcnAll & ~(1u << fcpFrameStyle) & ~(1u << fcpColor));
    A->SetFrameStyle(fsBump);
    A->SetController(FC);
    EXPECT_EQ(A->FrameStyle(), fsBump);
    EXPECT_EQ(A->Count("Color"), 0);
    EXPECT_EQ(A->Count("FrameSides"), 1);
    A->Log.clear();
    FC->SetFrameStyle(fsRaised);
    FC->SetColor(clRed);
    FC->SetFrameColor(clBlue);
    EXPECT_EQ(A->FrameStyle(), fsBump);
    // The colour is filtered; the focus colour that followed it is not.
    EXPECT_EQ(A->Log, (std::vector<std::string>{"FocusColor", "FrameColor"}));
    // A control that reads the settings itself is told, never set.
    auto* C = new TFakeCustom(&Owner);
    FC->AddControl(C);
    FC->SetFrameStyle(fsFlat);
    EXPECT_EQ(C->Calls, 2);
    EXPECT_EQ(C->Sets, 0);
}

TEST(RzCommonFrameController, UpdatesAreHeldUntilTheLastEndUpdate)
{
    TComponent Owner(nullptr);
    auto* FC = new TRzFrameController(&Owner);
    auto* A = new TFakeFramed(&Owner);
    A->SetController(FC);
    A->Log.clear();
    FC->BeginUpdate();
    FC->BeginUpdate();
    FC->SetFrameStyle(fsStatus);
    FC->SetFrameColor(clRed);
    FC->SetColor(clLime);
    FC->EndUpdate();
    EXPECT_TRUE(A->Log.empty());
    EXPECT_FALSE(FC->UpdateEnabled());
    FC->EndUpdate();
    // One full push: each property once.
    EXPECT_EQ(A->Count("FrameStyle"), 1);
    EXPECT_EQ(A->Count("FrameColor"), 1);
    EXPECT_EQ(A->Count("Color"), 1);
    EXPECT_EQ(A->Log.size(), 10u);
    EXPECT_EQ(A->FrameStyle(), fsStatus);
    // An extra EndUpdate does not leave the counter below zero.
    FC->EndUpdate();
    FC->BeginUpdate();
    A->Log.clear();
    FC->SetFrameStyle(fsFlat);
    EXPECT_TRUE(A->Log.empty());
    FC->EndUpdate();

    // Assign: one full push of the copied settings.
    auto* Src = new TRzFrameController(&Owner);
    Src->SetFrameStyle(fsButtonUp);
    Src->SetFrameColor(clNavy);
    A->Log.clear();
    FC->Assign(Src);
    EXPECT_EQ(A->Count("FrameStyle"), 1);
    EXPECT_EQ(A->FrameStyle(), fsButtonUp);
    EXPECT_EQ(A->FrameColor(), clNavy);
    // Loaded pushes everything too.
    A->Log.clear();
    FC->BeginLoading();
    FC->EndLoading();
    EXPECT_EQ(A->Log.size(), 10u);
}

TEST(RzCommonFrameController, FreeNotificationBothWays)
{
    TComponent Owner(nullptr);
    auto* FC = new TRzFrameController(&Owner);
    auto* A = new TFakeFramed(&Owner);
    auto* B = new TFakeFramed(&Owner);
    A->SetController(FC);
    B->SetController(FC);
    EXPECT_EQ(FC->ControlCount(), 2);
    // A control that goes away leaves the list; the last one frees it.
    A->Free();
    EXPECT_EQ(FC->ControlCount(), 1);
    B->Free();
    EXPECT_FALSE(FC->HasControlList());
    // A controller that goes away clears the controls' references.
    auto* C = new TFakeFramed(&Owner);
    auto* D = new TFakeFramed(&Owner);
    C->SetController(FC);
    D->SetController(FC);
    FC->Free();
    EXPECT_EQ(C->Controller(), nullptr);
    EXPECT_EQ(D->Controller(), nullptr);
    // Switching controllers leaves the old one.
    auto* F1 = new TRzFrameController(&Owner);
    auto* F2 = new TRzFrameController(&Owner);
    C->SetController(F1);
    C->SetController(F2);
    EXPECT_EQ(F1->ControlCount(), 0);
    EXPECT_EQ(F2->ControlCount(), 1);
    // The settings file reference is cleared too.
    auto* Ini = new TRzRegIniFile(&Owner);
    F2->SetRegIniFile(Ini);
    Ini->Free();
    EXPECT_EQ(F2->RegIniFile(), nullptr);
}

TEST(RzCommonFrameController, OldStoredProperties)
{
    TRzFrameController FC(nullptr);
    FC.ReadOldFrameFlat(true);
    EXPECT_TRUE(FC.FrameHotTrack());
    EXPECT_EQ(FC.FrameStyle(), fsStatus);
    EXPECT_EQ(FC.FrameHotStyle(), fsLowered);
    FC.ReadOldFrameFocusStyle("fsButtonDown");
    EXPECT_EQ(FC.FrameHotStyle(), fsButtonDown);
    FC.ReadOldFrameFocusStyle("fsNoSuchStyle");
    EXPECT_EQ(FC.FrameHotStyle(), fsButtonDown);
    TRzRegIniFile Ini(nullptr);
    EXPECT_FALSE(Ini.SettingsChanged());
    Ini.SetPathType(ptIniFile);
    EXPECT_FALSE(Ini.SettingsChanged());
    Ini.SetPath("x.ini");
    EXPECT_TRUE(Ini.SettingsChanged());
}

// ---------------------------------------------------------------------------
// Blink timer
// ---------------------------------------------------------------------------

namespace {

class TFakeBlinker : public TControl {
public:
    explicit TFakeBlinker(bool ABlinking) : TControl(nullptr), Blinking(ABlinking) {}
    void WndProc(TMessage& M) override
    {
        if (M.Msg == CM_BLINKINGQUERY) {
            M.Result = Blinking ? 1 : 0;
            return;
        }
        if (M.Msg == CM_BLINK) {
            Phases.push_back(static_cast<int>(M.WParam));
            return;
        }
        TControl::WndProc(M);
    }
    bool Blinking;
    std::vector<int> Phases;
};

} // namespace

TEST(RzCommonBlink, TicksToggleAndReachOnlyBlinkingControls)
{
    ReleaseBlinkingList();
    ASSERT_EQ(GBlinkingControls, nullptr);
    TFakeBlinker On(true), Off(false);
    TRzBlinkingControlsList* L = NeedBlinkingList();
    EXPECT_EQ(L->IntervalOff(), 500);
    EXPECT_EQ(L->IntervalOn(), 500);
    EXPECT_TRUE(L->BlinkState());
    EXPECT_TRUE(L->Timer()->Enabled());
    EXPECT_EQ(L->Timer()->Interval(), 500u);
    L->Add(&On);
    L->Add(&Off);
    L->Add(&On);
    EXPECT_EQ(L->Count(), 2);
    L->SetIntervalOff(300);
    L->SetIntervalOn(700);
    L->Timer()->Timer();
    EXPECT_EQ(L->Timer()->Interval(), 300u); // now off
    L->Timer()->Timer();
    EXPECT_EQ(L->Timer()->Interval(), 700u); // now on
    L->Timer()->Timer();
    EXPECT_EQ(On.Phases, (std::vector<int>{0, 1, 0}));
    EXPECT_TRUE(Off.Phases.empty());
    // Not freed while a control is in it; freed with the last one.
    L->Remove(&On);
    ReleaseBlinkingList();
    EXPECT_EQ(GBlinkingControls, L);
    L->Remove(&Off);
    ReleaseBlinkingList();
    EXPECT_EQ(GBlinkingControls, nullptr);
    // A new list starts over.
    TRzBlinkingControlsList* Again = NeedBlinkingList();
    EXPECT_EQ(Again->IntervalOff(), 500);
    EXPECT_EQ(Again->IntervalOn(), 500);
    ReleaseBlinkingList();
    EXPECT_EQ(GBlinkingControls, nullptr);
}

TEST(RzCommonSystem, MonitorsAndText)
{
    HMONITOR M = FindMonitorAtPoint(POINT{0, 0});
    ASSERT_NE(M, nullptr);
    const TRect Bounds = GetMonitorBoundsRect(M), Work = GetMonitorWorkAreaRect(M);
    EXPECT_FALSE(Bounds.IsEmpty());
    EXPECT_GE(Work.left, Bounds.left);
    EXPECT_LE(Work.right, Bounds.right);
    EXPECT_EQ(FindMonitorAtPoint(POINT{-100000, -100000}), nullptr);
    TControl Orphan(nullptr);
    EXPECT_EQ(GetMonitorWorkArea(&Orphan), GetMonitorWorkAreaRect(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY)));
    EXPECT_EQ(GetMonitorWorkAreaWidth(&Orphan), GetMonitorWorkArea(&Orphan).Width());

    TBitmap Bmp(100, 50);
    RECT R{0, 0, 100, 50};
    EXPECT_GT(DrawCanvasText(Bmp.Canvas(), "Two\r\nlines", R, DT_LEFT), 2 * DrawCanvasText(Bmp.Canvas(), "One", R, DT_LEFT) - 2);

    HWND Edit = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(Edit, nullptr);
    SendTextMessage(Edit, WM_SETTEXT, 0, "sent text");
    char Buf[32] = {};
    GetWindowTextA(Edit, Buf, sizeof(Buf));
    EXPECT_STREQ(Buf, "sent text");
    DestroyWindow(Edit);
}
