// One tree per store road holding every name shape that has tripped a road
// before, converted by every way of picking a source into message files and
// into one mbox kind: each message in and out, each error row and the
// summary's counters are accounted for by the shape they belong to.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ConvertTestFiles.h"
#include "app/KvConvertDriver.h"
#include "classlib/Cleanup.h"
#include "classlib/PathForms.h"
#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvLogs.h"
#include "mail/KvMailStream.h"
#include "testkit/ErrorLogAt.h"
#include "testkit/TestFolder.h"
#include "testkit/TestLinks.h"

namespace {

struct TRoad {
    const char* Name;  // also the tree's folder
    TMailFormat Format;
    const wchar_t* Ext;      // of the file a user picks
    const wchar_t* DataExt;  // of the data file, which an mbox copy's name keeps
    bool EmlKeepsDataExt;    // in the folder of a restored tree's message files
    const char* Mask;        // the search's
    const char* Break;
    const char* Separator;
};

const char MboxFrom[] = "From a@b Mon Jan  5 10:00:00 2009";
const char EudoraFrom[] = "From ???@??? Mon Jan  5 10:00:00 2009";
const TRoad Roads[] = {
    {"mbox", mftMbox, L"", L"", false, "*.*", "\n", MboxFrom},
    {"pine", mftPine, L"", L"", false, "*.*", "\n", MboxFrom},
    {"mac", mftMacEudora, L"", L"", false, "*.*", "\r", EudoraFrom},
    {"mbx", mftEudoraMbx, L".mbx", L".mbx", false, "*.mbx", "\r\n", EudoraFrom},
    {"toc", mftEudoraToc, L".toc", L".mbx", true, "*.toc", "\r\n", EudoraFrom},
    {"thunderbird", mftThunderbird, L"", L"", false, "*.msf", "\n", MboxFrom},
};

// The last three search the tree for an mbox target in the tree itself:
// flat into the road's root folder, and restored in place, into the folder
// that holds the root, where each copy would be its own source, by that
// folder's name and by a drive letter mapped to it.
enum TPick { pckSearch, pckFile, pckFolder, pckTree, pckIntoRoot, pckTreeInPlace, pckTreeInPlaceByDrive };
const char* const PickNames[] = {"search",        "file", "folder", "tree", "search into the root", "tree in place",
                                 "tree in place by a drive letter"};
constexpr unsigned AllPicks = 0x7F;

struct TShape {
    std::string Name;     // the row's name; its messages' subjects start with it
    std::wstring Folder;  // below the road's root
    std::wstring Stem;    // the mailbox's name without its road's extension
    int Messages;
    // Empty: converted whole; else the one error row's reason holds it,
    // when the mailbox is picked in one of the ways of ErrorPicks.
    std::string Error;
    unsigned ErrorPicks;
    // Made by a Unix tool, as Windows forbids a character of it: converted
    // whole under a name of the run's choice, or one error row.
    bool Forbidden;

