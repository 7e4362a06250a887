#include "mail/KvEtf2Text.h"

#include <memory>

#include "classlib/Classes.h"
#include "foundation/KvClasses.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"

namespace {

enum class TEtfState { AfterCR, Text, AfterLF, InCommand, InParam };

class TEtfConverter {
public:
    TEtfConverter(const std::string& Src, int First, int ALast) : S(Src), Pos(First), Last(ALast), RunStart(First) {}

    std::string Run()
    {
        while (Pos <= Last) {
            const char c = S[Pos - 1];
            if (State == TEtfState::InCommand) {
                if (c == '>')
                    EndCommand();
                else
                    ++Pos;
                continue;
            }
            if (State == TEtfState::AfterCR && c != '\n' && c != '\r') {
                // A CR without its LF is a line break of its own; reading it
                // as one keeps the text that follows it.
                State = TEtfState::AfterLF;
                ExtraBreaks = 0;
            }
            if (c == '\n') {
                if (State != TEtfState::AfterLF) {
                    Flush();
                    State = TEtfState::AfterLF;
                    ExtraBreaks = 0;
                } else {
                    ++ExtraBreaks;
                }
            } else if (c == '\r') {
                if (State == TEtfState::Text) {
                    Flush();
                    State = TEtfState::AfterCR;
                }
            } else if (c == '<') {
                Flush();
                if (Pos < Last && S[Pos] == '<') {
                    State = TEtfState::Text;
                    RunStart = Pos + 1;
                    Pos += 2;
                    continue;
                }
                State = TEtfState::InCommand;
                CommandStart = Pos + 1;
            } else if (State == TEtfState::AfterLF) {
                EmitBreaks();
                State = TEtfState::Text;
                RunStart = Pos;
            }
            ++Pos;
        }
        if (State != TEtfState::InParam)
            Flush();
        return JoinStrings(&Pieces, true);
    }

private:
    void EndCommand()
    {
        const std::string name = S.substr(CommandStart - 1, Pos - CommandStart);
        if (SameTextStr(name, "param")) {
            const int close = FindParamEnd(Pos + 1);
            if (close == 0) {
                // The rest of the range is parameter text: nothing of it shows.
                State = TEtfState::InParam;
                Pos = Last + 1;
                return;
            }
            Pos = close + 8;
        } else {
            ++Pos;
        }
        State = TEtfState::Text;
        RunStart = Pos;
    }

    // The 1-based position of the next "</param>" that ends inside the range.
    int FindParamEnd(int From) const
    {
        const int p = SearchText(S, "</param>", From);
        return p > 0 && p + 7 <= Last ? p : 0;
    }

    void Flush()
    {
        if (State == TEtfState::Text) {
            if (Pos > RunStart)
                Pieces.Add(S.substr(RunStart - 1, Pos - RunStart));
        } else if (State == TEtfState::AfterLF) {
            EmitBreaks();
        }
    }

    void EmitBreaks()
    {
        if (ExtraBreaks == 0) {
            Pieces.Add(" ");
            return;
        }
        if (Pieces.Count() > 0) {
            const int last = Pieces.Count() - 1;
            Pieces.Put(last, TrimCharSetStr(Pieces.StringRef(last), false, " \t"));
        }
        for (int k = 0; k < ExtraBreaks; ++k)
            Pieces.Add(std::string());
        ExtraBreaks = 0;
    }

    const std::string& S;
    int Pos;
    const int Last;
    int RunStart;
    int CommandStart = 0;
    int ExtraBreaks = 0;
    TEtfState State = TEtfState::Text;
    TStringList Pieces;
};

}  // namespace

int EnrichedToText(std::string& Text, int Start, int Count)
{
    const int len = static_cast<int>(Text.size());
    if (Start < 1)
        Start = 1;
    int last = Count <= 0 ? len : Start + Count - 1;
    if (last > len)
        last = len;
    if (last - Start + 1 < 3)
        return 0;
    std::string out = TEtfConverter(Text, Start, last).Run();
    const int n = static_cast<int>(out.size());
    if (Start == 1 && Count == 0)
        Text.swap(out);
    else
        Text.replace(static_cast<std::size_t>(Start - 1), static_cast<std::size_t>(last - Start + 1), out);
    return n;
}
