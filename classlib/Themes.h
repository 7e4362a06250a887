#pragma once
// Visual-style services over uxtheme, loaded by name. One switch turns
// theming off for the whole program, so the classic painting paths can be
// chosen (and tested) even where the system draws visual styles.
#include <windows.h>

#include <map>
#include <string>

#include "classlib/Graphics.h"

using HTHEME_ = HANDLE;

enum TThemedElement {
    teButton, teClock, teComboBox, teEdit, teExplorerBar, teHeader, teListView, teMenu, tePage,
    teProgress, teRebar, teScrollBar, teSpin, teStartPanel, teStatus, teTab, teTaskBand, teTaskBar,
    teToolBar, teToolTip, teTrackBar, teTrayNotify, teTreeview, teWindow
};

class TThemeServices {
public:
    TThemeServices();
    ~TThemeServices();
    TThemeServices(const TThemeServices&) = delete;
    TThemeServices& operator=(const TThemeServices&) = delete;

    // uxtheme could be loaded.
    bool ThemesAvailable() const { return FLib != nullptr; }
    // Available, active for the application, and not switched off.
    bool ThemesEnabled() const;
    // The program-wide switch; true paints every control the classic way.
    static void SetThemingDisabled(bool Value);
    static bool ThemingDisabled();

    // The theme handle of a class, opened on first use; null when the
    // current theme lacks the class (Wine has no explorer bar) or themes
    // are off.
    HTHEME_ Theme(TThemedElement Element);
    // Closes every handle; the next use opens them for the new theme.
    void ApplyThemeChange();

    // The current theme has data of its own for the part. Wine's themes
    // lack some parts; drawing one of those paints nothing useful.
    bool PartDefined(TThemedElement Element, int Part, int State);
    // False, leaving Color alone, when the theme cannot answer.
    bool GetColor(TThemedElement Element, int Part, int State, int PropId, TColor& Color);
    bool DrawElement(HDC DC, TThemedElement Element, int Part, int State, const RECT& R,
                     const RECT* Clip = nullptr);
    bool DrawEdge(HDC DC, TThemedElement Element, int Part, int State, const RECT& R, UINT Edge,
                  UINT Flags, RECT* ContentRect = nullptr);
    bool DrawText(HDC DC, TThemedElement Element, int Part, int State, const std::wstring& Text,
                  DWORD Flags, const RECT& R);
    // Text in the system code page.
    bool DrawText(HDC DC, TThemedElement Element, int Part, int State, const std::string& Text, DWORD Flags,
                  const RECT& R);
    bool DrawParentBackground(HWND Wnd, HDC DC, const RECT* R);
    bool HasTransparentParts(TThemedElement Element, int Part, int State);
    // The rectangle inside the element's border (R itself when unthemed).
    TRect ContentRect(HDC DC, TThemedElement Element, int Part, int State, const RECT& R);
    bool PartSize(HDC DC, TThemedElement Element, int Part, int State, SIZE& Size);
    // SetWindowTheme(Wnd, "", "") and back: a window drawn without styles.
    void SetWindowThemed(HWND Wnd, bool Themed);

private:
    struct TApi;
    HMODULE FLib = nullptr;
    TApi* FApi;
    std::map<int, HTHEME_> FThemes;
};

// The one instance, created on first use.
TThemeServices* ThemeServices();
