#include "foundation/KvLogs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "classlib/ResStrings.h"
#include "classlib/Streams.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvDates.h"
#include "foundation/KvFiles.h"

namespace {

enum : int {
    SFileIoError = 11410,
};

const TResStringRegistrar LogTexts{
    {SFileIoError, "File I/O error %d"},
};

const char* const LongMonthNames[12] = {"January", "February", "March",     "April",
                                        "May",     "June",     "July",      "August",
                                        "September", "October", "November", "December"};
const char* const LongDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};

std::string Pad(int Value, int Digits)
{
    std::string s = std::to_string(Value);
    return s.size() < static_cast<size_t>(Digits) ? std::string(Digits - s.size(), '0') + s : s;
}

bool MatchesAt(const std::string& Fmt, size_t I, const char* Token)
{
    const size_t n = std::strlen(Token);
    return Fmt.size() - I >= n && _strnicmp(Fmt.c_str() + I, Token, n) == 0;
}

// The date-time layout of log lines: y m d h n s z, "am/pm" and "a/p",
// quoted literals, and "m" right after an hour meaning minutes. Log files
// are read on other machines, so names are English and separators literal.
std::string FormatLogTime(const std::string& Fmt, TDateTime Value)
{
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(Value, y, mo, d, h, mi, s, ms);
    const int dow = DayOfWeek(Value) - 1;
    bool twelve = false;
    for (size_t i = 0; i < Fmt.size(); ++i)
        if (MatchesAt(Fmt, i, "am/pm") || MatchesAt(Fmt, i, "a/p"))
            twelve = true;
    const int hour = twelve ? (h % 12 == 0 ? 12 : h % 12) : h;

    std::string out;
    bool afterHour = false;
    size_t i = 0;
    while (i < Fmt.size()) {
        const char c = Fmt[i];
        const char lc = static_cast<char>(c | 0x20);
        size_t run = 1;
        while (i + run < Fmt.size() && (Fmt[i + run] | 0x20) == lc)
            ++run;
        if (c == '"' || c == '\'') {
            const size_t close = Fmt.find(c, i + 1);
            const size_t end = close == std::string::npos ? Fmt.size() : close;
            out += Fmt.substr(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (MatchesAt(Fmt, i, "am/pm")) {
            out += h < 12 ? "am" : "pm";
            i += 5;
            continue;
        }
        if (MatchesAt(Fmt, i, "a/p")) {
            out += h < 12 ? "a" : "p";
            i += 3;
            continue;
        }
        switch (lc) {
        case 'y':
            out += run <= 2 ? Pad(y % 100, 2) : Pad(y, 4);
            break;
        case 'm':
            if (afterHour && run <= 2)
                out += Pad(mi, run == 2 ? 2 : 1);
            else if (run >= 4)
                out += LongMonthNames[mo - 1];
            else if (run == 3)
                out += ShortMonthNames[mo];
            else
                out += Pad(mo, static_cast<int>(run));
            break;
        case 'd':
            if (run >= 4)
                out += LongDayNames[dow];
            else if (run == 3)
                out += ShortDayNames[dow + 1];
            else
                out += Pad(d, static_cast<int>(run));
            break;
        case 'h':
            out += Pad(hour, run >= 2 ? 2 : 1);
            break;
        case 'n':
            out += Pad(mi, run >= 2 ? 2 : 1);
            break;
        case 's':
            out += Pad(s, run >= 2 ? 2 : 1);
            break;
        case 'z':
            out += Pad(ms, run >= 3 ? 3 : 1);
            break;
        default:
            out.append(run, c);
            break;
        }
        if (lc == 'h')
            afterHour = true;
        else if (lc != ' ' && lc != ':' && !(lc == 'm' && afterHour))
            afterHour = false;
        if (lc == 'm')
            afterHour = false;
        i += run;
    }
    return out;
}

std::unique_ptr<TLogFile> GErrorLogFile;

// How much of a log is read at a time when it turns to UTF-8.
constexpr std::int32_t LogCopyBuffer = 65536;
const std::string Utf8Bom = "\xEF\xBB\xBF";

// ANSI bytes, NULs and all, as UTF-8.
std::string AnsiToUtf8(const char* Bytes, std::size_t Count)
{
    if (Count == 0)
        return std::string();
    const int N = static_cast<int>(Count);
    std::wstring Wide(Count, L'\0');
    Wide.resize(static_cast<std::size_t>(std::max(MultiByteToWideChar(CP_ACP, 0, Bytes, N, Wide.data(), N), 0)));
    return WideToUtf8(Wide);
}

void SeekFromEnd(HANDLE Handle, std::int64_t Offset)
{
    LARGE_INTEGER dist;
    dist.QuadPart = Offset;
    if (!SetFilePointerEx(Handle, dist, nullptr, FILE_END))
        RaiseLastFileError();
}

}  // namespace

// ---------------------------------------------------------------------------
// Errors
// ---------------------------------------------------------------------------

std::string SystemErrorText(DWORD Code)
{
    char buf[1024];
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                       FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                   nullptr, Code, 0, buf, sizeof buf, nullptr);
    std::string s(buf, n < sizeof buf ? n : 0);
    while (!s.empty() && (static_cast<unsigned char>(s.back()) < 33 || s.back() == '.'))
        s.pop_back();
    return s;
}

