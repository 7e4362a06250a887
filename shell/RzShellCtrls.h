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
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Cleanup.h"
#include "classlib/ComObj.h"
#include "classlib/Streams.h"
#include "classlib/Threads.h"
#include "classlib/ExtCtrls.h"
#include "classlib/ImgList.h"
#include "controls/RzCmboBx.h"
#include "shell/RzListVw.h"
#include "shell/RzShellUtils.h"
#include "shell/RzTreeVw.h"

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

// Who owns what while the threads run:
// - the slots, and the handles in them, belong to the watcher thread; the
//   GUI thread changes them only through a command the watcher answers,
//   and takes them over once the watcher has ended;
// - a watch being added is in FPending: whoever takes it out owns it;
// - a watch being reopened leaves its handle in a TReopen that goes
//   through the shared record (FShare): the reopening thread that takes it
//   from the record's queue owns it until it puts it back, the watcher
//   from then on; its record stays in its slot, without a handle;
// - the shared record is held by the watcher and by each reopening thread,
//   and whoever leaves last frees it (with any handle still in it). No
//   thread holds the watcher, so freeing it (Free(), delete, TOwned) waits
//   only for the watcher thread, which leaves at once, and never for a
//   reopen that is still in its file calls: that one finds the record
//   abandoned when its calls return, closes its handle and goes;
// - a reopen held in its calls holds only its own watch: the next due
//   reopen that finds no idle reopening thread starts another.
class TChangeHandlerThread : public TThread {
public:
    static constexpr int SlotCount = MAXIMUM_WAIT_OBJECTS - 1;
    static constexpr DWORD DefaultCommandTimeout = 2000;
    // How often a quiet watcher lets go of each folder it watches and opens
    // it again, so that a folder removed or renamed meanwhile is told.
    static constexpr DWORD ReopenInterval = 1000;
    // Opens the change-notification handle of a folder given in its wide
    // "\\?\" form; the reopening threads call it too.
    using TOpener = std::function<HANDLE(const std::wstring& Path, bool WatchSubtree, DWORD NotifyFilter)>;

    // Starts watching at once; changes are posted to Window as Message with
    // the slot in wParam.
    TChangeHandlerThread(HWND Window, UINT Message);
    ~TChangeHandlerThread() override;
    void BeforeDestruction() override;

    // Path is an ANSI path of any length; it is watched through the wide
    // API.
    bool AddWatch(const std::string& Path, DWORD NotifyFilter, int& Slot, bool WatchSubtree);
    bool RemoveAllWatches();

    // How long the GUI thread waits for the watcher to take a command.
    DWORD CommandTimeout() const { return FCommandTimeout; }
    void SetCommandTimeout(DWORD Value) { FCommandTimeout = Value; }
    // Runs on the watcher before each command (tests hold it back here).
    std::function<void()> OnBeforeCommand;
    // Replaces how watches are opened (tests record and hold them); set it
    // before the first watch.
    void SetOpener(TOpener Opener);
    // Slots in use; ask only while no command runs.
    int UsedSlots() const;

protected:
    void Execute() override;

private:
    enum class TCommand : unsigned char { Add = 0, CloseAll = 2, Quit = 3 };
    // One folder watch: its handle (none while it is being reopened), what
    // it was opened on, and the number that tells it from a later watch in
    // the same slot.
    struct TWatch {
        HANDLE Handle;
        std::wstring Path;
        DWORD Filter;
        bool Subtree;
        unsigned Serial = 0;
    };
    // A watch's handle on its way through a reopening thread and back, with
    // the slot and serial that say whether the slot still wants it.
    struct TReopen {
        int Slot;
        unsigned Serial;
        std::wstring Path;
        DWORD Filter;
        HANDLE Handle;
        bool Changed = false;
    };
    struct TReopenShare;
    bool SendCommand(TCommand Command);
    void CloseSlot(int Slot);
    void Notify(int Slot);
    void HandOverReopens();
    void TakeReopened();
    static void ReopenOne(TReopen& Reopen, const TOpener& Open, const std::atomic<bool>& Abandoned);
    static DWORD WINAPI ReopenProc(LPVOID Param);
    void StartReopener();
    void StopWatcher();

