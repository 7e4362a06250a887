#pragma once
// The shared layer of the shell controls: start-up of the shell units, the
// folder locator, the details adapter, the change-notification thread,
// shortcut texts, clipboard blocks, the drop source, new folders, context
// menus and verbs, file details and the per-item data records.
//
// Sources: RzShellCtrls.cpp (start-up, locator, adapter),
// RzShellCtrlsThread.cpp, RzShellCtrlsData.cpp (clipboard, drop source,
// new folder, file details), RzShellCtrlsMenus.cpp, RzShellCtrlsNodes.cpp.
#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/ComObj.h"
#include "classlib/Streams.h"
#include "classlib/Threads.h"
#include "shell/RzShellUtils.h"

class TControl;

// ---------------------------------------------------------------------------
// Start-up of the shell units
// ---------------------------------------------------------------------------

// The registered "Shell IDList Array" clipboard format.
UINT ShellIdListFormat();
// The hover values the tree's drop target expands folders by.
DWORD ShellHoverTime();
int ShellHoverWidth();
int ShellHoverHeight();
bool ShellOleInitialized();
// The stream the drag code hands item lists through.
TMemoryStream* ShellSharedStream();

// Private messages of the shell controls.
constexpr UINT RZSH_REFRESHHEADER = WM_USER + 100;
constexpr UINT RZSH_CHANGENOTIFY = WM_USER + 101;

// ---------------------------------------------------------------------------
// TRzShellLocator
// ---------------------------------------------------------------------------

class EShellLocatorError : public EReadError { public: using EReadError::EReadError; };

enum class TRzLocatorKind : unsigned char { IdList = 0, SpecialFolder = 1 };

class TRzShellLocator : public TPersistent {
public:
    TRzShellLocator() = default;

    void Assign(const TPersistent* Source) override;
    bool IsEqual(const TRzShellLocator* Other) const;

    TRzLocatorKind Kind() const { return FKind; }
    // The list of the folder (fetched once for a special folder); null for
    // the desktop of kind IdList or when unknown.
    LPCITEMIDLIST IdList() const;
    void SetIdList(LPCITEMIDLIST Value);
    TCSIDL SpecialFolder() const { return FSpecialFolder; }
    void SetSpecialFolder(TCSIDL Value);
    std::string PathName() const;
    void SetPathName(const std::string& Value);
    void Clear() { SetIdList(nullptr); }

    // The form property "Pidl": written only when HasData().
    bool HasData() const { return FKind == TRzLocatorKind::SpecialFolder || FIdList; }
    // EShellLocatorError when the stored list overruns the stream or is not
    // a well-formed list; the locator is then unchanged.
    void ReadData(TStream* Stream);
    void WriteData(TStream* Stream) const;

    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    static TPidl CopyIdListOrNone(LPCITEMIDLIST Pidl);
    TRzLocatorKind FKind = TRzLocatorKind::IdList;
    mutable TPidl FIdList;
    TCSIDL FSpecialFolder = csidlNone;
};

// ---------------------------------------------------------------------------
// Column details: IShellDetails, or IShellFolder2 presented as one
// ---------------------------------------------------------------------------

class TShellFolder2ToShellDetailsAdapter : public TComObject<IShellDetails> {
public:
    explicit TShellFolder2ToShellDetailsAdapter(TComPtr<IShellFolder2> Folder);
    HRESULT STDMETHODCALLTYPE GetDetailsOf(PCUITEMID_CHILD Pidl, UINT Column, SHELLDETAILS* Details) override;
    HRESULT STDMETHODCALLTYPE ColumnClick(UINT Column) override;

private:
    TComPtr<IShellFolder2> FFolder;
};

TComPtr<IShellDetails> GetShellDetails(IShellFolder* Folder);

// ---------------------------------------------------------------------------
// TChangeHandlerThread
// ---------------------------------------------------------------------------

class TChangeHandlerThread : public TThread {
public:
    static constexpr int SlotCount = MAXIMUM_WAIT_OBJECTS - 1;
    static constexpr DWORD DefaultCommandTimeout = 2000;
    static constexpr DWORD QuitTimeout = 30000;

    // Starts watching at once; changes are posted to Window as Message with
    // the slot in wParam.
    TChangeHandlerThread(HWND Window, UINT Message);
    ~TChangeHandlerThread() override;
    void BeforeDestruction() override;

    bool AddWatch(const std::string& Path, DWORD NotifyFilter, int& Slot, bool WatchSubtree);
    bool RemoveAllWatches();

    // How long the GUI thread waits for the watcher to take a command.
    DWORD CommandTimeout() const { return FCommandTimeout; }
    void SetCommandTimeout(DWORD Value) { FCommandTimeout = Value; }
    // Runs on the watcher before each command (tests hold it back here).
    std::function<void()> OnBeforeCommand;
    // Slots in use; ask only while no command runs.
    int UsedSlots() const;

protected:
    void Execute() override;
    // The change-notification handle of a watch.
    virtual HANDLE OpenWatch(const std::string& Path, bool WatchSubtree, DWORD NotifyFilter);

private:
    enum class TCommand : unsigned char { Add = 0, CloseAll = 2, Quit = 3 };
    bool SendCommand(TCommand Command);
    void CloseSlot(int Slot);

    HANDLE FCommandEvent = nullptr;
    HANDLE FAckEvent = nullptr;
    // Changes hands by exchange only: whoever takes it out owns it.
    std::atomic<HANDLE> FPending{INVALID_HANDLE_VALUE};
    HWND FWindow;
    UINT FMessage;
    std::vector<HANDLE> FSlots;
    std::atomic<int> FResultSlot{-1};
    // Each command has a number, and an acknowledgement names the one it
    // answers, so a late answer is never taken for the next command's.
    std::atomic<unsigned> FCommandSerial{0};
    std::atomic<unsigned> FAckSerial{0};
    std::atomic<TCommand> FCommand{TCommand::Add};
    DWORD FCommandTimeout = DefaultCommandTimeout;
    bool FDestroyed = false;
};
