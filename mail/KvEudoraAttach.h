#pragma once
// Eudora messages brought back to complete messages: the header fields and
// body marker lines that name attachment and inline files, the search for
// each file (the attachments folder of "Eudora.ini" among the places), and
// the removal of Eudora's own body markup.

#include <functional>
#include <string>

struct TReEmbedContext;

// IsMac: the Macintosh store (Mac Roman text, colon-separated paths).
void EudoraRule(TReEmbedContext& Context, const std::string& Text, bool IsMac);

// Handed the text between an opening and a closing tag (text, 1-based start,
// length); a non-zero answer moves the search to start + answer - 1.
using TXTagCallback = std::function<int(std::string&, int, int)>;
// Each removes every pair of its opening and closing markup; true when at
// least one opening was found.
bool RemoveXHtmlTags(std::string& S);
bool RemoveXFlowedTags(std::string& S);
bool RemoveXCharsetTags(std::string& S);
bool RemoveXRichTags(std::string& S, const TXTagCallback& Callback = nullptr);