void RaiseFileError(DWORD Code)
{
    std::string msg = SystemErrorText(Code);
    if (msg.empty())
        msg = Format(LoadResString(SFileIoError), static_cast<std::int64_t>(Code));
    throw EFileIoError(msg, Code);
}

void RaiseLastFileError()
{
    RaiseFileError(GetLastError());
}

// ---------------------------------------------------------------------------
// Logs
// ---------------------------------------------------------------------------

TLogText TLogText::FromWide(const std::wstring& Text)
{
    TLogText Result;
    // A name the code page shows by a best fit ("\u03A9mega" as "Omega")
    // would be logged as another file's.
    bool Exact = true;
    Result.Ansi = ExactAnsiText(Text, Exact);
    if (!Exact)
        Result.Wide = Text;
    return Result;
}

std::wstring TLogText::WideText() const
{
    return Wide.empty() ? AnsiToWideStr(Ansi) : Wide;
}

std::string TLogText::FileBytes() const
{
    return Wide.empty() ? Ansi : Utf8Bom + WideToUtf8(Wide);
}

TLogText operator+(const TLogText& A, const TLogText& B)
{
    TLogText Result(A.Ansi + B.Ansi);
    if (!A.Wide.empty() || !B.Wide.empty())
        Result.Wide = A.WideText() + B.WideText();
    return Result;
}

TDateTime LastLogTime = 0;

namespace {

// Every writer of a log may append and none may move it away: another
// window's log must not lose its rows to a ".bak" or a rewrite.
const DWORD LogShareMode = FILE_SHARE_READ | FILE_SHARE_WRITE;

// A handle that appends each write at the file's end, wherever other
// writers have left it. A writer that holds the file for a moment (a log
// turning to UTF-8) is waited for, briefly.
TKernelHandle OpenLogForAppending(const std::string& FileName)
{
    for (int Attempt = 0;; ++Attempt) {
        TKernelHandle File(CreateFileAnyLength(FileName, FILE_APPEND_DATA, LogShareMode, OPEN_EXISTING));
        if (File || GetLastError() != ERROR_SHARING_VIOLATION || Attempt == 40)
            return File;
        Sleep(25);
    }
}

// Whether another writer holds the log open now.
bool IsLogInUse(const std::string& FileName)
{
    TKernelHandle Alone(CreateFileAnyLength(FileName, GENERIC_READ, 0, OPEN_EXISTING));
    return !Alone && GetLastError() == ERROR_SHARING_VIOLATION;
}

// How long a writer waits for another's row before it writes its own
// anyway: a row is one write, so only a writer that hangs holds it longer.
constexpr DWORD RowLockWaitMs = 10000;

// Holds a writer's row lock for one write. A lock its last holder left
// by ending is taken all the same.
class TRowLockScope {
public:
    explicit TRowLockScope(HANDLE Lock)
        : FLock(Lock), FHeld(Lock && WaitForSingleObject(Lock, RowLockWaitMs) != WAIT_TIMEOUT)
    {
    }
    ~TRowLockScope()
    {
        if (FHeld)
            ReleaseMutex(FLock);
    }
    TRowLockScope(const TRowLockScope&) = delete;
    TRowLockScope& operator=(const TRowLockScope&) = delete;

private:
    HANDLE FLock;
    bool FHeld;
};

bool StartsWithUtf8Bom(const std::string& FileName)
{
    TKernelHandle File(CreateFileAnyLength(FileName, GENERIC_READ, LogShareMode, OPEN_EXISTING));
    char Head[3] = {};
    DWORD Got = 0;
    return File && ReadFile(File.Get(), Head, sizeof Head, &Got, nullptr) && Got == sizeof Head &&
           std::string(Head, Got) == Utf8Bom;
}

}  // namespace