    TKernelHandle FCommandEvent;
    TKernelHandle FAckEvent;
    // Changes hands by exchange only: whoever takes it out owns it.
    std::atomic<TWatch*> FPending{nullptr};
    HWND FWindow;
    UINT FMessage;
    // A free slot is empty.
    std::vector<std::unique_ptr<TWatch>> FSlots;
    unsigned FWatchSerial = 0;
    // Reopens handed to the shared record and not yet taken back.
    size_t FReopensOut = 0;
    std::atomic<int> FResultSlot{-1};
    // Each command has a number, and an acknowledgement names the one it
    // answers, so a late answer is never taken for the next command's.
    std::atomic<unsigned> FCommandSerial{0};
    std::atomic<unsigned> FAckSerial{0};
    std::atomic<TCommand> FCommand{TCommand::Add};
    DWORD FCommandTimeout = DefaultCommandTimeout;
    bool FDestroyed = false;
    std::shared_ptr<TReopenShare> FShare;
};

using TChangeWatcher = TOwned<TChangeHandlerThread>;

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
    // The root's own folder, bound by the tree.
    void SetShellFolder(IShellFolder* Value);
    // Drops the cached absolute list and folder (an ancestor was renamed).
    void ForgetCache();
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

enum class TRzDiskKind : unsigned char { Unknown, File, Directory };

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
    // What the item's id list itself says of it on disk (no trip to the
    // file system): File or Directory with the name on disk and the
    // attributes the listing found, or Unknown.
    TRzDiskKind DiskKind(std::string& NameOnDisk, DWORD* FileAttributes = nullptr);
    std::string SizeText();
    std::string ModifiedText();
    std::string TypeText();
    // The system small image list's index, asked once.
    int SmallIconIndex();
    // Column 0 is the name; without column details, 1 to 3 are size, type
    // and modified.
    std::string ColumnText(int Column);

private:
    void FetchDetails();
    TRzShellListContext* FList;
    TPidl FRelIdList, FAbsIdList;
    bool FHaveAttributes = false, FHaveName = false, FHaveDetails = false;
    SFGAOF FAttributes = 0;
    int FSmallIcon = -1;
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

// ---------------------------------------------------------------------------
// The browsing controls: shell tree, shell list, shell combo
// (RzShellCtrlsTree.cpp, RzShellCtrlsList.cpp, RzShellCtrlsDrag.cpp)
// ---------------------------------------------------------------------------

class TRzCustomShellTree;

// What a tree asks of the folder list linked to it.
class TRzShellListLink {
public:
    virtual ~TRzShellListLink() = default;
    virtual TComponent* LinkComponent() = 0;
    virtual TRzShellLocator* Folder() const = 0;
    // Folders are left to the tree.
    virtual bool HidesFoldersWhenLinked() const = 0;
    // Shows the folder of a selected tree node.
    virtual void ShowFolderOfNode(TTreeNode* Node) = 0;
    // Told by the tree when it links or unlinks itself.
    virtual void SetLinkedTree(TRzCustomShellTree* Tree) = 0;
};

// What a tree or list asks of the folder combo linked to it.
class TRzShellComboLink {
public:
    virtual ~TRzShellComboLink() = default;
    virtual TComponent* LinkComponent() = 0;
    virtual TRzShellLocator* SelectedFolder() const = 0;
    virtual void TreeNodeSelected(TTreeNode* Node) = 0;
    virtual void GoUp(int Levels) = 0;
};

// Private messages of the browsing controls.
constexpr UINT RZSH_EDITNEWFOLDER = WM_USER + 102;
constexpr UINT RZSH_DEFERREDFILL = WM_USER + 103;

using TRzShAddItemEvent = std::function<void(TObject* Sender, IShellFolder* ParentIShf, LPCITEMIDLIST ParentAbsIdList,
                                             LPCITEMIDLIST ItemRelIdList, int Attribs, BOOL& AllowAdd)>;
using TRzShTreeInsertItemEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TRzShTreeDeleteItemEvent = std::function<void(TObject* Sender, TTreeNode* Node, TRzShellTreeData* TreeData)>;
using TRzShPopupHintEvent = std::function<void(TObject* Sender, const std::string& Hint)>;

// Options of the shell tree (bit numbers as stored).
enum TRzShellTreeOption : unsigned short {
    stoAutoFill = 1 << 0,
    stoVirtualFolders = 1 << 1,
    stoDesignInteractive = 1 << 2,
    stoDefaultKeyHandling = 1 << 3,
    stoContextMenus = 1 << 4,
    stoDynamicRefresh = 1 << 5,
    stoIncludeNonFolders = 1 << 6,
    stoOleDrag = 1 << 7,
    stoOleDrop = 1 << 8,
    stoShowHidden = 1 << 9,
};
using TRzShellTreeOptions = unsigned short;
constexpr TRzShellTreeOptions DefaultShellTreeOptions = 955;

