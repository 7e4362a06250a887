#pragma once
// HTML mail bodies as plain text with CR LF line breaks.

#include <string>

// Html and the result are Windows-1252 text. With QuoteMarks a blockquote
// is marked by "> " per level, else by one TAB per level. Lines are never
// wrapped.
std::string HtmlToText(const std::string& Html, bool QuoteMarks);
