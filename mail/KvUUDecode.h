#pragma once
// Decoding of uuencoded lines in plain-text messages.

#include <string>

// The bytes encoded by the lines of Text from the 1-based Start up to and
// including Stop (Stop < 1: the end of Text). Empty when the last line is
// cut short of what its length character promises.
std::string UudecodeText(const std::string& Text, int Start, int Stop);
