#include "mail/KvMailFolders.h"

#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"

TFolderNameHook GEudoraFolderNameHook = nullptr;
TFolderNameHook GPegasusFolderNameHook = nullptr;

namespace {

// The text up to and including the last backslash; empty without one.
std::string FolderWithSlash(const std::string& Path)
{
    const size_t p = Path.rfind('\\');
    return p == std::string::npos ? std::string() : Path.substr(0, p + 1);
}

// Splits a path without a trailing backslash into its last component and
// the rest (with its trailing backslash); no backslash: all of it is Last.
void SplitLastComponent(const std::string& Path, std::string& Rest, std::string& Last)
{
    const size_t p = Path.rfind('\\');
    if (p == std::string::npos) {
        Rest.clear();
        Last = Path;
    } else {
        Rest = Path.substr(0, p + 1);
        Last = Path.substr(p + 1);
    }
}

bool EndsWithText(const std::string& S, const std::string& Tail)
{
    return S.size() >= Tail.size() && SameTextStr(S.substr(S.size() - Tail.size()), Tail);
}

std::string CallHook(TFolderNameHook Hook, const std::string& Path)
{
    return Hook ? Hook(Path) : std::string();
}

// Message files in folder directories: the directory is the folder.
void FolderDirectoryNames(std::string& L, std::string& F)
{
    L = ExcludeTrailingSlash(RemoveFolderExtension(L, FolderExtFld));
    std::string rest;
    SplitLastComponent(L, rest, F);
    L = rest;
}

// ".mbox" directories whose messages sit in a "Messages" sub-folder.
void MboxDirectoryNames(std::string& L, std::string& F)
{
    std::string x = RemoveFolderExtension(ExcludeTrailingSlash(L), FolderExtSbd);
    static const std::string messages = "\\Messages";
    if (EndsWithText(x, messages)) {
        const std::string head = x.substr(0, x.size() - messages.size());
        if (EndsWithText(head, ".mbox"))
            x = head.substr(0, head.size() - 5);
        else if (EndsWithText(head, ".imapmbox"))
            x = head.substr(0, head.size() - 9);
        else {
            const size_t p = TableLowerCase(head).rfind(".mbox\\");
            if (p != std::string::npos)
                x = x.substr(0, p);
        }
    }
    std::string rest;
    SplitLastComponent(x, rest, F);
    L = ExcludeTrailingSlash(rest);
}

// Maildir: the folder above "cur", "new" or "tmp"; sub-folder dots become
// path separators.
void MaildirLocation(std::string& L)
{
    for (const char* sub : {"\\cur\\", "\\new\\", "\\tmp\\"}) {
        const int p = PosTextFrom(sub, L, 1);
        if (p > 0) {
            L.resize(static_cast<size_t>(p));
            break;
        }
    }
    for (size_t i = L.size(); i-- > 0;) {
        if (L[i] != '.')
            continue;
        if (i > 0 && L[i - 1] != '\\' && L[i - 1] != '.')
            L[i] = '\\';
        else
            L.erase(i, 1);
    }
}

void MboxFileNames(const std::string& P, std::string& L, std::string& F)
{
    if (PosTextFrom(".mbox\\mbox", P, 1) == 0) {
        L = RemoveFolderExtension(L, FolderExtFld);
        const std::string name = ExtractFileNamePart(P);
        F = HasFileExt(name, "mbox;txt;mbx", true) ? RemoveFileExt(name) : name;
        return;
    }
    std::string x = P;
    if (EndsWithText(x, ".mbox\\mbox"))
        x.resize(x.size() - 10);
    std::string rest;
    SplitLastComponent(x, rest, F);
    L = RemoveFolderExtension(rest, FolderExtMbox);
}

}  // namespace

std::string RemoveFolderExtension(const std::string& Path, const std::string& Ext)
{
    std::string s = Path;
    ReplaceInStr(s, "." + Ext, std::string(), srWholeWord);
    return s;
}

int CutAtFolderExtension(std::string& Path, const std::string& Ext)
{
    const int p = PosTextFrom("." + Ext + "\\", Path, 1);
    if (p < 2)
        return 0;
    const size_t slash = Path.rfind('\\', static_cast<size_t>(p - 2));
    if (slash == std::string::npos)
        return 0;
    Path.resize(slash + 1);
    return static_cast<int>(Path.size());
}