    TShape(std::string N, std::wstring F, std::wstring S, int M = 1, std::string E = "", unsigned Picks = AllPicks,
           bool Bad = false)
        : Name(std::move(N)), Folder(std::move(F)), Stem(std::move(S)), Messages(M), Error(std::move(E)),
          ErrorPicks(Picks), Forbidden(Bad)
    {
    }
};

std::vector<TShape> ShapesOf(const TRoad& Road, const std::wstring& Root)
{
    const bool Mozilla = Road.Format == mftThunderbird;
    std::vector<TShape> Shapes{
        {"plain", L"plain", L"box", 2},
        {"dot folder", L"Mail.", L"a"},
        // Under Wine these two share one short name, which opens and lists
        // as either of them; only short forms reach their folder.
        {"short twin", L"Mail.", L"Bank 33923"},
        {"short twin other", L"Mail.", L"Bank 7246", 3},
        {"dots folder", L"x..", L"c"},
        {"blank folder", L"sub ", L"d"},
        {"blank folder twin", L"sub", L"e"},
        {"dot file", L"twins", L"Old."},
        {"dot file twin", L"twins", L"Old"},
        {"blank file", L"twins", L"New "},
        {"cyrillic", L"\u041f\u043e\u0447\u0442\u0430", L"\u0412\u0445\u043e\u0434\u044f\u0449\u0438\u0435"},
        {"greek", L"look", L"\u03a9mega"},
        {"greek twin", L"look", L"Omega"},
        {"cjk", L"\u53d7\u4fe1\u7bb1", L"\u53d7\u4fe1"},
        {"emoji", L"\U0001F4E7 mail", L"\U0001F48C"},
        {"full-width device", L"names", L"COM\uFF11"},
        // A folder named on another system with a character Windows does
        // not allow: made by a Unix tool, read by its short name.
        {"forbidden folder", L"q?x", L"inside"},
        {"device file", L"names", L"CON", 1, "device name"},
        // Named, or its folder picked, a mailbox below a folder named as a
        // device opens by the wide road; a search passes such a folder over
        // as one.
        {"device folder", Mozilla ? L"CON.sbd" : L"CON", L"inner", 1, "device name",
         AllPicks & ~(1u << pckFile) & ~(1u << pckFolder)},
    };
    const struct {
        const char* Name;
        const wchar_t* Stem;
    } Forbidden[] = {{"question", L"a?b"}, {"star", L"x*y"}, {"quote", L"q\"t"},
                     {"angles", L"l<g>"}, {"bar", L"p|q"}, {"backslash", L"b\\s"}};
    for (const auto& F : Forbidden)
        Shapes.push_back({std::string("forbidden ") + F.Name, L"bad", F.Stem, 1, "", AllPicks, true});
    // Mailboxes whose picked file's path is Length characters long.
    for (const size_t Length : {259u, 261u, 300u, 520u}) {
        const std::wstring Stem = L"long" + std::to_wstring(Length);
        // Named apart from the mailbox: a copy into the root takes its name.
        std::wstring Folder = L"in" + Stem;
        const size_t Fill = Length - (Root.size() + 1 + Folder.size() + 1 + Stem.size() + std::wcslen(Road.Ext));
        for (size_t I = 0; I < Fill; ++I)
            Folder += I % 100 == 0 && I + 1 < Fill ? L'\\' : L'd';
        Shapes.push_back({"path " + std::to_string(Length), Folder, Stem});
    }
    return Shapes;
}

std::string BoxOf(const TRoad& Road, const TShape& Shape)
{
    std::string Box;
    const std::string Br = Road.Break;
    for (int K = 1; K <= Shape.Messages; ++K)
        Box += Road.Separator + Br + "From: a@b" + Br + "Subject: " + Shape.Name + " " + std::to_string(K) + Br +
               "Content-Type: text/plain" + Br + Br + "Body." + Br + Br;
    return Box;
}

void LittleEndian(std::string& Bytes, size_t At, unsigned Value, int Size)
{
    for (int I = 0; I < Size; ++I)
        Bytes[At + I] = static_cast<char>(Value >> (8 * I));
}

// The index of an Eudora data file holding Box, one message a separator.
std::string TocOf(const std::string& Box)
{
    std::string Toc(104, '\0');
    Toc.replace(8, 3, "Box");
    Toc[40] = 3;
    unsigned Count = 0;
    for (size_t At = 0, Next; At < Box.size(); At = Next, ++Count) {
        Next = std::min(Box.find(EudoraFrom, At + 1), Box.size());
        std::string Entry(218, '\0');
        LittleEndian(Entry, 0, static_cast<unsigned>(At), 4);
        LittleEndian(Entry, 4, static_cast<unsigned>(Next - At), 4);
        LittleEndian(Entry, 12, 1, 2);
        Toc += Entry;
    }
    LittleEndian(Toc, 102, Count, 2);
    return Toc;
}

// The files of one shape's mailbox on a road, by name below its folder.
std::map<std::wstring, std::string> FilesOf(const TRoad& Road, const TShape& Shape)
{
    const std::string Box = BoxOf(Road, Shape);
    if (Road.Format == mftEudoraToc)
        return {{Shape.Stem + L".toc", TocOf(Box)}, {Shape.Stem + L".mbx", Box}};
    if (Road.Format == mftThunderbird)
        return {{Shape.Stem, Box}, {Shape.Stem + L".msf", "index"}};
    return {{Shape.Stem + Road.Ext, Box}};
}

// Hex, so that any name reaches the Python text unharmed.
std::string HexOf(const std::string& Bytes)
{
    std::string Hex;
    for (const unsigned char C : Bytes)
        Hex += Format("%.2x", static_cast<int>(C));
    return Hex;
}

// Whether the shape's folder holds a character Windows does not allow.
bool HasForbiddenFolder(const TShape& Shape)
{
    return Shape.Folder.find_first_of(L"?*\"<>|") != std::wstring::npos;
}

// Runs a Python script, which may use the names Done (the file it writes
// last) and the modules os and mailbox; waits until it has run.
void RunPython(const TTestFolder& Dir, const std::string& Script)
{
    const std::string Done = Dir.File("python.done");
    DeleteFileA(Done.c_str());
    Dir.Write("script.py", "import os, mailbox\nDone = '" + UnixPathOf(Done) + "'\n" + Script +
                               "\nopen(Done + '.part', 'w').close()\nos.rename(Done + '.part', Done)\n");
    ASSERT_TRUE(RunUnixTool("/usr/bin/python3 " + UnixPathOf(Dir.File("script.py"))));
    // Wine does not wait for a Unix program.
    for (int I = 0; I < 2000 && GetFileAttributesA(Done.c_str()) == INVALID_FILE_ATTRIBUTES; ++I)
        Sleep(10);
    ASSERT_NE(GetFileAttributesA(Done.c_str()), INVALID_FILE_ATTRIBUTES) << "python3 did not finish";
}

void BuildTree(const TTestFolder& Dir, const TRoad& Road, const std::wstring& Root, const std::vector<TShape>& Shapes)
{
    std::string Unix;
    int Seeds = 0;
    for (const TShape& Shape : Shapes) {
        const std::wstring Folder = Root + L"\\" + Shape.Folder;
        // A folder Windows cannot make is made on the Unix side, its files
        // with it.
        const bool UnixFolder = HasForbiddenFolder(Shape);
        for (size_t At = Folder.find(L'\\', 3); At != std::wstring::npos; At = Folder.find(L'\\', At + 1))
            CreateDirectoryW(TTestFolder::LongForm(Folder.substr(0, At)).c_str(), nullptr);
        CreateDirectoryW(TTestFolder::LongForm(Folder).c_str(), nullptr);
        std::string UnixName = "os.path.join('" + UnixPathOf(DefaultWideToAnsi(Folder)) + "', ";
        if (UnixFolder) {
            std::wstring Below = Shape.Folder;
            std::replace(Below.begin(), Below.end(), L'\\', L'/');
            UnixName = "os.path.join('" + UnixPathOf(DefaultWideToAnsi(Root)) + "', bytes.fromhex('" +
                       HexOf(WideToUtf8(Below)) + "').decode(), ";
            Unix += "os.makedirs(" + UnixName + "''), exist_ok=True)\n";
        }
        for (const auto& [Name, Bytes] : FilesOf(Road, Shape)) {
            if (!Shape.Forbidden && !UnixFolder) {
                ASSERT_TRUE(TTestFolder::Put(Folder + L"\\" + Name, Bytes)) << Shape.Name;
                continue;
            }
            const std::string Seed = Dir.Write("seed" + std::to_string(++Seeds), Bytes);
            Unix += "os.replace('" + UnixPathOf(Seed) + "', " + UnixName + "bytes.fromhex('" +
                    HexOf(WideToUtf8(Name)) + "').decode()))\n";
        }
    }
    if (!Unix.empty())
        RunPython(Dir, Unix);
}

// Each message of an mbox file below Out by the file's UTF-8 path below Out
// and its subject, as Python's mailbox reads them and as the program's own
// reader does.
std::vector<std::string> PythonMessages(const TTestFolder& Dir, const std::string& Out,
                                        const std::set<std::string>& Skipped = {})
{
    const std::string Result = Dir.File("python.txt");
    std::string Skip;
    for (const std::string& Name : Skipped)
        Skip += "'" + HexOf(Name) + "',";
    RunPython(Dir, "Out = '" + UnixPathOf(Out) + "'\nSkip = {bytes.fromhex(N).decode() for N in [" + Skip + "]}\n"
                       "with open('" + UnixPathOf(Result) +
                       "', 'w', encoding='utf-8', errors='surrogateescape') as Result:\n"
                       "    for Top, Dirs, Files in os.walk(Out):\n"
                       "        for F in Files:\n"
                       "            P = os.path.join(Top, F)\n"
                       "            Rel = os.path.relpath(P, Out).replace('/', '\\\\')\n"
                       "            if Rel in Skip or (Skip and any(C in Rel for C in '?*<>|\"')):\n"
                       "                continue\n"
                       "            for M in mailbox.mbox(P, create=False):\n"
                       "                Result.write(os.path.relpath(P, Out).replace('/', '\\\\') + '|' + "
                       "str(M['subject']) + '\\n')\n");
    std::vector<std::string> Messages;
    const std::string Text = TTestFolder::Read(Result);
    for (size_t At = 0, End; (End = Text.find('\n', At)) != std::string::npos; At = End + 1)
        Messages.push_back(Text.substr(At, End - At));
    std::sort(Messages.begin(), Messages.end());
    return Messages;
}

std::vector<std::string> ProgramMessages(const TTestFolder& Dir, const std::string& Out,
                                         const std::set<std::string>& Skipped = {})
{
    std::vector<std::string> Messages;
    for (const auto& [Name, Bytes] : TTestFolder::WideTree(AnsiToWideStr(Out))) {
        if (Skipped.count(WideToUtf8(Name)) != 0)
            continue;
        const std::string Copy = Dir.Write("readback", Bytes);
        TMboxStream Reader(Copy, DefaultMailBufferSize, false, mbkMbox);
        std::string Text;
        while (Reader.NextMessage()) {
            Reader.GetMessageText(0, Text);
            const size_t At = Text.find("Subject: ") + 9;
            Messages.push_back(WideToUtf8(Name) + "|" + Text.substr(At, Text.find_first_of("\r\n", At) - At));
        }
    }
    std::sort(Messages.begin(), Messages.end());
    return Messages;
}

// A restored level: a final dot or blank, which Windows would drop and so
// merge the level with its twin, becomes "_" ("x.." gives "x._").
std::wstring RestoredLevel(std::wstring Level)
{
    if (!Level.empty() && (Level.back() == L'.' || Level.back() == L' '))
        Level.back() = L'_';
    // So is a character Windows does not allow: "q?x" gives "q_x".
    std::replace_if(Level.begin(), Level.end(), [](wchar_t C) { return std::wcschr(L"?*\"<>|", C) != nullptr; }, L'_');
    return Level;
}

std::wstring RestoredPath(const std::wstring& Path)
{
    std::wstring Restored;
    for (size_t At = 0, End = 0; End != std::wstring::npos; At = End + 1) {
        End = Path.find(L'\\', At);
        Restored += (At ? L"\\" : L"") + RestoredLevel(Path.substr(At, End == std::wstring::npos ? End : End - At));
    }
    return Restored;
}

// The error log's rows after its header: reason and name.
std::vector<std::pair<std::string, std::string>> RowsOf(const std::string& File)
{
    std::vector<std::pair<std::string, std::string>> Rows;
    const std::string Log = TTestFolder::Read(File);
    for (size_t At = Log.find("\r\n"), End;
         At != std::string::npos && (End = Log.find("\r\n", At + 2)) != std::string::npos; At = End) {
        const std::string Line = Log.substr(At + 2, End - At - 2);
        const size_t Tab = Line.find('\t');
        const size_t Next = Tab == std::string::npos ? Tab : Line.find('\t', Tab + 1);
        Rows.emplace_back(Line.substr(0, Tab), Tab == std::string::npos ? "" : Line.substr(Tab + 1, Next - Tab - 1));
    }
    return Rows;
}

// The row naming Name belongs to the shape whose source it names (the
// folder itself, a Mozilla folder's mailbox, or a mailbox in it), or whose
// mbox copy it names; the longest name that fits wins ("Old." over "Old").
std::string OwnerOf(const std::string& Name, const TRoad& Road, const std::wstring& Root, const std::string& Out,
                    const std::vector<TShape>& Shapes)
{
    std::string Owner = "(no shape)";
    size_t Best = 0;
    bool Lost = false;
    const auto Fits = [&](const TShape& Shape, bool Held, size_t Length) {
        if (Held && Length > Best) {
            Best = Length;
            Owner = Shape.Name;
        }
    };
    for (const TShape& Shape : Shapes) {
        const std::wstring Folder = Root + L"\\" + Shape.Folder;
        const std::wstring Owning = Folder.ends_with(L".sbd") ? Folder.substr(0, Folder.size() - 4) : L"";
        for (const std::wstring& F : {Folder, Owning}) {
            // In the code page a lost letter shows as "?", never as its look-alike.
            for (const std::string& Form : {WideToUtf8(F), WideToAnsi(F, Lost)}) {
                if (F.empty() || Name.rfind(Form, 0) != 0)
                    continue;
                Fits(Shape, Name.size() == Form.size(), Form.size());
                for (const std::string& Stem : {WideToUtf8(Shape.Stem), WideToAnsi(Shape.Stem, Lost)})
                {
                    Fits(Shape, Name.find(Stem, Form.size()) != std::string::npos, Form.size() + Stem.size());
                    // A row naming the mailbox's own file whole is its alone
                    // ("Old.mbx" is "Old"'s, not "Old."'s).
                    for (const wchar_t* Ext : {Road.Ext, Road.DataExt})
                        Fits(Shape, Name == Form + "\\" + Stem + WideToUtf8(Ext), Name.size() + 1);
                }
            }
        }
        const std::string Copy = WideToUtf8(Shape.Stem + Road.DataExt);
        Fits(Shape, Name.rfind(Out + "\\", 0) == 0 && Name.ends_with(Copy), Out.size() + Copy.size());
    }
    return Owner;
}

// Fills the stack below the caller's frame with one value, where the next
// call's frames will lie.
__attribute__((noinline)) void FillStack(HANDLE Value)
{
    volatile HANDLE Fill[4096];
    for (volatile HANDLE& F : Fill)
        F = Value;
}

}  // namespace

