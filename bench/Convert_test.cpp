#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/KvAppStart.h"
#include "bench/BenchHost.h"
#include "classlib/Cleanup.h"
#include "classlib/PathForms.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLogs.h"
#include "foundation/KvTimeZones.h"
#include "testkit/TestFolder.h"

namespace {

// Closes the handles of a started process and its output pipe.
struct TChild {
    PROCESS_INFORMATION Info{};
    HANDLE Output = nullptr;
    TChild() = default;
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;
    ~TChild()
    {
        for (HANDLE h : {Info.hProcess, Info.hThread, Output})
            if (h)
                CloseHandle(h);
    }
};

struct TConvertRun {
    DWORD ExitCode = 0xFFFFFFFF;
    std::vector<std::string> Lines;  // stdout, split at "\n"
};

// Runs the real bench/convert.exe beside this test program and collects
// what it prints.
TConvertRun RunConvertExe(const std::wstring& Arguments);

TConvertRun RunConvertExe(const std::string& Arguments)
{
    return RunConvertExe(AnsiToWideStr(Arguments));
}

TConvertRun RunConvertExe(const std::wstring& Arguments)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string exe = JoinPath(ExtractParentFolder(self), "convert.exe");
    TConvertRun run;
    TChild child;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE write = nullptr;
    if (!CreatePipe(&child.Output, &write, &sa, 0))
        return run;
    SetHandleInformation(child.Output, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write;
    si.hStdError = write;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring line = L"\"" + AnsiToWideStr(exe) + L"\" " + Arguments;
    const BOOL started = CreateProcessW(AnsiToWideStr(exe).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &si, &child.Info);
    CloseHandle(write);
    if (!started)
        return run;
    std::string out;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(child.Output, buf, sizeof buf, &got, nullptr) && got > 0)
        out.append(buf, got);
    WaitForSingleObject(child.Info.hProcess, INFINITE);
    GetExitCodeProcess(child.Info.hProcess, &run.ExitCode);
    std::size_t at = 0;
    while (at < out.size()) {
        const std::size_t nl = out.find('\n', at);
        run.Lines.push_back(out.substr(at, nl == std::string::npos ? std::string::npos : nl - at));
        at = nl == std::string::npos ? out.size() : nl + 1;
    }
    return run;
}

std::vector<std::string> SplitRows(const std::string& Text)
{
    std::vector<std::string> rows;
    std::size_t at = 0;
    while (at < Text.size()) {
        std::size_t nl = Text.find('\n', at);
        if (nl == std::string::npos)
            nl = Text.size();
        std::string row = Text.substr(at, nl - at);
        if (!row.empty() && row.back() == '\r')
            row.pop_back();
        rows.push_back(row);
        at = nl + 1;
    }
    return rows;
}

}  // namespace