TLogBase::TLogBase(const std::string& FileName, bool Append) : FFileName(FileName)
{
    bool existing = (Append && IsExistingFile(FileName)) || IsLogInUse(FileName);
    if (existing) {
        FActive = true;
    } else {
        try {
            bool prepared = true;
            if (GetFileSizeByName(FileName) > 0) {
                prepared = !BackupExistingFile(FileName, bmBak, false).empty();
                // Another run that started the log a moment ago holds it
                // now: it is joined, not given up.
                existing = !prepared && IsLogInUse(FileName);
                FActive = existing;
            }
            if (prepared) {
                const std::string folder = ExtractParentFolder(FileName);
                if (!folder.empty())
                    ForceFolder(folder);
                // Made when missing, never emptied: another run may have
                // made it, and written into it, since the look above.
                FActive = TKernelHandle(CreateFileAnyLength(FileName, GENERIC_WRITE, LogShareMode, OPEN_ALWAYS)).Valid();
            }
        } catch (...) {
            FActive = false;
        }
    }
    if (FActive) {
        // Joined, a log that turned to UTF-8 takes its lines as UTF-8.
        FUtf8 = existing && StartsWithUtf8Bom(FileName);
        FFile = OpenLogForAppending(FileName);
        if (!FFile)
            RaiseLastFileError();
        MakeRowLock();
    }
}

void TLogBase::MakeRowLock()
{
    // The file's identity, not its name: every writer of this file finds
    // the one lock, whatever name it came by.
    BY_HANDLE_FILE_INFORMATION Info;
    if (!FFile || !GetFileInformationByHandle(FFile.Get(), &Info)) {
        FRowLock.Reset();
        return;
    }
    char Name[64];
    std::snprintf(Name, sizeof Name, "TessalyLogRows-%08lx-%08lx%08lx", Info.dwVolumeSerialNumber,
                  Info.nFileIndexHigh, Info.nFileIndexLow);
    FRowLock.Reset(CreateMutexA(nullptr, FALSE, Name));
}

bool TLogBase::WriteFirstLine(const std::string& Text)
{
    const TRowLockScope Lock(FRowLock.Get());
    LARGE_INTEGER Size{};
    if (!FFile || !GetFileSizeEx(FFile.Get(), &Size))
        return false;
    return Size.QuadPart != 0 || WriteText(Text + "\r\n");
}

TLogBase::~TLogBase() = default;

bool TLogBase::WriteText(const std::string& Text)
{
    return WriteBytes(FUtf8 ? AnsiToUtf8(Text.data(), Text.size()) : Text);
}

bool TLogBase::WriteWideText(const std::wstring& Text)
{
    if (!FUtf8) {
        bool Exact = true;
        const std::string Ansi = ExactAnsiText(Text, Exact);
        // A log that cannot be rewritten keeps the line, if not its every letter.
        if (Exact || !ChangeToUtf8())
            return WriteBytes(Ansi);
    }
    return WriteBytes(WideToUtf8(Text));
}

bool TLogBase::WriteBytes(const std::string& Bytes)
{
    if (Bytes.empty())
        return true;
    // One write: another writer's line never lands inside this one. Under
    // Wine an append is a look at the file's size and a write there, two
    // steps: without the lock another writer's row could land at the same
    // place and be overwritten.
    const TRowLockScope Lock(FRowLock.Get());
    return FFile && WriteAll(FFile.Get(), Bytes.data(), Bytes.size());
}