// The matrix starts Python as a Unix program; Wine hands back handles for
// it made of whatever its stack held, which the start must neither wait on
// nor close: they may be the test program's own, its output among them.
TEST(KvConvertNames, AUnixToolLeavesTheProgramsOwnHandlesOpen)
{
    TTestFolder Dir("unixtool");
    // Signalled, so that a wait on it would not hold the test.
    const HANDLE Ours = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    for (int I = 0; I < 5; ++I) {
        FillStack(Ours);
        ASSERT_TRUE(RunUnixTool("/bin/true"));
    }
    DWORD Flags = 0;
    EXPECT_TRUE(GetHandleInformation(Ours, &Flags)) << "starting a Unix tool closed a handle of the program's own";
    CloseHandle(Ours);
}

TEST(KvConvertNames, EveryNameShapeOnEveryRoadByEveryPick)
{
    std::vector<std::string> Faults;
    for (const TRoad& Road : Roads) {
        TConvertRun R;
        const std::wstring Root = AnsiToWideStr(R.Dir.File(Road.Name));
        const std::vector<TShape> Shapes = ShapesOf(Road, Root);
        BuildTree(R.Dir, Road, Root, Shapes);
        for (const TPick Pick :
             {pckSearch, pckFile, pckFolder, pckTree, pckIntoRoot, pckTreeInPlace, pckTreeInPlaceByDrive}) {
            for (const TMailFormat Target : {mftEml, mftMboxUnix}) {
                const bool InPlace = Pick == pckTreeInPlace || Pick == pckTreeInPlaceByDrive;
                const bool IntoRoot = Pick == pckIntoRoot || InPlace;
                if (IntoRoot && Target == mftEml)
                    continue;
                const bool Tree = Pick == pckTree || InPlace;
                const std::string Cell =
                    std::string(Road.Name) + " " + PickNames[Pick] + (Target == mftEml ? " eml" : " mbox");
                R.Host.Sources.Clear();
                R.Host.Choices.IncludeSubfolders = Pick != pckFile && Pick != pckFolder;
                R.Host.Choices.RestoreFolderTree = Tree;
                // Picked as the forms hand them on: by the ANSI text where it
                // is exact, else by the short name, the only one some have.
                std::set<std::wstring> Folders;
                for (const TShape& Shape : Shapes) {
                    const std::wstring Picked = Root + L"\\" + Shape.Folder + L"\\" + Shape.Stem + Road.Ext;
                    const std::string Openable = OpenableAnsiPath(Picked);
                    if (Pick == pckFile)
                        R.Add(Openable.empty() ? DefaultWideToAnsi(Picked) : Openable, Road.Format);
                    else if (Pick == pckFolder && Folders.insert(Shape.Folder).second)
                        R.Add(OpenableAnsiPath(Root + L"\\" + Shape.Folder) + "\\" + Road.Mask, Road.Format);
                }
                if (Pick != pckFile && Pick != pckFolder)
                    R.Add(OpenableAnsiPath(Root) + "\\" + Road.Mask, Road.Format);
                std::optional<TMappedDrive> Drive;
                if (Pick == pckTreeInPlaceByDrive && !Drive.emplace(R.Dir.Path()).Exists()) {
                    std::printf("no drive letter could be mapped: the cell %s did not run\n", Cell.c_str());
                    continue;
                }
                // Into the tree, the files there before the run are no output.
                const std::string Out = Pick == pckIntoRoot      ? R.Dir.File(Road.Name)
                                        : Drive                  ? Drive->Root()
                                        : Pick == pckTreeInPlace ? R.Dir.Path()
                                                                 : R.Dir.File("out " + Cell),
                                  Errors = R.Dir.File("errors " + Cell + ".txt");
                // So is the error log, beside the tree.
                std::set<std::string> BeforeRun;
                if (IntoRoot) {
                    for (const auto& [Name, Bytes] : TTestFolder::WideTree(AnsiToWideStr(Out)))
                        BeforeRun.insert(WideToUtf8(Name));
                    BeforeRun.insert(Errors.substr(Errors.rfind('\\') + 1));
                }
                R.Target(Target, Out + "\\");
                {
                    const TErrorLogAt Log(Errors);
                    R.Start();
                }
                // What each shape gave: the places its messages went, and its rows.
                std::map<std::string, std::vector<std::string>> Places, Rows;
                const auto ShapeOf = [&](const std::string& Subject) {
                    for (const TShape& Shape : Shapes)
                        if (Subject.rfind(Shape.Name + " ", 0) == 0 && Subject.size() == Shape.Name.size() + 2)
                            return Shape.Name;
                    return std::string("(no shape)");
                };
                if (Target == mftEml) {
                    for (const auto& [Name, Bytes] : TTestFolder::WideTree(AnsiToWideStr(Out))) {
                        const size_t At = Bytes.find("Subject: ") + 9;
                        const std::string Subject = Bytes.substr(At, Bytes.find("\r\n", At) - At);
                        Places[ShapeOf(Subject)].push_back(WideToUtf8(Name));
                    }
                } else {
                    const std::vector<std::string> Read = ProgramMessages(R.Dir, Out, BeforeRun);
                    EXPECT_EQ(PythonMessages(R.Dir, Out, BeforeRun), Read) << Cell;
                    for (const std::string& Message : Read) {
                        const size_t Bar = Message.rfind('|');
                        Places[ShapeOf(Message.substr(Bar + 1))].push_back(Message.substr(0, Bar));
                    }
                }
                for (const auto& [Reason, Name] : RowsOf(Errors))
                    Rows[OwnerOf(Name, Road, Root, Out, Shapes)].push_back(Reason + " | " + Name);
                const size_t Before = Faults.size();
                int Boxes = 0, Messages = 0, Errored = 0;
                for (const TShape& Shape : Shapes) {
                    std::vector<std::string>& Got = Places[Shape.Name];
                    std::sort(Got.begin(), Got.end());
                    const std::vector<std::string>& Said = Rows[Shape.Name];
                    const bool Refused = !Shape.Error.empty() && (Shape.ErrorPicks & (1u << Pick));
                    // Each message once, in its own mailbox's copy or folder.
                    std::vector<std::string> Want;
                    const std::wstring Mailbox =
                        Shape.Stem + (Target == mftEml && !Road.EmlKeepsDataExt ? L"" : Road.DataExt);
                    const std::wstring Below = AnsiToWideStr(Road.Name) + L"\\" + Shape.Folder + L"\\" + Mailbox;
                    const std::wstring Named = Tree ? RestoredPath(Below) : RestoredLevel(Mailbox);
                    for (int K = 1; K <= Shape.Messages && !Refused; ++K) {
                        const std::string Subject = Shape.Name + " " + std::to_string(K);
                        Want.push_back(Target == mftMboxUnix ? WideToUtf8(Named)
                                       : Tree                ? WideToUtf8(Named) + "\\" + Subject + ".eml"
                                                             : Subject + ".eml");
                    }
                    bool Fits = Got == Want && Said.empty();
                    // Restored in place under its own name, a copy would go
                    // into its source: refused for that, with its row.
                    const bool OwnSource = InPlace && RestoredPath(Below) == Below;
                    if (OwnSource && !Refused && !Shape.Forbidden)
                        Fits = Got.empty() && Said.size() == 1 && Said[0].starts_with("Mailbox not converted: it");
                    if (Refused || Shape.Forbidden)
                        Fits = Got.empty() && Said.size() == 1 && Said[0].find(Shape.Error) != std::string::npos;
                    // Converted under a name of the run's own, every message once.
                    if (Shape.Forbidden && !Got.empty())
                        Fits = Said.empty() && std::set<std::string>(Got.begin(), Got.end()).size() == 1 &&
                               static_cast<int>(Got.size()) == Shape.Messages;
                    if (Fits && !Got.empty()) {
                        ++Boxes;
                        Messages += Shape.Messages;
                    } else if (Fits) {
                        ++Errored;
                    } else {
                        std::string Fault = Cell + " " + Shape.Name + ": wrote";
                        for (const std::string& P : Got)
                            Fault += " [" + P + "]";
                        for (const std::string& S : Said)
                            Fault += " row {" + S + "}";
                        Faults.push_back(Fault);
                    }
                }
                for (const std::string& P : Places["(no shape)"])
                    Faults.push_back(Cell + ": a message of no shape at " + P);
                for (const std::string& S : Rows["(no shape)"])
                    Faults.push_back(Cell + ": a row of no shape {" + S + "}");
                // The counters of the shapes that came out as they should.
                if (Faults.size() == Before && R.Summary() != Counters(Boxes, Messages, 0, Errored))
                    Faults.push_back(Cell + ": " + R.Summary() + " for " + Counters(Boxes, Messages, 0, Errored));
                // The copies written into the root go, so that the next
                // cell's search finds the tree as it was.
                if (IntoRoot)
                    for (const auto& [Name, Bytes] : TTestFolder::WideTree(AnsiToWideStr(Out)))
                        if (BeforeRun.count(WideToUtf8(Name)) == 0)
                            DeleteFileW(TTestFolder::LongForm(AnsiToWideStr(Out) + L"\\" + Name).c_str());
            }
        }
        // Every run read the sources and wrote none of them.
        for (const TShape& Shape : Shapes)
            for (const auto& [Name, Bytes] : FilesOf(Road, Shape))
                if (const std::wstring Path = Root + L"\\" + Shape.Folder + L"\\" + Name;
                    !Shape.Forbidden &&
                    TTestFolder::Read(HasForbiddenFolder(Shape) ? AnsiToWideStr(OpenableAnsiPath(Path)) : Path) != Bytes)
                    Faults.push_back(std::string(Road.Name) + " " + Shape.Name + ": its source changed");
    }
    std::string Said;
    for (const std::string& Fault : Faults)
        Said += Fault + "\n";
    EXPECT_TRUE(Faults.empty()) << Faults.size() << " faults:\n" << Said;
}

