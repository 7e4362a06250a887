#pragma once
// Message files: how a message becomes a file of its own in a folder. Its
// name comes from its subject (or its identity digest), made safe and cut
// to what the path takes, with room for the "[n]" of a numbered copy;
// saving makes only a new file, numbered past the names found taken.
// Nothing here raises.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "classlib/SysUtils.h"
#include "foundation/KvFiles.h"

// "Attached Email": the name of an attached message without a subject.
inline constexpr int SAttachedEmail = 65278;

// Room kept in a subject name for the "[n]" of a numbered copy.
inline constexpr int FileNumberRoom = 6;

// Takes one piece of a message's bytes; false stops the copy.
using TPieceSink = std::function<bool(const std::string& Piece)>;
// Hands every piece of a message to the sink; false when a piece could not
// be read or the sink stopped it.
using TMessagePieces = std::function<bool(const TPieceSink& Sink)>;

// The header of the message that starts at Offset of Text, with its lines
// cut to what a name and a date need.
std::string MessageNameHeader(const std::string& Text, std::size_t Offset);
// The length a file path in Folder stays below.
std::size_t PathLimitIn(const std::string& Folder);
// Folder joined with Base + Suffix, Base shortened (never into a double-byte
// character, never to end in a blank or dot) so that the path, with Reserve
// characters more, stays below the path limit; empty when not even one
// character of Base fits.
std::string FitFileName(const std::string& Folder, const std::string& Base, const std::string& Suffix, int Reserve);
// The time a message's file gets (UTC), from its header; 0 without a date.
TDateTime MessageFileTime(const std::string& Header);
// The file name of an attached message whose decoded subject is Subject.
std::string AttachedMessageFileName(const std::string& Subject);

class TMessageFiles {
public:
    // Creates FileName only when it is new; Exists leaves a file there
    // untouched, Failed sets Error.
    using TSaveNew = std::function<TNewFileOutcome(const std::string& FileName, unsigned long& Error)>;

    // The file for the message Bytes with header Header in Folder: its
    // subject, or its identity digest when Digest is set, made a safe name
    // with the extension Ext (none when empty). Base gets the safe name;
    // the answer is empty when not even one character of it fits.
    static std::string NameFor(const std::string& Folder, const std::string& Header, std::string_view Bytes,
                               bool Digest, const std::string& Ext, std::string& Base);
    // Saves through SaveNew under the first free numbered variant of
    // FileName, which was found taken; FileName becomes the name tried last.
    TNewFileOutcome SaveNumbered(const std::string& Folder, std::string& FileName, const TSaveNew& SaveNew,
                                 unsigned long& Error);
    // Whether FileName or one of its numbered variants holds exactly the
    // message's bytes (Pieces when given, else Bytes); the variants are
    // those up to the first number that does not exist when the name is
    // first met taken, and those SaveNumbered writes after.
    bool WrittenBefore(const std::string& FileName, std::string_view Bytes, const TMessagePieces& Pieces);
    // Forgets the names met: between runs the user may have cleared the
    // folder.
    void Clear()
    {
        FNumberedNames.Clear();
        FVariants.clear();
        FPendingName.clear();
    }

    // A message's size and a hash of its bytes: files that differ in
    // either hold another message.
    struct TPrint {
        std::int64_t Size = 0;
        std::uint64_t Hash = 0;
        bool operator==(const TPrint&) const = default;
    };

private:
    struct TPrintHash {
        std::size_t operator()(const TPrint& P) const { return static_cast<std::size_t>(P.Hash ^ P.Size); }
    };
    // Numbered message names met: a thousand messages of one subject probe
    // each number once, not all the numbers below theirs.
    TNumberedNames FNumberedNames;
    // The variants of each name found taken, by their prints: a thousand
    // messages of one identity read each file of theirs once, and compare
    // whole only with a file of the same print.
    using TVariantPrints = std::unordered_multimap<TPrint, std::string, TPrintHash>;
    std::unordered_map<std::string, TVariantPrints> FVariants;
    // The message WrittenBefore did not find, which SaveNumbered writes next.
    std::string FPendingName;
    TPrint FPendingPrint;
};
