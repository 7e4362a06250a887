#include "mail/KvFindMail.h"

#include <windows.h>

#include "foundation/KvAppBase.h"
#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvMemIni.h"
#include "foundation/KvSettings.h"
#include "foundation/KvSpFolder.h"
#include "foundation/KvStrings.h"
#include "foundation/KvSystem.h"
#include "foundation/KvWindows.h"

std::string GMailRegistryBase;

namespace {

struct TClientName {
    int Id;
    const char* Name;
};

const TClientName ClientNames[] = {
    {mciOutlookExpress, "OE"}, {mciWindowsMail, "WindowsMail"}, {mciWindowsLiveMail, "WindowsLiveMail"}, {mciOutlook, "Outlook"},
    {mciThunderbird, "Thunderbird"}, {mciSeaMonkey, "SeaMonkey"}, {mciMozilla, "Mozilla"}, {mciNetscape, "Netscape"},
    {mciEudora, "Eudora"}, {mciPocoMail, "PocoMail"}, {mciTheBat, "TheBat"}, {mciAgent, "Agent"},
    {mciCalypso, "Calypso"}, {mciFoxMail, "FoxMail"}, {mciPegasus, "Pegasus"}, {mciPMMail, "PMMail"},
    {mciOpera, "Opera"}, {mciPlr, "Plr"}, {mciEmx, "Emx"},
};

// The store file the default profile of the one client with a data file
// of its own keeps.
const char* const OutlookDataFile = "Outlook.pst";

std::string Trimmed(const std::string& S)
{
    return TrimCharSetStr(S, true, TCharSet::Range(0, ' '));
}

const char* RootName(HKEY Root)
{
    if (Root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (Root == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    return "HKEY_CURRENT_USER";
}

// A string value; an empty Value names the key's default value.
std::string RegRead(HKEY Root, const std::string& Key, const std::string& Value)
{
    std::string path = RootName(Root) + std::string("\\") + Key;
    if (!GMailRegistryBase.empty())
        path = "HKEY_CURRENT_USER\\" + GMailRegistryBase + "\\" + path;
    return Trimmed(ReadRegistryPathValue(path + "::" + (Value.empty() ? "(Default)" : Value), ""));
}

std::string Hkcu(const std::string& Key, const std::string& Value = std::string())
{
    return RegRead(HKEY_CURRENT_USER, Key, Value);
}

std::string Hklm(const std::string& Key, const std::string& Value = std::string())
{
    return RegRead(HKEY_LOCAL_MACHINE, Key, Value);
}

std::string Dequote(const std::string& S)
{
    return StripDoubleQuotes(Trimmed(S));
}

// The program of a command line: a quoted first token, else the whole text.
std::string CommandProgram(const std::string& Command)
{
    std::string c = Trimmed(Command);
    if (!c.empty() && c[0] == '"') {
        const std::size_t close = c.find('"', 1);
        return c.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return c;
}

std::string FolderOf(const std::string& Path)
{
    return Path.empty() ? Path : ExcludeTrailingSlash(ExtractParentFolder(Path));
}

std::string IfExists(const std::string& Folder)
{
    return !Folder.empty() && FolderExists(Folder) ? Folder : std::string();
}

// Folder\Sub when that exists, else Folder when it exists.
std::string SubOr(const std::string& Folder, const std::string& Sub)
{
    if (Folder.empty())
        return Folder;
    const std::string inner = IfExists(JoinPath(Folder, Sub));
    return inner.empty() ? IfExists(Folder) : inner;
}

std::string AppData(const std::string& Sub, bool Local = false)
{
    const std::string base = GetAppDataFolder(std::string(), Local);
    return base.empty() ? base : JoinPath(base, Sub);
}

std::string ProgramFiles()
{
    return Dequote(Hklm("Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"));
}

std::string IniValue(const std::string& File, const std::string& Section, const std::string& Key)
{
    if (!IsExistingFile(File))
        return std::string();
    TMemIniFile ini(File, true);
    return Trimmed(ini.ReadString(Section, Key, ""));
}

std::string ReadOutlookExpress(const std::string& SubName)
{
    std::string identity = SubName;
    if (identity.empty())
        identity = Hkcu("Identities", "Last User ID");
    if (identity.empty())
        identity = Hkcu("Identities", "Default User ID");
    std::string root;
    if (!identity.empty()) {
        const std::string base = "Identities\\" + identity + "\\Software\\Microsoft\\Outlook Express";
        root = Hkcu(base + "\\5.0", "Store Root");
        if (root.empty())
            root = Hkcu(base, "Store Root");
    } else {
        root = Hkcu("Software\\Microsoft\\Outlook Express", "Store Root");
    }
    root = Dequote(root);
    if (!root.empty() && !AnyFileMatches(JoinPath(root, "*.dbx")) &&
        !AnyFileMatches(JoinPath(root, "*.mbx")) && FolderExists(JoinPath(root, "Mail")))
        root = JoinPath(root, "Mail");
    return root;
}

std::string ReadWindowsMail(int Id, const std::string& SubName, int Mode)
{
    const std::string name = Id == mciWindowsMail ? "Windows Mail" : "Windows Live Mail";
    std::string r = IfExists(ExcludeTrailingSlash(Dequote(Hkcu("Software\\Microsoft\\" + name, "Store Root"))));
    if (r.empty()) {
        r = IsWinVistaOrLater()
                ? ExpandEnvironmentVars("%USERPROFILE%\\AppData\\Local\\Microsoft\\" + name + "\\")
                : AppData("Microsoft\\" + name, true);
        r = IfExists(ExcludeTrailingSlash(r));
        if (r.empty())
            return r;
    }
    std::string sub = SubName;
    if (sub.empty() && Mode == cfmLocalFolders)
        sub = Id == mciWindowsMail ? "Local Folders" : "Storage Folders";
    if (!sub.empty() && FolderExists(JoinPath(r, sub)))
        r = JoinPath(r, sub);
    return r;
}

std::string ReadOutlook()
{
    const std::string docs = GetDocumentsFolder();
    const std::string a = docs.empty() ? docs : IfExists(JoinPath(docs, "Outlook Files"));
    const std::string b = IfExists(AppData("Microsoft\\Outlook", true));
    std::string r;
    if (!a.empty()) {
        if (IsExistingFile(JoinPath(a, OutlookDataFile)))
            r = a;
        else if (!b.empty() && IsExistingFile(JoinPath(b, OutlookDataFile)))
            r = b;
        else if (!b.empty() && !AnyFileMatches(JoinPath(a, "*.pst")) &&
                 AnyFileMatches(JoinPath(b, "*.pst")))
            r = b;
        else
            r = a;
    } else {
        r = b;
    }
    if (r.empty())
        r = IfExists(AppData("Microsoft\\Outlook"));
    if (r.empty() && IsWin9x())
        r = GetWindowsFolder();
    return r;
}

std::string ReadMozillaFamily(int Id, const std::string& SubName, int Mode)
{
    const std::string base = AppData(ClientNameOf(Id));
    if (base.empty())
        return base;
    const std::string profiles = JoinPath(base, "profiles.ini");
    if (!IsExistingFile(profiles)) {
        // The older clients kept the profile folder in a binary registry file.
        const std::string data = LoadFileToString(JoinPath(base, "registry.dat"));
        const std::string marker = "\xB7" "directory" "\xB7";
        const std::size_t at = data.find(marker);
        if (at == std::string::npos)
            return std::string();
        const std::size_t from = at + marker.size();
        const std::size_t end = data.find('\xB7', from);
        const std::string dir = data.substr(from, end == std::string::npos ? std::string::npos : end - from);
        return dir.empty() ? dir : JoinPath(dir, "Mail");
    }
    TMemIniFile ini(profiles, true);
    for (int i = 0;; ++i) {
        const std::string section = "Profile" + std::to_string(i);
        const std::string name = ini.ReadString(section, "Name", "");
        if (name.empty())
            return std::string();
        const std::string isDefault = Trimmed(ini.ReadString(section, "Default", ""));
        bool chosen;
        if (SubName.empty())
            chosen = StrToBoolDefault(isDefault, false) ||
                     (SameTextStr(name, "default") && StrToBoolDefault(isDefault, true));
        else
            chosen = SameTextStr(name, SubName);
        if (!chosen)
            continue;
        std::string path = Dequote(ini.ReadString(section, "Path", ""));
        ReplaceChar(path, '/', '\\');
        if (path.empty())
            return path;
        if (StrToBoolDefault(Trimmed(ini.ReadString(section, "IsRelative", "")), false))
            path = JoinPath(base, path);
        // The client makes its mail folder on first use; a profile folder
        // that is gone is not brought back.
        const std::string mail = JoinPath(path, "Mail");
        if (!FolderExists(mail) && FolderExists(path))
            ForceFolder(mail);
        if (!FolderExists(mail))
            return std::string();
        if (Mode == cfmLocalFolders && FolderExists(JoinPath(mail, "Local Folders")))
            return JoinPath(mail, "Local Folders");
        return mail;
    }
}

std::string ReadNetscape()
{
    const std::string biff = "Software\\Netscape\\Netscape Navigator\\biff";
    const std::string user = Hkcu(biff, "CurrentUser");
    if (user.empty())
        return user;
    const std::string pop = Dequote(Hkcu(biff + "\\users\\" + user + "\\servers\\mail", "popstatePath"));
    return IfExists(FolderOf(pop));
}

std::string ReadEudora()
{
    std::string r = IfExists(AppData("Qualcomm\\Eudora"));
    if (!r.empty())
        return r;
    const std::string cmd = Trimmed(Hkcu("Software\\Qualcomm\\Eudora\\CommandLine", "Current"));
    if (!cmd.empty()) {
        std::string program;
        if (cmd[0] == '"') {
            program = CommandProgram(cmd);
        } else {
            const std::size_t blank = cmd.find(' ');
            program = cmd.substr(0, blank);
        }
        r = IfExists(FolderOf(ExpandLongPathName(program)));
        if (!r.empty())
            return r;
    }
    return SubOr(ProgramFiles(), "Qualcomm\\Eudora");
}

std::string ReadPoco()
{
    std::string r = IfExists(AppData("Barca 2 Data\\Mail"));
    if (r.empty())
        r = SubOr(Dequote(Hkcu("Software\\Poco Systems Inc\\Barca", "Path")), "Mail");
    if (r.empty())
        r = IfExists(AppData("PocoMail 4 Data\\Mail"));
    if (r.empty()) {
        std::string p = Hkcu("Software\\Poco Systems Inc\\PocoMail 4", "Path");
        if (p.empty())
            p = Hkcu("Software\\Poco Systems Inc\\PocoMail 3", "Path");
        r = SubOr(Dequote(p), "Mail");
    }
    if (!r.empty())
        return r;
    std::string program = Hkcu("Software\\Poco\\Mail\\Path");
    if (program.empty())
        program = Hklm("Software\\Clients\\Mail\\Poco\\shell\\open\\command");
    if (program.empty()) {
        const std::string pf = ProgramFiles();
        const std::string ini = pf.empty() ? pf : JoinPath(pf, "Poco\\Poco.ini");
        if (IsExistingFile(ini))
            program = ini;
    }
    if (program.empty())
        program = Hklm("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\pocomail2_is1",
                       "UninstallString");
    const std::string folder = FolderOf(CommandProgram(program));
    if (folder.empty())
        return folder;
    const std::string mailPath = IniValue(JoinPath(folder, "Poco.ini"), "Program", "MailPath");
    if (mailPath.empty())
        return mailPath;
    return IsRelativePath(mailPath) ? JoinPath(folder, mailPath) : mailPath;
}

std::string ReadTheBat()
{
    const std::string key = "Software\\RIT\\The Bat!";
    const std::string work = ExpandEnvironmentVars(Dequote(Hkcu(key, "Working Directory")));
    if (!work.empty()) {
        std::string last = Hkcu(key, "Last folder");
        if (!last.empty() && last[0] == '\\')
            last.erase(0, 1);
        const std::string below = last.empty() ? last : IfExists(JoinPath(work, last));
        return below.empty() ? work : below;
    }
    std::string r = FolderOf(CommandProgram(Hklm("Software\\Clients\\Mail\\The Bat!\\Shell\\open\\command")));
    if (r.empty())
        r = IfExists(AppData("The Bat!"));
    if (r.empty())
        r = SubOr(ProgramFiles(), "The Bat!\\Mail");
    return r;
}

std::string ReadAgent()
{
    const std::string key = "Software\\Forte\\Agent\\Paths";
    const std::string ini = Dequote(Hkcu(key, "inifile"));
    std::string r = IfExists(FolderOf(ini));
    if (!r.empty())
        return r;
    std::string v = Hkcu(key, "inifiles");
    if (v.empty()) {
        v = Hklm("Software\\Clients\\Mail\\Forte Agent\\shell\\open\\command");
        const std::size_t cut = v.find("\" -");
        if (cut != std::string::npos)
            v.erase(cut + 1);
    }
    r = IfExists(FolderOf(Dequote(v)));
    return r.empty() ? r : SubOr(r, "Data");
}

std::string ReadCalypso()
{
    std::string v = Hkcu("Software\\MCS\\Calypso", "DefaultMailbox");
    if (v.empty()) {
        v = Hklm("Software\\Clients\\Mail\\Calypso\\shell\\open\\command");
        const std::size_t cut = v.find(" /");
        if (cut != std::string::npos)
            v.erase(cut);
    }
    return FolderOf(Dequote(v));
}

std::string ReadFoxMail(const std::string& SubName)
{
    std::string v = Hkcu("Software\\Aerofox\\FoxMail\\V3.1", "FoxmailPath");
    if (v.empty())
        v = Hklm("Software\\Clients\\Mail\\FoxMail\\shell\\open\\command");
    std::string r = !v.empty() ? SubOr(FolderOf(CommandProgram(v)), "mail")
                               : SubOr(ProgramFiles(), "FoxMail\\mail");
    if (!r.empty() && !SubName.empty())
        r = JoinPath(r, SubName);
    return r;
}

std::string ReadPegasus()
{
    std::string r = IfExists(ExcludeTrailingSlash(Dequote(Hkcu("Software\\Pegasus Mail\\Mailbox"))));
    if (r.empty())
        r = IfExists(ExcludeTrailingSlash(
            Dequote(RegRead(HKEY_CLASSES_ROOT, "Software\\Pegasus Mail", "MAILBOX"))));
    return r;
}

std::string ReadPMMail(const std::string& SubName)
{
    std::string r = Dequote(Hklm("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\PMMailw.exe", "Path"));
    if (r.empty())
        r = Dequote(Hkcu("Software\\Blueprint Software Works\\PMMail", "ShellDirectory"));
    if (r.empty())
        r = SubOr(ProgramFiles(), "PMMail 2000");
    if (!r.empty() && !SubName.empty())
        r = JoinPath(r, SubName);
    return r;
}

// The store below an Opera mail folder.
std::string OperaStore(const std::string& Mail)
{
    if (Mail.empty())
        return Mail;
    std::string r = IfExists(JoinPath(Mail, "store"));
    if (r.empty())
        r = IfExists(JoinPath(Mail, "storage"));
    return r.empty() ? IfExists(Mail) : r;
}

std::string ReadOpera()
{
    std::string profile = IfExists(AppData("Opera\\Opera"));
    std::string ini = "opera6.ini";
    for (char digit = '9'; profile.empty() && digit >= '5'; --digit) {
        profile = IfExists(AppData(std::string("Opera\\Opera") + digit));
        if (!profile.empty() && digit == '5')
            ini = "opera5.ini";
    }
    if (!profile.empty()) {
        const std::string root =
            IniValue(JoinPath(profile, "profile\\" + ini), "Mail", "Mail Root Directory");
        const std::string r = OperaStore(ExcludeTrailingSlash(root));
        if (!r.empty())
            return r;
    }
    const std::string pf = ProgramFiles();
    if (!pf.empty()) {
        std::string r = IfExists(JoinPath(pf, "Mail\\store"));
        if (r.empty())
            r = SubOr(pf, "Mail\\storage");
        if (!r.empty())
            return r;
    }
    std::string folder;
    const std::string last = CommandProgram(Hkcu("Software\\Opera Software", "Last CommandLine"));
    if (!last.empty())
        folder = IfExists(AppData("Opera\\" + ExtractFolderName(FolderOf(last))));
    if (folder.empty())
        folder = IfExists(AppData("Opera\\Opera"));
    if (folder.empty())
        return folder;
    const std::string mail = IfExists(JoinPath(folder, "mail"));
    return mail.empty() ? mail : OperaStore(mail);
}

std::string ReadMailboxesClient(const std::string& DataName, const std::string& Program)
{
    std::string r = IfExists(AppData(DataName));
    if (r.empty())
        r = Dequote(Hklm("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + Program + ".exe", "Path"));
    return r.empty() ? r : JoinPath(r, "Mailboxes");
}

std::string RunReader(int Id, const std::string& SubName, int Mode)
{
    switch (Id) {
    case mciOutlookExpress: return ReadOutlookExpress(SubName);
    case mciWindowsMail:
    case mciWindowsLiveMail: return ReadWindowsMail(Id, SubName, Mode);
    case mciOutlook: return ReadOutlook();
    case mciThunderbird:
    case mciSeaMonkey:
    case mciMozilla: return ReadMozillaFamily(Id, SubName, Mode);
    case mciNetscape: return ReadNetscape();
    case mciEudora: return ReadEudora();
    case mciPocoMail: return ReadPoco();
    case mciTheBat: return ReadTheBat();
    case mciAgent: return ReadAgent();
    case mciCalypso: return ReadCalypso();
    case mciFoxMail: return ReadFoxMail(SubName);
    case mciPegasus: return ReadPegasus();
    case mciPMMail: return ReadPMMail(SubName);
    case mciOpera: return ReadOpera();
    case mciPlr: return ReadMailboxesClient("Pellorin Assistant", "Pellorin");
    case mciEmx: return ReadMailboxesClient("E-mail Examiner", "MailEx");
    default: return std::string();
    }
}

}  // namespace

std::string ClientNameOf(int Id)
{
    for (const TClientName& c : ClientNames)
        if (c.Id == Id)
            return c.Name;
    return std::string();
}

int ClientIdOf(const std::string& Name)
{
    if (Name.size() < 2)
        return mciNone;
    if (SameTextStr(Name, "Barca"))
        return mciPocoMail;
    for (const TClientName& c : ClientNames)
        if (SameTextStr(Name, c.Name))
            return c.Id;
    return mciNone;
}

std::string GetClientMailFolderById(int Id, const std::string& SubName, int Mode)
{
    std::string r = RunReader(Id, SubName, Mode);
    if (!r.empty() && r.back() == '\\')
        r.pop_back();
    return !r.empty() && FolderExists(r) ? r : std::string();
}

std::string GetClientMailFolder(const std::string& ClientName, const std::string& SubName, int Mode)
{
    if (ClientName.empty())
        return std::string();
    std::string candidate;
    const std::string tokens = FindFileInFolders("Tokens.ini");
    if (!tokens.empty()) {
        candidate = ExpandPathMacros(IniValue(tokens, "Tokens", ClientName));
        if (!candidate.empty() && candidate.back() == '\\')
            candidate.pop_back();
    }
    if (candidate.empty())
        return GetClientMailFolderById(ClientIdOf(ClientName), SubName, Mode);
    if (!FolderExists(candidate)) {
        const std::string found = GetClientMailFolderById(ClientIdOf(ClientName), SubName, Mode);
        if (!found.empty())
            return found;
    }
    return candidate;
}