// What the change timer of a tree or list will do at its next tick.
enum class TRzShellPending : unsigned char { None = 0, Sync = 1, Refresh = 2 };

// ---------------------------------------------------------------------------
// Shared by the browsing controls (RzShellCtrlsData.cpp)
// ---------------------------------------------------------------------------

// Delays of the change timer after a notice, focused or not.
constexpr unsigned ShellFocusedRefreshDelay = 400;
constexpr unsigned ShellUnfocusedRefreshDelay = 2000;
// WM_DEVICECHANGE events that change the drives.
constexpr WPARAM ShellDeviceArrival = 0x8000;
constexpr WPARAM ShellDeviceRemoveComplete = 0x8004;
// The menu command of "rename" among the item menus' own.
constexpr UINT ShellRenameCommand = ShellMenuFirstId + 18;

// Counts up for the life of the scope.
class TRzCountScope {
public:
    explicit TRzCountScope(int& Counter) : FCounter(Counter) { ++FCounter; }
    ~TRzCountScope() { --FCounter; }
    TRzCountScope(const TRzCountScope&) = delete;
    TRzCountScope& operator=(const TRzCountScope&) = delete;

private:
    int& FCounter;
};

// What a control does with a change notice: nothing when it caused the
// change itself; while a drag or shell menu runs, the refresh is kept for
// its end; otherwise the timer starts (true).
bool TakeChangeNotice(bool& IgnoreNext, bool Interaction, bool& RefreshPending);
void RestartTimer(TTimer* Timer, unsigned Interval);

// A menu message of a shell menu on screen, after the control's own
// handling: handed to the menu, WM_MENUSELECT as a hint. False for other
// messages.
bool IsShellMenuMessage(UINT Msg);
void ForwardShellMenuMessage(IContextMenu2* Menu, TMessage& Message,
                             const std::function<void(const std::string&)>& Hint);

// Brings two lists of one folder's items in line: Now gets what the folder
// enumerates with Flags, both are sorted by the folder, and what is in both
// leaves both. Old keeps the vanished items, Now the new ones.
void DiffFolderItems(IShellFolder* ShellFolder, HWND Owner, DWORD Flags, TRzPidlList& Old, TRzPidlList& Now);

// A control's drop target, registered with its window, and taken back.
void RegisterControlDropTarget(TWinControl* Control, TComPtr<IDropTarget>& Slot, IDropTarget* Made);
void RevokeControlDropTarget(TWinControl* Control, TComPtr<IDropTarget>& Slot);
// The effect a shell target would give (enter, over, leave).
DWORD AskShellDropTarget(IDropTarget* Target, IDataObject* Data, DWORD Keys, POINTL Point, DWORD Effect);
// Drops on a shell target: enter, over, the effect masked by what the
// dropped items allow, then the drop; the effect it reports.
DWORD DropOnShellTarget(IDropTarget* Target, IDataObject* Data, DWORD Keys, POINTL Point, DWORD Effect);

// The state a drop target keeps between the calls of one drag.
struct TRzDragState {
    TComPtr<IDataObject> DataObject;
    DWORD EnterKeyState = 0;
    DWORD LastScrollTime = 0, LastHoverTime = 0;
    TPoint HoverPoint;
};

// The data a drag of shell items carries: a "Shell IDList Array" block and a
// file-drop block, offered in that order.
class TRzShellDataObject : public TComObject<IDataObject> {
public:
    // Nothing is offered when Items is empty.
    TRzShellDataObject(LPCITEMIDLIST ParentPidl, const std::vector<LPCITEMIDLIST>& Items,
                       const std::vector<std::string>& Names);
    ~TRzShellDataObject() override;
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* Format, STGMEDIUM* Medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* Format, STGMEDIUM* Medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* Format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* In, FORMATETC* Out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* Format, STGMEDIUM* Medium, BOOL Release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* Format, DWORD Flags, IAdviseSink* Sink, DWORD* Connection) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD Connection) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** Enum) override;
    const TRzFormatEtcList& Formats() const { return FFormats; }

private:
    HGLOBAL FFileDrop = nullptr;
    HGLOBAL FIdList = nullptr;
    TRzFormatEtcList FFormats;
};

