// Labels painted into memory DIBs: text effects, borders, blinking, fly-by,
// sizing, turned and curved text, and the link label's launch rules.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "classlib/Forms.h"
#include "controls/RzLabel.h"
#include "testkit/RzTestCanvas.h"

namespace {

using TMask = TTestSurface::TPixels;

// A label with a crisp font and known colours.
std::unique_ptr<TRzLabel, TObjectFree> MakeLabel(const std::string& Caption, int W = 80, int H = 40)
{
    std::unique_ptr<TRzLabel, TObjectFree> L(new TRzLabel(nullptr));
    L->Font()->SetName("Tahoma");
    L->Font()->SetHeight(-24);
    L->Font()->SetStyle(fsBold);
    L->Font()->SetQuality(fqNonAntialiased);
    L->Font()->SetColor(clBlack);
    L->SetColor(clWhite);
    L->SetAutoSize(false);
    L->SetCaption(Caption);
    L->SetBounds(0, 0, W, H);
    return L;
}

void PaintInto(TControl* C, TTestSurface& Img)
{
    C->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Img.DC()), 0);
    GdiFlush();
}

RECT BoxOf(const TMask& M)
{
    RECT R{10000, 10000, -1, -1};
    for (const auto& P : M) {
        R.left = std::min<LONG>(R.left, P.first);
        R.top = std::min<LONG>(R.top, P.second);
        R.right = std::max<LONG>(R.right, P.first + 1);
        R.bottom = std::max<LONG>(R.bottom, P.second + 1);
    }
    return R;
}

// Copies drawn in order: later ones cover earlier ones.
struct TCopy {
    int DX, DY;
    TColor Color;
};

} // namespace

TEST(RzLabelPaint, TextEffectsLayTheirCopies)
{
    // The plain text gives the glyph mask the effects are built from.
    auto Plain = MakeLabel("Hm");
    TTestSurface Ref(80, 40);
    PaintInto(Plain.get(), Ref);
    const TMask Text = Ref.PixelsOf(clBlack);
    ASSERT_GT(Text.size(), 40u);
    EXPECT_EQ(Ref.CountNot(clWhite, 0, 0, 80, 40), static_cast<int>(Text.size()));

    const TColor Hi = clYellow, Sh = clRed;
    struct TCase {
        TTextStyle Style;
        bool Light;
        std::vector<TCopy> Copies; // before the text itself
    };
    const TCase Cases[] = {
        {tsRaised, false, {{1, 1, Sh}, {-1, -1, Hi}}},
        {tsRaised, true, {{-1, -1, Hi}}},
        {tsRecessed, false, {{1, 1, Hi}, {-1, -1, Sh}}},
        {tsRecessed, true, {{1, 1, Hi}}},
        {tsShadow, false, {{3, 3, Sh}}},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << "style " << int(C.Style) << " light " << C.Light);
        auto L = MakeLabel("Hm");
        L->SetHighlightColor(Hi);
        L->SetShadowColor(Sh);
        L->SetShadowDepth(3);
        L->SetTextStyle(C.Style);
        L->SetLightTextStyle(C.Light);
        TTestSurface Img(80, 40);
        PaintInto(L.get(), Img);
        for (int Y = 0; Y < 40; ++Y)
            for (int X = 0; X < 80; ++X) {
                TColor Want = clWhite;
                for (const TCopy& K : C.Copies)
                    if (Text.count({X - K.DX, Y - K.DY}))
                        Want = K.Color;
                if (Text.count({X, Y}))
                    Want = clBlack;
                ASSERT_EQ(Img.Px(X, Y), ColorToRGB(Want)) << X << "," << Y;
            }
    }
    // Disabled: no effects, the text in the grey text colour.
    auto Off = MakeLabel("Hm");
    Off->SetTextStyle(tsRaised);
    Off->SetEnabled(false);
    TTestSurface Img(80, 40);
    PaintInto(Off.get(), Img);
    EXPECT_EQ(Img.PixelsOf(clGrayText), Text);
    EXPECT_EQ(Img.CountNot(clWhite, 0, 0, 80, 40), static_cast<int>(Text.size()));
}

