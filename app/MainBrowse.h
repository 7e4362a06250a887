#pragma once
// The decisions of the wizard's browsing dialogs, apart from the dialogs:
// what a file dialog for a format filters, where the source dialogs open,
// what Add Folder adds, and how the target field's text becomes a dialog's
// start and a dialog's answer becomes the target text again. The form's
// handlers (MainBrowse.cpp) run the dialogs on these.

#include <string>

#include "app/KvConvert.h"

// A file dialog for one format: the filter ("Text|*.ext|All Files
// (*.*)|*.*"), the filter shown first (1-based) and the default extension.
struct TFormatFileFilter {
    std::string Filter;
    int FilterIndex = 1;
    std::string DefaultExt;
};
// RowText is the format's row in its list.
TFormatFileFilter FormatFileFilter(TMailFormat Format, const std::string& RowText);

// Where a source dialog opens: the folder remembered for the format, else
// its mail program's store, else the application-data folder.
std::string SourceStartFolder(const std::string& Remembered, TMailFormat Format);
// The entry Add Folder adds: Folder, "\*." and the format's source
// extension.
std::string SourceFolderEntry(const std::string& Folder, TMailFormat Format);

// The text the target browse starts from: the target text when there is
// one, else the clipboard's path (a "mailbox:/" address already turned into
// one by the caller) when it has 1 to 260 bytes, a backslash and no
// character a path cannot hold, else the documents folder with a trailing
// backslash.
std::string TargetBrowseStartText(const std::string& TargetText, const std::string& ClipboardPath,
                                  const std::string& DocumentsFolder);
// Whether the target browse picks one mbox file rather than a folder.
bool TargetBrowsePicksFile(TMailFormat TargetFormat, bool RestoreFolderTree, bool CtrlHeld);

// Where the target file dialog opens and the name it shows.
struct TTargetFileStart {
    std::string Folder;
    std::string FileName;
};
// A text without a pattern that names no existing folder opens in its own
// folder with its own name; otherwise in the pattern-cut folder with the
// name "*." and the pattern's extension ("*." for ".", none for "*").
TTargetFileStart TargetFileStart(const std::string& Text);
// The target text after a folder was picked: the folder with a trailing
// backslash and, when the old text carried a pattern other than "*", that
// pattern ("*." for ".").
std::string TargetFolderResult(const std::string& Folder, const std::string& OldText);
