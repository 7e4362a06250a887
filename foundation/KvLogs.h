#pragma once
// Log files, the process-wide error log and the exclusive text file writer
// that every mbox target is written through.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "classlib/Cleanup.h"
#include "classlib/Classes.h"
#include "classlib/SysUtils.h"

class TFileStream;

// EFileError that also carries the Windows error code behind it; catch
// EFileError unless the code matters.
class EFileIoError : public EFileError {
public:
    // The code lives in the base alone: a handler that catches EFileError
    // reads it there, and a second member of the same name left it 0.
    EFileIoError(std::string Msg, DWORD Code) : EFileError(std::move(Msg), Code) {}
};

// The system's text for an error code, trailing blanks, breaks and dots cut.
std::string SystemErrorText(DWORD Code);
[[noreturn]] void RaiseFileError(DWORD Code);
[[noreturn]] void RaiseLastFileError();

// Text for a log: ANSI text, and the same text as wide text where it names
// a file whose name the ANSI code page cannot carry (Ansi then has "?" for
// the letters it lacks). An empty Wide means that Ansi says it all.
struct TLogText {
    TLogText() = default;
    TLogText(std::string Text) : Ansi(std::move(Text)) {}
    TLogText(const char* Text) : Ansi(Text) {}
    // Text in the code page, with Wide set only when that loses letters.
    static TLogText FromWide(const std::wstring& Text);
    // The wide form, ANSI text widened with the code page.
    std::wstring WideText() const;
    // As a text file holds it: the ANSI bytes, or where Wide is set UTF-8
    // behind a byte-order mark, as a log turns for such a line.
    std::string FileBytes() const;

    std::string Ansi;
    std::wstring Wide;
};
TLogText operator+(const TLogText& A, const TLogText& B);

// A log file of CRLF-ended lines. A fresh log moves a non-empty old one to
// "<name>.bak", unless another log (another window, another process) is
// writing it: then it appends beside that one, each line in one write at the
// file's end. A log that can't be prepared, or whose write comes up short,
// is inactive and drops lines silently. Its lines are ANSI text until the
// first wide text that the code page cannot carry: then the whole file turns
// to UTF-8 behind a byte-order mark, its lines so far converted, as whoever
// opens it (a spreadsheet) reads one encoding for the whole file.
class TLogBase : public TObject {
public:
    TLogBase(const std::string& FileName, bool Append);
    ~TLogBase() override;

    bool WriteText(const std::string& Text);
    bool WriteWideText(const std::wstring& Text);
    virtual void WriteLine(const std::string& Text);
    // Writes the line only into a file that holds nothing yet: of several
    // writers that start one log, one gives it its heading.
    bool WriteFirstLine(const std::string& Text);

    const std::string& FileName() const { return FFileName; }
    bool Active() const { return FActive; }
    bool Utf8() const { return FUtf8; }

protected:
    std::string FFileName;
    // Opened to append only, shared with every other writer of the file.
    TKernelHandle FFile;
    bool FActive = false;

private:
    bool WriteBytes(const std::string& Bytes);
    // Rewrites the lines so far in UTF-8; false when the file could not be.
    bool ChangeToUtf8();
    // Names the lock every writer of the file takes for each write.
    void MakeRowLock();
    bool FUtf8 = false;
    // A mutex named by the file's identity, in this process or another.
    TKernelHandle FRowLock;
};

// A log that never appends and puts the local time before each line when a
// date-time format is given ("hh:nn:ss ").
class TLogFile : public TLogBase {
public:
    TLogFile(const std::string& FileName, const std::string& DateTimeFormat);

    void WriteLine(const std::string& Text) override;
    void WriteWideLine(const std::wstring& Text);

    std::string DateTimeFormat;
    TDateTime LastLogTime = 0;

private:
    std::string TimePrefix(TDateTime Now) const;
    // Stamps the line's time, or ends the log when the line was not written.
    void Written(bool Done, TDateTime Now);
};

// Time of the last line written by any TLogFile.
extern TDateTime LastLogTime;

// The process-wide error log: opened on its first line at ErrorLogFileName,
// with no time prefix; nothing happens while that name is empty.
extern std::string ErrorLogFileName;
bool IsErrorLogOpen();
void ErrorLogWrite(const TLogText& Text);
// The heading row, written only into a log that holds nothing yet: a log
// another run writes already has it.
void ErrorLogWriteHeading(const std::string& Text);
TLogFile* ErrorLog();     // null until the first line
void FreeErrorLog();      // closes it; the next line opens it again

// One file held open exclusively (no sharing) for reading and appending.
// Every failed Windows call raises EFileError (EFileIoError).
class TTextFileWriter : public TObject {
public:
    // CompleteLastLine: the first Write first ends an existing file's last
    // line when it lacks its break, so appended text never joins it.
    TTextFileWriter(const std::string& FileName, bool Overwrite, bool CompleteLastLine);
    ~TTextFileWriter() override;

    void Write(std::string_view Text);
    std::int64_t GetSize();
    DWORD ReadBuffer(void* Buffer, DWORD Count);
    DWORD WriteBuffer(const void* Buffer, DWORD Count);
    void CompleteLastLine();
    // The break that completes a last line: "\r\n" (the default), "\r" or
    // "\n", the target's own, so a completed file keeps one kind of break.
    void SetLineBreak(const std::string& Break) { FLineBreak = Break.empty() ? std::string("\r\n") : Break; }

    // Where the file ends now, to cut it back there after a failed write.
    struct TMark {
        std::int64_t Size = 0;
        bool EndsWithCRLF = false;
        bool CompletePending = false;
    };
    TMark Mark() const { return {FSize, FEndsWithCRLF, FCompletePending}; }
    // Cuts the file back to Where; the Windows error when even that fails, else 0.
    DWORD CutBack(const TMark& Where) noexcept;
    const std::string& LineBreak() const { return FLineBreak; }

    HANDLE Handle() const { return FHandle.Get(); }
    std::int64_t Size() const { return FSize; }
    const std::string& FileName() const { return FFileName; }
    bool EndsWithCRLF() const { return FEndsWithCRLF; }
    bool CompletePending() const { return FCompletePending; }

private:
    TKernelHandle FHandle;
    std::int64_t FSize = 0;
    std::string FFileName;
    bool FEndsWithCRLF = false;
    bool FCompletePending = false;
    std::string FLineBreak = "\r\n";
};
