// addsources [count] [peer count]: the wizard's source list, filled with
// count real files (5,000 when not given) through the adding step every road
// takes (Add Files, a drop, a paste), then one more file added to the full
// list; both timed beside the earlier way of adding, which searched the list
// for every name and measured every row after each one (on peer count names,
// count when not given: that way grows with the square of the names).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Main.h"
#include "bench/BenchClock.h"
#include "controls/RzLstBox.h"
#include "foundation/KvAppBase.h"
#include "testkit/TestFolder.h"

namespace {

void Pump()
{
    Application->ProcessMessages();
}

// The earlier adding step, kept here as the peer: a search of the list per
// name, and the list's width measured over every row after each added one.
void AddTheEarlierWay(TfrmTessaly& Form, const std::vector<std::string>& Names, TMailFormat Format)
{
    TRzRankListBox* List = Form.lstSourceFiles;
    TStrings* Items = List->Items();
    int Last = -1;
    for (const std::string& Name : Names) {
        const int Found = Items->IndexOf(Name);
        if (Found >= 0) {
            Items->PutObject(Found, MailFormatToObject(Format));
            continue;
        }
        Last = Items->AddObject(Name, MailFormatToObject(Format));
        List->UpdateHorzExtent();
    }
    if (Last >= 0)
        List->SetItemIndex(Last);
}

// Times one adding of Names to the list, to the end of the paint.
template <typename TAdd>
double Timed(TfrmTessaly& Form, const std::vector<std::string>& Names, TAdd Add)
{
    const LARGE_INTEGER T = Started();
    Add(Form, Names, mftMbox);
    Pump();
    return Seconds(T);
}

} // namespace

int main(int argc, char** argv)
{
    const int Count = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int PeerCount = argc > 2 ? std::atoi(argv[2]) : Count;
    if (Count < 1 || PeerCount < 1 || PeerCount > Count) {
        std::fprintf(stderr, "usage: addsources [count of files] [peer count, at most count]\n");
        return 2;
    }
    TTestFolder Dir("addsources");
    std::vector<std::string> Names;
    for (int I = 0; I <= Count; ++I) {
        char Number[16];
        std::snprintf(Number, sizeof Number, "%05d", I);
        Names.push_back(Dir.Write("Archived mailbox of the old server, kept for the records " + std::string(40, 'x') +
                                      " " + Number + ".mbox",
                                  "From a\r\n"));
    }
    const std::vector<std::string> One{Names.back()};
    Names.pop_back();
    const std::vector<std::string> PeerNames(Names.begin(), Names.begin() + PeerCount);

    AppSettings = new TKvAppSettings(Dir.File("Tessaly.ini"));
    SettingsAreNew = false;
    Application->ShowErrorBoxes = false;
    std::unique_ptr<TfrmTessaly, TObjectFree> Form(new TfrmTessaly(nullptr));
    Form->Show();
    Form->ShowPage(pgSource);
    Pump();
    auto Clear = [&] {
        Form->lstSourceFiles->Items()->Clear();
        Pump();
    };
    auto Added = [&](const std::vector<std::string>& Expected) {
        TStrings* Items = Form->lstSourceFiles->Items();
        return Items->Count() == static_cast<int>(Expected.size()) && Items->Strings(0) == Expected.front() &&
               Items->Strings(Items->Count() - 1) == Expected.back();
    };
    auto Now = [](TfrmTessaly& F, const std::vector<std::string>& N, TMailFormat Fmt) { F.AddSourceNames(N, Fmt); };

    // Each way fills the list from empty, then adds one file to it full.
    const double Fill = Timed(*Form, Names, Now);
    if (!Added(Names)) {
        std::fprintf(stderr, "addsources: the list does not hold the %d files\n", Count);
        return 1;
    }
    const double AddOne = Timed(*Form, One, Now);
    std::vector<std::string> WithOne = Names;
    WithOne.push_back(One.front());
    if (!Added(WithOne)) {
        std::fprintf(stderr, "addsources: the one file was not added\n");
        return 1;
    }
    Clear();
    const double PeerPart = PeerCount == Count ? Fill : Timed(*Form, PeerNames, Now);
    Clear();
    const double PeerFill = Timed(*Form, PeerNames, AddTheEarlierWay);
    if (!Added(PeerNames)) {
        std::fprintf(stderr, "addsources: the earlier way does not hold the %d files\n", PeerCount);
        return 1;
    }
    Clear();
    Timed(*Form, Names, Now);
    const double PeerOne = Timed(*Form, One, AddTheEarlierWay);
    if (!Added(WithOne)) {
        std::fprintf(stderr, "addsources: the earlier way did not add the one file\n");
        return 1;
    }
    std::printf("%d files added: %.3f s\n", Count, Fill);
    std::printf("%d files added, earlier way beside: %.3f s against %.3f s, ratio %.1f\n", PeerCount, PeerFill,
                PeerPart, PeerFill / PeerPart);
    std::printf("one file added to %d: %.4f s, earlier way %.4f s, ratio %.1f\n", Count, AddOne, PeerOne,
                PeerOne / AddOne);
    return 0;
}
