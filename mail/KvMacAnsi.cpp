#include "mail/KvMacAnsi.h"

#include <cstdint>

namespace {

// Entries 1 to 6 stand for the two-character look-alikes below; no other
// entry uses those codes.
const char* const TwoCharResults[] = {"/=", "<=", ">=", "pi", "fi", "fl"};

// Mac OS Roman 0x80..0xFF through Unicode to Windows-1252. Characters that
// Windows-1252 lacks get the nearest ASCII look-alike; the single low-9
// quotation mark gives an apostrophe, as Mac mail uses it for one.
const std::uint8_t MacTable[128] = {
    // 0x80
    0xC4, 0xC5, 0xC7, 0xC9, 0xD1, 0xD6, 0xDC, 0xE1, 0xE0, 0xE2, 0xE4, 0xE3, 0xE5, 0xE7, 0xE9, 0xE8,
    // 0x90
    0xEA, 0xEB, 0xED, 0xEC, 0xEE, 0xEF, 0xF1, 0xF3, 0xF2, 0xF4, 0xF6, 0xF5, 0xFA, 0xF9, 0xFB, 0xFC,
    // 0xA0: dagger, degree, cent, pound, section, bullet, pilcrow, sharp s,
    // registered, copyright, trade mark, acute, diaeresis, not equal, AE, O slash
    0x86, 0xB0, 0xA2, 0xA3, 0xA7, 0x95, 0xB6, 0xDF, 0xAE, 0xA9, 0x99, 0xB4, 0xA8, 1, 0xC6, 0xD8,
    // 0xB0: infinity, plus-minus, <=, >=, yen, micro, partial, sum, product,
    // pi, integral, ordinals, omega, ae, o slash
    '8', 0xB1, 2, 3, 0xA5, 0xB5, '?', '?', '?', 4, '?', 0xAA, 0xBA, 'O', 0xE6, 0xF8,
    // 0xC0: inverted ?, inverted !, not, root, f hook, almost equal, increment,
    // guillemets, ellipsis, no-break space, A grave, A tilde, O tilde, OE, oe
    0xBF, 0xA1, 0xAC, 'v', 0x83, 0x98, 'D', 0xAB, 0xBB, 0x85, 0xA0, 0xC0, 0xC3, 0xD5, 0x8C, 0x9C,
    // 0xD0: dashes, quotes, divide, lozenge, y and Y diaeresis, fraction
    // slash, euro, single guillemets, fi, fl
    0x96, 0x97, 0x93, 0x94, 0x91, 0x92, 0xF7, '?', 0xFF, 0x9F, '/', 0x80, 0x8B, 0x9B, 5, 6,
    // 0xE0: double dagger, middle dot, low-9 quote, low-9 double quote,
    // per mille, accented capitals
    0x87, 0xB7, '\'', 0x84, 0x89, 0xC2, 0xCA, 0xC1, 0xCB, 0xC8, 0xCD, 0xCE, 0xCF, 0xCC, 0xD3, 0xD4,
    // 0xF0: logo, accented capitals, dotless i, modifier circumflex and
    // tilde, macron, breve, dot above, ring, cedilla, double acute, ogonek, caron
    '?', 0xD2, 0xDA, 0xDB, 0xD9, 'i', 0x88, 0x98, 0xAF, '?', '?', 0xB0, 0xB8, 0x84, 0x9C, '?',
};

}  // namespace

void MacToAnsi(std::string& Text, int Start)
{
    if (Start < 1)
        Start = 1;
    if (Start > static_cast<int>(Text.size()))
        return;
    std::string r;
    r.reserve(Text.size() + 16);
    r.append(Text, 0, Start - 1);
    for (std::size_t i = Start - 1; i < Text.size(); ++i) {
        const auto c = static_cast<unsigned char>(Text[i]);
        if (c < 0x80) {
            r += Text[i];
            continue;
        }
        const std::uint8_t m = MacTable[c - 0x80];
        if (m >= 1 && m <= 6)
            r += TwoCharResults[m - 1];
        else
            r += static_cast<char>(m);
    }
    Text.swap(r);
}
