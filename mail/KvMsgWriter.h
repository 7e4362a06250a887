#pragma once
// The multipart writer: a decomposed message (TMessageParts) turned back into
// a MIME part tree that keeps the message's own header, chooses the
// alternative, related and mixed structure from what the parts hold, and
// appends one part per attachment.

#include <memory>
#include <string>

#include "mail/KvMimeCoding.h"

class TKvMimeBlock;
class TMessageParts;
class TAttachment;

// Null for null parts; the tree is the caller's.
std::unique_ptr<TKvMimeBlock> BuildMimeTree(TMessageParts* Parts);

// The child builders of the writer, for callers that extend a tree.
// Boundaries of children: derived from the parent's by nesting level when
// the parent's is one the program made, else the parent's + "_M", "_A",
// "_R" or "_U".
TKvMimeBlock* AddMultipartChild(TKvMimeBlock* Parent, TMimeClass Class);
// Empty Encoding: chosen for the text; empty Charset: chosen for it.
TKvMimeBlock* AddTextChild(TKvMimeBlock* Parent, TMimeClass Class, const std::string& Text,
                           const std::string& Charset, const std::string& Encoding = std::string());
// Null Parent: the attachment becomes the body of Root.
TKvMimeBlock* AddAttachmentChild(TKvMimeBlock* Parent, TKvMimeBlock* Root, TAttachment& Attachment,
                                 int CodePage);
