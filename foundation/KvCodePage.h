#pragma once
// Code pages and MIME charset names, and which code pages can stand in for
// each other.

#include <string>

std::string CodePageToCharset(int CodePage);
// Lower-case names only; -1 when unknown. A name of digits that does not
// fit 32 bits raises EConvertError.
int CharsetToCodePage(const std::string& Name);
int WindowsCodePageOf(int CodePage);

bool IsLatin1CodePage(int CodePage);
bool CodePagesCompatible(int A, int B);
bool IsSupportedCodePage(int CodePage);