// Hands the calls of OLE to a control's drag steps.
template <typename TControlClass>
class TRzShellDropTarget : public TComObject<IDropTarget> {
public:
    explicit TRzShellDropTarget(TControlClass* Control) : TComObject<IDropTarget>(IID_IDropTarget), FControl(Control) {}
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* Data, DWORD Keys, POINTL Pt, DWORD* Effect) override
    {
        return FControl->OleDragEnter(Data, Keys, Pt, *Effect);
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD Keys, POINTL Pt, DWORD* Effect) override
    {
        return FControl->OleDragOver(Keys, Pt, *Effect);
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return FControl->OleDragLeave(); }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* Data, DWORD Keys, POINTL Pt, DWORD* Effect) override
    {
        return FControl->OleDrop(Data, Keys, Pt, *Effect);
    }

private:
    TControlClass* FControl;
};

class TRzCustomShellTree : public TRzCustomTreeView {
public:
    explicit TRzCustomShellTree(TComponent* AOwner);
    ~TRzCustomShellTree() override;
    void WndProc(TMessage& Message) override;
    void SetParent(TWinControl* AParent) override;

    TRzShellLocator* BaseFolder() const { return FBaseFolder.get(); }
    void SetBaseFolder(const TRzShellLocator* Value);
    TRzShellLocator* SelectedFolder() const { return FSelectedFolder.get(); }
    void SetSelectedFolder(const TRzShellLocator* Value);
    std::string SelectedPathName();
    TRzShellTreeOptions Options() const { return FOptions; }
    void SetOptions(TRzShellTreeOptions Value);
    TRzShellListLink* ShellList() const { return FShellList; }
    void SetShellList(TRzShellListLink* Value);
    TRzShellComboLink* ShellCombo() const { return FShellCombo; }
    void SetShellCombo(TRzShellComboLink* Value);

    void FillTree();
    void RefreshTree();
    void SelectIdList(LPCITEMIDLIST AbsIdList);
    void GoUp(int Levels);
    bool CreateNewFolder();
    int InvokeVerb(TTreeNode* Node, const std::string& Verb);
    // The shell data of a node, null for a node the tree did not make.
    TRzShellTreeData* ShellData(TTreeNode* Node) const;
    // The first node (the root) or null.
    TTreeNode* RootNode() const { return RootCount() ? Root(0) : nullptr; }

    // The change timer; its tick runs the pending step.
    TTimer* ChangeTimer() const { return FChangeTimer.get(); }
    TRzShellPending Pending() const { return FPending; }
    // Runs the pending step now (the linked controls use it).
    void RunPendingStep();
    TChangeHandlerThread* ChangeThread() const { return FChangeThread.get(); }
    bool RefreshPending() const { return FRefreshPending; }
    bool InInteraction() const { return FInteraction; }
    TTreeNode* LastInserted() const { return FLastInserted; }

    TRzShAddItemEvent OnAddItem;
    TRzShTreeDeleteItemEvent OnDeleteItem;
    TRzShTreeInsertItemEvent OnInsertItem;
    TRzShPopupHintEvent OnPopupHint;
    TNotifyEvent OnFillStart;
    TNotifyEvent OnFillComplete;

