#pragma once
// A message too large to load, copied from its mailbox through a bounded
// buffer as it stands: only its line breaks become the target's.

#include <cstdint>
#include <functional>
#include <string>

#include "mail/KvMessageFiles.h"

// Turns every line break (CR LF, LF or CR) of a text handed over in pieces
// into Break; a CR at the end of a piece waits for the next one.
class TBreakConverter {
public:
    explicit TBreakConverter(std::string Break) : FBreak(std::move(Break)) {}
    void Convert(const char* Data, std::size_t Size, std::string& Out);
    void Finish(std::string& Out);

private:
    std::string FBreak;
    bool FPendingCr = false;
};

class TMessageRangeCopy {
public:
    // The range Pos, Size of File; Break is the target's line break.
    // DropFromLine leaves out a first line that is an mbox separator.
    TMessageRangeCopy(std::string File, std::int64_t Pos, std::int64_t Size, std::string Break, bool DropFromLine);

    // Leaves out the range's last line break, as a reader leaves out the
    // one that belongs to the next separator. KeepOwn: as a reader that
    // keeps each message's last break (TFileMailObj::OwnLastBreak), only
    // the break of a blank line goes, and a range that ends without a
    // break gets one.
    void DropFinalBreak(bool KeepOwn = false);
    // The first bytes of the message as they stand, for its name and date.
    std::string Head(std::size_t Max) const;
    // Hands the whole converted message to Sink piece by piece; false when
    // the file could not be read (Error set) or Sink said stop.
    bool CopyTo(const TPieceSink& Sink) const;

    std::int64_t Size() const { return FSize; }
    unsigned long Error() const { return FError; }

    // Bytes read per piece; the test lowers it to reach piece edges.
    std::size_t Step = 1 << 20;
    // Every "From " that starts a line after the first becomes "from ": set
    // for an mbox copy of a store that escapes no body line.
    bool EscapeFromLines = false;

private:
    std::string FFile;
    std::int64_t FPos;
    std::int64_t FSize;
    std::string FBreak;
    bool FDropFromLine;
    bool FAddBreak = false;
    mutable unsigned long FError = 0;
};