TEST(RzLabelPaint, LayoutAlignmentAndTransparency)
{
    const struct { TAlignment Align; TTextLayout Layout; } Cases[] = {
        {taLeftJustify, tlTop}, {taCenter, tlCenter}, {taRightJustify, tlBottom}};
    for (const auto& C : Cases) {
        auto L = MakeLabel("Hm", 120, 60);
        L->SetAlignment(C.Align);
        L->SetLayout(C.Layout);
        L->SetTextMargin(4);
        TTestSurface Img(120, 60);
        PaintInto(L.get(), Img);
        const RECT B = BoxOf(Img.PixelsOf(clBlack));
        SCOPED_TRACE(testing::Message() << int(C.Align) << " " << int(C.Layout));
        ASSERT_LT(B.left, B.right);
        switch (C.Align) {
        case taLeftJustify: EXPECT_LE(B.left, 8); EXPECT_GE(B.left, 4); break;
        case taCenter: EXPECT_NEAR((B.left + B.right) / 2.0, 60, 3); break;
        default: EXPECT_GE(B.right, 110); EXPECT_LE(B.right, 116); break;
        }
        switch (C.Layout) {
        case tlTop: EXPECT_LT(B.top, 15); break;
        case tlCenter: EXPECT_NEAR((B.top + B.bottom) / 2.0, 30, 6); break;
        default: EXPECT_GT(B.bottom, 45); EXPECT_LE(B.bottom, 56); break;
        }
    }
    // Transparent: the background is left as it was.
    auto T = MakeLabel("Hm");
    T->SetTransparent(true);
    TTestSurface Img(80, 40);
    PaintInto(T.get(), Img);
    const int Text = static_cast<int>(Img.PixelsOf(clBlack).size());
    EXPECT_GT(Text, 40);
    EXPECT_EQ(Img.CountNot(TTestSurface::Sentinel, 0, 0, 80, 40), Text);
}