    // Drag and drop (RzShellCtrlsDrag.cpp).
    virtual TComPtr<IDropSource> CreateDropSource(bool RightButton);
    virtual HRESULT OleDragEnter(IDataObject* DataObject, DWORD KeyState, POINTL Point, DWORD& Effect);
    virtual HRESULT OleDragOver(DWORD KeyState, POINTL Point, DWORD& Effect);
    virtual HRESULT OleDragLeave();
    virtual HRESULT OleDrop(IDataObject* DataObject, DWORD KeyState, POINTL Point, DWORD& Effect);
    virtual void OleDragAutoScroll(TPoint ClientPoint);
    // Starts an OLE drag of the drag node.
    void StartOleDrag(TTreeNode* Node, bool RightButton);
    DWORD GetDropEffects(TTreeNode* Node);
    IDropTarget* DropTarget() const { return FDropTarget.Get(); }
    // The state of the drag passing over the tree (tests move its clocks).
    TRzDragState& DragState() { return FDrag; }
    TTreeNode* DropHighlight() const { return FDropHighlight; }
    void SetDropHighlight(TTreeNode* Node);
    // The drop target of the node at a client point (a test seam); false
    // when the point is on no shell node.
    virtual bool FindDropTarget(TPoint ClientPoint, TTreeNode*& Node, TComPtr<IDropTarget>& Target);

protected:
    virtual HRESULT AddNewNode(IShellFolder* ParentFolder, LPCITEMIDLIST ParentAbsIdList, LPCITEMIDLIST ItemRelIdList,
                               TTreeNode* ParentNode);
    virtual bool CanAdd(IShellFolder* ParentFolder, LPCITEMIDLIST ParentAbsIdList, LPCITEMIDLIST ItemRelIdList,
                        SFGAOF Attribs);
    virtual void DeviceChange(WPARAM Event, LPARAM Data);
    virtual void FillChildren(IShellFolder* Folder, TTreeNode* ParentNode);
    // The owner window of shell UI: none while a drag hover expands.
    HWND OwnerWindow();

    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void GetImageIndex(TTreeNode* Node) override;
    void GetSelectedIndex(TTreeNode* Node) override;
    bool CanExpand(TTreeNode* Node) override;
    void Change(TTreeNode* Node) override;
    bool CanEdit(TTreeNode* Node) override;
    void Edit(TTreeNode* Node, std::string& S) override;
    void Delete(TTreeNode* Node) override;
    int CompareNodes(TTreeNode* Node1, TTreeNode* Node2) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    bool HandleNotify(NMHDR* Header, LRESULT& Result) override;
    void NodeContextMenu(TTreeNode* Node, TPoint& Pos, TPopupMenu*& Menu) override;
    // The shell menu of a node at a screen point.
    void ShowShellMenu(TTreeNode* Node, TPoint ScreenPoint);
    bool Busy() const { return FBusy > 0; }

private:
    void BaseFolderChanged(TObject*);
    void SelectedFolderChanged(TObject*);
    void TimerTick(TObject*);
    void RestartTimer(TRzShellPending Action, unsigned Interval);
    void SyncLinked(TTreeNode* Node);
    void SortChildren(TTreeNode* Node);
    DWORD EnumFlags() const;
    void RefreshNode(TTreeNode* Node, TTreeNode*& Remembered);
    void StartWatching();
    // The path of the node's parent folder in the tree, empty when it has none.
    std::string ParentPathOf(TTreeNode* Node);
    void RegisterDropTarget();
    void RevokeDropTarget();
    bool Editing() const;
    bool EndInteraction();
    static void DeviceChangeThunk(void* Data, TMessage& Message);

    std::unique_ptr<TRzShellLocator> FBaseFolder, FSelectedFolder;
    std::unique_ptr<TTimer> FChangeTimer;
    TRzShellPending FPending = TRzShellPending::None;
    TChangeWatcher FChangeThread;
    // The selected folder's parent, watched beside the drives.
    std::string FWatchedParent;
    std::unique_ptr<TCustomImageList> FImages;
    TRzShellListLink* FShellList = nullptr;
    TRzShellComboLink* FShellCombo = nullptr;
    TComPtr<IContextMenu2> FActiveMenu;
    // The node data this tree made; other nodes are left alone.
    std::unordered_set<const void*> FOwnData;
    TRzShellTreeOptions FOptions = DefaultShellTreeOptions;
    bool FSyncNow = false;
    int FBusy = 0;
    int FDragExpand = 0;
    bool FNoExpand = false;
    bool FIgnoreNextChange = false;
    bool FInteraction = false;
    bool FRefreshPending = false;
    bool FLoaded = false, FInDestroyWnd = false, FReparenting = false;
    TTreeNode* FLastInserted = nullptr;
    TTreeNode* FDragNode = nullptr;
    TComPtr<IDropTarget> FDropTarget;
    TRzDragState FDrag;
    TTreeNode* FDropHighlight = nullptr;
};

class TRzShellTree : public TRzCustomShellTree {
public:
    using TRzCustomShellTree::TRzCustomShellTree;
};

using TDropTarget_shtv = TRzShellDropTarget<TRzCustomShellTree>;

// A node's item and the folder that holds it (the root's from its split
// absolute list); null for the desktop's root item.
LPCITEMIDLIST ShellNodeItem(TRzShellTreeData* Data, TComPtr<IShellFolder>& ParentFolder, TPidl& Hold);

// The drag data of one tree node: its item under its parent folder.
TComPtr<IDataObject> MakeTreeDataObject(TRzCustomShellTree* Tree, TTreeNode* Node);

// ---------------------------------------------------------------------------
// Shell list (RzShellCtrlsList.cpp; drag and drop in RzShellCtrlsDrag.cpp)
// ---------------------------------------------------------------------------

// The shell's request for the window's shell browser.
constexpr UINT RZSH_GETSHELLBROWSER = WM_USER + 7;

