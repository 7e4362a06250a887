#pragma once
// Labels with raised, recessed or shadowed text, rotation, blinking and
// frames, and the link label that opens its address with the shell.
#include <functional>
#include <string>

#include "classlib/StdCtrls.h"
#include "controls/RzCommon.h"
#include "controls/RzFrameLink.h"

enum TRzCondenseCaption : unsigned char { ccNone, ccAtEnd, ccWithinPath };
enum TCenterPoint : unsigned char {
    cpUpperLeft, cpUpperCenter, cpUpperRight, cpLeftCenter, cpCenter, cpRightCenter, cpLowerLeft, cpLowerCenter,
    cpLowerRight
};
enum TRotation : unsigned char { roNone, roFlat, roCurve };
enum TTextStyle : unsigned char { tsNormal, tsRaised, tsRecessed, tsShadow };

class TRzLabel : public TRzFrameControllerLink<TCustomLabel> {
public:
    explicit TRzLabel(TComponent* AOwner);
    ~TRzLabel() override;
    void WndProc(TMessage& Message) override;

    int Angle() const { return FAngle; }
    virtual void SetAngle(int Value);
    bool Blinking() const { return FBlinking; }
    virtual void SetBlinking(bool Value);
    TColor BlinkColor() const { return FBlinkColor; }
    virtual void SetBlinkColor(TColor Value);
    // Shared by every blinking control of the process.
    WORD BlinkIntervalOff() const;
    virtual void SetBlinkIntervalOff(WORD Value);
    WORD BlinkIntervalOn() const;
    virtual void SetBlinkIntervalOn(WORD Value);
    int BevelWidth() const { return FBevelWidth; }
    virtual void SetBevelWidth(int Value);
    TColor BorderColor() const { return FBorderColor; }
    virtual void SetBorderColor(TColor Value);
    TFrameStyleEx BorderInner() const { return FBorderInner; }
    virtual void SetBorderInner(TFrameStyleEx Value);
    TFrameStyleEx BorderOuter() const { return FBorderOuter; }
    virtual void SetBorderOuter(TFrameStyleEx Value);
    TSides BorderSides() const { return FBorderSides; }
    virtual void SetBorderSides(TSides Value);
    TColor BorderHighlight() const { return FBorderHighlight; }
    virtual void SetBorderHighlight(TColor Value);
    TColor BorderShadow() const { return FBorderShadow; }
    virtual void SetBorderShadow(TColor Value);
    int BorderWidth() const { return FBorderWidth; }
    virtual void SetBorderWidth(int Value);
    TRzCondenseCaption CondenseCaption() const { return FCondenseCaption; }
    virtual void SetCondenseCaption(TRzCondenseCaption Value);
    TColor FlatColor() const { return FFlatColor; }
    virtual void SetFlatColor(TColor Value);
    int FlatColorAdjustment() const { return FFlatColorAdjustment; }
    virtual void SetFlatColorAdjustment(int Value);
    TCenterPoint CenterPoint() const { return FCenterPoint; }
    virtual void SetCenterPoint(TCenterPoint Value);
    TColor FlyByColor() const { return FFlyByColor; }
    virtual void SetFlyByColor(TColor Value);
    bool FlyByEnabled() const { return FFlyByEnabled; }
    virtual void SetFlyByEnabled(bool Value);
    bool LightTextStyle() const { return FLightTextStyle; }
    virtual void SetLightTextStyle(bool Value);
    TRotation Rotation() const { return FRotation; }
    virtual void SetRotation(TRotation Value);
    int TextMargin() const { return FTextMargin; }
    virtual void SetTextMargin(int Value);
    TTextStyle TextStyle() const { return FTextStyle; }
    virtual void SetTextStyle(TTextStyle Value);
    TColor HighlightColor() const { return FHighlightColor; }
    virtual void SetHighlightColor(TColor Value);
    TColor ShadowColor() const { return FShadowColor; }
    virtual void SetShadowColor(TColor Value);
    int ShadowDepth() const { return FShadowDepth; }
    virtual void SetShadowDepth(int Value);

    // The colour the text is drawn in now (normal, blink or fly-by).
    TColor TextColor() const { return FCurrentColor; }

