#pragma once
// The program's start before its window exists: the product's values, the
// switches of the main program, the accessibility mode with the screen
// readers' support files, the introduction text and the application's
// exception box.
#include <exception>
#include <string>

#include "app/KvWizardOptions.h"

class TCmdList;
class TObject;

// The build the stored settings and the update check compare with.
inline constexpr int BuildNumber = 1600;
extern const char* const VersionText;        // "1.6"
extern const char* const WebSite;            // host of the program's web site
extern const char* const UpdateBaseAddress;  // the update endpoint, ending in "/"

// Where the update information file is fetched from: the base address and
// the short name's "_en.ini", or the "newsfile" switch's file.
extern std::string GUpdateInfoAddress;

// The switches the start read; the main form takes "RESETWND" from here.
extern TWizardSwitches GWizardSwitches;

// The screen readers whose settings folders take a support file.
enum class TScreenReader { Jaws = 1, Dolphin = 2, WindowEyes = 3 };

// Copies "Accessibility\<settings sub-folder name>.<Extension>" from the
// program folder into the reader's settings folders (the first place that
// takes it); true when copied somewhere. A missing source copies nothing.
bool InstallScreenReaderFiles(const std::string& Extension, TScreenReader Reader);

// The status bar's text while idle: product name, version and notice.
std::string IdleStatusLine();
// The web-site link, with the short name as the referrer.
std::string WebSiteLink();

// "Intro_<short name>.dat" in Folder, when it exists and is the file this
// build ships (its MD5 digest); Text gets its content.
bool OpenIntroFile(const std::string& Folder, std::string& Text);
// The introduction page's text: the file's from the program folder, or the
// reinstall message.
std::string IntroductionText(const std::string& Folder);

// The application's exception event: an error box with the message.
void AppException(TObject* Sender, const std::exception& E);

// The accessibility flags as the system reports them, then the "acc",
// "RESETWND" and "newsfile" switches over them ("acc=install" also copies
// the screen readers' support files).
void ApplyWizardSwitches(const TCmdList& Switches, bool HighContrast, bool ScreenReader);

// The start up to the window: DPI awareness, the application title while
// loading, the engine's services (settings, error log, tables, zone), the
// switches above.
void StartProgram(const TCmdList& Switches);