TEST(RzLabelPaint, BordersAroundTheText)
{
    auto L = MakeLabel("", 40, 30);
    L->SetBorderOuter(fsFlat);
    L->SetFlatColor(clRed);
    L->SetFlatColorAdjustment(0);
    L->SetBorderWidth(2);
    L->SetBorderColor(clLime);
    L->SetBorderInner(fsRaised);
    TTestSurface Img(40, 30);
    PaintInto(L.get(), Img);
    EXPECT_EQ(Img.Px(0, 15), clRed);
    EXPECT_EQ(Img.Px(1, 15), clLime);
    EXPECT_EQ(Img.Px(2, 15), clLime);
    EXPECT_EQ(Img.Px(3, 15), ColorToRGB(cl3DLight));
    EXPECT_EQ(Img.Px(4, 15), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(Img.Px(5, 15), clWhite);
    EXPECT_EQ(Img.Px(39, 15), clRed);
    // Only the chosen sides.
    L->SetBorderSides(SideBit(sdLeft));
    TTestSurface One(40, 30);
    PaintInto(L.get(), One);
    EXPECT_EQ(One.Px(0, 15), clRed);
    EXPECT_EQ(One.Px(39, 15), clWhite);
    EXPECT_EQ(One.Px(20, 0), clWhite);
}

TEST(RzLabelBehaviour, BlinkingAndFlyBy)
{
    auto L = MakeLabel("Hm");
    L->SetBlinkColor(clBlue);
    ASSERT_NE(GBlinkingControls, nullptr);
    // Not blinking: the shared tick leaves it alone.
    GBlinkingControls->Tick();
    GBlinkingControls->Tick();
    EXPECT_EQ(L->TextColor(), clBlack);
    L->SetBlinking(true);
    EXPECT_EQ(L->Perform(CM_BLINKINGQUERY), 1);
    const bool OnNext = !GBlinkingControls->BlinkState();
    GBlinkingControls->Tick();
    EXPECT_EQ(L->TextColor(), OnNext ? clBlue : clBlack);
    if (!OnNext)
        GBlinkingControls->Tick();
    EXPECT_EQ(L->TextColor(), clBlue);
    TTestSurface Img(80, 40);
    PaintInto(L.get(), Img);
    EXPECT_GT(Img.PixelsOf(clBlue).size(), 40u);
    EXPECT_TRUE(Img.PixelsOf(clBlack).empty());
    GBlinkingControls->Tick();
    EXPECT_EQ(L->TextColor(), clBlack);
    GBlinkingControls->Tick();
    L->SetBlinking(false);
    EXPECT_EQ(L->TextColor(), clBlack);
    EXPECT_EQ(L->Perform(CM_BLINKINGQUERY), 0);

    // The intervals live in the shared list.
    L->SetBlinkIntervalOn(250);
    EXPECT_EQ(GBlinkingControls->IntervalOn(), 250);
    EXPECT_EQ(L->BlinkIntervalOn(), 250);
    L->SetBlinkIntervalOn(500);

    L->SetFlyByColor(clFuchsia);
    L->Perform(CM_MOUSEENTER);
    EXPECT_EQ(L->TextColor(), clBlack); // fly-by is off
    L->SetFlyByEnabled(true);
    L->Perform(CM_MOUSEENTER);
    EXPECT_EQ(L->TextColor(), clFuchsia);
    L->Perform(CM_MOUSELEAVE);
    EXPECT_EQ(L->TextColor(), clBlack);
    L->Perform(CM_MOUSEENTER);
    L->SetFlyByEnabled(false);
    EXPECT_EQ(L->TextColor(), clBlack);
    // A new font colour becomes the normal colour.
    L->Font()->SetColor(clMaroon);
    EXPECT_EQ(L->TextColor(), clMaroon);
}

TEST(RzLabelBehaviour, BlinkListFollowsTheLabels)
{
    ReleaseBlinkingList();
    const bool HadList = GBlinkingControls != nullptr;
    {
        auto A = MakeLabel("a");
        auto B = MakeLabel("b");
        ASSERT_NE(GBlinkingControls, nullptr);
        EXPECT_GE(GBlinkingControls->Count(), 2);
    }
    if (!HadList) {
        EXPECT_EQ(GBlinkingControls, nullptr);
        auto C = MakeLabel("c");
        EXPECT_EQ(C->BlinkIntervalOff(), 500);
        EXPECT_EQ(C->BlinkIntervalOn(), 500);
    }
}

TEST(RzLabelBehaviour, AngleAndRotation)
{
    auto L = MakeLabel("Hm");
    const struct { int In, Stored; } Angles[] = {{370, 10}, {-90, 270}, {720, 0}, {359, 359}, {-370, 350}};
    for (const auto& A : Angles) {
        L->SetAngle(A.In);
        EXPECT_EQ(L->Angle(), A.Stored) << A.In;
    }
    L->SetRotation(roNone);
    EXPECT_EQ(L->Angle(), 0);
    L->SetAngle(30);
    EXPECT_EQ(L->Rotation(), roFlat);
    L->SetRotation(roCurve);
    EXPECT_EQ(L->Angle(), 30);
    L->SetCenterPoint(cpLowerLeft);
    L->SetRotation(roFlat);
    EXPECT_EQ(L->Angle(), 0);
    EXPECT_EQ(L->CenterPoint(), cpCenter);

}

TEST(RzLabelBehaviour, RasterFontsGiveWayToATrueTypeFace)
{
    const TOwnRasterFont Own;
    ASSERT_TRUE(Own.Added());
    auto R = MakeLabel("Hm");
    R->Font()->SetHeight(-12);
    R->Font()->SetStyle(0);
    R->Font()->SetName(TOwnRasterFont::Face);
    {
        // Measured on the screen, where a raster font can be used.
        const TWindowDC ScreenDC(nullptr);
        const TSelectedObject Use(ScreenDC.Get(), R->Font()->Handle());
        char Got[LF_FACESIZE] = {};
        GetTextFaceA(ScreenDC.Get(), LF_FACESIZE, Got);
        ASSERT_STREQ(Got, TOwnRasterFont::Face) << "the font mapper took the test's own font";
    }
    ASSERT_FALSE(IsTrueTypeFont(R->Font()));
    R->SetAngle(45);
    EXPECT_EQ(R->Font()->Name(), "Verdana");
    EXPECT_EQ(R->Rotation(), roFlat);
    R->Font()->SetName(TOwnRasterFont::Face);
    EXPECT_EQ(R->Angle(), 0);
}

TEST(RzLabelBehaviour, AutoSizeCountsBordersShadowAndTurn)
{
    auto Plain = MakeLabel("Hello");
    Plain->SetAutoSize(true);
    const int W = Plain->Width(), H = Plain->Height();
    ASSERT_GT(W, 20);
    ASSERT_GT(H, 10);

    const struct {
        TFrameStyleEx Outer, Inner;
        int BorderWidth, Margin, Bevel;
        TSides Sides;
        int DW, DH;
    } Cases[] = {
        {fsFlat, fsNone, 0, 0, 1, sdAllSides, 2, 2},
        {fsFlat, fsRaised, 2, 3, 1, sdAllSides, 16, 16},
        {fsStatus, fsNone, 0, 0, 3, sdAllSides, 6, 6},
        {fsGroove, fsNone, 0, 0, 1, SideBit(sdLeft), 2, 0},
        {fsNone, fsNone, 0, 5, 1, 0, 10, 10},
    };
    for (const auto& C : Cases) {
        auto L = MakeLabel("Hello");
        L->SetBorderOuter(C.Outer);
        L->SetBorderInner(C.Inner);
        L->SetBorderWidth(C.BorderWidth);
        L->SetTextMargin(C.Margin);
        L->SetBevelWidth(C.Bevel);
        L->SetBorderSides(C.Sides);
        L->SetAutoSize(true);
        EXPECT_EQ(L->Width(), W + C.DW) << int(C.Outer) << " " << int(C.Inner);
        EXPECT_EQ(L->Height(), H + C.DH) << int(C.Outer) << " " << int(C.Inner);
    }
    auto S = MakeLabel("Hello");
    S->SetTextStyle(tsShadow);
    S->SetShadowDepth(4);
    S->SetAutoSize(true);
    EXPECT_EQ(S->Width(), W + 4);
    EXPECT_EQ(S->Height(), H + 4);

    // Turned text: the box of the turned rectangle, in every quadrant.
    auto Turned = [&](int Angle) {
        auto L = MakeLabel("Hello");
        L->SetAngle(Angle);
        L->SetAutoSize(true);
        return std::make_pair(int(L->Width()), int(L->Height()));
    };
    EXPECT_EQ(Turned(90), std::make_pair(H, W));
    EXPECT_EQ(Turned(270), std::make_pair(H, W));
    EXPECT_EQ(Turned(180), std::make_pair(W, H));
    const auto A30 = Turned(30), A60 = Turned(60);
    EXPECT_EQ(A30.first, static_cast<int>(std::lround(W * std::cos(std::numbers::pi / 6) + H * 0.5)));
    EXPECT_EQ(Turned(120), A60);
    EXPECT_EQ(Turned(150), A30);
    EXPECT_EQ(Turned(330), A30);

    // Right-justified labels keep their right edge.
    auto R = MakeLabel("Hi");
    R->SetBounds(100, 0, 200, 40);
    R->SetAlignment(taRightJustify);
    R->SetAutoSize(true);
    EXPECT_EQ(R->Left() + R->Width(), 300);

    // A shortened caption turns sizing off.
    auto P = MakeLabel("C:\\Program Files\\Some Folder\\Deeper\\file.txt", 60, 30);
    P->SetAutoSize(true);
    P->SetCondenseCaption(ccWithinPath);
    EXPECT_FALSE(P->AutoSize());
    P->SetBounds(0, 0, 60, 30);
    TTestSurface Img(120, 30);
    PaintInto(P.get(), Img);
    // The text ends inside the label.
    EXPECT_LT(BoxOf(Img.PixelsOf(clBlack)).right, 61);
}

TEST(RzLabelPaint, TurnedAndCurvedText)
{
    auto Flat = MakeLabel("HHHH", 60, 120);
    Flat->SetAngle(90);
    TTestSurface Img(60, 120);
    PaintInto(Flat.get(), Img);
    const RECT B = BoxOf(Img.PixelsOf(clBlack));
    ASSERT_LT(B.left, B.right);
    EXPECT_GT(B.bottom - B.top, 2 * (B.right - B.left));
    EXPECT_NEAR((B.top + B.bottom) / 2.0, 60, 4);
    EXPECT_NEAR((B.left + B.right) / 2.0, 30, 4);

    // Along an arc above the bottom edge, both sides of the middle.
    auto Arc = MakeLabel("ABCDEFGHIJKLMNOP", 200, 100);
    Arc->Font()->SetHeight(-14);
    Arc->SetRotation(roCurve);
    Arc->SetCenterPoint(cpLowerCenter);
    Arc->SetAngle(55);
    TTestSurface A(200, 100);
    PaintInto(Arc.get(), A);
    const TMask Text = A.PixelsOf(clBlack);
    ASSERT_GT(Text.size(), 50u);
    const RECT AB = BoxOf(Text);
    EXPECT_LT(AB.left, 80);
    EXPECT_GT(AB.right, 120);
    for (const auto& P : Text) {
        // Inside the ellipse of radii (100, 100) around (100, 100).
        const double DX = (P.first - 100) / 100.0, DY = (P.second - 100) / 100.0;
        EXPECT_LE(DX * DX + DY * DY, 1.05) << P.first << "," << P.second;
    }
    // The topmost glyphs are near the middle, the ends lower down.
    int TopX = 0, TopY = 1000;
    for (const auto& P : Text)
        if (P.second < TopY) {
            TopY = P.second;
            TopX = P.first;
        }
    EXPECT_GT(TopX, 50);
    EXPECT_LT(TopX, 150);
    EXPECT_LT(TopY, AB.bottom - 20);
}

TEST(RzLabelBehaviour, FrameControllerSettings)
{
    TComponent Owner(nullptr);
    auto* FC = new TRzFrameController(&Owner);
    auto* L = new TRzLabel(&Owner);
    L->SetFrameController(FC);
    EXPECT_EQ(L->BorderOuter(), fsFlat);
    EXPECT_EQ(L->FlatColor(), clBtnShadow);
    EXPECT_EQ(L->FlatColorAdjustment(), 0);
    EXPECT_EQ(L->Color(), clWindow);
    EXPECT_EQ(L->BorderHighlight(), LighterColor(clWindow, 100));
    EXPECT_EQ(L->BorderShadow(), DarkerColor(clWindow, 50));
    FC->SetFrameStyle(fsGroove);
    FC->SetFrameSides(SideBit(sdTop));
    EXPECT_EQ(L->BorderOuter(), fsGroove);
    EXPECT_EQ(L->BorderSides(), SideBit(sdTop));
    // Filtered out: the label keeps its own.
    L->SetFrameControllerNotifications(fcnAll & ~(1u << fcpFrameStyle));
    FC->SetFrameStyle(fsBump);
    EXPECT_EQ(L->BorderOuter(), fsGroove);
    // Held during an update, applied after it.
    L->SetFrameControllerNotifications(fcnAll);
    FC->BeginUpdate();
    FC->SetFrameColor(clRed);
    EXPECT_EQ(L->FlatColor(), clBtnShadow);
    FC->EndUpdate();
    EXPECT_EQ(L->FlatColor(), clRed);
    EXPECT_EQ(L->BorderOuter(), fsBump);
    FC->Free();
    EXPECT_EQ(L->FrameController(), nullptr);
    // Published by name for the controller and transparent-control walks.
    TPropOrd V = 0;
    EXPECT_TRUE(GetOrdProp(L, "BorderOuter", V));
    EXPECT_EQ(V, fsBump);
    EXPECT_TRUE(SetOrdProp(L, "TextStyle", tsRaised));
    EXPECT_EQ(L->TextStyle(), tsRaised);
}

namespace {

// Records launches instead of making them.
struct TLaunchLog {
    TLaunchLog(bool AOpenResult) : OpenResult(AOpenResult)
    {
        Saved = UrlLaunchers();
        UrlLaunchers().Open = [this](const std::string& T) {
            Opened.push_back(T);
            return OpenResult;
        };
        UrlLaunchers().Run = [this](const std::string& C) { Ran.push_back(C); };
    }
    ~TLaunchLog() { UrlLaunchers() = Saved; }
    bool OpenResult;
    std::vector<std::string> Opened, Ran;
    TRzUrlLaunchers Saved;
};

} // namespace

TEST(RzURLLabel, OpensItsTargetAndMarksItVisited)
{
    const struct {
        const char* URL;
        const char* Caption;
        bool Succeeds;
        const char* Opened; // null: nothing opened
        bool OpenWith;
    } Cases[] = {
        {"  http://example.invalid/  ", "Home", true, "http://example.invalid/", false},
        {"", " C:\\docs\\page.htm ", true, "C:\\docs\\page.htm", false},
        {"   ", "", true, nullptr, false},
        {"C:\\missing\\page.htm", "x", false, "C:\\missing\\page.htm", true},
        {"C:\\missing\\page.HTM", "x", false, "C:\\missing\\page.HTM", true},
        {"C:\\missing\\page.html", "x", false, "C:\\missing\\page.html", false},
        {"C:\\missing\\file.txt", "x", false, "C:\\missing\\file.txt", false},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.URL);
        TLaunchLog Log(C.Succeeds);
        TRzURLLabel L(nullptr);
        L.SetURL(C.URL);
        L.SetCaption(C.Caption);
        int Clicks = 0;
        L.OnClick = [&](TObject*) { ++Clicks; };
        L.Click();
        EXPECT_EQ(Clicks, 1);
        if (C.Opened) {
            ASSERT_EQ(Log.Opened.size(), 1u);
            EXPECT_EQ(Log.Opened[0], C.Opened);
        } else {
            EXPECT_TRUE(Log.Opened.empty());
        }
        EXPECT_EQ(L.Visited(), C.Opened && C.Succeeds);
        EXPECT_EQ(L.Font()->Color(), L.Visited() ? clPurple : clHighlight);
        if (C.OpenWith) {
            ASSERT_EQ(Log.Ran.size(), 1u);
            EXPECT_EQ(Log.Ran[0], "RunDLL32.exe Shell32.dll,OpenAs_RunDLL *.htm");
        } else {
            EXPECT_TRUE(Log.Ran.empty());
        }
    }
}