bool TLogBase::ChangeToUtf8()
{
    if (!FFile)
        return false;
    // The converted lines go to a new file beside the log, which then takes
    // its place: until then the log is whole as it was.
    const std::string Folder = ExtractParentFolder(FFileName);
    char Temp[MAX_PATH];
    if (!GetTempFileNameA(Folder.empty() ? "." : Folder.c_str(), "log", 0, Temp))
        return false;
    bool Copied = false;
    try {
        TFileStream From(FFileName, fmOpenRead | fmShareDenyNone);
        TFileStream To(Temp, fmCreate);
        To.WriteBuffer(Utf8Bom.data(), static_cast<std::int32_t>(Utf8Bom.size()));
        std::string Buffer(LogCopyBuffer, '\0');
        std::size_t Kept = 0;  // bytes of a character the last read cut
        for (;;) {
            const std::int32_t Got =
                From.Read(Buffer.data() + Kept, static_cast<std::int32_t>(Buffer.size() - Kept));
            const std::size_t End = Kept + static_cast<std::size_t>(std::max(Got, 0));
            // A double-byte character is converted whole, never split across
            // reads; at the end a cut one is converted as it is.
            std::size_t Whole = 0;
            while (Whole < End) {
                const std::size_t Next = Whole + (IsDBCSLeadByte(static_cast<BYTE>(Buffer[Whole])) ? 2 : 1);
                if (Next > End)
                    break;
                Whole = Next;
            }
            if (Got <= 0)
                Whole = End;
            const std::string Utf8 = AnsiToUtf8(Buffer.data(), Whole);
            To.WriteBuffer(Utf8.data(), static_cast<std::int32_t>(Utf8.size()));
            Kept = End - Whole;
            std::memmove(Buffer.data(), Buffer.data() + Whole, Kept);
            if (Got <= 0)
                break;
        }
        Copied = true;
    } catch (const Exception&) {
    }
    // Another writer's handle keeps the file from being replaced (no
    // delete sharing): its lines then stay in the one file, as ANSI text.
    if (Copied) {
        FFile.Reset();
        Copied = MoveFileExA(Temp, FFileName.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    }
    if (!Copied)
        DeleteFileA(Temp);
    if (!FFile) {
        FFile = OpenLogForAppending(FFileName);
        MakeRowLock();
    }
    if (!FFile)
        return false;
    FUtf8 = Copied;
    return Copied;
}

void TLogBase::WriteLine(const std::string& Text)
{
    if (FActive)
        FActive = WriteText(Text + "\r\n");
}

TLogFile::TLogFile(const std::string& FileName, const std::string& ADateTimeFormat)
    : TLogBase(FileName, false), DateTimeFormat(ADateTimeFormat)
{
    ::LastLogTime = 0;
}

std::string TLogFile::TimePrefix(TDateTime Now) const
{
    std::string prefix;
    if (!DateTimeFormat.empty()) {
        prefix = FormatLogTime(DateTimeFormat, Now);
        if (!prefix.empty())
            prefix += ' ';
    }
    return prefix;
}

void TLogFile::Written(bool Done, TDateTime Now)
{
    if (Done) {
        LastLogTime = Now;
        ::LastLogTime = Now;
    } else {
        FActive = false;
    }
}

void TLogFile::WriteLine(const std::string& Text)
{
    if (!FActive)
        return;
    const TDateTime When = Now();
    Written(WriteText(TimePrefix(When) + Text + "\r\n"), When);
}

void TLogFile::WriteWideLine(const std::wstring& Text)
{
    if (!FActive)
        return;
    const TDateTime When = Now();
    Written(WriteWideText(AnsiToWideStr(TimePrefix(When)) + Text + L"\r\n"), When);
}

std::string ErrorLogFileName;

bool IsErrorLogOpen()
{
    return GErrorLogFile != nullptr;
}

namespace {

// Opens the error log on its first line; false when it has no name or
// cannot be opened.
bool OpenErrorLog()
{
    if (GErrorLogFile)
        return true;
    if (ErrorLogFileName.empty())
        return false;
    // A log that can't be opened must not stop the conversion it reports on.
    try {
        GErrorLogFile = std::make_unique<TLogFile>(ErrorLogFileName, std::string());
    } catch (const Exception&) {
        return false;
    }
    return true;
}

}  // namespace

void ErrorLogWriteHeading(const std::string& Text)
{
    if (OpenErrorLog())
        GErrorLogFile->WriteFirstLine(Text);
}

void ErrorLogWrite(const TLogText& Text)
{
    if (!OpenErrorLog())
        return;
    if (Text.Wide.empty())
        GErrorLogFile->WriteLine(Text.Ansi);
    else
        GErrorLogFile->WriteWideLine(Text.Wide);
}

TLogFile* ErrorLog()
{
    return GErrorLogFile.get();
}

void FreeErrorLog()
{
    GErrorLogFile.reset();
}

// ---------------------------------------------------------------------------
// TTextFileWriter
// ---------------------------------------------------------------------------

TTextFileWriter::TTextFileWriter(const std::string& FileName, bool Overwrite, bool CompleteLastLine)
    : FFileName(FileName)
{
    // Opening is the existence test as well: under Wine a look-up of a
    // name a folder does not hold yet reads the whole folder. A target
    // restored deep below its folder passes MAX_PATH.
    FHandle.Reset(CreateFileAnyLength(FileName, GENERIC_READ | GENERIC_WRITE, 0,
                                      Overwrite ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL));
    if (!FHandle)
        RaiseLastFileError();
    const bool create = Overwrite || GetLastError() != ERROR_ALREADY_EXISTS;
    // From here the handle is closed by its owner if anything throws.
    if (create) {
        FEndsWithCRLF = true;
        return;
    }
    FSize = GetSize();
    SeekFromEnd(FHandle.Get(), 0);
    // An appended message must never run on from a last line that lacks
    // its break (a foreign mbox cut off mid-line), so the first write
    // looks at the file's last byte.
    FCompletePending = CompleteLastLine && FSize > 0;
}

TTextFileWriter::~TTextFileWriter() = default;

void TTextFileWriter::Write(std::string_view Text)
{
    if (Text.empty())
        return;
    if (FCompletePending)
        CompleteLastLine();
    WriteBuffer(Text.data(), static_cast<DWORD>(Text.size()));
    FEndsWithCRLF = Text.size() >= 2 && Text.compare(Text.size() - 2, 2, "\r\n") == 0;
}

void TTextFileWriter::CompleteLastLine()
{
    FCompletePending = false;
    if (GetSize() == 0)
        return;  // nothing there: no line to complete
    // The pointer stays at the end for anyone writing through WriteBuffer;
    // reading the last byte brings it back there.
    SeekFromEnd(FHandle.Get(), -1);
    char last = 0;
    if (ReadBuffer(&last, 1) != 1)
        return;
    // A final LF ends a line in every kind of file; a final CR does in a CR
    // file and is the first half of a CRLF elsewhere, so a CR target must
    // not get an LF after it.
    std::string rest;
    if (last == '\r')
        rest = FLineBreak == "\r" ? "" : "\n";
    else if (last != '\n')
        rest = FLineBreak;
    if (rest.empty())
        return;
    WriteBuffer(rest.data(), static_cast<DWORD>(rest.size()));
    FEndsWithCRLF = (last == '\r' && rest == "\n") || rest == "\r\n";
}

DWORD TTextFileWriter::CutBack(const TMark& Where) noexcept
{
    // A write cut short by a full disk leaves part of a message behind; the
    // next run would append after it and the file would hold a message
    // that was never whole.
    LARGE_INTEGER to;
    to.QuadPart = Where.Size;
    if (!SetFilePointerEx(FHandle.Get(), to, nullptr, FILE_BEGIN) || !SetEndOfFile(FHandle.Get()))
        return GetLastError();
    FSize = Where.Size;
    FEndsWithCRLF = Where.EndsWithCRLF;
    FCompletePending = Where.CompletePending;
    return 0;
}

std::int64_t TTextFileWriter::GetSize()
{
    DWORD high = 0;
    SetLastError(0);
    const DWORD low = GetFileSize(FHandle.Get(), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        RaiseLastFileError();
    return (static_cast<std::int64_t>(high) << 32) | low;
}

DWORD TTextFileWriter::ReadBuffer(void* Buffer, DWORD Count)
{
    DWORD got = 0;
    if (!ReadFile(FHandle.Get(), Buffer, Count, &got, nullptr)) {
        const DWORD err = GetLastError();
        if (err != ERROR_BROKEN_PIPE)
            RaiseFileError(err);
    }
    return got;
}

DWORD TTextFileWriter::WriteBuffer(const void* Buffer, DWORD Count)
{
    DWORD put = 0;
    if (!WriteFile(FHandle.Get(), Buffer, Count, &put, nullptr))
        RaiseLastFileError();
    FSize += put;  // every write appends: the pointer never leaves the end
    // A short write leaves half a message behind; the caller must hear of it.
    if (put != Count)
        RaiseFileError(ERROR_HANDLE_DISK_FULL);
    return put;
}
