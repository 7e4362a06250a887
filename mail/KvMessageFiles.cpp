#include "mail/KvMessageFiles.h"

#include <windows.h>

#include <algorithm>

#include "classlib/Cleanup.h"
#include "classlib/ResStrings.h"
#include "foundation/KvDates.h"
#include "foundation/KvTimeZones.h"
#include "mail/KvMailNames.h"
#include "mail/KvMimeHeaders.h"

namespace {

const TResStringRegistrar MessageFileTexts{
    {SAttachedEmail, "Attached Email"},
};

// A file name holds under MAX_PATH characters, and a date is short: a
// header line is read this far for them. Decoding and cleaning a giant
// subject whole cost several copies of it for a name of 255 characters.
constexpr std::size_t NameLineLimit = 8192;
// Windows' limit for one name in a path.
constexpr size_t MaxNameChars = 255;
// An attached message's subject longer than this is cut, and "..." marks the cut.
constexpr size_t AttachedSubjectChars = 75;
constexpr size_t AttachedSubjectCut = 73;

// Cuts every line of Text after Limit bytes, in place.
void CutLongLines(std::string& Text, std::size_t Limit)
{
    std::size_t Out = 0, lineStart = 0;
    for (std::size_t I = 0; I < Text.size(); ++I) {
        const char C = Text[I];
        if (C == '\n' || C == '\r')
            lineStart = I + 1;
        else if (I - lineStart >= Limit)
            continue;
        Text[Out++] = C;
    }
    Text.resize(Out);
}

// Whether the file FileName holds exactly the message's bytes.
bool SameFileBytes(const std::string& FileName, std::string_view Bytes, const TMessagePieces& Pieces)
{
    const TKernelHandle H(CreateFileAnyLength(FileName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    if (!H)
        return false;
    // Compares the file's next bytes with Piece, through a bounded buffer.
    std::string Buffer;
    const auto Next = [&](std::string_view Piece) {
        while (!Piece.empty()) {
            Buffer.resize(std::min<size_t>(Piece.size(), 65536));
            DWORD Got = 0;
            if (!ReadFile(H.Get(), Buffer.data(), static_cast<DWORD>(Buffer.size()), &Got, nullptr) || Got == 0 ||
                Piece.compare(0, Got, Buffer.data(), Got) != 0)
                return false;
            Piece.remove_prefix(Got);
        }
        return true;
    };
    if (Pieces) {
        if (!Pieces([&](const std::string& Piece) { return Next(Piece); }))
            return false;
    } else if (GetFileSizeByName(FileName) != static_cast<std::int64_t>(Bytes.size()) || !Next(Bytes)) {
        return false;
    }
    char Extra = 0;
    DWORD Got = 0;
    return ReadFile(H.Get(), &Extra, 1, &Got, nullptr) && Got == 0;
}

// The print of a message's bytes, and of a file's or a message's pieces,
// read through a bounded buffer: FNV-1a over every byte.
constexpr std::uint64_t PrintSeed = 14695981039346656037ull;
constexpr std::uint64_t PrintPrime = 1099511628211ull;

void AddToPrint(TMessageFiles::TPrint& Print, std::string_view Bytes)
{
    std::uint64_t H = Print.Hash;
    for (const char C : Bytes)
        H = (H ^ static_cast<unsigned char>(C)) * PrintPrime;
    Print.Hash = H;
    Print.Size += static_cast<std::int64_t>(Bytes.size());
}

TMessageFiles::TPrint PrintOf(std::string_view Bytes)
{
    TMessageFiles::TPrint Print{0, PrintSeed};
    AddToPrint(Print, Bytes);
    return Print;
}

bool PrintOfPieces(const TMessagePieces& Pieces, TMessageFiles::TPrint& Print)
{
    Print = {0, PrintSeed};
    return Pieces([&](const std::string& Piece) {
        AddToPrint(Print, Piece);
        return true;
    });
}

bool PrintOfFile(const std::string& FileName, TMessageFiles::TPrint& Print)
{
    const TKernelHandle H(CreateFileAnyLength(FileName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    if (!H)
        return false;
    Print = {0, PrintSeed};
    std::string Buffer(65536, '\0');
    for (;;) {
        DWORD Got = 0;
        if (!ReadFile(H.Get(), Buffer.data(), static_cast<DWORD>(Buffer.size()), &Got, nullptr))
            return false;
        if (Got == 0)
            return true;
        AddToPrint(Print, std::string_view(Buffer.data(), Got));
    }
}

}  // namespace

std::string MessageNameHeader(const std::string& Text, std::size_t Offset)
{
    std::string Header = HeaderPartFrom(Text, Offset);
    CutLongLines(Header, NameLineLimit);
    return Header;
}

// MAX_PATH, where other programs open it, unless the folder (deep in a
// restored tree) leaves no room for an 8.3 name below it; then what the
// wide API takes.
size_t PathLimitIn(const std::string& Folder)
{
    return Folder.size() + 13 < MAX_PATH ? MAX_PATH : MaxLongPath;
}

std::string FitFileName(const std::string& Folder, const std::string& Base, const std::string& Suffix,
                        int Reserve)
{
    const std::string Whole = JoinPath(Folder, Base + Suffix);
    const size_t FolderChars = Whole.size() - Base.size() - Suffix.size();
    const size_t Fixed = Suffix.size() + static_cast<size_t>(Reserve);
    const size_t Limit = PathLimitIn(Folder);
    if (Whole.size() + static_cast<size_t>(Reserve) < Limit && Base.size() + Fixed <= MaxNameChars)
        return Whole;
    const size_t PathRoom = Limit - 1 > FolderChars + Fixed ? Limit - 1 - FolderChars - Fixed : 0;
    const size_t Room = std::min(PathRoom, MaxNameChars > Fixed ? MaxNameChars - Fixed : 0);
    size_t Cut = 0;
    while (Cut < Base.size()) {
        const size_t Step = IsDBCSLeadByte(static_cast<BYTE>(Base[Cut])) && Cut + 1 < Base.size() ? 2 : 1;
        if (Cut + Step > Room)
            break;
        Cut += Step;
    }
    while (Cut > 0 && (Base[Cut - 1] == ' ' || Base[Cut - 1] == '.'))
        --Cut;
    // A name of dots and blanks up to the cut has nothing left to keep: it
    // is named as a message without subject is, rather than not written.
    const std::string NoName = LoadResString(SNoName);
    if (Cut == 0)
        return PathRoom > 0 && Base != NoName ? FitFileName(Folder, NoName, Suffix, Reserve) : std::string();
    return JoinPath(Folder, Base.substr(0, Cut) + Suffix);
}

// Its instant in UTC, as file times are, where the message's date is local
// time; 0 (the file's own time) for a message without a date.
TDateTime MessageFileTime(const std::string& Header)
{
    const TDateTime Local = GetMessageDate(Header, false);
    return Local > NoDateValue ? LocalTimeZone().LocalToUtc(Local) : 0;
}

std::string AttachedMessageFileName(const std::string& Subject)
{
    if (Subject.empty())
        return LoadResString(SAttachedEmail) + ".eml";
    if (Subject.size() <= AttachedSubjectChars)
        return MakeSafeFileName(Subject, false) + ".eml";
    return MakeSafeFileName(Subject.substr(0, AttachedSubjectCut), false) + "....eml";
}

std::string TMessageFiles::NameFor(const std::string& Folder, const std::string& Header, std::string_view Bytes,
                                   bool Digest, const std::string& Ext, std::string& Base)
{
    if (Digest) {
        // Names from message data go through the safe-name rules, a digest
        // too: nothing in a message may name a place outside the target.
        Base = MakeSafeFileName(GetMessageIdentityDigest(std::string(Bytes), false), false);
    } else {
        // File names are ANSI: a subject in any other charset would come out
        // as the bytes of that charset.
        std::string Subject;
        GetMessageSubject(Header, false, static_cast<int>(GetACP()), Subject);
        Base = MakeSafeFileName(Subject, false);
    }
    // Names keep room for "[n]": digest names are numbered too, for a
    // message whose identity is another's.
    return FitFileName(Folder, Base, Ext.empty() ? Ext : "." + Ext, FileNumberRoom);
}

TNewFileOutcome TMessageFiles::SaveNumbered(const std::string& Folder, std::string& FileName, const TSaveNew& SaveNew,
                                            unsigned long& Error)
{
    // The create stays the existence test: a number another program took
    // meanwhile is passed over. Only a name met for the first time costs a
    // second look-up, to tell a folder in the way (which ends the search, as
    // a folder is no file to number past) from a file.
    const std::string Plain = FileName;
    const auto TakenByFolder = [&](const std::string& Name) {
        if (!FolderExists(Name))
            return false;
        Error = ERROR_FILE_EXISTS;
        return true;
    };
    if (!FNumberedNames.Knows(Plain)) {
        if (TakenByFolder(Plain))
            return TNewFileOutcome::Failed;
        FNumberedNames.Taken(Plain, Plain);
    }
    FileName = FNumberedNames.FirstUnknown(Plain);
    for (;;) {
        if (FileName.size() >= PathLimitIn(Folder)) {
            Error = ERROR_FILENAME_EXCED_RANGE;
            return TNewFileOutcome::Failed;
        }
        const TNewFileOutcome Made = SaveNew(FileName, Error);
        if (Made == TNewFileOutcome::Failed || (Made == TNewFileOutcome::Exists && TakenByFolder(FileName)))
            return TNewFileOutcome::Failed;
        FNumberedNames.Taken(Plain, FileName);
        if (Made == TNewFileOutcome::Written) {
            if (FPendingName == Plain)
                FVariants[Plain].emplace(FPendingPrint, FileName);
            FPendingName.clear();
            return Made;
        }
        IncrementFileNumber(FileName);
    }
}

bool TMessageFiles::WrittenBefore(const std::string& FileName, std::string_view Bytes, const TMessagePieces& Pieces)
{
    FPendingName.clear();
    TPrint Print;
    // A message whose pieces could not all be read is no file's.
    if (!(Pieces ? PrintOfPieces(Pieces, Print) : (Print = PrintOf(Bytes), true)))
        return false;
    auto Found = FVariants.find(FileName);
    if (Found == FVariants.end()) {
        Found = FVariants.emplace(FileName, TVariantPrints()).first;
        for (std::string Name = FileName; IsExistingFile(Name); IncrementFileNumber(Name))
            if (TPrint Known; PrintOfFile(Name, Known))
                Found->second.emplace(Known, Name);
    }
    for (auto [It, End] = Found->second.equal_range(Print); It != End; ++It)
        if (SameFileBytes(It->second, Bytes, Pieces))
            return true;
    FPendingName = FileName;
    FPendingPrint = Print;
    return false;
}
