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
#include "classlib/Cleanup.h"
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

// Private message of the shell controls: a watched folder changed.
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
    explicit TShellFolder2ToShellDetailsAdapter(TComPtr<IShellFolder2> ShellFolder);
    HRESULT STDMETHODCALLTYPE GetDetailsOf(PCUITEMID_CHILD Pidl, UINT Column, SHELLDETAILS* Details) override;
    HRESULT STDMETHODCALLTYPE ColumnClick(UINT Column) override;

private:
    TComPtr<IShellFolder2> FFolder;
};

TComPtr<IShellDetails> GetShellDetails(IShellFolder* ShellFolder);

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

    TKernelHandle FCommandEvent;
    TKernelHandle FAckEvent;
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

// ---------------------------------------------------------------------------
// Shortcut texts
// ---------------------------------------------------------------------------

enum class TRzShellShortCutKind : unsigned char { SelectAll, Delete, Copy, Cut, Paste, Refresh, Rename };
struct TRzShellShortCut {
    std::string Text;
    WORD ShortCut = 0;
};
// The seven shortcuts of the shell controls, by kind, converted on first use.
const std::vector<TRzShellShortCut>& ShellShortCuts();
WORD ShellShortCut(TRzShellShortCutKind Kind);

// ---------------------------------------------------------------------------
// FORMATETC list and its enumerator
// ---------------------------------------------------------------------------

class TRzFormatEtcList : public TObject {
public:
    TRzFormatEtcList() = default;
    ~TRzFormatEtcList() override;
    // Device copied (owned by the list).
    void Add(const FORMATETC& Format);
    // Each format as content in a global block.
    void AddFormats(const std::vector<CLIPFORMAT>& Formats);
    int Count() const { return static_cast<int>(FItems.size()); }
    const FORMATETC& Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
    HRESULT QueryGetData(const FORMATETC& Format) const;
    TComPtr<IEnumFORMATETC> CreateEnumerator() const;

private:
    std::vector<FORMATETC> FItems;
};

class TRzFormatEtcList_IEnumFormatEtc : public TComObject<IEnumFORMATETC> {
public:
    TRzFormatEtcList_IEnumFormatEtc(const TRzFormatEtcList* List, int Index);
    HRESULT STDMETHODCALLTYPE Next(ULONG Count, FORMATETC* Records, ULONG* Fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG Count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** Enum) override;

private:
    const TRzFormatEtcList* FList;
    int FIndex;
};

// ---------------------------------------------------------------------------
// Clipboard blocks
// ---------------------------------------------------------------------------

// A DROPFILES block of ANSI names; sized from the names themselves.
HRESULT MakeHDropData(const std::vector<std::string>& Names, HGLOBAL& Global);
// A CIDA block: count, count + 1 offsets, the parent list and the items.
HRESULT MakeIdListArrayData(LPCITEMIDLIST ParentPidl, const std::vector<LPCITEMIDLIST>& Items, HGLOBAL& Global);
HGLOBAL DuplicateHGlobal(HGLOBAL Global);
DWORD GetDataObjectDropEffects(IDataObject* DataObject);

// ---------------------------------------------------------------------------
// Drop source
// ---------------------------------------------------------------------------

class TDropSource_shlvtv : public TComObject<IDropSource> {
public:
    // Button: the MK_ bit of the button that started the drag.
    explicit TDropSource_shlvtv(DWORD Button);
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD Effect) override;

private:
    DWORD FButton;
};

// ---------------------------------------------------------------------------
// New folder
// ---------------------------------------------------------------------------

// "New Folder", "New Folder (2)"... then "fldr", "fldr2"...; a failure
// other than "already exists" is reported once, with its own reason.
bool CreateNewFolder(const std::string& ParentPath, std::string& NewName);

// ---------------------------------------------------------------------------
// Context menus and verbs
// ---------------------------------------------------------------------------

// The first command id of the item menus the controls pop up.
constexpr UINT ShellMenuFirstId = 1000;

HRESULT GetItemsContextMenu(IShellFolder* ShellFolder, HWND Window, const std::vector<LPCITEMIDLIST>& Items,
                            TComPtr<IContextMenu>& ContextMenu, HMENU& Menu, UINT FirstId, UINT Flags);
// The command offset of a verb ("open", "copy"...), -1 when the menu has none.
int FindVerbId(IContextMenu* ContextMenu, const std::string& Verb);
// A verb given by name, or by offset (a value below 65536 passed as the
// name's pointer, see VerbOffset). A verb the menu does not have fails with
// E_FAIL and invokes nothing.
HRESULT InvokeVerb(HWND Window, IContextMenu* ContextMenu, const char* Verb);
inline const char* VerbOffset(int Offset) { return MAKEINTRESOURCEA(Offset); }
// "paste" into a folder through its background menu, where the item menus
// of some shells have no paste.
HRESULT PasteIntoFolder(HWND Window, IShellFolder* ShellFolder);
HRESULT GetPidlUIObject(LPCITEMIDLIST AbsolutePidl, REFIID Iid, void** Object);
HRESULT SplitAbsolutePidl(LPCITEMIDLIST Pidl, TComPtr<IShellFolder>& ShellFolder, TPidl& ParentPidl, TPidl& ItemPidl);
HRESULT GetDesktopDropTarget(TComPtr<IDropTarget>& DropTarget);
// Drops DataObject on the folder (a special folder, or Path when Id is
// csidlNone) as at Point.
HRESULT DropDataOnFolder(TCSIDL Id, const std::string& Path, IDataObject* DataObject, POINT Point, DWORD KeyState,
                         DWORD& Effect);

