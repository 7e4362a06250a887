#pragma once
// The shell's item list of a folder or file reached from an ANSI root down
// through wide names, item by item as a user clicks through the forms:
// names the code page cannot carry and paths past MAX_PATH, which no ANSI
// path names, are reached this way.

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "shell/RzShellUtils.h"

inline TPidl ShellWalkToPidl(const std::string& Root, const std::vector<std::wstring>& Names)
{
    TPidl P;
    if (FAILED(ShellPathToPidl(Root, P)))
        return {};
    for (const std::wstring& Name : Names) {
        TComPtr<IShellFolder> Bound;
        TComPtr<IEnumIDList> Items;
        if (FAILED(ShellBindToFolder(P.Get(), Bound)) ||
            Bound->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                               Items.Put()) != S_OK)
            return {};
        // Enumerated as the forms list them: the shell parses no name
        // whose path passes MAX_PATH, but it lists such items.
        TPidl Found;
        for (TPidl Rel; !Found && Items->Next(1, Rel.Put(), nullptr) == S_OK;) {
            STRRET Ret{};
            Ret.uType = STRRET_WSTR;
            if (FAILED(Bound->GetDisplayNameOf(Rel.Get(), SHGDN_INFOLDER | SHGDN_FORPARSING, &Ret)) ||
                Ret.uType != STRRET_WSTR)
                continue;
            if (Name == Ret.pOleStr)
                Found = ConcatIdLists(P.Get(), Rel.Get());
            CoTaskMemFree(Ret.pOleStr);
        }
        if (!Found)
            return {};
        P = std::move(Found);
    }
    return P;
}
