#pragma once
// Colour maths, system queries, frame drawing, the frame controller and the
// shared blink timer of the component library. Glyphs, gradients and bitmap
// routines are in RzGrafx.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Controls.h"
#include "classlib/Filer.h"
#include "classlib/Graphics.h"
#include "classlib/Messages.h"

class TTimer;

// ---------------------------------------------------------------------------
// Colour maths (hue, saturation and lightness on a 0..240 scale)
// ---------------------------------------------------------------------------

void ColorToHLS(TColor Color, BYTE& Hue, BYTE& Saturation, BYTE& Lightness);
// Lightness may exceed 240 (LighterColor); the channels are then clamped.
TColor HLSToColor(BYTE Hue, BYTE Saturation, BYTE Lightness);
BYTE ColorHue(TColor Color);
TColor DarkerColor(TColor Color, BYTE Amount);
TColor LighterColor(TColor Color, BYTE Amount);
TColor AdjustColor(TColor Color, int Adjustment);
TColor BlendColors(TColor ForeColor, TColor BackColor, BYTE Alpha);
TColor XorColors(TColor Color1, TColor Color2);
bool ColorsTooClose(TColor Color1, TColor Color2);
TColor ComplementaryColor(TColor Color, BYTE Lightness);

// ---------------------------------------------------------------------------
// Colour scheme of the desktop theme and the colour sets that follow it
// ---------------------------------------------------------------------------

enum TRzXPColorScheme : unsigned char { xpcsBlue, xpcsOliveGreen, xpcsSilver };
enum TRzGradientColorStyle : unsigned char { gcsSystem, gcsMSOffice, gcsCustom };

extern TRzXPColorScheme XPColorScheme;
extern bool MoreThan256Colors;

TRzXPColorScheme GetXPColorScheme();
// The scheme a ThemeManager "ColorName" value names (any case).
TRzXPColorScheme XPColorSchemeFromName(const std::string& ColorName);
bool HasMoreThan256Colors();
TColor GetXPThemeColor(int Kind);

void GetHotTrackButtonColors(TRzGradientColorStyle ColorStyle, TColor& FrameColor, TColor& StartColor,
                             TColor& StopColor);
void GetGradientPanelColors(TRzGradientColorStyle ColorStyle, TColor& StartColor, TColor& StopColor);
TColor GetGradientPanelFrameColor(TRzGradientColorStyle ColorStyle);
void GetGradientStatusBarColors(TRzGradientColorStyle ColorStyle, TColor& FirstColor, TColor& SecondColor,
                                TColor& FrameColor);
void GetGradientBarColors(TRzGradientColorStyle ColorStyle, TColor& StartColor, TColor& StopColor);

// ---------------------------------------------------------------------------
// System queries and small routines
// ---------------------------------------------------------------------------

enum TRzWindowsVersion : unsigned char {
    wvWin95, wvWinNT, wvWin98, wvWinME, wvWin2000, wvWinXP, wvWin2003, wvWinVista, wvWin7
};

// The tests for a given platform id (1 = 9x, 2 = NT), major and minor
// version; the two below apply them to the running system.
bool IsWindowsVersionOf(int Kind, int PlatformId, int Major, int Minor);
bool IsWindowsVersionOrLaterOf(int Kind, int PlatformId, int Major, int Minor);
bool IsWindowsVersion(int Kind);
bool IsWindowsVersionOrLater(int Kind);
// Makes the two above see NT Major.Minor instead of the running system
// (the drawing of an older system under a newer one); 0, 0 ends it.
void OverrideWindowsVersion(unsigned Major, unsigned Minor);

// The colours a framed edit, combo or list takes by state.
struct TRzStateColors {
    TColor Normal;
    TColor Disabled;
    TColor Focus;
    TColor ReadOnly;
    bool ReadOnlyColorOnFocus;
};
// Disabled wins; focused shows the focus colour (the read-only colour when
// it is kept on focus); otherwise read-only or normal.
TColor StateColor(const TRzStateColors& Colors, bool Enabled, bool Focused, bool ReadOnly);

bool IsTrueTypeFont(const TFont* Font);
int GetFontLineHeight(const TFont* Font);
int GetAvgCharWidth(const TFont* Font);
// A font handle the caller owns, turned by Angle degrees.
HFONT CreateRotatedFont(const TFont* Font, int Angle);

