#pragma once
// The help manager: takes over the application's help requests and serves
// them from an HTML Help file (".chm") or a WinHelp file (".hlp"), with
// context popups read from a text file inside the ".chm".
#include <windows.h>

#include <functional>
#include <string>

#include "classlib/Forms.h"

class THelpManager {
public:
    // The one manager, made on first use; making it takes over the
    // application's help event.
    static THelpManager* Instance();
    static bool Exists();
    // Ends help (HELP_QUIT), gives the application its old handler back.
    static void Release();

    THelpManager(const THelpManager&) = delete;
    THelpManager& operator=(const THelpManager&) = delete;

    // The manager's own file; empty: the active form's, else the
    // application's.
    std::string HelpFile;
    // A second handler asked before the manager serves a request.
    THelpEvent ChainedHandler;
    std::string ContextFileName = "CSHelp.txt";
    // No help file under the resolved name: may put a name in FileName.
    std::function<void(TObject* Sender, std::string& FileName)> OnMissingHelpFile;

    // The file a request of Command goes to.
    std::string ResolveHelpFile(const std::string& Requested, UINT Command);
    // The application's help event.
    bool HandleHelp(WORD Command, ULONG_PTR Data, bool& CallHelp);
    POINT PopupPosition() const { return FPopupPos; }

private:
    THelpManager();
    ~THelpManager();
    std::string ResolveName(const std::string& Name, bool WinHelpOnly);
    void ShowPopup(const std::string& File, ULONG_PTR Context);
    THelpEvent FPrevious;
    POINT FPopupPos{-1, -1};
};

// The help of a program whose help file is Base (no extension) in the
// program folder: when the file exists it becomes the application's help
// file and the manager serves it; a name that resolves to nothing later
// shows "Help file is missing". Without the file every help request shows
// that box. True when the file exists.
bool InstallApplicationHelp(const std::string& Base);
