#pragma once
// Item-ID lists (PIDLs) and the plain routines of the shell namespace:
// allocation, measuring, copying, comparing, paths, special folders, names,
// icons and the system image lists, shortcuts, positional messages, the PIDL
// list and the process-wide device-change dispatcher. GUI thread only.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Cleanup.h"
#include "classlib/ComObj.h"
#include "classlib/Messages.h"

// Special folders are the CSIDL numbers 0..49; this one means "none".
using TCSIDL = unsigned char;
constexpr TCSIDL csidlNone = 50;
constexpr TCSIDL csidlDesktop = CSIDL_DESKTOP;
constexpr TCSIDL csidlDrives = CSIDL_DRIVES;
constexpr TCSIDL csidlSendTo = CSIDL_SENDTO;
constexpr TCSIDL csidlDesktopDirectory = CSIDL_DESKTOPDIRECTORY;

// Which display name GetDisplayNameOf is asked for.
enum class TRzNameKind : unsigned char { Normal, InFolder, ForParsing, ForEditing };
enum class TRzImageListSize : unsigned char { Small, Large };

// The message the device-change window posts to itself before it calls the
// registered handlers, so they run outside the broadcast.
constexpr UINT RZSH_DEVICECHANGE = WM_USER + 100;

// ---------------------------------------------------------------------------
// Unit state: versions read once at start-up
// ---------------------------------------------------------------------------

struct TRzFileVersion {
    DWORD MS = 0; // major << 16 | minor
    DWORD LS = 0; // release << 16 | build
};
const OSVERSIONINFOA& ShellOsVersion();
TRzFileVersion ComCtlVersion();
TRzFileVersion Shell32Version();
// True when the version is at least Major.Minor.
bool VersionAtLeast(const TRzFileVersion& V, WORD Major, WORD Minor);

// ---------------------------------------------------------------------------
// Allocation and measurement
// ---------------------------------------------------------------------------

void* ShellMemAlloc(SIZE_T Size);
void ShellMemFree(void* Ptr);
IMalloc* ShellMalloc(); // borrowed; lives as long as the process

int IdListLen(LPCITEMIDLIST Pidl);
int IdListSize(LPCITEMIDLIST Pidl);
inline int HResultCode(HRESULT Result) { return static_cast<int>(static_cast<unsigned>(Result) & 0xFFFF); }

// With Malloc null the shell allocator serves; null when allocation fails.
LPITEMIDLIST CopyIdList(IMalloc* Malloc, LPCITEMIDLIST Pidl);
LPITEMIDLIST ConcatIdLists(IMalloc* Malloc, LPCITEMIDLIST Pidl1, LPCITEMIDLIST Pidl2);
// The same through the shell allocator, owned.
TPidl CopyIdList(LPCITEMIDLIST Pidl);
TPidl ConcatIdLists(LPCITEMIDLIST Pidl1, LPCITEMIDLIST Pidl2);

constexpr int CompareFailed = 0x7FFFFFFF;
int CompareAbsIdLists(LPCITEMIDLIST Pidl1, LPCITEMIDLIST Pidl2);
int CompareIdListBytes(LPCITEMIDLIST Pidl1, LPCITEMIDLIST Pidl2);
// The signed 16-bit comparison a folder's CompareIDs result carries.
inline int CompareIdsResult(HRESULT Result) { return static_cast<short>(HResultCode(Result)); }

// ---------------------------------------------------------------------------
// Namespace
// ---------------------------------------------------------------------------

HRESULT ShellGetDesktopFolder(TComPtr<IShellFolder>& ShellFolder);
HRESULT ShellBindToFolder(LPCITEMIDLIST Pidl, TComPtr<IShellFolder>& ShellFolder);
// A path longer than MAX_PATH characters names its existing item, found
// level by level; one naming nothing fails with ERROR_FILENAME_EXCED_RANGE
// rather than being cut to name another file.
HRESULT ShellPathToPidl(const std::string& Path, TPidl& Pidl);
// A file-system item's path of any length; empty for other items.
std::wstring ShellPidlToWidePath(LPCITEMIDLIST Pidl);
// An item's name of that kind, as wide text; empty when the folder gives none.
std::wstring WideDisplayName(IShellFolder* Within, LPCITEMIDLIST Item, SHGDNF Kind);
// ShellPidlToWidePath's path in the form the ANSI calls open.
std::string ShellPidlToPath(LPCITEMIDLIST Pidl);
HRESULT ShellGetSpecialFolderPidl(HWND Window, TCSIDL Id, TPidl& Pidl);
std::string ShellGetSpecialFolderPath(HWND Window, TCSIDL Id);
TCSIDL ShellGetSpecialFolderIdFromPidl(LPCITEMIDLIST Pidl);