TRect CenterRect(const RECT& Rect, int Width, int Height);
TRect GetMonitorWorkArea(TControl* Control);
int GetMonitorWorkAreaWidth(TControl* Control);
TRect GetMonitorBoundsRect(HMONITOR Monitor);
TRect GetMonitorWorkAreaRect(HMONITOR Monitor);
HMONITOR FindMonitorAtPoint(const POINT& Point);

bool IsLeadByte(char Ch);
bool IsByteInSet(BYTE Value, const std::vector<BYTE>& Set);
int CountChar(char Ch, const std::string& Text);
std::string RemoveAccelerators(const std::string& Text);
std::string ExpandEnvStrings(const std::string& Text);
inline int MinInt(int A, int B) { return A < B ? A : B; }
inline int MaxInt(int A, int B) { return A > B ? A : B; }
int DrawCanvasText(TCanvas* Canvas, const std::string& Text, RECT& Rect, UINT Flags);
LRESULT SendTextMessage(HWND Handle, UINT Msg, WPARAM WParam, const std::string& Text);
void NotifyDesignerModified(TControl* Control);

// ---------------------------------------------------------------------------
// Frame vocabulary
// ---------------------------------------------------------------------------

enum TFrameStyleEx : unsigned char {
    fsNone, fsFlat, fsGroove, fsBump, fsLowered, fsButtonDown, fsRaised, fsButtonUp, fsStatus, fsPopup,
    fsFlatBold, fsFlatRounded
};
// Controls whose frame the non-client and side painters draw keep to
// fsNone..fsFlatBold.
using TFrameStyle = TFrameStyleEx;
// The style an identifier names ("fsFlat", any case), as older stored forms
// hold it; false for no such name.
bool FrameStyleFromName(const std::string& StyleName, TFrameStyle& Style);

// The pixels a frame of Style takes on each of its sides: 0 none, 1 flat,
// BevelWidth for the popup and status bevels, 2 for the others.
int FrameStyleWidth(TFrameStyleEx Style, int BevelWidth);

enum TSide : unsigned char { sdLeft, sdTop, sdRight, sdBottom };
using TSides = unsigned char; // bit (1 << TSide) per side
constexpr TSides SideBit(TSide Side) { return static_cast<TSides>(1u << Side); }
constexpr TSides sdAllSides = 0x0F;
constexpr bool HasSide(TSides Sides, TSide Side) { return (Sides & SideBit(Side)) != 0; }

enum TGradientDirection : unsigned char {
    gdDiagonalUp, gdDiagonalDown, gdHorizontalEnd, gdHorizontalCenter, gdHorizontalBox, gdVerticalEnd,
    gdVerticalCenter, gdVerticalBox, gdSquareBox, gdBigSquareBox
};

// Rect moved in by N pixels on every side.
inline TRect ShrunkRect(const RECT& Rect, int N)
{
    return TRect(Rect.left + N, Rect.top + N, Rect.right - N, Rect.bottom - N);
}

enum TOrientation : unsigned char { orHorizontal, orVertical };

enum TFramingPreference : unsigned char { fpCustomFraming, fpXPThemes };
// Vertical placement of a caption or glyph (panels, buttons, check boxes).
enum TAlignmentVertical : unsigned char { avTop, avCenter, avBottom };
enum TRzVisualStyle : unsigned char { vsClassic, vsWinXP, vsGradient };

// ---------------------------------------------------------------------------
// Frame drawing; each painter returns the rectangle left inside
// ---------------------------------------------------------------------------

// A solid fill of R on the DC; clNone fills nothing.
void FillSolidRect(HDC DC, const RECT& R, TColor Color);

TRect DrawSides(TCanvas* Canvas, const RECT& Rect, TColor ULColor, TColor LRColor, TSides Sides);
TRect DrawBevel(TCanvas* Canvas, const RECT& Rect, TColor ULColor, TColor LRColor, int Width, TSides Sides);
TRect DrawBox(TCanvas* Canvas, const RECT& Rect, TColor Color);
TRect DrawCornerBrackets(TCanvas* Canvas, const RECT& Rect, TColor Color, int Length);
TRect DrawDottedBox(TCanvas* Canvas, const RECT& Rect);