enum TRzShellListOption : unsigned short {
    sloAutoFill = 1 << 0,
    sloNonFilesystemAncestors = 1 << 1,
    sloDesignInteractive = 1 << 2,
    sloDefaultKeyHandling = 1 << 3,
    sloContextMenus = 1 << 4,
    sloDontChangeFolder = 1 << 5,
    sloDontGoBelowBase = 1 << 6,
    sloDynamicRefresh = 1 << 7,
    sloHideFoldersWhenLinkedToTree = 1 << 8,
    sloOleDrag = 1 << 9,
    sloOleDrop = 1 << 10,
    sloFolderContextMenu = 1 << 11,
    sloShowHidden = 1 << 12,
    sloFilesCanBeFolders = 1 << 13,
};
using TRzShellListOptions = unsigned short;
constexpr TRzShellListOptions DefaultShellListOptions = 16027;

using TRzShListDeleteItemEvent = std::function<void(TObject* Sender, TListItem* Item, TRzShellListData* ListData)>;
using TRzShDblClickOpenEvent = std::function<void(TObject* Sender, bool& Handled)>;

enum class TRzShellColumnKind : unsigned char { None = 0, Details = 1, File = 2 };

class TRzCustomShellList : public TRzCustomListView, public TRzShellListLink, public TRzShellListContext {
public:
    explicit TRzCustomShellList(TComponent* AOwner);
    ~TRzCustomShellList() override;
    void WndProc(TMessage& Message) override;

    TRzShellLocator* Folder() const override { return FFolder.get(); }
    void SetFolder(const TRzShellLocator* Value) { FFolder->Assign(Value); }
    const std::string& FileFilter() const { return FFileFilter; }
    void SetFileFilter(const std::string& Value);
    TRzShellListOptions Options() const { return FOptions; }
    void SetOptions(TRzShellListOptions Value);
    TRzCustomShellTree* ShellTree() const { return FShellTree; }
    TRzShellComboLink* ShellCombo() const { return FShellCombo; }
    void SetShellCombo(TRzShellComboLink* Value);

    void FillList();
    void RefreshList();
    // In the list view, the column as wide as the widest name.
    void FitListColumn();
    // True while the list refills or opens a new folder's editor: the
    // selection changes then are the list's own.
    bool Refilling() const { return FRefillDepth > 0; }
    void GoUp(int Levels);
    bool CreateNewFolder(bool Edit);
    HRESULT InvokeVerbOnSelection(const std::string& Verb);
    HRESULT InvokeVerbOnFolder(const std::string& Verb);
    void OpenSelected();
    TRzShellListData* SelectedData();
    TRzShellListData* ItemData(int Index);
    // Signed and 1-based: +n ascending by column n, -n descending, 0 none.
    int SortColumn() const { return FShellSortColumn; }
    void SetSortColumn(int Value);
    TRzShellColumnKind ColumnKind() const { return FColumnKind; }

    TTimer* ChangeTimer() const { return FChangeTimer.get(); }
    TChangeHandlerThread* ChangeThread() const { return FChangeThread.get(); }
    bool InInteraction() const { return FInteraction; }
    bool RefreshPending() const { return FRefreshPending; }

    // TRzShellListLink
    TComponent* LinkComponent() override { return this; }
    bool HidesFoldersWhenLinked() const override { return FOptions & sloHideFoldersWhenLinkedToTree; }
    void ShowFolderOfNode(TTreeNode* Node) override;
    void SetLinkedTree(TRzCustomShellTree* Tree) override;
    // TRzShellListContext
    IShellFolder* ListFolder() override { return FFolderShf.Get(); }
    LPCITEMIDLIST ListFolderIdList() override { return FFolderPidl.Get(); }
    bool FilesCanBeFolders() override { return FOptions & sloFilesCanBeFolders; }
    IShellDetails* ListShellDetails() override { return FDetails.Get(); }

    TRzShAddItemEvent OnAddItem;
    TRzShListDeleteItemEvent OnDeleteItem;
    TRzShDblClickOpenEvent OnDblClickOpen;
    TNotifyEvent OnFillStart;
    TNotifyEvent OnFillComplete;
    TNotifyEvent OnFolderChanged;
    TRzShPopupHintEvent OnPopupHint;

