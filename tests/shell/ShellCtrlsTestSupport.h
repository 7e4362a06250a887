#pragma once
// Shared by the shell tree, list and combo tests: folder helpers, a list
// the tree drives, a recording drop target, a drag source that moves the
// pointer along a path, and a tree with the drag seams opened.
#include <memory>
#include <string>
#include <tuple>
#include <vector>

// First: a system header the shell's bring names a Folder the kit's shadow.
#include "testkit/TestLinks.h"

#include "shell/RzShellCtrls.h"
#include "testkit/TestFolder.h"
#include "tests/shell/ViewsTestSupport.h"

namespace shell_test {
using namespace views_test;


inline TPidl PidlOf(const std::string& Path)
{
    TPidl P;
    EXPECT_HRESULT_SUCCEEDED(ShellPathToPidl(Path, P)) << Path;
    return P;
}

inline TTreeNode* ChildNamed(TTreeNode* Parent, const std::string& Text)
{
    for (int I = 0; Parent && I < Parent->Count(); ++I)
        if (Parent->Item(I)->Text() == Text)
            return Parent->Item(I);
    return nullptr;
}

inline std::vector<std::string> ChildTexts(TTreeNode* Parent)
{
    std::vector<std::string> T;
    for (int I = 0; Parent && I < Parent->Count(); ++I)
        T.push_back(Parent->Item(I)->Text());
    return T;
}

inline bool IsDir(const std::string& Path)
{
    const DWORD A = GetFileAttributesA(Path.c_str());
    return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY);
}

// Folders removed (no new name) or renamed beside themselves, by this
// process's file calls or by Wine's command interpreter, a process of its own.
inline const std::tuple<const char*, const char*, bool> OutsideChanges[] = {
    {"gone here", "", false}, {"gone there", "", true}, {"ren here", "ren now", false}, {"ren there", "moved", true}};

inline bool ChangeFromOutside(const std::string& Folder, const std::string& NewName, bool OtherProcess)
{
    const std::string Moved = Folder.substr(0, Folder.find_last_of('\\') + 1) + NewName;
    if (OtherProcess)
        return RunUnixTool("cmd /c " + (NewName.empty() ? "rmdir \"" + Folder + "\""
                                                        : "ren \"" + Folder + "\" \"" + NewName + "\""));
    return NewName.empty() ? RemoveDirectoryA(Folder.c_str()) : MoveFileA(Folder.c_str(), Moved.c_str());
}

template <typename TDone>
bool PumpUntil(TDone Done)
{
    for (const DWORD Began = GetTickCount(); !Done() && GetTickCount() - Began < 10000; Pump())
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    return Done();
}

// A list the tree drives, recording the folders it is shown.
class TRecordingList : public TComponent, public TRzShellListLink {
public:
    using TComponent::TComponent;
    TComponent* LinkComponent() override { return this; }
    TRzShellLocator* Folder() const override { return const_cast<TRzShellLocator*>(&FFolder); }
    bool HidesFoldersWhenLinked() const override { return false; }
    void ShowFolderOfNode(TTreeNode* Node) override { Shown.push_back(Node->Text()); }
    void SetLinkedTree(TRzCustomShellTree* Tree) override { LinkedTree = Tree; }
    std::vector<std::string> Shown;
    TRzCustomShellTree* LinkedTree = nullptr;

private:
    TRzShellLocator FFolder;
};

// Records what a drop hands to the shell's target.
class TFakeDropTarget : public TComObject<IDropTarget> {
public:
    TFakeDropTarget() : TComObject<IDropTarget>(IID_IDropTarget) {}
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* Effect) override
    {
        ++Enters;
        *Effect &= Accept;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* Effect) override
    {
        *Effect &= Accept;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* Data, DWORD Keys, POINTL, DWORD* Effect) override
    {
        ++Drops;
        DropKeys = Keys;
        DropEffect = *Effect;
        FORMATETC F{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM M{};
        if (SUCCEEDED(Data->GetData(&F, &M))) {
            char Name[MAX_PATH] = {};
            DragQueryFileA(static_cast<HDROP>(M.hGlobal), 0, Name, MAX_PATH);
            DroppedFile = Name;
            ReleaseStgMedium(&M);
        }
        F.cfFormat = static_cast<CLIPFORMAT>(ShellIdListFormat());
        if (SUCCEEDED(Data->GetData(&F, &M))) {
            auto* Cida = static_cast<CIDA*>(GlobalLock(M.hGlobal));
            IdListCount = Cida ? static_cast<int>(Cida->cidl) : -1;
            GlobalUnlock(M.hGlobal);
            ReleaseStgMedium(&M);
        }
        return S_OK;
    }
    DWORD Accept = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    int Enters = 0, Drops = 0, IdListCount = -1;
    DWORD DropKeys = 0, DropEffect = 0;
    std::string DroppedFile;
};

// Moves the pointer along a path, one point per question, then drops.
class TScriptedSource : public TComObject<IDropSource> {
public:
    explicit TScriptedSource(std::vector<POINT> Path) : TComObject<IDropSource>(IID_IDropSource), FPath(Path) {}
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override
    {
        if (FStep >= FPath.size())
            return DRAGDROP_S_DROP;
        SetCursorPos(FPath[FStep].x, FPath[FStep].y);
        ++FStep;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    std::vector<POINT> FPath;
    size_t FStep = 0;
};

class TTestShellTree : public TRzShellTree {
public:
    using TRzShellTree::TRzShellTree;
    TComPtr<IDropSource> CreateDropSource(bool RightButton) override
    {
        SourceRight = RightButton;
        if (Script.empty())
            return TRzShellTree::CreateDropSource(RightButton);
        return TComPtr<IDropSource>::AddRefOf(new TScriptedSource(Script));
    }
    bool FindDropTarget(TPoint P, TTreeNode*& Node, TComPtr<IDropTarget>& Target) override
    {
        const bool On = TRzShellTree::FindDropTarget(P, Node, Target);
        if (On && Fake)
            Target = TComPtr<IDropTarget>::AddRefOf(Fake);
        return On;
    }
    void EndEdit(TTreeNode* Node, std::string& S) { Edit(Node, S); }
    void PressKey(WORD& Key, TShiftState Shift) { KeyDown(Key, Shift); }
    std::vector<POINT> Script;
    bool SourceRight = false;
    TFakeDropTarget* Fake = nullptr;
};

// A tree on Parent at Bounds, without watching, rooted at Base.
inline void OpenTreeAt(TRzCustomShellTree& Tree, TWinControl* Parent, const std::string& Base, TRect Bounds)
{
    Tree.SetParent(Parent);
    Tree.SetBounds(Bounds.left, Bounds.top, Bounds.Width(), Bounds.Height());
    Tree.SetOptions(DefaultShellTreeOptions & ~stoDynamicRefresh);
    Tree.HandleNeeded();
    TRzShellLocator L;
    L.SetPathName(Base);
    Tree.SetBaseFolder(&L);
}

} // namespace shell_test