TRect DrawBorderSides(TCanvas* Canvas, const RECT& Rect, TFrameStyleEx Style, TSides Sides);
TRect DrawBorder(TCanvas* Canvas, const RECT& Rect, TFrameStyleEx Style);
TRect DrawColorBorderSides(TCanvas* Canvas, const RECT& Rect, TColor Color, TSides Sides, TFrameStyleEx Style);
TRect DrawColorBorder(TCanvas* Canvas, const RECT& Rect, TColor Color, TFrameStyleEx Style);
TRect DrawCtl3DBorderSides(TCanvas* Canvas, const RECT& Rect, bool Sunken, TSides Sides);
TRect DrawButtonBorderSides(TCanvas* Canvas, const RECT& Rect, bool Pressed, TSides Sides);
TRect DrawButtonBorder(TCanvas* Canvas, const RECT& Rect, bool Pressed);
TRect DrawColorButtonBorderSides(TCanvas* Canvas, const RECT& Rect, TColor Color, TSides Sides, bool Pressed);
TRect DrawColorButtonBorder(TCanvas* Canvas, const RECT& Rect, TColor Color, bool Pressed);
TRect DrawRoundedFlatBorder(TCanvas* Canvas, const RECT& Rect, TColor Color, TSides Sides);

// The two frames of a bordered control, the band of BorderWidth between them
// and their colours; the defaults are those of a new panel or label.
struct TRzBorderArgs {
    TFrameStyleEx BorderOuter = fsNone;
    TFrameStyleEx BorderInner = fsNone;
    int BorderWidth = 0;
    TSides BorderSides = sdAllSides;
    int BevelWidth = 1;
    TColor BorderColor = clBtnFace;
    TColor BorderHighlight = clBtnHighlight;
    TColor BorderShadow = clBtnShadow;
    TColor FlatColor = clBtnShadow;
    int FlatColorAdjustment = 0;
    TColor Color = clBtnFace;
    TColor ParentColor = clBtnFace;
    bool Transparent = false;
    bool FullInnerFlatFrame = false;
};
TRect DrawInnerOuterBorders(TCanvas* Canvas, const RECT& Rect, const TRzBorderArgs& Args);

void DrawNonClientFrame(TCanvas* Canvas, int Width, int Height, bool NoColorRing, TSides Sides, TColor FrameColor,
                        TColor Color, TFrameStyle FrameStyle);
void InvalidateNonClientFrame(HWND Window, const RECT& Rect);

// Copies what the parent shows under the control into the canvas or DC,
// which is positioned at the control's top-left.
void DrawParentImage(TControl* Control, TCanvas* Canvas, bool InvalidateParent = false);
void DrawParentImageDC(TControl* Control, HDC DC, bool InvalidateParent = false);
void InvalidateTransparentControls(TWinControl* Container);

// ---------------------------------------------------------------------------
// Frame controller
// ---------------------------------------------------------------------------

enum TRzFrameControllerPropertyConnection : unsigned char {
    fcpColor, fcpFocusColor, fcpDisabledColor, fcpReadOnlyColor, fcpReadOnlyColorOnFocus, fcpParentColor,
    fcpFlatButtonColor, fcpFlatButtons, fcpFrameColor, fcpFrameHotColor, fcpFrameHotTrack, fcpFrameHotStyle,
    fcpFrameSides, fcpFrameStyle, fcpFrameVisible, fcpFramingPreference, fcpAll
};
using TRzFrameControllerNotifications = std::uint32_t; // bit per connection 0..15
constexpr TRzFrameControllerNotifications fcnAll = 0xFFFF;
constexpr bool HasNotification(TRzFrameControllerNotifications Set, TRzFrameControllerPropertyConnection P)
{
    return P < fcpAll && (Set & (1u << P)) != 0;
}
// The property every connection sets, by name ("Color", "FrameSides"...).
const char* FrameControllerPropertyName(TRzFrameControllerPropertyConnection Property);

// Controls that read the controller's settings themselves implement this.
class IRzCustomFramingNotification {
public:
    virtual void CustomFramingChanged() = 0;

protected:
    ~IRzCustomFramingNotification() = default;
};