    // Older stored labels: "FrameSides" is read and dropped, and so are
    // the blink intervals, which are the whole program's and not a form's.
    void DefineProperties(TFiler* Filer) override
    {
        TCustomLabel::DefineProperties(Filer);
        DefineOldProperty(Filer, "FrameSides", TRzOldPropReader::ReadOldSetProp);
        DefineOldProperty(Filer, "BlinkIntervalOff", TRzOldPropReader::ReadOldIntegerProp);
        DefineOldProperty(Filer, "BlinkIntervalOn", TRzOldPropReader::ReadOldIntegerProp);
    }

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    void Paint() override;
    void AdjustBounds() override;
    void Loaded() override;
    // A label follows the controller outside its updates, frame shown or not.
    bool FollowsController(const TRzFrameController& FC) const override { return FC.UpdateEnabled(); }
    void ApplyFraming(const TRzFrameController& FC, TRzFrameControllerNotifications N) override;
    // The pixels borders and margin take on each side: left, top, right, bottom.
    TRect BorderExtents() const;
    UINT LabelTextFlags() const;
    // Draws the caption at its place once per effect copy; Draw gets the
    // colour and the offset of each copy.
    void ForEachCopy(const std::function<void(TColor Color, int DX, int DY)>& Draw, bool Curved) const;
    void EnsureTrueTypeFont();

private:
    void PaintStraightText(TCanvas* C, const TRect& Client);
    void PaintFlatText(TCanvas* C, const TRect& Client);
    void PaintCurvedText(TCanvas* C, const TRect& Client);
    void LookChanged(bool Resize);

    int FAngle = 0;
    bool FBlinking = false;
    TColor FBlinkColor = clHighlight;
    int FBevelWidth = 1;
    TColor FBorderColor = clBtnFace;
    TFrameStyleEx FBorderInner = fsNone;
    TFrameStyleEx FBorderOuter = fsNone;
    TSides FBorderSides = sdAllSides;
    TColor FBorderHighlight = clBtnHighlight;
    TColor FBorderShadow = clBtnShadow;
    int FBorderWidth = 0;
    TRzCondenseCaption FCondenseCaption = ccNone;
    TColor FFlatColor = clBtnShadow;
    int FFlatColorAdjustment = 30;
    TCenterPoint FCenterPoint = cpCenter;
    TColor FFlyByColor = clHighlight;
    bool FFlyByEnabled = false;
    bool FLightTextStyle = false;
    TRotation FRotation = roNone;
    int FTextMargin = 0;
    TTextStyle FTextStyle = tsNormal;
    TColor FHighlightColor = clBtnHighlight;
    TColor FShadowColor = clBtnShadow;
    int FShadowDepth = 2;

    TColor FNormalColor = clWindowText;
    TColor FCurrentColor = clWindowText;
    bool FBlinkOn = false;
    bool FFlyByActive = false;
    TColor FSavedFontColor = clWindowText;
    bool FConstructing = false;
};

// How a link label opens its target; tests put their own in place so that
// nothing is ever launched.
struct TRzUrlLaunchers {
    // Opens the target with the shell's "Open" verb; true on success.
    std::function<bool(const std::string& Target)> Open;
    // Runs a command line (the open-with dialog for a page that failed).
    std::function<void(const std::string& CommandLine)> Run;
};
TRzUrlLaunchers& UrlLaunchers();

constexpr TCursor crRzHandPoint = 26000;

class TRzURLLabel : public TRzLabel {
public:
    explicit TRzURLLabel(TComponent* AOwner);

    std::string URL() const { return FURL; }
    void SetURL(const std::string& Value) { FURL = Value; }
    bool Visited() const { return FVisited; }
    virtual void SetVisited(bool Value);
    TColor UnvisitedColor() const { return FUnvisitedColor; }
    virtual void SetUnvisitedColor(TColor Value);
    TColor VisitedColor() const { return FVisitedColor; }
    virtual void SetVisitedColor(TColor Value);

    void Click() override;

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    virtual void UpdateFontColor();

private:
    std::string FURL;
    bool FVisited = false;
    TColor FUnvisitedColor = clHighlight;
    TColor FVisitedColor = clPurple;
};
