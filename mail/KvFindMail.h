#pragma once
// Where the installed mail clients keep their stores: from the registry,
// the clients' own ini and profile files, or the override file
// "Tokens.ini". Every answer is an existing folder without a trailing
// backslash, or an empty text.

#include <string>

// Tests move every registry read below HKEY_CURRENT_USER\<this>\<root name>
// (for example "Software\Test\HKEY_LOCAL_MACHINE\Software\X"); empty reads
// the real keys.
extern std::string GMailRegistryBase;

// The mail clients whose stores are found, by the ids stored settings and
// the format table use.
enum : int {
    mciNone = 0,
    mciOutlookExpress = 1,
    mciWindowsMail = 2,
    mciWindowsLiveMail = 3,
    mciOutlook = 4,
    mciThunderbird = 5,
    mciSeaMonkey = 6,
    mciMozilla = 7,
    mciNetscape = 8,
    mciEudora = 9,
    mciPocoMail = 10,
    mciTheBat = 11,
    mciAgent = 12,
    mciCalypso = 13,
    mciFoxMail = 14,
    mciPegasus = 15,
    mciPMMail = 16,
    mciOpera = 17,
    mciPlr = 22,
    mciEmx = 23,
};

std::string ClientNameOf(int Id);
int ClientIdOf(const std::string& Name);

// Which folder of a client's store GetClientMailFolder answers.
enum : int {
    cfmStore = 0,         // the store (profile, identity or account) folder
    cfmLocalFolders = 1,  // the folder that holds the local folders
};

// SubName names a profile, identity or account where the client has them.
std::string GetClientMailFolder(const std::string& ClientName, const std::string& SubName = std::string(),
                                int Mode = cfmStore);
std::string GetClientMailFolderById(int Id, const std::string& SubName = std::string(), int Mode = cfmStore);
