#pragma once
// A hostile message: Levels multiparts, each opening the next inside its
// first part and none closed, over one text/plain leaf.
#include <string>

inline std::string DeepMultipartText(int Levels)
{
    std::string Text;
    for (int I = 0; I < Levels; ++I)
        Text += "Content-Type: multipart/mixed; boundary=\"b" + std::to_string(I) + "\"\r\n\r\n--b" +
                std::to_string(I) + "\r\n";
    Text += "Content-Type: text/plain\r\n\r\nleaf\r\n";
    return Text;
}
