#pragma once
// COM start-up of the shell units, and the interface shells that let a class
// implement a shell interface table with counting of its own choosing.
#include <windows.h>
#include <shlobj.h>

// C++ interfaces are already plain abstract classes with their operations in
// the order of the Windows tables, and counting is left to the implementer;
// these names mark a class that implements the table itself.
using IUnknown_NRC = IUnknown;
using IShellFolder_NRC = IShellFolder;
using IShellDetails_NRC = IShellDetails;

// Whether CoInitialize succeeded at start-up (and CoUninitialize will run
// at shut-down).
bool ShellComInitialized();
