#include "app/KvMboxTarget.h"

#include <windows.h>

#include "classlib/Cleanup.h"
#include "foundation/KvFileFinder.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLogs.h"
#include "classlib/PathForms.h"
#include "app/KvConvert.h"

TMboxTarget::TMboxTarget() = default;

TMboxTarget::~TMboxTarget() = default;

std::wstring TMboxTarget::TargetNamed(const TConvertSettings& Settings, const std::string& DataFile) const
{
    const std::wstring Target = Settings.GetTargetPath(DataFile);
    if (Target.empty() || (Target.back() != L'\\' && Target.back() != L'/'))
        return Target;
    const std::string Ext = Settings.GetTargetExt();
    const bool IsEudora = MailFormatIsEudora(Settings.SourceFormat);
    // Named after the mailbox's long name, which the code page may not
    // hold, as a restored folder is: "Old." as "Old_".
    const std::wstring Data = LongPathOf(DataFile);
    return Target + TargetSafeName(WithAnsiExtOp(Data.substr(Data.find_last_of(L"\\/:") + 1), [&](const std::string& Name) {
               if (Ext == ".")
                   return IsEudora ? RemoveFileExt(Name, "mbx") : Name;
               if (!Ext.empty() && Ext != "*")
                   return SetFileExt(Name, Ext, !IsEudora);
               return Name;
           }));
}

const std::wstring& TMboxTarget::LongTargetOf(const TConvertSettings& Settings, const std::string& DataFile) const
{
    if (DataFile != FTargetOfMailbox || DataFile.empty()) {
        FTargetOfMailboxIs = TargetNamed(Settings, DataFile);
        FTargetOfMailbox = DataFile;
    }
    return FTargetOfMailboxIs;
}

std::string TMboxTarget::TargetOf(const TConvertSettings& Settings, const std::string& DataFile) const
{
    return AnsiPathOf(LongTargetOf(Settings, DataFile));
}

bool TMboxTarget::IsRunTarget(const TConvertSettings& Settings, const std::string& DataFile) const
{
    // A target inside the searched tree sniffs as a mailbox like any other;
    // read while it is written it would get its own messages once more.
    if (!MailFormatIsMboxTarget(Settings.TargetFormat))
        return false;
    // Each name is looked up on disk once: a run of thousands of mailboxes
    // into as many targets must not compare every pair.
    const std::string Key = PathNameKey(DataFile);
    if (FRunTargetKeys.count(Key) != 0)
        return true;
    return PathNameKey(TargetOf(Settings, DataFile)) == Key;
}

bool TMboxTarget::IsOpenedTarget(const std::string& DataFile) const
{
    return FRunTargetKeys.count(PathNameKey(DataFile)) != 0;
}

std::string TMboxTarget::Prepare(const TConvertSettings& Settings, const std::string& DataFile)
{
    const std::wstring Target = LongTargetOf(Settings, DataFile);
    ForceLongFolder(Target.substr(0, Target.find_last_of(L"\\/") + 1));
    // A name the code page cannot hold has a short form, which the writer
    // opens, only once its file exists: it is made now, empty, as the
    // writer would make it (an existing one is left as it is). No look-up
    // comes first: under Wine one of a name the folder does not hold yet
    // reads the whole folder, for every new target of a run.
    if (OpenableAnsiPath(Target).empty())
        TKernelHandle(CreateFileW(PrefixedPath(Target).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return AnsiPathOf(Target);
}

void TMboxTarget::Open(const std::string& Path, const char* Break)
{
    if (FWriter && !SamePathName(FWriter->FileName(), Path))
        FWriter.reset();
    if (FWriter)
        return;
    // An existing target is never replaced: a later run appends to it.
    // Opening it is the existence test.
    FWriter = std::make_unique<TTextFileWriter>(Path, false, true);
    // The earlier run's last line is completed with this target's break,
    // which for a CR target is a final CR itself.
    FWriter->SetLineBreak(Break);
    FRunTargetKeys.insert(PathNameKey(Path));
}

void TMboxTarget::Close()
{
    FWriter.reset();
}

void TMboxTarget::StartRun()
{
    FRunTargetKeys.clear();
    FTargetOfMailbox.clear();
}
