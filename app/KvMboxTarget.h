#pragma once
// The mbox files of a run: which file each mailbox's messages go to, and
// the one writer open on the file being written.

#include <memory>
#include <string>
#include <unordered_set>

class TConvertSettings;
class TTextFileWriter;

class TMboxTarget {
public:
    TMboxTarget();
    ~TMboxTarget();
    TMboxTarget(const TMboxTarget&) = delete;
    TMboxTarget& operator=(const TMboxTarget&) = delete;

    // The mbox file a mailbox's messages go to, by its long name and by the
    // ANSI path that opens it. The last mailbox's is kept: it is asked for
    // again when its writer is made, and working it out looks the
    // mailbox's long name up on disk.
    const std::wstring& LongTargetOf(const TConvertSettings& Settings, const std::string& DataFile) const;
    std::string TargetOf(const TConvertSettings& Settings, const std::string& DataFile) const;
    // Whether DataFile is an mbox file this run writes or would write.
    bool IsRunTarget(const TConvertSettings& Settings, const std::string& DataFile) const;
    // Whether this run has opened DataFile as a target.
    bool IsOpenedTarget(const std::string& DataFile) const;
    // Makes the folder and, where its name needs one, the file of the
    // target of DataFile; returns the ANSI path that opens the target.
    std::string Prepare(const TConvertSettings& Settings, const std::string& DataFile);
    // Makes the writer write to Path, with Break as the target's line
    // break; throws EFileError when the file cannot be opened.
    void Open(const std::string& Path, const char* Break);
    // The open writer (Open succeeded).
    TTextFileWriter& Writer() const { return *FWriter; }
    void Close();
    // A new run: no file is this run's target yet.
    void StartRun();

private:
    std::wstring TargetNamed(const TConvertSettings& Settings, const std::string& DataFile) const;

    std::unique_ptr<TTextFileWriter> FWriter;
    // The path keys of the mbox files this run has opened: every mailbox
    // found is checked against all of them.
    std::unordered_set<std::string> FRunTargetKeys;
    // The last mailbox and its target (LongTargetOf).
    mutable std::string FTargetOfMailbox;
    mutable std::wstring FTargetOfMailboxIs;
};