TEST(RzURLLabel, LooksLikeALink)
{
    TRzURLLabel L(nullptr);
    EXPECT_EQ(L.Cursor(), crRzHandPoint);
    EXPECT_NE(CursorHandle(crRzHandPoint), nullptr);
    EXPECT_TRUE(L.Font()->Style() & fsUnderline);
    EXPECT_EQ(L.TextStyle(), tsNormal);
    EXPECT_EQ(L.Font()->Color(), clHighlight);
    L.SetUnvisitedColor(clRed);
    EXPECT_EQ(L.Font()->Color(), clRed);
    EXPECT_EQ(L.TextColor(), clRed);
    L.SetVisitedColor(clGreen);
    L.SetVisited(true);
    EXPECT_EQ(L.Font()->Color(), clGreen);
    std::string Url;
    L.SetURL("http://x.invalid/");
    EXPECT_TRUE(GetStrProp(&L, "URL", Url));
    EXPECT_EQ(Url, "http://x.invalid/");
}

TEST(RzLabelWindow, BlinkInvalidatesTheLabelOnItsParent)
{
    TForm Parent(nullptr);
    Parent.SetBounds(0, 0, 200, 100);
    auto* L = new TRzLabel(&Parent);
    L->SetParent(&Parent);
    L->SetAutoSize(false);
    L->SetBounds(20, 30, 60, 20);
    L->SetCaption("Blink");
    HWND Wnd = Parent.Handle();
    ASSERT_NE(Wnd, nullptr);
    ShowWindow(Wnd, SW_SHOWNA);
    UpdateWindow(Wnd);
    ValidateRect(Wnd, nullptr);
    L->SetBlinking(true);
    ValidateRect(Wnd, nullptr);
    GBlinkingControls->Tick();
    RECT U{};
    ASSERT_TRUE(GetUpdateRect(Wnd, &U, FALSE));
    EXPECT_LE(U.left, 20);
    EXPECT_LE(U.top, 30);
    EXPECT_GE(U.right, 80);
    EXPECT_GE(U.bottom, 50);
    EXPECT_LT(U.right - U.left, 200); // only the label, not the whole parent
    ValidateRect(Wnd, nullptr);
    L->SetBlinking(false);
    ValidateRect(Wnd, nullptr);
    GBlinkingControls->Tick();
    EXPECT_FALSE(GetUpdateRect(Wnd, &U, FALSE));
}