// The program's start-up is what gives a command-line run its error log: a
// message that lists one attachment file which is not there costs exactly
// one row, that row names the file, and convert says where the log is just
// before its figures line. A clean run leaves no log and names none.
TEST(BenchConvert, ErrorLogNamesTheMissingAttachment)
{
    TTestFolder dir("convert_log");
    dir.Write("files\\plan.pdf", "%PDF-1.4\n%%EOF\n");
    const std::string withMissing =
        "From kim@example.com Thu Jan  8 09:00:00 2009\nFrom: Kim <kim@example.com>\nSubject: Plans\n"
        "Date: Thu, 08 Jan 2009 09:00:00 +0000\nX-Attachments: files\\plan.pdf; lost-notes.zip\n"
        "Content-Type: text/plain; charset=us-ascii\n\nPlans.\n\n"
        "From kim@example.com Thu Jan  8 10:00:00 2009\nFrom: Kim <kim@example.com>\nSubject: Later\n"
        "Date: Thu, 08 Jan 2009 10:00:00 +0000\n\nLater.\n";
    const std::string clean =
        "From kim@example.com Thu Jan  8 10:00:00 2009\nFrom: Kim <kim@example.com>\nSubject: Later\n"
        "Date: Thu, 08 Jan 2009 10:00:00 +0000\n\nLater.\n";
    const struct {
        const char* Name;
        const std::string& Box;
        bool Logged;
    } cases[] = {{"missing", withMissing, true}, {"clean", clean, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string box = dir.Write(std::string(c.Name) + ".mbox", c.Box);
        const std::string log = dir.File(std::string(c.Name) + "-errors.txt");
        const std::string out = dir.File(std::string("out-") + c.Name) + "\\";
        // The doubled backslash stays one: a backslash before a quote escapes it.
        const TConvertRun run =
            RunConvertExe("\"" + box + "\" Mbox \"" + out + "\\\" EML \"-errorlog=" + log + "\"");
        ASSERT_EQ(run.ExitCode, 0u) << (run.Lines.empty() ? std::string() : run.Lines.front());
        ASSERT_GE(run.Lines.size(), 2u);
        EXPECT_NE(run.Lines.back().find(" MB/s, peak working set "), std::string::npos) << run.Lines.back();
        const std::string& closing = run.Lines[run.Lines.size() - 2];
        if (!c.Logged) {
            EXPECT_EQ(closing, "Processing finished.");
            EXPECT_FALSE(IsExistingFile(log));
            continue;
        }
        EXPECT_EQ(closing, "Error log: " + log);
        const std::vector<std::string> rows = SplitRows(TTestFolder::Read(log));
        ASSERT_EQ(rows.size(), 2u) << TTestFolder::Read(log);
        EXPECT_EQ(rows[0], "Error\tFilename\tMail Folder\tMail Date\tMail Subject");
        EXPECT_EQ(rows[1].substr(0, rows[1].find('\t')), "Attachment not found: \"lost-notes.zip\"");
    }
    // A window holding the same log open meanwhile: the run's rows join its
    // rows, and neither side's are lost or moved aside. A log with rows has
    // its heading: the run adds none.
    const std::string shared = dir.File("shared.txt");
    TLogFile window(shared, "");
    window.WriteLine("window row 1");
    const TConvertRun run = RunConvertExe("\"" + dir.File("missing.mbox") + "\" Mbox \"" + dir.File("out-shared") +
                                          "\\\\\" EML \"-errorlog=" + shared + "\"");
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_NE(std::find(run.Lines.begin(), run.Lines.end(), "Error log: " + shared), run.Lines.end());
    window.WriteLine("window row 2");
    const std::vector<std::string> rows = SplitRows(TTestFolder::Read(shared));
    ASSERT_EQ(rows.size(), 3u) << TTestFolder::Read(shared);
    EXPECT_EQ(rows[0], "window row 1");
    EXPECT_EQ(rows[1].substr(0, rows[1].find('\t')), "Attachment not found: \"lost-notes.zip\"");
    EXPECT_EQ(rows[2], "window row 2");
    EXPECT_FALSE(IsExistingFile(shared + ".bak"));
}

// -j skips the trash from the build tree too: the skip list sits beside
// convert.exe there as it does beside the program.
TEST(BenchConvert, SkipTrashFindsItsList)
{
    TTestFolder dir("convert_skip");
    const std::string box = "From a@example.com Thu Jan  8 09:00:00 2009\nSubject: Kept\n\nBody.\n";
    for (const char* name : {"Inbox", "Trash"}) {
        dir.Write(std::string("tree\\") + name, box);
        dir.Write(std::string("tree\\") + name + ".msf", "");
    }
    const std::string out = dir.File("out") + "\\";
    const TConvertRun run =
        RunConvertExe("\"" + dir.File("tree\\*.msf") + "\" Thunderbird \"" + out + "\\\" EML -j");
    ASSERT_EQ(run.ExitCode, 0u);
    EXPECT_NE(std::find(run.Lines.begin(), run.Lines.end(), "Mailbox skipped: trash and junk are skipped (option)"), run.Lines.end());
    EXPECT_TRUE(IsExistingFile(out + "Kept.eml"));
    EXPECT_FALSE(IsExistingFile(out + "Kept[1].eml"));
}

// A message right before the next separator keeps its last line break in
// its file, and a copy to an mbox keeps the source's bytes.
TEST(BenchConvert, LastLineBreaksInFilesAndCopies)
{
    TTestFolder dir("convert_breaks");
    const std::string box = dir.Write("box.mbox",
                                      "From a@example.com Thu Jan  8 09:00:00 2009\nSubject: One\nContent-Type: text/plain\n\n"
                                      "body one\nFrom b@example.com Thu Jan  8 10:00:00 2009\nSubject: Two\n"
                                      "Content-Type: text/plain\n\nbody two\n\n");
    const std::string out = dir.File("out") + "\\";
    ASSERT_EQ(RunConvertExe("\"" + box + "\" Mbox \"" + out + "\\\" EML").ExitCode, 0u);
    EXPECT_EQ(TTestFolder::Read(out + "One.eml"), "Subject: One\r\nContent-Type: text/plain\r\n\r\nbody one\r\n");
    const std::string copy = dir.File("copy.mbox");
    ASSERT_EQ(RunConvertExe("\"" + box + "\" Mbox \"" + copy + "\" Mbox_Unix").ExitCode, 0u);
    EXPECT_EQ(TTestFolder::Read(copy), TTestFolder::Read(box));
}

// The switches convert takes for the start-up, in the spellings a user may
// type, and where a relative error-log path lands.
TEST(BenchConvert, StartSwitches)
{
    const struct {
        std::vector<std::string> Args;
        bool HasLog;
        std::string Log, Zone;
    } cases[] = {
        {{"a", "Mbox", "Z:\\o\\", "EML"}, false, "", ""},
        {{"a", "Mbox", "Z:\\o\\", "EML", "-errorlog=C:\\l.txt"}, true, "C:\\l.txt", ""},
        {{"--ErrorLog=x.txt", "a", "Mbox", "Z:\\o\\", "EML", "--timezone=+0100"}, true, "x.txt", "+0100"},
        {{"a", "Mbox", "Z:\\o\\", "EML", "-TimeZone=UTC"}, false, "", "UTC"},
    };
    for (const auto& c : cases) {
        TBenchArgs a;
        ASSERT_EQ(ParseBenchArgs(c.Args, a), "");
        EXPECT_EQ(a.Switches.HasErrorLog, c.HasLog);
        EXPECT_EQ(a.Switches.ErrorLog, c.Log);
        EXPECT_EQ(a.Switches.TimeZone, c.Zone);
    }
    TStartSwitches s;
    EXPECT_EQ(ErrorLogPathFor(s), JoinPath(GetProgramAppDataFolder(), "ErrorLog.txt"));
    s.HasErrorLog = true;
    s.ErrorLog = "logs\\run.txt";
    EXPECT_EQ(ErrorLogPathFor(s), JoinPath(GetProgramAppDataFolder(), "logs\\run.txt"));
    s.ErrorLog = "C:\\elsewhere\\run.txt";
    EXPECT_EQ(ErrorLogPathFor(s), "C:\\elsewhere\\run.txt");
}

// A zone text the set-up refuses falls back to the system's zone, which is
// shown as "Local"; a fixed offset is shown as that offset.
TEST(BenchConvert, LocalZoneTexts)
{
    const struct {
        const char* Text;
        const char* Shown;
        double Bias;  // minutes west of UTC
    } cases[] = {{"+0100", "+0100", -60}, {"-0530", "-0530", 330}, {"UTC", "UTC", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(StartLocalTimeZone(c.Text), c.Shown);
        EXPECT_DOUBLE_EQ(LocalTimeZone().Bias() * 1440, c.Bias);
    }
    EXPECT_EQ(StartLocalTimeZone("No Such Zone"), "Local");
    EXPECT_TRUE(LocalTimeZone().FromSystem());
    LocalTimeZone().Clear();
}

// A folder pattern whose folder is not there is an error of the run, with
// its line and its row, not a silent run of four zeros.
TEST(BenchConvert, AMissingSourceFolderIsAnError)
{
    TTestFolder dir("convert_nofolder");
    const TConvertRun run = RunConvertExe("\"" + dir.File("nonexist\\*.mbox") + "\" Mbox \"" + dir.File("out\\\\") +
                                          "\" EML \"-errorlog=" + dir.File("e.txt") + "\"");
    ASSERT_GE(run.Lines.size(), 3u);
    EXPECT_NE(std::find(run.Lines.begin(), run.Lines.end(), "Folder not found: " + dir.File("nonexist")),
              run.Lines.end());
    EXPECT_NE(std::find(run.Lines.begin(), run.Lines.end(),
                        "0 mailboxes processed, 0 messages converted, 0 duplicates skipped, 1 errors."),
              run.Lines.end());
    EXPECT_NE(TTestFolder::Read(dir.File("e.txt")).find("Folder not found: " + dir.File("nonexist") + "\t"),
              std::string::npos);
    // A folder typed with the dot or blank its name ends in is there.
    for (const std::wstring Folder : {L"Mail.", L"sub "}) {
        const std::wstring Wide = AnsiToWideStr(dir.File("")) + Folder;
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Wide).c_str(), nullptr));
        ASSERT_TRUE(TTestFolder::Put(Wide + L"\\In.mbox", "From a@b Mon Jan  5 10:00:00 2009\nSubject: s\n\nbody\n"));
        const TConvertRun found = RunConvertExe(L"\"" + Wide + L"\\*.mbox\" Mbox \"" + Wide + L"\\out\\\\\" EML");
        ASSERT_GE(found.Lines.size(), 3u) << found.ExitCode;
        EXPECT_EQ(found.Lines[found.Lines.size() - 3],
                  "1 mailboxes processed, 1 messages converted, 0 duplicates skipped, 0 errors.");
    }
}