// A STRRET as text; a wide string is freed. Item is the list an offset
// result points into.
std::string StrRetToText(STRRET& Ret, LPCITEMIDLIST Item);
std::string ShellGetDisplayNameFromFolder(IShellFolder* ShellFolder, LPCITEMIDLIST Pidl, TRzNameKind Kind);
std::string ShellGetDisplayNameFromPidl(LPCITEMIDLIST Pidl);

int ShellGetIconIndexFromPidl(LPCITEMIDLIST Pidl, UINT Flags);
int ShellGetIconIndexFromPath(const std::string& Path, UINT Flags);
// Raises EOleSysError when the special folder cannot be located.
int ShellGetSpecialIconIndex(TCSIDL Id, UINT Flags);
// The shared system image list: never destroy it.
HIMAGELIST ShellGetSystemImageList(TRzImageListSize Size);
// The overlay icons went into the system image lists (once per process).
bool ShellOverlayIconsInstalled();

void ShellValidateDrives();
void ShellSuspendDriveValidation();
void ShellResumeDriveValidation();
// How many validations reached the shell so far.
int ShellDriveValidationCount();

enum TRzShortcutField : unsigned char {
    sfPath = 1 << 0, sfDescription = 1 << 1, sfArguments = 1 << 2,
    sfIcon = 1 << 3, sfWorkingDirectory = 1 << 4, sfShowCmd = 1 << 5,
};
struct TRzShortcut {
    std::string Path;
    unsigned char Valid = 0; // TRzShortcutField bits
    std::string Description;
    std::string Arguments;
    std::string IconPath;
    int IconIndex = 0;
    std::string WorkingDirectory;
    int ShowCmd = 0;
    WORD HotKey = 0;
    bool NoUI = true;
    TPidl IdList;
    WIN32_FIND_DATAA FindData{};
};
HRESULT ShellResolveShortcut(const std::string& FileName, TRzShortcut& Shortcut, bool WantIdList);

bool NetDriveConnected(char Drive);
bool GetFileVersion(const std::string& FileName, TRzFileVersion& Version);

// Critical-error boxes off for a scope: a removable drive without a disk
// then fails quietly instead of asking the user.
class TRzErrorModeScope {
public:
    TRzErrorModeScope() : FOld(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~TRzErrorModeScope() { SetErrorMode(FOld); }
    TRzErrorModeScope(const TRzErrorModeScope&) = delete;
    TRzErrorModeScope& operator=(const TRzErrorModeScope&) = delete;

private:
    UINT FOld;
};

// The hourglass cursor for a scope.
class TRzHourglass {
public:
    TRzHourglass() : FOld(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~TRzHourglass() { SetCursor(FOld); }
    TRzHourglass(const TRzHourglass&) = delete;
    TRzHourglass& operator=(const TRzHourglass&) = delete;

private:
    HCURSOR FOld;
};

// ---------------------------------------------------------------------------
// Text routines (ANSI code page, double-byte aware)
// ---------------------------------------------------------------------------

std::string EnsureTrailingChar(const std::string& Text, char Ch);
std::string TrimRightDB(const std::string& Text);
// Index is 1-based, as the callers walk text by position.
void AppendCharDB(int& Index, const std::string& Source, std::string& Dest);
constexpr int FormatStrPosMaxArgs = 50;
// "%1".."%n" replaced by Args; Exception past FormatStrPosMaxArgs.
std::string FormatStrPos(const std::string& Fmt, const std::vector<std::string>& Args);

// The mouse's wheel-scroll lines (WHEEL_PAGESCROLL: a page per notch), as
// the wheel handlers read them; tests put their own value here.
extern std::function<UINT()> GWheelScrollLinesQuery;
// Answers the wheel-lines query with Query until the scope ends.
class TWheelScrollLinesScope : private TRestoreScope<std::function<UINT()>> {
public:
    explicit TWheelScrollLinesScope(std::function<UINT()> Query)
        : TRestoreScope(GWheelScrollLinesQuery, std::move(Query))
    {
    }
};
// One wheel notch: a page, or the wheel-lines count of lines (one for a
// horizontal bar), each only while the bar can move.
bool WheelScroll(HWND Window, int Bar, WORD LineCode, WORD PageCode);

// ---------------------------------------------------------------------------
// TRzIdListArray: one absolute list seen as an array of items
// ---------------------------------------------------------------------------

class TRzIdListArray : public TObject {
public:
    explicit TRzIdListArray(LPCITEMIDLIST Pidl) : FPidl(Pidl) {}
    int Count() const;
    // Results stay owned by the array until the next call.
    LPITEMIDLIST CopyFirst(int DropLast);
    LPITEMIDLIST Item(int Index);

private:
    LPCITEMIDLIST FPidl;
    TPidl FResult;
};

// ---------------------------------------------------------------------------
// TRzPidlList: item-ID lists with a data word, optionally sorted
// ---------------------------------------------------------------------------

class TRzPidlList : public TObject {
public:
    TRzPidlList() = default;
    ~TRzPidlList() override;