int EudoraRootLength(const std::string& Path)
{
    std::string p = Path;
    return CutAtFolderExtension(p, FolderExtFol);
}

std::string EudoraRoot(const std::string& Path)
{
    const int n = EudoraRootLength(Path);
    return n > 0 ? Path.substr(0, static_cast<size_t>(n)) : Path;
}

void CutAtMailFolder(std::string& Path)
{
    static const std::string mail = "\\mail\\";
    const int p = PosTextFrom(mail, Path, 1);
    if (p > 0)
        Path.resize(static_cast<size_t>(p - 1) + mail.size());
}

void GetFolderLocationAndName(const std::string& Path, TMailboxKind Kind, std::string& Location,
                              std::string& Name)
{
    std::string L = FolderWithSlash(Path);
    std::string F;
    switch (Kind) {
    case mbkMessageFile:
    case mbkFolderMessage:
    case mbkFolderFlagsOnly:
    case mbkFolderPlain:
        FolderDirectoryNames(L, F);
        break;
    case mbkEmlxFolder:
        MboxDirectoryNames(L, F);
        break;
    case mbkMaildir:
        MaildirLocation(L);
        break;
    case mbkMbox:
    case mbkPine:
    case mbkMboxAttachLines:
        MboxFileNames(Path, L, F);
        break;
    case mbkFldMbox:
    case mbkFldMboxFolderFlags: {
        L = RemoveFolderExtension(L, FolderExtFld);
        const std::string name = ExtractFileNamePart(Path);
        F = HasFileExt(name, FolderExtMbox) ? RemoveFileExt(name) : name;
        break;
    }
    case mbkMozilla: {
        const int k = CutAtFolderExtension(L, FolderExtSbd);
        F = k > 0 ? RemoveFolderExtension(Path.substr(static_cast<size_t>(k)), FolderExtSbd)
                  : ExtractFileNamePart(Path);
        break;
    }
    case mbkCalypso:
    case mbkPlainMbox:
    case mbkFileNamed:
    case mbkFileNamedPlain:
    case mbkCopyNumbered1:
    case mbkCopyNumbered2:
    case mbkHotmail:
        F = ExtractFileNameNoExt(Path);
        break;
    case mbkPoco1:
    case mbkPoco2:
    case mbkPoco3:
        L = RemoveFolderExtension(L, FolderExtFld);
        F = ExtractFileNameNoExt(Path);
        break;
    case mbkEudoraMbx:
    case mbkEudoraToc:
    case mbkMacEudora:
        CutAtFolderExtension(L, FolderExtFol);
        F = CallHook(GEudoraFolderNameHook, Path);
        break;
    case mbkContentFile1:
    case mbkContentFile2: {
        std::string rest;
        SplitLastComponent(ExcludeTrailingSlash(L), rest, F);
        L = rest;
        break;
    }
    case mbkPegasusPlain:
    case mbkPegasus:
        F = CallHook(GPegasusFolderNameHook, Path);
        break;
    case mbkFileLocation:
        L = JoinPath(L, ExtractFileNameNoExt(Path));
        break;
    case mbkNone:
    case mbkReaderNamed:  // its reader names the folder
        break;
    }
    Location = L;
    Name = F;
}

// ---------------------------------------------------------------------------
// TMailFolderObj
// ---------------------------------------------------------------------------

void TMailFolderObj::SetFileName(const std::string& Name)
{
    if (Name == FileName)
        return;
    FileName = Name;
    std::string location, name;
    GetFolderLocationAndName(Name, FormatKind, location, name);
    SetFolderLocation(location);
    // These stores keep the name their reader gives them.
    if (FormatKind != mbkReaderNamed)
        SetFolderName(name);
}

TMailFlags TMailFolderObj::GetFolderFlags()
{
    FolderFlags = FolderFlagsOf(FolderName, FormatKind);
    return FolderFlags;
}

void TMailFolderObj::SetFolderLocation(const std::string& Path)
{
    if (Path == FolderLocation)
        return;
    FolderLocation = Path;
    FolderChanged = true;
}

void TMailFolderObj::SetFolderName(const std::string& Name)
{
    static const TCharSet blanksAndControls = TCharSet::Range(0, 32);
    const std::string name = TrimCharSetStr(Name, false, blanksAndControls);
    if (name == FolderName)
        return;
    FolderName = name;
    FolderChanged = true;
    FolderFlags = 0;
    GetFolderFlags();
}