// Paths the ANSI code page cannot hold reach the run by their short names:
// a mailbox file, a folder pattern, a target folder still to be made and the
// error log's folder.
TEST(BenchConvert, WidePathsGoOnByTheirShortNames)
{
    TTestFolder dir("convert_wide");
    const std::wstring root = AnsiToWideStr(dir.File(""));
    const std::wstring wide = root + L"\x6587\x5b57";
    ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr));
    const std::string box = "From a@b Mon Jan  5 10:00:00 2009\nSubject: wide\n\nbody\n";
    HANDLE h = CreateFileW((wide + L"\\In\x5b57.mbox").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    WriteFile(h, box.data(), static_cast<DWORD>(box.size()), &put, nullptr);
    CloseHandle(h);
    for (const std::wstring& source : {wide + L"\\In\x5b57.mbox", wide + L"\\*.mbox"}) {
        const TConvertRun run = RunConvertExe(L"\"" + source + L"\" Mbox \"" + wide + L"\\out\x5b57\\\\\" EML \"-errorlog=" +
                                              wide + L"\\e.txt\"");
        ASSERT_EQ(run.ExitCode, 0u) << (run.Lines.empty() ? std::string() : run.Lines.front()) << run.Lines.size();
        ASSERT_GE(run.Lines.size(), 3u);
        EXPECT_EQ(run.Lines[run.Lines.size() - 3], "1 mailboxes processed, 1 messages converted, 0 duplicates "
                                                    "skipped, 0 errors.");
    }
    EXPECT_NE(GetFileAttributesW((wide + L"\\out\x5b57\\wide.eml").c_str()), INVALID_FILE_ATTRIBUTES);
    // A full-width digit is no device: the code page's best fit "COM1" is.
    const std::wstring com = root + L"COM\xff11";
    ASSERT_TRUE(CopyFileW((wide + L"\\In\x5b57.mbox").c_str(), com.c_str(), TRUE));
    const TConvertRun device = RunConvertExe(L"\"" + com + L"\" Mbox \"" + root + L"outcom\\\\\" EML");
    ASSERT_GE(device.Lines.size(), 3u) << device.ExitCode;
    EXPECT_EQ(device.Lines[device.Lines.size() - 3], "1 mailboxes processed, 1 messages converted, 0 duplicates "
                                                     "skipped, 0 errors.");
    // With the tree restored, the folders and mbox files written carry the
    // long names of the sources, not their short forms.
    for (const std::wstring& target : {std::wstring(L"EML"), std::wstring(L"15")}) {
        const TConvertRun run = RunConvertExe(L"-r \"" + wide + L"\\*.mbox\" Mbox \"" + wide + L"\\tree" + target +
                                              L"\\\\\" " + target);
        ASSERT_EQ(run.ExitCode, 0u) << (run.Lines.empty() ? std::string() : run.Lines.front());
    }
    EXPECT_EQ(TTestFolder::WideTree(wide + L"\\tree15"),
              (std::map<std::wstring, std::string>{{L"\x6587\x5b57\\In\x5b57.mbox",
                                                     "From a@b Mon Jan  5 10:00:00 2009\nSubject: wide\nContent-Type: "
                                                     "text/plain\n\nbody\n\n"}}));
    EXPECT_EQ(TTestFolder::WideTree(wide + L"\\treeEML"),
              (std::map<std::wstring, std::string>{
                  {L"\x6587\x5b57\\In\x5b57.mbox\\wide.eml", "Subject: wide\r\nContent-Type: text/plain\r\n\r\nbody\r\n"}}));
    // Picked by its short form, as the forms hand it on, below a folder
    // another program holds shared with nobody, which cannot be listed.
    const std::string picked = OpenableAnsiPath(wide);
    const TKernelHandle hold(CreateFileW(root.substr(0, root.size() - 1).c_str(), GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(hold.Valid());
    const TConvertRun held = RunConvertExe("-r \"" + picked + "\\*.mbox\" Mbox \"" + dir.File("held") + "\\\\\" 15");
    ASSERT_GE(held.Lines.size(), 3u) << held.ExitCode;
    EXPECT_EQ(held.Lines[held.Lines.size() - 3], "1 mailboxes processed, 1 messages converted, 0 duplicates "
                                                 "skipped, 0 errors.");
    EXPECT_EQ(TTestFolder::WideTree(root + L"held"), TTestFolder::WideTree(wide + L"\\tree15"));
    // Its long form has a short name that cannot be found while the
    // folder above cannot be listed.
    const TConvertRun refused = RunConvertExe(L"\"" + wide + L"\\*.mbox\" Mbox \"" + root + L"held2\\\\\" 15");
    EXPECT_EQ(refused.ExitCode, 2u);
    ASSERT_FALSE(refused.Lines.empty());
    EXPECT_EQ(refused.Lines.front(), "convert: cannot hand on argument 1: its name does not fit the ANSI code page "
                                     "and no short name of it that opens it was found\r");
}

// A name the code page shows only by a best fit is no name of the run: the
// look-alike "Omega.mbox" beside "\u03A9mega.mbox" keeps its bytes, and a
// full-width digit is refused as itself, not as the device its fit names.
// A target folder still to be made is made as typed and written through.
TEST(BenchConvert, LookAlikeNamesNameNoOtherFile)
{
    TTestFolder dir("convert_lookalike");
    const std::wstring root = AnsiToWideStr(dir.File(""));
    const std::wstring src = AnsiToWideStr(dir.Write("in.mbox", "From a@b Mon Jan  5 10:00:00 2009\nSubject: one\n\nbody\n"));
    dir.Write("out\\Omega.mbox", "keep\n");
    const std::string refused = "convert: cannot hand on argument ";
    const struct {
        std::wstring Target, Format, Extra;
        int Argument;  // refused as this argument, 0: converted, -1: refused for another reason
    } cases[] = {
        {root + L"out\\\x03A9mega.mbox", L"Mbox_Unix", L"", 3},
        {root + L"out\\COM\xff11.mbox", L"Mbox_Unix", L"", 3},
        {root + L"out\\eml\\\\", L"EML", L" \"-errorlog=" + root + L"out\\\x03A9log.txt\"", 5},
        {root + L"out\\\x03A9" L"dir\\\\", L"EML", L"", 0},
        // A folder still to be made is made only for a call that runs.
        {root + L"out\\\x03A9" L"c33\\\\", L"EML", L" \"-errorlog=" + root + L"out\\\x03A9log.txt\"", 5},
        {root + L"out\\\x03A9" L"c34\\\\", L"EMLX", L"", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.Target));
        const TConvertRun run =
            RunConvertExe(L"\"" + src + L"\" Mbox \"" + c.Target + L"\" " + c.Format + c.Extra);
        ASSERT_FALSE(run.Lines.empty());
        if (c.Argument == 0) {
            EXPECT_EQ(run.ExitCode, 0u) << run.Lines.front();
            continue;
        }
        EXPECT_EQ(run.ExitCode, 2u);
        if (c.Argument > 0) {
            EXPECT_EQ(run.Lines.front().substr(0, refused.size() + 2), refused + std::to_string(c.Argument) + ":");
        }
    }
    for (const wchar_t* Unmade : {L"out\\\x03A9" L"c33", L"out\\\x03A9" L"c34"})
        EXPECT_EQ(GetFileAttributesW((root + Unmade).c_str()), INVALID_FILE_ATTRIBUTES) << WideToUtf8(Unmade);
    EXPECT_EQ(TTestFolder::WideTree(root + L"out"),
              (std::map<std::wstring, std::string>{
                  {L"Omega.mbox", "keep\n"},
                  {L"\x03A9" L"dir\\one.eml", "Subject: one\r\nContent-Type: text/plain\r\n\r\nbody\r\n"}}));
}
