#include "foundation/KvFolderDlg.h"

#include <float.h>
#include <objbase.h>
#include <shlobj.h>

#include <vector>

#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSystem.h"
#include "foundation/KvWindows.h"

namespace {

const int NetworkFolderId = 18;
const UINT SetSelectionA = WM_USER + 102;

// The program's other top-level windows are disabled while the browser
// runs, so no second modal window can open over it.
class TTaskWindowLock {
public:
    explicit TTaskWindowLock(HWND Keep) : FKeep(Keep)
    {
        FActive = GetActiveWindow();
        EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(this));
        for (HWND w : FDisabled)
            EnableWindow(w, FALSE);
    }
    ~TTaskWindowLock()
    {
        for (HWND w : FDisabled)
            if (IsWindow(w))
                EnableWindow(w, TRUE);
        if (FActive && IsWindow(FActive))
            SetActiveWindow(FActive);
    }
    TTaskWindowLock(const TTaskWindowLock&) = delete;
    TTaskWindowLock& operator=(const TTaskWindowLock&) = delete;

private:
    static BOOL CALLBACK Collect(HWND Window, LPARAM Self)
    {
        auto* self = reinterpret_cast<TTaskWindowLock*>(Self);
        if (Window != self->FKeep && IsWindowVisible(Window) && IsWindowEnabled(Window))
            self->FDisabled.push_back(Window);
        return TRUE;
    }

    HWND FKeep;
    HWND FActive = nullptr;
    std::vector<HWND> FDisabled;
};

class TComApartment {
public:
    TComApartment() : FOk(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~TComApartment()
    {
        if (FOk)
            CoUninitialize();
    }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;

private:
    bool FOk;
};

// An item-ID list owned by the shell allocator.
class TItemList {
public:
    TItemList() = default;
    ~TItemList() { CoTaskMemFree(FList); }
    TItemList(const TItemList&) = delete;
    TItemList& operator=(const TItemList&) = delete;
    LPITEMIDLIST* Out() { return &FList; }
    LPITEMIDLIST Get() const { return FList; }
    void Reset(LPITEMIDLIST List)
    {
        CoTaskMemFree(FList);
        FList = List;
    }

private:
    LPITEMIDLIST FList = nullptr;
};

int CALLBACK BrowseCallback(HWND Dialog, UINT Msg, LPARAM, LPARAM Data)
{
    const auto* start = reinterpret_cast<const std::string*>(Data);
    if (Msg == BFFM_INITIALIZED && start && !start->empty())
        SendMessageA(Dialog, SetSelectionA, TRUE, reinterpret_cast<LPARAM>(start->c_str()));
    return 0;
}

}  // namespace

TBrowseStart SplitBrowseStart(const std::string& FolderPath)
{
    TBrowseStart r;
    if (!FolderPath.empty() && !HasTrailingSlash(FolderPath) &&
        (HasWildcardName(FolderPath) || !FolderExists(FolderPath))) {
        const int namePos = FileNamePos(FolderPath);
        if (namePos > 0) {
            r.Mask = FolderPath.substr(namePos - 1);
            r.StartFolder = FolderPath.substr(0, namePos - 1);
        } else if (!ContainsBackslash(FolderPath) && HasWildcardName(FolderPath)) {
            r.Mask = FolderPath;
        } else {
            r.StartFolder = FolderPath;
        }
    } else {
        r.StartFolder = FolderPath;
    }
    r.StartFolder = ExcludeTrailingSlash(r.StartFolder);
    if (r.StartFolder.size() == 2 && r.StartFolder[1] == ':')
        r.StartFolder += '\\';
    return r;
}

std::string BrowseCaption(const std::string& Title, const std::string& FolderPath)
{
    return (Title.empty() ? std::string("Default folder: ") : Title) +
           (FolderPath.empty() ? std::string("[not specified]") : FolderPath);
}

int BrowseRootFolderId(bool CtrlDown)
{
    return CtrlDown ? NetworkFolderId : 0;
}

std::string ChosenFolderText(const std::string& Path, const std::string& DisplayName,
                             const std::string& Mask)
{
    const std::string folder =
        Path.empty() ? "\\\\" + DisplayName + "\\" : AddTrailingBackslash(Path);
    return folder + Mask;
}

bool TFolderDialog::Execute(HWND Owner, const std::string& Title, std::string& FolderPath)
{
    const TBrowseStart start = SplitBrowseStart(FolderPath);
    const std::string caption = BrowseCaption(Title, FolderPath);
    if (!Owner)
        Owner = GHooks.ApplicationWindow ? GHooks.ApplicationWindow() : nullptr;

    TComApartment com;
    TItemList root;
    const int rootId = BrowseRootFolderId(IsCtrlKeyDown());
    if (rootId != 0 && FAILED(SHGetSpecialFolderLocation(Owner, rootId, root.Out())))
        root.Reset(nullptr);
    char* name = static_cast<char*>(CoTaskMemAlloc(MAX_PATH + 1));
    if (!name)
        return false;
    name[0] = '\0';

    BROWSEINFOA info{};
    info.hwndOwner = Owner;
    info.pidlRoot = root.Get();
    info.pszDisplayName = name;
    info.lpszTitle = caption.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&start.StartFolder);

    TItemList chosen;
    {
        TTaskWindowLock lock(Owner);
        chosen.Reset(SHBrowseForFolderA(&info));
        // Shell extensions may leave the floating-point unit in another mode.
        _fpreset();
    }
    bool ok = false;
    if (chosen.Get()) {
        char path[MAX_PATH + 1] = {};
        const std::string p = SHGetPathFromIDListA(chosen.Get(), path) ? path : "";
        FolderPath = ChosenFolderText(p, name, start.Mask);
        ok = true;
    }
    CoTaskMemFree(name);
    return ok;
}

bool BrowseForFolder(std::string& FolderPath, HWND Owner, const std::string& Title)
{
    if (!Owner && GHooks.MainFormWindow)
        Owner = GHooks.MainFormWindow();
    TFolderDialog dialog;
    return dialog.Execute(Owner, Title, FolderPath);
}
