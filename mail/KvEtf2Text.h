#pragma once
// text/enriched to plain text, in place.

#include <string>

// Converts Count characters of Text from the 1-based Start (Count 0: to
// the end) and answers the new length of that range; a range of fewer than
// three characters stays as it is and 0 is answered.
int EnrichedToText(std::string& Text, int Start, int Count);
