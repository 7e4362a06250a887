#pragma once
// The steps every re-embedding rule shares: the inputs of a rule, loading a
// named file as an attachment, sorting the body into plain and HTML text and
// repairing the header once the files are in. The rule of each store kind
// (KvReEmbed, KvEudoraAttach) builds on these, and the choice of rule by kind
// (KvReEmbed) calls the rules, so the steps sit below both.

#include <string>

class TMessageParts;
class TDoubleStringList;
class TJudgedFile;
class TNamedFileJudge;

// The inputs every rule shares.
struct TReEmbedContext {
    TMessageParts& Parts;
    const std::string& MailboxFolder;
    TDoubleStringList* Preloaded;
    TNamedFileJudge& Judge;  // of the names this message gives
    int Added = 0;  // attachments added by the rule
};

// Steps the rules share.
void ClassifyBody(TMessageParts& Parts);
// The preloaded file of the judged name's bare name, else the file judged.
void AddFileAttachment(TReEmbedContext& Context, TJudgedFile File, const std::string& ContentId,
                       bool TrySubstitution);
// The preloaded file of Path's bare name; false when there is none.
bool AddPreloadedFile(TReEmbedContext& Context, const std::string& Path, const std::string& ContentId);
// Single: a message of one file and no text may become that file.
void FinishHeader(TMessageParts& Parts, int Added, bool Single = true);
// The index of Name in Preloaded by exact bare file name; -1 when none.
int FindPreloaded(TDoubleStringList* Preloaded, const std::string& Name);
