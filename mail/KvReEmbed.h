#pragma once
// Attachments that mail stores keep outside the message, read back into the
// message's TMessageParts: a rule per format kind finds the marker lines or
// header fields naming the files, loads each file (a missing one is logged
// and replaced by a short text part) and repairs the header so that the
// multipart writer can make one complete MIME message of it.

#include <string>

#include "mail/KvMailFlags.h"
#include "mail/KvReEmbedSteps.h"

class TMessageParts;
class TDoubleStringList;
class TKvMimeBlock;
class TNamedFileJudge;

// Judge judges the names the message gives and counts those it refuses.
void RebuildPartsByKind(TMessageParts& Parts, const std::string& Text, const std::string& MailboxFolder,
                        bool Finfo, TDoubleStringList* Preloaded, TMailboxKind Kind, TNamedFileJudge& Judge);

// Parts kept in files put back into the tree in place; each one not found
// gets its line in the error log.
void EmbedDetachedParts(TKvMimeBlock& Block, const std::string& Folder, TNamedFileJudge& Judge);
