#include "mail/BxCodeBaseX.h"

#include <algorithm>
#include <array>
#include <vector>

namespace BxCodeBaseX {

const std::string Base64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

namespace {

constexpr int MaxBufferSize = 65536;
constexpr char PadChar = '=';
int GBufferSize = MaxBufferSize;

void CheckBase(const std::string& Alphabet, int BitsPerChar)
{
    if (BitsPerChar < 1 || BitsPerChar > 16)
        throw EBaseXError(Format("Invalid number of bits per character: %d", BitsPerChar));
    if (Alphabet.size() < (std::size_t(1) << BitsPerChar))
        throw EBaseXError(Format("The alphabet has %d characters, %d are needed",
                                 int(Alphabet.size()), 1 << BitsPerChar));
}

std::uint32_t LowBits(std::uint32_t Value, int Bits) { return Value & ((1u << Bits) - 1u); }

// The coder state is carried from one stream chunk to the next, so that a
// chunk boundary never shows in the output.
struct TEncoder {
    const char* Alphabet;
    int Bits;
    int LineLength;
    int PadBlock;
    std::uint32_t Acc = 0;
    int AccBits = 0;
    int LineLeft = 0;
    std::int64_t Chars = 0;  // characters written, line breaks not counted

    TEncoder(const std::string& AAlphabet, int ABits, int ALineLength, int APadBlock)
        : Alphabet(AAlphabet.data()), Bits(ABits), LineLength(std::max(ALineLength, 0)),
          PadBlock(std::max(APadBlock, 0)), LineLeft(LineLength)
    {
    }

    void Encode(const unsigned char* Data, std::size_t Len, std::string& Out)
    {
        for (std::size_t i = 0; i < Len; ++i) {
            Acc = (Acc << 8) | Data[i];
            AccBits += 8;
            while (AccBits >= Bits) {
                AccBits -= Bits;
                Out.push_back(Alphabet[Acc >> AccBits]);
                Acc = LowBits(Acc, AccBits);
                ++Chars;
                // A break follows every full line, the last one included.
                if (LineLength > 0 && --LineLeft == 0) {
                    Out.append("\r\n");
                    LineLeft = LineLength;
                }
            }
        }
    }

    // The last, partly filled character does not count towards the line.
    void Finish(std::string& Out)
    {
        if (AccBits > 0) {
            Out.push_back(Alphabet[Acc << (Bits - AccBits)]);
            Acc = 0;
            AccBits = 0;
            ++Chars;
        }
        if (PadBlock > 0)
            while (Chars % PadBlock != 0) {
                Out.push_back(PadChar);
                ++Chars;
            }
    }
};

// Values are kept in 16-bit entries: with 8 bits per character the value of
// the 256th character would not survive the "+ 1" of a byte table.
struct TDecoder {
    std::array<std::int16_t, 256> Table;
    int Bits;
    std::uint32_t Acc = 0;
    int AccBits = 0;
    bool Stopped = false;

    TDecoder(const std::string& Alphabet, int ABits) : Bits(ABits)
    {
        Table.fill(-1);
        const int n = 1 << Bits;
        for (int i = 0; i < n; ++i)
            Table[static_cast<unsigned char>(Alphabet[i])] = static_cast<std::int16_t>(i);
    }

