#include "bench/BenchHost.h"

#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <utility>

#include "classlib/PathForms.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvFileFinder.h"
#include "foundation/KvStrings.h"

const char* const BenchUsage =
    "usage: convert <source> <source format> <target> <target format> [options]\n"
    "  source         a mailbox file, or a folder pattern such as Z:\\mail\\*.msf\n"
    "  source format  a settings name (Mbox, Thunderbird, Eudora.toc...) or a number 1-11\n"
    "  target         a folder ending in a backslash, a folder with a pattern (Z:\\out\\*.eml),\n"
    "                 or one mbox file\n"
    "  target format  EML, Txt, Mbox_Win, Mbox_Unix or Mbox_Mac\n"
    "options:\n"
    "  -s, --subfolders     include sub-folders\n"
    "  -j, --skip-trash     skip trash and junk folders\n"
    "  -r, --restore-tree   restore the folder tree\n"
    "  -d, --match-dates    set file times to the message dates\n"
    "  -m, --digest-names   name files by the message digest\n"
    "  -errorlog=PATH       the error log (default: ErrorLog.txt in the program's\n"
    "                       application-data folder)\n"
    "  -TimeZone=ZONE       the local time zone, such as +0100 or UTC\n";

namespace {

// A settings name, or a plain number for the formats that have none.
TMailFormat FormatOfArg(const std::string& Text)
{
    const TMailFormat named = MailFormatFromName(Text);
    if (named != mftUnknown)
        return named;
    if (Text.empty() || Text.size() > 2)
        return mftUnknown;
    int n = 0;
    for (char c : Text) {
        if (c < '0' || c > '9')
            return mftUnknown;
        n = n * 10 + (c - '0');
    }
    return static_cast<TMailFormat>(n <= MaxMailFormat ? n : 0);
}

// "-name=value" or "--name=value" for one of the program's own switches;
// false for anything else.
bool TakeSwitch(const std::string& Arg, const char* Name, std::string& Value)
{
    const std::size_t dashes = Arg.compare(0, 2, "--") == 0 ? 2 : 1;
    const std::size_t eq = Arg.find('=');
    if (eq == std::string::npos || Arg[0] != '-' || !SameTextStr(Arg.substr(dashes, eq - dashes), Name))
        return false;
    Value = Arg.substr(eq + 1);
    return true;
}

}  // namespace

std::string ParseBenchArgs(const std::vector<std::string>& Args, TBenchArgs& Result)
{
    Result = TBenchArgs();
    std::vector<std::string> plain;
    TConvertChoices& c = Result.Choices;
    for (const std::string& a : Args) {
        if (a == "-s" || a == "--subfolders")
            c.IncludeSubfolders = true;
        else if (a == "-j" || a == "--skip-trash")
            c.SkipTrashJunk = true;
        else if (a == "-r" || a == "--restore-tree")
            c.RestoreFolderTree = true;
        else if (a == "-d" || a == "--match-dates")
            c.MatchDates = true;
        else if (a == "-m" || a == "--digest-names")
            c.Md5FileNames = true;
        else if (TakeSwitch(a, "errorlog", Result.Switches.ErrorLog))
            Result.Switches.HasErrorLog = true;
        else if (TakeSwitch(a, "TimeZone", Result.Switches.TimeZone))
            continue;
        else if (a.size() > 1 && a[0] == '-')
            return "unknown option " + a;
        else
            plain.push_back(a);
    }
    if (plain.size() != 4)
        return "expected 4 arguments, got " + std::to_string(plain.size());
    Result.Source = plain[0];
    c.SourceFormat = FormatOfArg(plain[1]);
    c.TargetText = plain[2];
    c.TargetFormat = FormatOfArg(plain[3]);
    if (Result.Source.empty())
        return "empty source";
    if (MailFormatReader(c.SourceFormat) == TMailReader::None)
        return "not a source format: " + plain[1];
    if (!MailFormatIsOneFilePerMessage(c.TargetFormat) && !MailFormatIsMboxTarget(c.TargetFormat))
        return "not a target format: " + plain[3];
    if (c.TargetText.empty())
        return "empty target";
    return std::string();
}

