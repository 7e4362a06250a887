#include "mail/KvUUDecode.h"

namespace {

unsigned SixBits(char C)
{
    return (static_cast<unsigned>(static_cast<unsigned char>(C)) - 32u) & 63u;
}

bool IsBreak(char C)
{
    return C == '\r' || C == '\n';
}

}  // namespace

std::string UudecodeText(const std::string& Text, int Start, int Stop)
{
    std::string r;
    const int len = static_cast<int>(Text.size());
    const int stop = Stop < 1 || Stop > len ? len : Stop;  // last position read, 1-based
    int i = Start < 1 ? 1 : Start;
    while (i <= stop) {
        while (i <= stop && IsBreak(Text[i - 1]))
            ++i;
        if (i > stop)
            break;
        const char l = Text[i - 1];
        if (l == '`')
            break;
        const int n = static_cast<int>(SixBits(l)) * 4;
        const int count = (n + 2) / 3;  // encoded characters of the line
        if (count >= 64)
            return std::string();
        // A line cut off by the end of the block is truncated data; one that
        // ends in a line break lost only its trailing blanks (below).
        int avail = 0;
        while (avail < count && i + avail < stop && !IsBreak(Text[i + avail]))
            ++avail;
        if (avail < count && i + avail >= stop)
            return std::string();
        ++i;
        // Mail transports strip trailing blanks, and a blank encodes zero
        // bits: a line that breaks early is read as if its blanks were there,
        // never by running into the next line.
        unsigned group = 0;
        int inGroup = 0;
        bool lineEnded = false;
        for (int k = 0; k < count; ++k) {
            char c = ' ';
            if (!lineEnded && !IsBreak(Text[i - 1])) {
                c = Text[i - 1];
                ++i;
            } else {
                lineEnded = true;
            }
            group = (group << 6) | SixBits(c);
            if (++inGroup == 4) {
                r += static_cast<char>(group >> 16);
                r += static_cast<char>(group >> 8);
                r += static_cast<char>(group);
                group = 0;
                inGroup = 0;
            }
        }
        if (inGroup == 2) {
            r += static_cast<char>(group >> 4);
        } else if (inGroup == 3) {
            r += static_cast<char>(group >> 10);
            r += static_cast<char>(group >> 2);
        }
        while (i <= stop && !IsBreak(Text[i - 1]))
            ++i;
    }
    return r;
}