enum TRzPathType : unsigned char { ptIniFile, ptRegistry };
enum TRzRegKey : unsigned char {
    hkeyClassesRoot, hkeyCurrentUser, hkeyLocalMachine, hkeyUsers, hkeyPerformanceData, hkeyCurrentConfig,
    hkeyDynData
};
enum TRzRegAccessItem : unsigned char {
    keyQueryValue, keySetValue, keyCreateSubKey, keyEnumerateSubKeys, keyNotify, keyCreateLink, keyRead, keyWrite,
    keyExecute, keyAllAccess
};
using TRzRegAccess = std::uint16_t; // bit per item
enum TRzSpecialFolder : unsigned char {
    sfNone, sfUserAppDataRoaming, sfUserAppDataLocal, sfUserDocuments, sfProgramData
};
enum TRzIniFileEncoding : unsigned char { feDefault, feUTF8, feUnicode };

// Only says where settings would be stored; nothing reads settings through it.
class TRzRegIniFile : public TComponent {
public:
    explicit TRzRegIniFile(TComponent* AOwner) : TComponent(AOwner) {}

    const std::string& Path() const { return FPath; }
    void SetPath(const std::string& Value);
    TRzPathType PathType() const { return FPathType; }
    void SetPathType(TRzPathType Value);
    TRzRegKey RegKey() const { return FRegKey; }
    void SetRegKey(TRzRegKey Value);
    TRzRegAccess RegAccess() const { return FRegAccess; }
    void SetRegAccess(TRzRegAccess Value);
    TRzSpecialFolder SpecialFolder() const { return FSpecialFolder; }
    void SetSpecialFolder(TRzSpecialFolder Value);
    TRzIniFileEncoding FileEncoding() const { return FFileEncoding; }
    void SetFileEncoding(TRzIniFileEncoding Value);
    bool SettingsChanged() const { return FChanged; }

private:
    std::string FPath;
    TRzPathType FPathType = ptIniFile;
    TRzRegKey FRegKey = hkeyCurrentUser;
    TRzRegAccess FRegAccess = 1u << keyAllAccess;
    TRzSpecialFolder FSpecialFolder = sfNone;
    TRzIniFileEncoding FFileEncoding = feDefault;
    bool FChanged = false;
};

// Readers of values older stored forms hold under retired names: each reads
// one value and drops it. Controls define them under the old names with no
// writer, so the names are never written again.
class TRzOldPropReader {
public:
    static void ReadOldBooleanProp(TReader* Reader) { Reader->ReadBoolean(); }
    static void ReadOldIdentProp(TReader* Reader) { Reader->ReadIdent(); }
    static void ReadOldIntegerProp(TReader* Reader) { Reader->ReadInteger(); }
    // A set: identifiers up to the empty one.
    static void ReadOldSetProp(TReader* Reader);
    // A colour, stored as a number or as a colour's name ("clBtnFace").
    static TColor ReadColor(TReader* Reader);
    static void ReadOldColorProp(TReader* Reader) { ReadColor(Reader); }
};

// Defines an old property read by one of TRzOldPropReader's readers.
inline void DefineOldProperty(TFiler* Filer, const std::string& Name, void (*Read)(TReader*))
{
    Filer->DefineProperty(Name, Read, nullptr, false);
}

class TRzFrameController : public TComponent {
public:
    explicit TRzFrameController(TComponent* AOwner);
    ~TRzFrameController() override;

    virtual void UpdateControl(TControl* Control, TRzFrameControllerPropertyConnection Property);
    virtual void UpdateControls(TRzFrameControllerPropertyConnection Property);

    void AddControl(TControl* Control);
    void RemoveControl(TControl* Control);
    int ControlCount() const { return static_cast<int>(FControls ? FControls->size() : 0); }
    bool HasControlList() const { return FControls != nullptr; }
    void BeginUpdate();
    void EndUpdate();
    bool UpdateEnabled() const { return FUpdateCount < 1; }
    void Assign(const TPersistent* Source) override;

    // Values of older stored forms: mapped onto the current properties.
    void ReadOldFrameFlat(bool Value);
    void ReadOldFrameFocusStyle(const std::string& StyleName);
    void DefineProperties(TFiler* Filer) override;
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