    // Drag and drop (RzShellCtrlsDrag.cpp).
    virtual TComPtr<IDropSource> CreateDropSource(bool RightButton);
    virtual HRESULT OleDragEnter(IDataObject* DataObject, DWORD KeyState, POINTL Point, DWORD& Effect);
    virtual HRESULT OleDragOver(DWORD KeyState, POINTL Point, DWORD& Effect);
    virtual HRESULT OleDragLeave();
    virtual HRESULT OleDrop(IDataObject* DataObject, DWORD KeyState, POINTL Point, DWORD& Effect);
    void StartOleDrag(bool RightButton);
    DWORD GetDropEffects();
    IDropTarget* DropTarget() const { return FDropTarget.Get(); }
    // The shell target for a client point: the item's own, else the
    // folder's (a test seam). Item is null over the background.
    virtual void FindDropTarget(TPoint ClientPoint, TListItem*& Item, TComPtr<IDropTarget>& Target);
    // The selected shell items' relative lists, in list order.
    std::vector<LPCITEMIDLIST> SelectedIdLists();

protected:
    virtual bool CanAdd(IShellFolder* ParentFolder, LPCITEMIDLIST ParentAbsIdList, LPCITEMIDLIST ItemRelIdList,
                        SFGAOF Attribs);
    virtual void DeviceChange(WPARAM Event, LPARAM Data);
    virtual void Populate(IShellFolder* ShellFolder, LPCITEMIDLIST AbsIdList);
    virtual void BuildFilterMatches();
    virtual bool MatchesFilter(const std::string& Name, SFGAOF Attribs);
    virtual void FreeFilterMatches();
    // Binds the folder shown (tests wrap what it gives).
    virtual HRESULT BindFolder(LPCITEMIDLIST AbsIdList, TComPtr<IShellFolder>& ShellFolder);
    HWND OwnerWindow();

    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    bool HandleNotify(NMHDR* Header, LRESULT& Result) override;
    bool CanEdit(TListItem* Item) override;
    void Edit(TListItem* Item, std::string& S) override;
    void Delete(TListItem* Item) override;
    int CompareItems(TListItem* Item1, TListItem* Item2) override;
    void ColClick(TListColumn* Column) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DoItemContextMenu(TListItem* Item, TPoint& Pos, TPopupMenu*& Menu) override;
    void ShowShellMenu(TPoint ScreenPoint);

private:
    void FolderChanged(TObject*);
    void TimerTick(TObject*);
    bool AddTest(IShellFolder* ShellFolder, LPCITEMIDLIST Item, SFGAOF& Attr);
    void InsertShellItem(std::unique_ptr<TRzShellListData> Data, SFGAOF Attr);
    void SetUpColumns();
    void FileColumns();
    void DetailsColumns();
    void SaveWidths();
    void ReadSavedWidths();
    void OpenItem(TListItem* Item);
    void BrowseInto(LPCITEMIDLIST AbsIdList);
    // A shown folder removed from outside gives way to the nearest folder
    // above it that exists; true when the list moved there.
    bool LeaveVanishedFolder();
    void InvokeDefault(const std::vector<LPCITEMIDLIST>& Items);
    void StartWatching();
    void RegisterDropTarget();
    void RevokeDropTarget();
    void DeselectAll();
    void SetDropHighlight(TListItem* Item);
    bool EditingCaption() const;
    bool EndInteraction();
    bool NetworkFolder() const;
    TRzShellListData* Data(TListItem* Item) const;
    static void DeviceChangeThunk(void* Data, TMessage& Message);

    std::unique_ptr<TRzShellLocator> FFolder;
    TComPtr<IShellFolder> FFolderShf;
    TPidl FFolderPidl;
    TComPtr<IShellDetails> FDetails;
    bool FDetailsFetched = false;
    TRzShellColumnKind FColumnKind = TRzShellColumnKind::None;
    bool FSaveWidths = false;
    TRzShellListOptions FOptions = DefaultShellListOptions;
    std::string FFileFilter;
    std::unique_ptr<std::vector<std::string>> FMasks;
    std::unique_ptr<std::set<std::string>> FMatches;
    std::unique_ptr<TTimer> FChangeTimer;
    TChangeWatcher FChangeThread;
    std::unique_ptr<TCustomImageList> FSmall, FLarge;
    TRzCustomShellTree* FShellTree = nullptr;
    TRzShellComboLink* FShellCombo = nullptr;
    TComPtr<IContextMenu2> FActiveMenu;
    int FShellSortColumn = 1;
    int FFolderHookDepth = 0;
    // Raised while the list refills: selection changes are its own then,
    // not the user's.
    int FRefillDepth = 0;
    bool FIgnoreNextChange = false;
    std::string FNewFolderName;
    // The button of the drag this list runs (MK_LBUTTON or MK_RBUTTON).
    DWORD FOwnDragButton = 0;
    bool FDragStarted = false, FOwnDrag = false, FInteraction = false, FRefreshPending = false;
    bool FLoaded = false, FInCreateWnd = false, FSortSetByHandler = false, FInDestroyWnd = false;
    TComPtr<IDropTarget> FDropTarget;
    TRzDragState FDrag;
    TListItem* FDropHighlight = nullptr;
    std::unordered_set<const void*> FOwnData;
};

