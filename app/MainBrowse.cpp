#include "app/MainBrowse.h"

#include "app/KvConvertDriver.h"
#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSpFolder.h"

namespace {

const char* const AllFilesFilter = "All Files (*.*)|*.*";
// The longest path the browse takes from the clipboard.
constexpr std::size_t MaxClipboardPath = 260;

// The dialog name for a target pattern's extension: "*." and the
// extension, "*." alone for ".", nothing for "*".
std::string PatternFileName(const std::string& Ext)
{
    if (Ext == "*")
        return std::string();
    if (Ext == ".")
        return "*.";
    return "*." + Ext;
}

}  // namespace

TFormatFileFilter FormatFileFilter(TMailFormat Format, const std::string& RowText)
{
    TFormatFileFilter F;
    const TMailFormat Id = MailFormatId(Format);
    const std::string SourceExt = MailFormatExtension(Id, false);
    F.DefaultExt = SourceExt == "*" ? std::string() : SourceExt;
    F.FilterIndex = Id == mftMbox || MailFormatIsMboxTarget(Id) ? 2 : 1;
    // The generic and unknown formats have no extension of their own that
    // a mailbox would carry.
    if (Id == mftUnknown || Id == mftPine) {
        F.Filter = AllFilesFilter;
        return F;
    }
    const std::string Ext = SourceExt == "*" ? "mbox" : SourceExt;
    std::string Text = RowText;
    if (Text.find('(') == std::string::npos)
        Text += " (*." + Ext + ")";
    F.Filter = Text + "|*." + Ext + "|" + AllFilesFilter;
    return F;
}

std::string SourceStartFolder(const std::string& Remembered, TMailFormat Format)
{
    if (!Remembered.empty())
        return Remembered;
    const std::string Store = GetSourceDefaultFolder(Format);
    return Store.empty() ? GetAppDataFolder() : Store;
}

std::string SourceFolderEntry(const std::string& Folder, TMailFormat Format)
{
    return AddTrailingBackslash(Folder) + "*." + MailFormatExtension(Format, false);
}

std::string TargetBrowseStartText(const std::string& TargetText, const std::string& ClipboardPath,
                                  const std::string& DocumentsFolder)
{
    if (!TargetText.empty())
        return TargetText;
    if (!ClipboardPath.empty() && ClipboardPath.size() <= MaxClipboardPath && ContainsBackslash(ClipboardPath) &&
        !HasInvalidPathChars(ClipboardPath))
        return ClipboardPath;
    return AddTrailingBackslash(DocumentsFolder);
}

bool TargetBrowsePicksFile(TMailFormat TargetFormat, bool RestoreFolderTree, bool CtrlHeld)
{
    return MailFormatIsMboxTarget(TargetFormat) && !RestoreFolderTree && !CtrlHeld;
}

TTargetFileStart TargetFileStart(const std::string& Text)
{
    const std::string Ext = TargetExtOfText(Text);
    if (Ext.empty() && !FolderExists(Text))
        return {ExtractParentFolder(Text), ExtractFileNamePart(Text)};
    return {CutTargetPattern(Text), PatternFileName(Ext)};
}

std::string TargetFolderResult(const std::string& Folder, const std::string& OldText)
{
    const std::string Ext = TargetExtOfText(OldText);
    const std::string WithSlash = AddTrailingBackslash(Folder);
    return Ext.empty() ? WithSlash : WithSlash + PatternFileName(Ext);
}