// The same mailboxes under plain names and under names the code page
// cannot hold (and past MAX_PATH), converted with the tree restored: what
// comes out carries the sources' long names, each file's bytes as under
// the plain names.
TEST(KvConvertNames, RestoredTreesCarryTheSourcesLongNames)
{
    TConvertRun r;
    const std::wstring src = AnsiToWideStr(r.Src(""));
    const std::wstring deep(200, L'd');
    std::vector<std::pair<std::wstring, std::string>> boxes{
        {L"\u041f\u043e\u0447\u0442\u0430\\\u0412\u0445\u043e\u0434\u044f\u0449\u0438\u0435.mbox", Mbox({1, 2})},
        {L"\u53d7\u4fe1\u7bb1\\\u53d7\u4fe1.mbox", Mbox({3})},
        {L"\u0410\u0440\u0445\u0438\u0432 2020\\" + deep + L"\\box.mbox", Mbox({4})},
        // Best fits of the code page would make a device, or another's name.
        {L"names\\COM\uFF11.mbox", Mbox({5})},
        {L"names\\\uFF23\uFF2F\uFF2E.mbox", Mbox({6})},
        {L"names\\\u03A9mega.mbox", Mbox({7})},
        {L"names\\Omega.mbox", Mbox({8})},
        {L"trail \\kept.mbox", Mbox({9})},
        {L"Old.\\kept.mbox", Mbox({10})},
        {L"Old\\kept.mbox", Mbox({11})},
    };
    // The names a target cannot hold: their trailing blank or dot becomes
    // "_", never merging them with their twin.
    const auto restored = [](std::wstring Name) {
        if (Name.compare(0, 6, L"trail ") == 0)
            Name[5] = L'_';
        if (Name.compare(0, 4, L"Old.") == 0)
            Name[3] = L'_';
        return Name;
    };
    ASSERT_GT(src.size() + boxes[2].first.size(), static_cast<size_t>(MAX_PATH));
    // Mailboxes whose paths are Length long, below a folder outside the
    // code page: past twice MAX_PATH too, up to far beyond it.
    for (const size_t Length : {300u, 519u, 521u, 1000u, 2000u}) {
        std::wstring name = L"\u0410\u0440\u0445\u0438\u0432 " + std::to_wstring(Length) + L"\\";
        const size_t fill = Length - src.size() - 5 - name.size() - 9;
        for (size_t i = 0; i < fill; ++i)
            name += i % 101 == 100 && i + 1 < fill ? L'\\' : L'd';
        boxes.emplace_back(name + L"\\box.mbox", Mbox({static_cast<int>(Length)}));
        ASSERT_EQ((src + L"wide\\" + boxes.back().first).size(), Length);
    }
    // The twin tree: each wide name made plain.
    const auto plain = [](std::wstring Name) {
        for (wchar_t& c : Name)
            if (c > 0x7F)
                c = L'p';
        return Name;
    };
    for (const auto& [name, bytes] : boxes)
        for (const std::wstring& root : {src + L"wide", src + L"plain"}) {
            const std::wstring path = root + L"\\" + (root.back() == L'e' ? name : plain(name));
            for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
                CreateDirectoryW(TTestFolder::LongForm(path.substr(0, at)).c_str(), nullptr);
            ASSERT_TRUE(TTestFolder::Put(path, bytes));
        }
    for (const TMailFormat target : {mftEml, mftMboxUnix}) {
        SCOPED_TRACE(target);
        std::map<std::wstring, std::string> trees[3];
        // The third run types the wide tree with "." and ".." levels and
        // doubled backslashes, which the "\\?\" forms resolve none of.
        for (int i = 0; i < 3; ++i) {
            r.Host.Sources.Clear();
            r.Host.Choices.IncludeSubfolders = true;
            r.Host.Choices.RestoreFolderTree = true;
            // As the forms and the command line hand the folder on.
            r.Add(OpenableAnsiPath(src + (i == 1 ? L"plain" : L"wide")) + (i == 2 ? "\\x\\..\\.\\\\*.mbox" : "\\*.mbox"),
                  mftMbox);
            const std::wstring out =
                src + L"out" + std::to_wstring(target) + (i == 0 ? L"wide" : i == 1 ? L"plain" : L"typd");
            // Typed with a final dot, the target is one folder without it.
            r.Target(target, DefaultWideToAnsi(out) + (i == 2 ? ".\\a\\..\\.\\\\" : "\\"));
            r.Start();
            EXPECT_EQ(r.Summary(), Counters(15, 16, 0, 0)) << r.LogText();
            const std::vector<std::string> processed = r.Lines("Processing: ");
            EXPECT_EQ(std::set<std::string>(processed.begin(), processed.end()).size(), boxes.size());
            trees[i] = TTestFolder::WideTree(out);
        }
        std::map<std::wstring, std::string> named;
        for (const auto& [name, bytes] : trees[0])
            named[L"plain" + plain(name.substr(4))] = bytes;
        EXPECT_EQ(named, trees[1]);
        EXPECT_EQ(trees[2], trees[0]);
        std::vector<std::wstring> wanted;
        for (const auto& [name, bytes] : boxes)
            wanted.push_back(L"wide\\" + restored(name) + (target == mftEml ? L"\\note " : L""));
        ASSERT_EQ(trees[0].size(), target == mftEml ? 16u : 15u);
        for (const std::wstring& want : wanted) {
            const auto at = trees[0].lower_bound(want);
            EXPECT_TRUE(at != trees[0].end() && at->first.compare(0, want.size(), want) == 0)
                << DefaultWideToAnsi(want) << " among " << DefaultWideToAnsi(trees[0].begin()->first);
        }
        if (target == mftMboxUnix) {
            for (const auto& [name, bytes] : boxes)
                EXPECT_EQ(trees[0][L"wide\\" + restored(name)], bytes);
        }
    }
    // A folder picked by its short form, its parent held by another program
    // that shares it with nobody, so that it cannot be listed: the levels
    // still come back under their long names.
    {
        const std::string Picked = OpenableAnsiPath(src + L"wide\\" + boxes[0].first.substr(0, 5));
        const TKernelHandle Hold(CreateFileW((src + L"wide").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ASSERT_TRUE(Hold.Valid());
        r.Host.Sources.Clear();
        r.Add(Picked + "\\*.mbox", mftMbox);
        r.Target(mftMboxUnix, DefaultWideToAnsi(src) + "outheld\\");
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(1, 2, 0, 0)) << r.LogText();
        EXPECT_EQ(TTestFolder::WideTree(src + L"outheld"), (std::map<std::wstring, std::string>{boxes[0]}));
        const std::string Box = WideToUtf8(boxes[0].first);
        EXPECT_EQ(PythonMessages(r.Dir, DefaultWideToAnsi(src) + "outheld"),
                  (std::vector<std::string>{Box + "|note 1", Box + "|note 2"}));
    }
    // Into the other kind's tree, where a file has each mailbox's folder
    // name or a folder its file name: an error each, and the run goes on.
    for (const TMailFormat target : {mftEml, mftMboxUnix}) {
        r.Host.Sources.Clear();
        r.Add(OpenableAnsiPath(src + L"wide") + "\\*.mbox", mftMbox);
        r.Target(target, DefaultWideToAnsi(src + L"out" + std::to_wstring(mftEml + mftMboxUnix - target) + L"wide\\"));
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(0, 0, 0, static_cast<int>(boxes.size()))) << r.LogText();
        EXPECT_TRUE(r.Logged("Processing finished."));
        EXPECT_TRUE(r.Lines("Done").empty()) << r.LogText();
        const std::string why = target == mftEml ? ": it is a file, not a folder" : ": " + SystemErrorText(ERROR_ACCESS_DENIED);
        EXPECT_EQ(std::count_if(r.Host.Log.begin(), r.Host.Log.end(),
                                [&](const std::string& l) { return l.size() > why.size() && l.ends_with(why); }),
                  static_cast<long>(boxes.size()));
    }
    // Three source folders that one safe name holds: the first keeps it, the
    // others are said, each a row, and none is merged into it.
    CreateDirectoryW(TTestFolder::LongForm(src + L"twins").c_str(), nullptr);
    for (const wchar_t* name : {L"twin.", L"twin ", L"twin_"}) {
        CreateDirectoryW(TTestFolder::LongForm(src + L"twins\\" + name).c_str(), nullptr);
        ASSERT_TRUE(TTestFolder::Put(src + L"twins\\" + name + L"\\kept.mbox", Mbox({20, 21})));
    }
    for (const TMailFormat target : {mftEml, mftMboxUnix}) {
        r.Host.Sources.Clear();
        r.Add(OpenableAnsiPath(src + L"twins") + "\\*.mbox", mftMbox);
        const std::wstring out = src + L"twinsout" + std::to_wstring(target);
        r.Target(target, DefaultWideToAnsi(out) + "\\");
        const TErrorLogAt errorLog(r.Dir.File("twins" + std::to_string(target) + ".txt"));
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(1, 2, 0, 2)) << r.LogText();
        const std::vector<std::vector<std::string>> rows = ErrorRows(r.Dir.File("twins" + std::to_string(target) + ".txt"));
        ASSERT_EQ(rows.size(), 2u);
        for (const std::vector<std::string>& row : rows)
            EXPECT_EQ(row[0], "Mailbox not converted: its restored name " + DefaultWideToAnsi(out) + "\\twins\\twin_\\" +
                                  (target == mftEml ? "kept.mbox\\" : "kept.mbox") + " is another mailbox's already");
        const std::map<std::wstring, std::string> tree = TTestFolder::WideTree(out);
        ASSERT_EQ(tree.size(), target == mftEml ? 2u : 1u);
        EXPECT_EQ(tree.begin()->first.compare(0, 21, L"twins\\twin_\\kept.mbox"), 0) << DefaultWideToAnsi(tree.begin()->first);
        if (target == mftMboxUnix) {
            EXPECT_EQ(tree.begin()->second, Mbox({20, 21}));
        }
    }
}
