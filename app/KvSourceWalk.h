#pragma once
// The one walk of a run's sources: every file the run will read, in the
// order it reads them (each entry, the mailbox beside a picked sub-folder,
// each hit of a folder search), with the lines the searches give on the
// way (a folder not found, a file not searched) at their places. The run
// converts from it, and tells by it whether a file it would write into is
// one of its sources, by the file's identity, whatever name it comes by.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "classlib/PathForms.h"
#include "foundation/KvLogs.h"

class TConvertSettings;
class TFileFinder;
class TStringList;

// The name the log gives a file: its long name, where the run opened it by
// its 8.3 short form. A long name the code page cannot carry is wide text;
// for a log that shows only ANSI text it keeps the path it was opened by
// beside it, so that two such names stay apart there.
TLogText LogNameOf(const std::string& Path);

// The mailbox data file of a found or listed file of the current entry.
std::string MailboxDataFile(const TConvertSettings& Settings, const std::string& Found);

// For a mailbox data file of no bytes (FileName the file found or listed):
// true for an empty mailbox; else false, Reason then the line of a mailbox
// that is not converted (a FIFO or a device; an Eudora data file whose
// index lists messages), and Unreadable whether it cannot be read at all.
bool IsEmptyMailbox(const TConvertSettings& Settings, const std::string& FileName, const std::string& Data,
                    std::string& Reason, bool& Unreadable);

// One step of the run, in reading order.
struct TSourceStep {
    enum class TKind { Mailbox, Line };
    TKind Kind = TKind::Mailbox;
    int Entry = 0;  // the source list's entry it belongs to
    // Mailbox: the file as found or named. Line: what its row names.
    std::string Name;
    TLogText Line;         // Line: the log line
    bool Counted = false;  // Line: an error of the run, with its row
};

class TSourceWalk {
public:
    // Found is called with the number of mailboxes found so far, as the
    // walk goes; the walk ends early once Aborted is set.
    TSourceWalk(TConvertSettings& Settings, const TStringList* SkipFolders, const std::atomic<bool>& Aborted,
                std::function<void(int Found)> Found);
    ~TSourceWalk();
    TSourceWalk(const TSourceWalk&) = delete;
    TSourceWalk& operator=(const TSourceWalk&) = delete;

    // Answers whether the walk goes on.
    using TSink = std::function<bool(const TSourceStep&)>;

    // Walks the whole source list, the current entry left unset after.
    // With a Sink, each step goes to it as it is found, and the walk stops
    // once it answers false: the run reads as it walks. Without, the steps
    // are kept, for a run that must know its sources before it writes.
    void Walk(const TSink& Sink = {});
    const std::vector<TSourceStep>& Steps() const { return FSteps; }

    // For a run that reads as it walks: the files its entries name, and
    // the mailboxes beside its picked sub-folders, which it may meet as
    // targets before it reads them.
    void ListNamedSources();
    // Whether a search of the list may lead into Folder, or the folder of
    // one lead into Folder's tree; by identity, whatever its spelling.
    bool SearchMeets(const std::string& Folder);

    // Whether the file at Path is one the run reads, or the data file of
    // one: compared by identity, so a short name, a second drive letter, a
    // link or a case all lead to the same answer. Of a run that reads as
    // it walks, the files named and those walked so far count.
    bool IsSource(const std::wstring& Path);

private:
    void WalkEntry(int Entry);
    // The owner of a picked Mozilla sub-folder, where there is one.
    std::string OwnerOf(const std::string& Folder) const;
    void Search(const std::string& Folder, const std::string& Mask);
    void AddMailbox(const std::string& Name);
    void AddLine(const std::string& Name, const TLogText& Line, bool Counted);
    void Add(TSourceStep&& Step);
    void AcceptFile(const std::string& Found, bool& Accept) const;
    void AcceptFolder(const std::string& Folder, bool& Accept);
    // One line for each Mozilla mailbox in Folder that has no index, of
    // the folder's Files, those the search's mask named (Matched) left out.
    void ReportUnindexedMailboxes(const std::string& Folder, const std::vector<std::string>& Files,
                                  const std::vector<std::string>& Matched);
    bool IsOnSkipList(const std::string& Name) const;
    // Every file read, with its data file, by size: only a file of the
    // size asked about has its identity compared.
    void ListSourceSizes();
    // Name's size and its data file's, for the current entry.
    void AddSizes(const std::string& Name);

    TConvertSettings& FSettings;
    const TStringList* FSkipFolders;
    const std::atomic<bool>& FAborted;
    std::function<void(int)> FFound;
    std::unique_ptr<TFileFinder> FFinder;
    TSink FSink;
    bool FStopped = false;
    std::vector<TSourceStep> FSteps;
    // Files the entries name, with the entry of each.
    std::vector<std::pair<int, std::string>> FNamed;
    int FEntry = 0;
    int FMailboxes = 0;
    bool FSizesListed = false;
    std::multimap<std::int64_t, std::string> FSourcesBySize;
};
