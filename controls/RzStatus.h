#pragma once
// The status pane: a framed text field of a status bar that can size itself
// to its caption, blink with the other blinking controls and show the hints
// of the controls under the mouse.
#include <string>

#include "classlib/Controls.h"
#include "controls/RzCommon.h"
#include "controls/RzFrameLink.h"

class TRzCustomStatusPane : public TRzFrameControllerLink<TGraphicControl> {
public:
    explicit TRzCustomStatusPane(TComponent* AOwner);
    ~TRzCustomStatusPane() override;
    void WndProc(TMessage& Message) override;

    TAlignment Alignment() const { return FAlignment; }
    virtual void SetAlignment(TAlignment Value);
    int CaptionOffset() const { return FCaptionOffset; }
    virtual void SetCaptionOffset(int Value);
    void SetAutoSize(bool Value) override;
    int DefaultWidth() const { return FDefaultWidth; }
    virtual void SetDefaultWidth(int Value);
    bool AutoHint() const { return FAutoHint; }
    void SetAutoHint(bool Value) { FAutoHint = Value; }
    bool Blinking() const { return FBlinking; }
    virtual void SetBlinking(bool Value);
    TColor BlinkColor() const { return FBlinkColor; }
    virtual void SetBlinkColor(TColor Value);
    // Shared by every blinking control of the process.
    WORD BlinkIntervalOff() const;
    virtual void SetBlinkIntervalOff(WORD Value);
    WORD BlinkIntervalOn() const;
    virtual void SetBlinkIntervalOn(WORD Value);
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    virtual void SetFrameStyle(TFrameStyle Value);
    int BorderWidth() const { return FBorderWidth; }
    virtual void SetBorderWidth(int Value);
    TColor FlatColor() const { return FFlatColor; }
    virtual void SetFlatColor(TColor Value);
    int FlatColorAdjustment() const { return FFlatColorAdjustment; }
    virtual void SetFlatColorAdjustment(int Value);
    TColor FillColor() const { return FFillColor; }
    virtual void SetFillColor(TColor Value);
    bool ParentFillColor() const { return FParentFillColor; }
    virtual void SetParentFillColor(bool Value);
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);

    // The colour the caption is drawn in now (font colour or blink colour).
    TColor TextColor() const { return FCurrentColor; }
    virtual int GetAutoWidth();
    virtual TRect AdjustRectForFrame(const TRect& Rect) const;
    virtual bool IsOverSizeGrip(const POINT& P);
    bool ExecuteAction(TBasicAction* Action) override;

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();
    void DefineProperties(TFiler* Filer) override;

protected:
    void Paint() override;
    void Loaded() override;
    void AdjustSize() override;
    void ApplyFraming(const TRzFrameController& FC, TRzFrameControllerNotifications N) override;
    virtual void DrawFrame();
    virtual void DrawCaption(const std::string& Caption);
    virtual void SetBlinkState(bool On);
    // On a themed status bar: the bar's background and the theme's pane.
    bool OnThemedStatusBar() const;

private:
    TAlignment FAlignment = taLeftJustify;
    int FCaptionOffset = 2;
    int FDefaultWidth = 40;
    bool FAutoHint = false;
    bool FBlinking = false;
    TColor FBlinkColor = clHighlight;
    TFrameStyle FFrameStyle = fsFlat;
    int FBorderWidth = 1;
    TColor FFlatColor = clBtnShadow;
    int FFlatColorAdjustment = 30;
    TColor FFillColor = clBtnFace;
    bool FParentFillColor = true;
    bool FTransparent = true;
    TColor FFontColor = clWindowText;
    TColor FCurrentColor = clWindowText;
    bool FBlinkOn = false;
};

class TRzStatusPane : public TRzCustomStatusPane {
public:
    using TRzCustomStatusPane::TRzCustomStatusPane;
};