    void Decode(const unsigned char* Data, std::size_t Len, std::string& Out)
    {
        for (std::size_t i = 0; i < Len && !Stopped; ++i) {
            const int v = Table[Data[i]];
            if (v >= 0) {
                Acc = (Acc << Bits) | static_cast<std::uint32_t>(v);
                AccBits += Bits;
                while (AccBits >= 8) {
                    AccBits -= 8;
                    Out.push_back(static_cast<char>(Acc >> AccBits));
                    Acc = LowBits(Acc, AccBits);
                }
            } else if (Data[i] != '\r' && Data[i] != '\n') {
                // The pad or any other stray character ends the data.
                Stopped = true;
            }
        }
    }
};

std::size_t EncodedSize(std::int64_t Len, int Bits, int LineLength, int PadBlock)
{
    std::int64_t chars = (8 * Len + Bits - 1) / Bits;
    std::int64_t size = chars;
    if (PadBlock > 0)
        size = (chars + PadBlock - 1) / PadBlock * PadBlock;
    if (LineLength > 0 && chars > 0)
        size += 2 * ((chars - 1) / LineLength) + 2;  // room for a break after a full last line
    return static_cast<std::size_t>(size);
}

std::int64_t WriteOut(TStream* Dest, std::string& Out)
{
    const std::int64_t n = static_cast<std::int64_t>(Out.size());
    if (n > 0)
        Dest->WriteBuffer(Out.data(), static_cast<std::int32_t>(n));
    Out.clear();
    return n;
}

}  // namespace

std::string EncodeString(const std::string& S, const std::string& Alphabet, int BitsPerChar,
                         int LineLength, int PadBlock)
{
    CheckBase(Alphabet, BitsPerChar);
    TEncoder enc(Alphabet, BitsPerChar, LineLength, PadBlock);
    std::string out;
    out.reserve(EncodedSize(static_cast<std::int64_t>(S.size()), BitsPerChar, enc.LineLength,
                            enc.PadBlock));
    enc.Encode(reinterpret_cast<const unsigned char*>(S.data()), S.size(), out);
    enc.Finish(out);
    return out;
}

std::string DecodeString(const std::string& S, const std::string& Alphabet, int BitsPerChar)
{
    CheckBase(Alphabet, BitsPerChar);
    TDecoder dec(Alphabet, BitsPerChar);
    std::string out;
    out.reserve(S.size() * BitsPerChar / 8);
    dec.Decode(reinterpret_cast<const unsigned char*>(S.data()), S.size(), out);
    return out;
}

// Exactly Count bytes are coded (fewer when Source ends first): a chunk never
// reaches past Count, so the bytes that follow in Source stay unread.
std::int64_t EncodeStream(TStream* Source, TStream* Dest, std::int64_t Count, int LineLength,
                          int PadBlock, int BitsPerChar, const std::string& Alphabet)
{
    CheckBase(Alphabet, BitsPerChar);
    if (Count == 0)
        return 0;
    TEncoder enc(Alphabet, BitsPerChar, LineLength, PadBlock);
    const int chunk = GBufferSize;
    std::vector<unsigned char> buf(static_cast<std::size_t>(chunk));
    std::string out;
    out.reserve(EncodedSize(chunk, BitsPerChar, enc.LineLength, 0) + 2);
    std::int64_t written = 0;
    std::int64_t left = Count;  // negative: up to the end of Source
    for (;;) {
        const std::int32_t ask =
            left < 0 ? chunk : static_cast<std::int32_t>(std::min<std::int64_t>(left, chunk));
        const std::int32_t got = Source->Read(buf.data(), ask);
        if (got > 0) {
            enc.Encode(buf.data(), static_cast<std::size_t>(got), out);
            written += WriteOut(Dest, out);
            if (left > 0)
                left -= got;
        }
        if (got < ask || left == 0)
            break;
    }
    enc.Finish(out);
    written += WriteOut(Dest, out);
    return written;
}

std::int64_t DecodeStream(TStream* Source, TStream* Dest, const std::string& Alphabet,
                          int BitsPerChar)
{
    CheckBase(Alphabet, BitsPerChar);
    TDecoder dec(Alphabet, BitsPerChar);
    const int chunk = GBufferSize;
    std::vector<unsigned char> buf(static_cast<std::size_t>(chunk));
    std::string out;
    out.reserve(static_cast<std::size_t>(chunk) * BitsPerChar / 8 + 1);
    std::int64_t written = 0;
    while (!dec.Stopped) {
        const std::int32_t got = Source->Read(buf.data(), chunk);
        if (got > 0) {
            dec.Decode(buf.data(), static_cast<std::size_t>(got), out);
            written += WriteOut(Dest, out);
        }
        if (got < chunk)
            break;
    }
    return written;
}

// A size below 1 would read nothing and never reach the end of the source.
void SetBufferSize(int Size) { GBufferSize = std::clamp(Size, 1, MaxBufferSize); }

int BufferSize() { return GBufferSize; }

std::string EncodeBase64String(const std::string& S, int LineLength)
{
    return EncodeString(S, Base64Alphabet, 6, LineLength, 4);
}

std::string DecodeBase64String(const std::string& S) { return DecodeString(S, Base64Alphabet, 6); }

std::int64_t EncodeBase64Stream(TStream* Source, TStream* Dest, std::int64_t Count, int LineLength)
{
    return EncodeStream(Source, Dest, Count, LineLength, 4, 6, Base64Alphabet);
}

std::int64_t DecodeBase64Stream(TStream* Source, TStream* Dest)
{
    return DecodeStream(Source, Dest, Base64Alphabet, 6);
}

}  // namespace BxCodeBaseX
