#pragma once
// Small text routines of the mail engine over byte strings: HTML title and
// body start, URLs to local paths, e-mail addresses in header values, From_
// line and Received dates, the charset of a content-type text and the
// escaping of "From " lines. None of them fails: input that does not fit
// gives an empty (or unchanged) result. Positions are 1-based.

#include <string>

// Puts Title into Html as its title; false (Html unchanged) when the text
// offers no place for one.
bool SetHtmlTitle(std::string& Html, const std::string& Title);
// Where the body content begins: 1 for text without markers, 0 for an empty
// text or a marker whose tag is never closed.
int HtmlBodyStart(const std::string& Html);

std::string UrlToLocalPath(const std::string& Url);
std::string FileNameFromUrl(const std::string& Url);

// The last e-mail address of a header value.
std::string FindLastEmailAddress(const std::string& Text);
// The address around the last '@' at or before From (0: the whole text);
// Start and Len cover it in Text (0 and 0 when none).
std::string FindEmailAddress(const std::string& Text, int From, bool AllowMarkup, int& Start, int& Len);

// The date of a From_ line: its first line after the sender address.
std::string FromLineDate(const std::string& Line);
// Everything after the last ';' (the date of a Received value).
std::string TextAfterLastSemicolon(const std::string& Text);

std::string CharsetOfContentType(const std::string& Text);

// Turns every "From " at a line start from Start on into "from "; the length
// never changes. Start 6 leaves a separator line at the top alone.
void EscapeFromLines(std::string& Text, int Start = 1);