class TRzShellList : public TRzCustomShellList {
public:
    using TRzCustomShellList::TRzCustomShellList;
};

using TDropTarget_shlv = TRzShellDropTarget<TRzCustomShellList>;

// The drag data of the list's selection.
TComPtr<IDataObject> MakeListDataObject(TRzCustomShellList* List);

// ---------------------------------------------------------------------------
// Shell combo (RzShellCtrlsCombo.cpp)
// ---------------------------------------------------------------------------

enum TRzShellComboOption : unsigned char { scoAutofill = 1 << 0, scoNonFilesystemAncestors = 1 << 1 };
using TRzShellComboOptions = unsigned char;

// Sorts item lists by the folder's own order (column 0); a sort started
// while another runs raises "Recursive call to SortPidls".
void SortPidls(IShellFolder* ShellFolder, std::vector<TPidl>& List);

class TRzCustomShellCombo : public TRzCustomImageComboBox, public TRzShellComboLink {
public:
    explicit TRzCustomShellCombo(TComponent* AOwner);
    ~TRzCustomShellCombo() override;
    void WndProc(TMessage& Message) override;

    TRzShellLocator* SelectedFolder() const override { return FSelectedFolder.get(); }
    void SetSelectedFolder(const TRzShellLocator* Value) { FSelectedFolder->Assign(Value); }
    TRzShellComboOptions Options() const { return FOptions; }
    void SetOptions(TRzShellComboOptions Value) { FOptions = Value; }
    bool AutoDropDownCount() const { return FAutoDropDownCount; }
    void SetAutoDropDownCount(bool Value) { FAutoDropDownCount = Value; }
    TRzCustomShellTree* ShellTree() const { return FShellTree; }
    // Ignored while a list is linked.
    void SetShellTree(TRzCustomShellTree* Value);
    TRzCustomShellList* ShellList() const { return FShellList; }
    // Ignored while a tree is linked.
    void SetShellList(TRzCustomShellList* Value);

    void Refill();
    void GoUp(int Levels) override;
    void TreeNodeSelected(TTreeNode* Node) override;
    TComponent* LinkComponent() override { return this; }
    TRzShellComboData* ItemData(int Index) const;

protected:
    virtual bool CanAddItem(IShellFolder* ShellFolder, LPCITEMIDLIST Pidl, SFGAOF Attributes);
    virtual void SelectedFolderChanged();
    // Adds the children of a folder at Level (the desktop itself first at
    // -1), the whole chain down to the target, and the drives under My
    // Computer.
    virtual void FillFolderHierarchy(IShellFolder* ShellFolder, LPCITEMIDLIST FolderAbs, TRzIdListArray& Target,
                                     int Level);
    void AddPathChain(IShellFolder* ShellFolder, LPCITEMIDLIST ParentPidl, TRzIdListArray& Target, int From);
    void Loaded() override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DoDeleteItem(void* Item) override;
    void DoGetItemData(TRzImageComboBoxItem* Item) override;
    void DropDown() override;
    void Select() override;

private:
    void UpdateLinked();
    TRzImageComboBoxItem* AddShellItem(IShellFolder* ShellFolder, LPCITEMIDLIST Item, LPCITEMIDLIST ParentAbs,
                                       SFGAOF Attr, int Level, bool Named);

    std::unique_ptr<TCustomImageList> FShellImages;
    std::unique_ptr<TRzShellLocator> FSelectedFolder;
    TRzShellComboOptions FOptions = scoAutofill | scoNonFilesystemAncestors;
    bool FAutoDropDownCount = true;
    TRzCustomShellTree* FShellTree = nullptr;
    TRzCustomShellList* FShellList = nullptr;
    int FUpdateCount = 0;
};

class TRzShellCombo : public TRzCustomShellCombo {
public:
    using TRzCustomShellCombo::TRzCustomShellCombo;
};
