#pragma once
// Where the installed mail clients keep their stores: from the registry,
// the clients' own ini and profile files, or the override file
// "Tokens.ini". Every answer is an existing folder without a trailing
// backslash, or an empty text.

#include <string>

// Tests move every registry read below HKEY_CURRENT_USER\<this>\<root name>
// (for example "Software\Test\HKEY_LOCAL_MACHINE\Software\X"); empty reads
// the real keys.
extern std::string MailRegistryBase;

std::string ClientNameOf(int Id);
int ClientIdOf(const std::string& Name);

// SubName names a profile, identity or account where the client has them;
// Mode 1 asks for the folder that holds the local folders.
std::string GetClientMailFolder(const std::string& ClientName, const std::string& SubName = std::string(),
                                int Mode = 0);
std::string GetClientMailFolderById(int Id, const std::string& SubName = std::string(), int Mode = 0);
