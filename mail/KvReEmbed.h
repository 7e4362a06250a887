#pragma once
// Attachments that mail stores keep outside the message, read back into the
// message's TMessageParts: a rule per format kind finds the marker lines or
// header fields naming the files, loads each file (a missing one is logged
// and replaced by a short text part) and repairs the header so that the
// multipart writer can make one complete MIME message of it.

#include <string>

#include "mail/KvMailFlags.h"

class TMessageParts;
class TDoubleStringList;
class TKvMimeBlock;

// The inputs every rule shares.
struct TReEmbedContext {
    TMessageParts& Parts;
    const std::string& MailboxFolder;
    TDoubleStringList* Preloaded;
    int Added = 0;  // attachments added by the rule
};

void RebuildPartsByKind(TMessageParts& Parts, const std::string& Text, const std::string& MailboxFolder,
                        bool Finfo, TDoubleStringList* Preloaded, TMailboxKind Kind);

// Parts kept in files put back into the tree in place; each one not found
// gets its line in the error log.
void EmbedDetachedParts(TKvMimeBlock& Block, const std::string& Folder);

// Steps the rules share.
void ClassifyBody(TMessageParts& Parts);
void AddFileAttachment(TReEmbedContext& Context, const std::string& Path, const std::string& ContentId,
                       bool TrySubstitution);
// Single: a message of one file and no text may become that file.
void FinishHeader(TMessageParts& Parts, int Added, bool Single = true);
// The index of Name in Preloaded by exact bare file name; -1 when none.
int FindPreloaded(TDoubleStringList* Preloaded, const std::string& Name);
