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
    std::size_t out = 0, lineStart = 0;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c == '\n' || c == '\r')
            lineStart = i + 1;
        else if (i - lineStart >= Limit)
            continue;
        Text[out++] = c;
    }
    Text.resize(out);
}

// Whether the file FileName holds exactly the message's bytes.
bool SameFileBytes(const std::string& FileName, std::string_view Bytes, const TMessagePieces& Pieces)
{
    const TKernelHandle h(CreateFileAnyLength(FileName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    if (!h)
        return false;
    // Compares the file's next bytes with Piece, through a bounded buffer.
    std::string buffer;
    const auto next = [&](std::string_view Piece) {
        while (!Piece.empty()) {
            buffer.resize(std::min<size_t>(Piece.size(), 65536));
            DWORD got = 0;
            if (!ReadFile(h.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) || got == 0 ||
                Piece.compare(0, got, buffer.data(), got) != 0)
                return false;
            Piece.remove_prefix(got);
        }
        return true;
    };
    if (Pieces) {
        if (!Pieces([&](const std::string& Piece) { return next(Piece); }))
            return false;
    } else if (GetFileSizeByName(FileName) != static_cast<std::int64_t>(Bytes.size()) || !next(Bytes)) {
        return false;
    }
    char extra = 0;
    DWORD got = 0;
    return ReadFile(h.Get(), &extra, 1, &got, nullptr) && got == 0;
}

}  // namespace

std::string MessageNameHeader(const std::string& Text, std::size_t Offset)
{
    std::string header = HeaderPartFrom(Text, Offset);
    CutLongLines(header, NameLineLimit);
    return header;
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
    const std::string whole = JoinPath(Folder, Base + Suffix);
    const size_t folderChars = whole.size() - Base.size() - Suffix.size();
    const size_t fixed = Suffix.size() + static_cast<size_t>(Reserve);
    const size_t limit = PathLimitIn(Folder);
    if (whole.size() + static_cast<size_t>(Reserve) < limit && Base.size() + fixed <= MaxNameChars)
        return whole;
    const size_t pathRoom = limit - 1 > folderChars + fixed ? limit - 1 - folderChars - fixed : 0;
    const size_t room = std::min(pathRoom, MaxNameChars > fixed ? MaxNameChars - fixed : 0);
    size_t cut = 0;
    while (cut < Base.size()) {
        const size_t step = IsDBCSLeadByte(static_cast<BYTE>(Base[cut])) && cut + 1 < Base.size() ? 2 : 1;
        if (cut + step > room)
            break;
        cut += step;
    }
    while (cut > 0 && (Base[cut - 1] == ' ' || Base[cut - 1] == '.'))
        --cut;
    // A name of dots and blanks up to the cut has nothing left to keep: it
    // is named as a message without subject is, rather than not written.
    const std::string noName = LoadResString(SNoName);
    if (cut == 0)
        return pathRoom > 0 && Base != noName ? FitFileName(Folder, noName, Suffix, Reserve) : std::string();
    return JoinPath(Folder, Base.substr(0, cut) + Suffix);
}

// Its instant in UTC, as file times are, where the message's date is local
// time; 0 (the file's own time) for a message without a date.
TDateTime MessageFileTime(const std::string& Header)
{
    const TDateTime local = GetMessageDate(Header, false);
    return local > NoDateValue ? LocalTimeZone().LocalToUtc(local) : 0;
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
        std::string subject;
        GetMessageSubject(Header, false, static_cast<int>(GetACP()), subject);
        Base = MakeSafeFileName(subject, false);
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
    const std::string plain = FileName;
    const auto takenByFolder = [&](const std::string& Name) {
        if (!FolderExists(Name))
            return false;
        Error = ERROR_FILE_EXISTS;
        return true;
    };
    if (!FNumberedNames.Knows(plain)) {
        if (takenByFolder(plain))
            return TNewFileOutcome::Failed;
        FNumberedNames.Taken(plain, plain);
    }
    FileName = FNumberedNames.FirstUnknown(plain);
    for (;;) {
        if (FileName.size() >= PathLimitIn(Folder)) {
            Error = ERROR_FILENAME_EXCED_RANGE;
            return TNewFileOutcome::Failed;
        }
        const TNewFileOutcome made = SaveNew(FileName, Error);
        if (made == TNewFileOutcome::Failed || (made == TNewFileOutcome::Exists && takenByFolder(FileName)))
            return TNewFileOutcome::Failed;
        FNumberedNames.Taken(plain, FileName);
        if (made == TNewFileOutcome::Written)
            return made;
        IncrementFileNumber(FileName);
    }
}

bool TMessageFiles::WrittenBefore(std::string FileName, std::string_view Bytes, const TMessagePieces& Pieces)
{
    for (;;) {
        if (!IsExistingFile(FileName))
            return false;
        if (SameFileBytes(FileName, Bytes, Pieces))
            return true;
        IncrementFileNumber(FileName);
    }
}
