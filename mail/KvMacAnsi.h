#pragma once
// Mac OS Roman text to Windows-1252, in place.

#include <string>

// Converts Text from the 1-based Start to its end. Characters without a
// Windows-1252 form become a look-alike of one or two ASCII characters.
void MacToAnsi(std::string& Text, int Start);