    int Add(LPITEMIDLIST Pidl) { return AddObject(Pidl, 0); }
    virtual int AddObject(LPITEMIDLIST Pidl, std::intptr_t Data);
    int IndexOf(LPCITEMIDLIST Pidl);
    // Sorted lists only: the index of Pidl or where it belongs.
    bool Find(LPCITEMIDLIST Pidl, int& Index);
    void Delete(int Index);
    void Clear();
    int Count() const { return static_cast<int>(FItems.size()); }
    LPITEMIDLIST Pidls(int Index) const;
    std::intptr_t Objects(int Index) const;
    int Capacity() const { return static_cast<int>(FItems.capacity()); }
    void SetCapacity(int Value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    IShellFolder* ShellFolder() const { return FShellFolder.Get(); }
    void SetShellFolder(IShellFolder* Value) { FShellFolder = TComPtr<IShellFolder>::AddRefOf(Value); }
    // When set, Delete and Clear free the lists through it.
    IMalloc* Malloc() const { return FMalloc.Get(); }
    void SetMalloc(IMalloc* Value) { FMalloc = TComPtr<IMalloc>::AddRefOf(Value); }
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

private:
    struct TEntry {
        LPITEMIDLIST Pidl;
        std::intptr_t Data;
    };
    int Compare(LPCITEMIDLIST A, LPCITEMIDLIST B) const;
    void CheckIndex(int Index) const;
    void FreeEntry(TEntry& E);
    std::vector<TEntry> FItems;
    bool FSorted = false;
    TComPtr<IShellFolder> FShellFolder;
    TComPtr<IMalloc> FMalloc;
    TDuplicates FDuplicates = dupError;
};

// ---------------------------------------------------------------------------
// TRzDeviceChangeHandler: one hidden window dispatching WM_DEVICECHANGE
// ---------------------------------------------------------------------------

// A handler is a routine and the instance it runs for; two records are the
// same handler when both match.
struct TRzDeviceChangeMethod {
    void (*Code)(void* Data, TMessage& Message) = nullptr;
    void* Data = nullptr;
    bool operator==(const TRzDeviceChangeMethod&) const = default;
};

class TRzDeviceChangeHandler : public TObject {
public:
    TRzDeviceChangeHandler();
    ~TRzDeviceChangeHandler() override;
    void Register(const TRzDeviceChangeMethod& Handler);
    void Unregister(const TRzDeviceChangeMethod& Handler);
    HWND Handle() const { return FHandle; }
    int HandlerCount() const { return static_cast<int>(FHandlers.size()); }
    // The window's messages.
    void Dispatch(TMessage& Message);

private:
    HWND FHandle = nullptr;
    std::vector<TRzDeviceChangeMethod> FHandlers;
};

// The process's one dispatcher, made on first use.
TRzDeviceChangeHandler* DeviceChangeHandler();
