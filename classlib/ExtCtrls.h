#pragma once
// TTimer, the plain panel and the old-style header.
#include <vector>

#include "classlib/Controls.h"

// A window-message timer: OnTimer runs between other messages on the GUI
// thread.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned Value);
    TNotifyEvent OnTimer;
    // One tick; the timer calls it, tests may too.
    virtual void Timer();

private:
    void UpdateTimer();
    void TimerWndProc(TMessage& Message);
    bool FEnabled = true;
    unsigned FInterval = 1000;
    HWND FWindow = nullptr;
};

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* AOwner);
    void WndProc(TMessage& Message) override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int Value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int Value);
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool Value);

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    void AdjustClientRect(TRect& Rect) override;
    void Paint() override;

private:
    TAlignment FAlignment = taCenter;
    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    bool FShowCaption = true;
};

class TPanel : public TCustomPanel {
public:
    using TCustomPanel::TCustomPanel;
};

// The old-style header: one section per line of Sections, each with its
// own width. Only the widths are kept (list boxes take their tab stops from
// them); it paints nothing of its own.
class THeader : public TCustomControl {
public:
    explicit THeader(TComponent* AOwner);
    ~THeader() override;

    TStrings* Sections() const { return FSections.get(); }
    // A section not given a width yet answers the default width.
    int SectionWidth(int Index) const;
    void SetSectionWidth(int Index, int Value);

    static constexpr int DefaultSectionWidth = 80;

private:
    std::unique_ptr<TStrings> FSections;
    std::vector<int> FWidths;
};
