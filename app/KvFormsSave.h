#pragma once
// The form base that keeps its window placement in the settings store, one
// set per screen resolution ("Layout_<pixels per inch>"), adds the stay-on-
// top, save-placement and open-centred commands to the system menu, and
// saves the form's settings when it closes.
#include <cstdint>
#include <string>

#include "app/KvFormsHack.h"

// System-menu commands.
enum : UINT { SC_KV_STAYONTOP = 1281, SC_KV_SAVEWINDOW = 1282, SC_KV_OPENCENTERED = 1283 };

// The bits of TKvFormSave::SysMenuItems.
enum : std::uint8_t { smiStayOnTop = 2, smiSaveWindow = 4, smiOpenCentered = 8 };

class TKvFormSave : public TKvFormHack {
public:
    explicit TKvFormSave(TComponent* AOwner);

    // "Layout_" and the screen's pixels per inch.
    static std::string LayoutSection();
    void RestorePlacement();
    void SavePlacement();
    bool CloseQuery() override;

    // Ignore the stored placement at this start (the "RESETWND" switch).
    bool ResetPlacement = false;
    bool OpenCentered = false;
    // The first form created keeps its placement with its settings; forms
    // created while a main form exists write theirs at once.
    bool PlacementWithSettings() const { return FPlacementWithSettings; }
    std::uint8_t SysMenuItems = smiStayOnTop | smiSaveWindow | smiOpenCentered;
    // Handed to the list read and write of the store (0 all values).
    int PlacementMode = 0;
    bool SystemMenuBuilt() const { return FSystemMenuBuilt; }

protected:
    // Restores the placement, builds the system menu, loads the main form's
    // settings and shows the window.
    void Startup() override;
    void FormLoaded() override;
    void InputLanguageChanged() override;
    void WndProc(TMessage& Message) override;
    // The form's settings; the inherited SaveSettings writes the placement
    // when it is kept with the settings.
    virtual void LoadSettings() {}
    virtual void SaveSettings();

private:
    bool DesignedCentred() const;
    void BuildSystemMenu();
    void CheckMenuItem(UINT Command, bool Checked);
    void CentreWindow(int& Left, int& Top, int Width, int Height);
    bool FNotMainForm = false;
    bool FSystemMenuBuilt = false;
    bool FPlacementWithSettings = false;
};