// WM_MENUSELECT: the help text of a shell command item, or empty text.
std::string ShellMenuSelectHelp(IContextMenu* ContextMenu, WPARAM WParam, LPARAM LParam);
// WM_MENUCHAR: IContextMenu2 answers when it can; otherwise the key picks
// among Captions (the popup's item texts) after the highlighted item.
LRESULT ShellMenuChar(IContextMenu* ContextMenu, HMENU Menu, const std::vector<std::string>& Captions, WPARAM WParam,
                      LPARAM LParam);

// The Send To submenu: the placeholder item is replaced by the files of the
// Send To folder as owner-drawn items with their small icons.
class TRzSendToMenu : public TObject {
public:
    // Items get ids from FirstId on.
    bool Fill(HMENU SubMenu, UINT PlaceholderId, UINT FirstId);
    int Count() const { return static_cast<int>(FItems.size()); }
    const std::string& Path(int Index) const { return FItems.at(static_cast<size_t>(Index)).Path; }
    bool MeasureItem(MEASUREITEMSTRUCT& Measure) const;
    bool DrawItem(const DRAWITEMSTRUCT& Draw) const;

private:
    struct TItem {
        UINT Id;
        std::string Name, Path;
        int Icon;
    };
    const TItem* Find(UINT Id) const;
    std::vector<TItem> FItems;
};

// ---------------------------------------------------------------------------
// File details and small services
// ---------------------------------------------------------------------------

std::string FormatFileSizeKB(std::int64_t Size);
void GetFileDetails(LPCITEMIDLIST Pidl, std::string& SizeText, std::string& ModifiedText);
std::string GetFileTypeName(LPCITEMIDLIST Pidl, SFGAOF Attributes);
bool IsFolderItem(SFGAOF Attributes, bool FilesCanBeFolders);
HRESULT GetDesktopParentAndItem(TPidl& ParentPidl, TPidl& ItemPidl);
HWND GetParentFormWindow(TControl* Control);
TDateTime FileTimeToDateTimeUtc(const FILETIME& Time);
TDateTime LocalFileTimeToDateTime(const FILETIME& Time);
void SetWindowStyleBit(HWND Window, DWORD Bit, bool On);
void WaitWithHourglass(DWORD Milliseconds);
[[noreturn]] void RaiseSystemError(DWORD Code);

// ---------------------------------------------------------------------------
// Per-item data of the tree, list and combo
// ---------------------------------------------------------------------------

class TRzShellTreeData : public TObject {
public:
    // Parent null: a root node.
    TRzShellTreeData(TRzShellTreeData* Parent, LPCITEMIDLIST RelIdList);
    TRzShellTreeData* Parent() const { return FParent; }
    LPCITEMIDLIST RelIdList() const { return FRelIdList.Get(); }
    void SetRelativeIdList(LPCITEMIDLIST Value);
    LPCITEMIDLIST AbsIdList();
    std::string Path();
    IShellFolder* ShellFolder();
    IShellFolder* ParentShellFolder();
    bool CanRename();

private:
    TRzShellTreeData* FParent;
    TPidl FRelIdList, FAbsIdList;
    TComPtr<IShellFolder> FShellFolder, FRootParentFolder;
    bool FFolderTried = false;
};

// What a list item needs of its list.
class TRzShellListContext {
public:
    virtual ~TRzShellListContext() = default;
    virtual IShellFolder* ListFolder() = 0;
    virtual LPCITEMIDLIST ListFolderIdList() = 0;
    virtual bool FilesCanBeFolders() { return false; }
    virtual IShellDetails* ListShellDetails() { return nullptr; }
};

class TRzShellListData : public TObject {
public:
    TRzShellListData(TRzShellListContext* List, LPCITEMIDLIST RelIdList);
    LPCITEMIDLIST RelIdList() const { return FRelIdList.Get(); }
    LPCITEMIDLIST AbsIdList();
    SFGAOF Attributes();
    bool IsFolder();
    bool CanRename();
    bool IsShortcut();
    std::string DisplayName();
    std::string Path();
    std::string FileName();
    std::string SizeText();
    std::string ModifiedText();
    std::string TypeText();
    // Column 0 is the name; without column details, 1 to 3 are size, type
    // and modified.
    std::string ColumnText(int Column);

private:
    void FetchDetails();
    TRzShellListContext* FList;
    TPidl FRelIdList, FAbsIdList;
    bool FHaveAttributes = false, FHaveName = false, FHaveDetails = false;
    SFGAOF FAttributes = 0;
    std::string FDisplayName, FSize, FModified, FType;
};

class TRzShellComboData : public TObject {
public:
    TRzShellComboData(IShellFolder* ParentFolder, LPCITEMIDLIST RelIdList, LPCITEMIDLIST ParentAbsIdList);
    IShellFolder* ParentFolder() const { return FParentFolder.Get(); }
    LPCITEMIDLIST RelIdList() const { return FRelIdList.Get(); }
    LPCITEMIDLIST ParentAbsIdList() const { return FParentAbsIdList.Get(); }
    LPCITEMIDLIST AbsIdList() const { return FAbsIdList.Get(); }
    IShellFolder* ShellFolder();

private:
    TComPtr<IShellFolder> FParentFolder, FShellFolder;
    TPidl FRelIdList, FParentAbsIdList, FAbsIdList;
};