namespace {

// Whether a folder level of the path ends in a dot or a blank, which the
// ANSI calls drop: "Mail.\*.msf" would list "Mail".
bool HasTrimmedFolder(const std::wstring& Path)
{
    for (size_t At = 0, End; (End = Path.find(L'\\', At)) != std::wstring::npos; At = End + 1) {
        if (EndsInDotOrBlank(Path.substr(At, End - At)))
            return true;
    }
    return false;
}

}  // namespace

std::string AnsiArgOf(const std::wstring& Arg)
{
    bool lossless = false;
    const std::string ansi = WideToCodePageEx(Arg, lossless, 0);
    // A best fit counts as lossless there ("COM\xff11" gives "COM1", a
    // device): only a text that converts back to itself is handed on as it is.
    if (lossless && AnsiToWideStr(ansi) == Arg && !HasTrimmedFolder(Arg))
        return ansi;
    // "-errorlog=PATH": the path is handed on by its own rules.
    if (const size_t eq = Arg.find(L'='); !Arg.empty() && Arg[0] == L'-' && eq != std::wstring::npos) {
        const std::string name = ExactAnsiText(Arg.substr(0, eq + 1), lossless);
        const std::string value = AnsiArgOf(Arg.substr(eq + 1));
        return lossless && !value.empty() ? name + value : std::string();
    }
    if (std::string path = OpenableAnsiPath(Arg); !path.empty())
        return path;
    // A pattern, or a target folder that the run makes: its folder exists.
    std::wstring name = Arg;
    const bool slash = !name.empty() && name.back() == L'\\';
    if (slash)
        name.pop_back();
    const size_t cut = name.find_last_of(L'\\');
    if (cut == std::wstring::npos || cut == 0)
        return std::string();
    const std::string folder = OpenableAnsiPath(name.substr(0, cut));
    // The name still to be made is handed on only as itself: "\u03A9mega.mbox"
    // as "Omega.mbox" would append to another file, "COM\uFF11" open a device.
    const std::string last = ExactAnsiText(name.substr(cut), lossless);
    if (folder.empty() || !lossless)
        return std::string();
    return folder + last + (slash ? "\\" : "");
}

std::vector<std::string> CommandLineArgs(std::string& Problem, bool MakeFolders)
{
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return args;
    for (int i = 1; i < count; ++i) {
        std::string arg = AnsiArgOf(wide[i]);
        // A target folder the code page cannot name gets a short name only
        // once it exists; the run would make it anyway, but not before every
        // argument is checked: until then a plain stand-in holds its place.
        const std::wstring text = wide[i];
        if (arg.empty() && !text.empty() && text.back() == L'\\') {
            if (!MakeFolders) {
                std::wstring standIn = text;
                std::replace_if(standIn.begin(), standIn.end(), [](wchar_t C) { return C > 0x7F; }, L'_');
                arg = AnsiArgOf(standIn);
            } else if (CreateDirectoryW(text.substr(0, text.size() - 1).c_str(), nullptr)) {
                arg = AnsiArgOf(text);
            }
        }
        if (arg.empty() && wide[i][0] != L'\0' && Problem.empty())
            Problem = "cannot hand on argument " + std::to_string(i) +
                      ": its name does not fit the ANSI code page and no short name of it that opens it was found";
        args.push_back(arg);
    }
    LocalFree(wide);
    return args;
}

TBenchHost::TBenchHost(const TBenchArgs& Args, std::function<void(const std::string&)> OnLine)
    : FChoices(Args.Choices), FOnLine(std::move(OnLine))
{
    FSources.AddObject(Args.Source, MailFormatToObject(Args.Choices.SourceFormat));
}

void TBenchHost::AddLogLine(const std::string& Text)
{
    static const std::string processing = "Processing: ";
    if (Text.compare(0, processing.size(), processing) == 0)
        FMailboxes.push_back(Text.substr(processing.size()));
    ++FLineCount;
    if (FOnLine)
        FOnLine(Text);
}

std::uint64_t PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc))
        return 0;
    return pmc.PeakWorkingSetSize;
}
