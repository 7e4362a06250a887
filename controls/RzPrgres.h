#pragma once
// The painted progress bar: traditional with inverted percent text, LED
// segments, or gradients; themed, and blended into a themed status bar.
#include <functional>

#include "classlib/Controls.h"
#include "controls/RzCommon.h"
#include "controls/RzFrameLink.h"
#include "controls/RzPanel.h"

enum TBarStyle : unsigned char { bsTraditional, bsLED, bsGradient };
using TProgressChangeEvent = std::function<void(TObject* Sender, int Percent)>;

class TRzCustomProgressBar : public TRzFrameControllerLink<TGraphicControl> {
public:
    static constexpr unsigned MaxParts = 2147483647u;

    explicit TRzCustomProgressBar(TComponent* AOwner);
    void WndProc(TMessage& Message) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

    int Percent() const { return FPercent; }
    // Repaints at once.
    virtual void SetPercent(int Value);
    // Leaves the repaint to the window's next paint.
    void SetPercentLater(int Value);
    unsigned PartsComplete() const { return FPartsComplete; }
    virtual void SetPartsComplete(unsigned Value);
    unsigned TotalParts() const { return FTotalParts; }
    virtual void SetTotalParts(unsigned Value);
    bool ShowPercent() const { return FShowPercent; }
    virtual void SetShowPercent(bool Value);
    bool ShowParts() const { return FShowParts; }
    virtual void SetShowParts(bool Value);
    TBarStyle BarStyle() const { return FBarStyle; }
    virtual void SetBarStyle(TBarStyle Value);
    TColor BackColor() const { return FBackColor; }
    virtual void SetBackColor(TColor Value);
    TColor BackColorStop() const { return FBackColorStop; }
    virtual void SetBackColorStop(TColor Value);
    TColor BarColor() const { return FBarColor; }
    virtual void SetBarColor(TColor Value);
    TColor BarColorStop() const { return FBarColorStop; }
    virtual void SetBarColorStop(TColor Value);
    TGradientDirection GradientDirection() const { return FGradientDirection; }
    virtual void SetGradientDirection(TGradientDirection Value);
    int NumSegments() const { return FNumSegments; }
    virtual void SetNumSegments(int Value);
    TOrientation Orientation() const { return FOrientation; }
    virtual void SetOrientation(TOrientation Value);
    int InteriorOffset() const { return FInteriorOffset; }
    virtual void SetInteriorOffset(int Value);
    TFrameStyleEx BorderOuter() const { return FBorderOuter; }
    virtual void SetBorderOuter(TFrameStyleEx Value);
    TFrameStyleEx BorderInner() const { return FBorderInner; }
    virtual void SetBorderInner(TFrameStyleEx Value);
    int BorderWidth() const { return FBorderWidth; }
    virtual void SetBorderWidth(int Value);
    TColor BorderColor() const { return FBorderColor; }
    virtual void SetBorderColor(TColor Value);
    int BevelWidth() const { return FBevelWidth; }
    virtual void SetBevelWidth(int Value);
    TColor FlatColor() const { return FFlatColor; }
    virtual void SetFlatColor(TColor Value);
    int FlatColorAdjustment() const { return FFlatColorAdjustment; }
    virtual void SetFlatColorAdjustment(int Value);
    bool ThemeAware() const { return FThemeAware; }
    virtual void SetThemeAware(bool Value);

    // The text the bar shows now ("50%", "50 / 200" or nothing).
    std::string ProgressText() const;
    // Themes are on and wanted (and, on a status bar, the bar looks themed).
    bool UsingThemes() const;

    TProgressChangeEvent OnChange;

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    void Paint() override;
    void ApplyFraming(const TRzFrameController& FC, TRzFrameControllerNotifications N) override;
    void DrawBarAndText(TCanvas* C, const TRect& Interior);
    void DrawLED(TCanvas* C, const TRect& Interior);

private:
    // Stores a new value and tells OnChange; false when it is the same.
    bool StorePercent(int Value);
    void Changed();

    int FPercent = 0;
    unsigned FPartsComplete = 0;
    unsigned FTotalParts = 0;
    bool FShowPercent = true;
    bool FShowParts = false;
    TBarStyle FBarStyle = bsTraditional;
    TColor FBackColor = clWhite;
    TColor FBackColorStop = clBtnFace;
    TColor FBarColor = clHighlight;
    TColor FBarColorStop = clHotLight;
    TGradientDirection FGradientDirection = gdHorizontalCenter;
    int FNumSegments = 20;
    TOrientation FOrientation = orHorizontal;
    int FInteriorOffset = 0;
    TFrameStyleEx FBorderOuter = fsLowered;
    TFrameStyleEx FBorderInner = fsNone;
    int FBorderWidth = 0;
    TColor FBorderColor = clBtnFace;
    int FBevelWidth = 1;
    TColor FFlatColor = clBtnShadow;
    int FFlatColorAdjustment = 30;
    bool FThemeAware = true;
};

class TRzProgressBar : public TRzCustomProgressBar {
public:
    using TRzCustomProgressBar::TRzCustomProgressBar;
};