    TColor Color() const { return FColor; }
    virtual void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    virtual void SetParentColor(bool Value);
    TColor FlatButtonColor() const { return FFlatButtonColor; }
    virtual void SetFlatButtonColor(TColor Value);
    bool FlatButtons() const { return FFlatButtons; }
    virtual void SetFlatButtons(bool Value);
    TColor DisabledColor() const { return FDisabledColor; }
    virtual void SetDisabledColor(TColor Value);
    TColor ReadOnlyColor() const { return FReadOnlyColor; }
    virtual void SetReadOnlyColor(TColor Value);
    bool ReadOnlyColorOnFocus() const { return FReadOnlyColorOnFocus; }
    virtual void SetReadOnlyColorOnFocus(bool Value);
    TColor FocusColor() const { return FFocusColor; }
    virtual void SetFocusColor(TColor Value);
    TColor FrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(TColor Value);
    TColor FrameHotColor() const { return FFrameHotColor; }
    virtual void SetFrameHotColor(TColor Value);
    bool FrameHotTrack() const { return FFrameHotTrack; }
    virtual void SetFrameHotTrack(bool Value);
    TFrameStyle FrameHotStyle() const { return FFrameHotStyle; }
    virtual void SetFrameHotStyle(TFrameStyle Value);
    TSides FrameSides() const { return FFrameSides; }
    virtual void SetFrameSides(TSides Value);
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    virtual void SetFrameStyle(TFrameStyle Value);
    bool FrameVisible() const { return FFrameVisible; }
    virtual void SetFrameVisible(bool Value);
    TFramingPreference FramingPreference() const { return FFramingPreference; }
    virtual void SetFramingPreference(TFramingPreference Value);
    TRzRegIniFile* RegIniFile() const { return FRegIniFile; }
    virtual void SetRegIniFile(TRzRegIniFile* Value);

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    // The value a connection carries, as an ordinal.
    TPropOrd ValueOf(TRzFrameControllerPropertyConnection Property) const;

    std::unique_ptr<std::vector<TControl*>> FControls;
    int FUpdateCount = 0;
    TColor FColor = clWindow;
    bool FParentColor = false;
    TColor FFlatButtonColor = clBtnFace;
    bool FFlatButtons = true;
    TColor FDisabledColor = clBtnFace;
    TColor FReadOnlyColor = clInfoBk;
    bool FReadOnlyColorOnFocus = false;
    TColor FFocusColor = clWindow;
    TColor FFrameColor = clBtnShadow;
    TColor FFrameHotColor = clBtnShadow;
    bool FFrameHotTrack = false;
    TFrameStyle FFrameHotStyle = fsFlatBold;
    TSides FFrameSides = sdAllSides;
    TFrameStyle FFrameStyle = fsFlat;
    bool FFrameVisible = false;
    TFramingPreference FFramingPreference = fpXPThemes;
    TRzRegIniFile* FRegIniFile = nullptr;
};

// The "FrameController" setter of a framed control: leaves the controller
// in Field, stores Value there and joins it, with free notification both
// ways. The control still clears Field in its Notification on opRemove, and
// passes null from its destructor.
void ChangeFrameController(TControl* Control, TRzFrameController*& Field, TRzFrameController* Value);

// ---------------------------------------------------------------------------
// Shared blink timer
// ---------------------------------------------------------------------------

constexpr UINT CM_BLINKINGQUERY = 0xB3E8;
constexpr UINT CM_BLINK = 0xB3E9;

class TRzBlinkingControlsList : public TObject {
public:
    TRzBlinkingControlsList();
    ~TRzBlinkingControlsList() override;

    void Add(TControl* Control);
    void Remove(TControl* Control);
    int Count() const { return static_cast<int>(FControls.size()); }
    bool BlinkState() const { return FBlinkState; }

    WORD IntervalOff() const { return FIntervalOff; }
    void SetIntervalOff(WORD Value) { FIntervalOff = Value; }
    WORD IntervalOn() const { return FIntervalOn; }
    void SetIntervalOn(WORD Value) { FIntervalOn = Value; }
    TTimer* Timer() const { return FTimer; }

    // One timer tick: toggles the phase and tells the blinking controls.
    void Tick();

private:
    bool FBlinkState = true;
    WORD FIntervalOff = 500;
    WORD FIntervalOn = 500;
    TTimer* FTimer = nullptr;
    std::vector<TControl*> FControls;
};

// The process-wide list; null until a blinking control is created.
extern TRzBlinkingControlsList* GBlinkingControls;
// Creates the list when there is none and returns it.
TRzBlinkingControlsList* NeedBlinkingList();
// Frees the list when no control is left in it.
void ReleaseBlinkingList();
