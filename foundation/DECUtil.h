#pragma once
// Base of the digest and data-format classes: the exception, the wiping
// object base, the class registry and the wipe routines.

#include "classlib/Classes.h"
#include "classlib/SysUtils.h"

#include <cstddef>
#include <string>
#include <vector>

class EDECException : public Exception { public: using Exception::Exception; };

class TDECObject : public TPersistent {
public:
    TDECObject() = default;
    // Instances are zero-filled before their memory goes back to the heap.
    static void operator delete(void* Ptr, std::size_t Size);
};

// A registered class: its name and a factory of new instances.
struct TDECClassEntry {
    std::string Name;
    TDECObject* (*Create)();
    HMODULE Module;  // the module that holds the factory
};

// Unit-level values.
extern int GStreamBufferSize;                  // read size of stream hashing; <= 0 means 8192
extern const unsigned char WipeBytes[4];      // 0x55, 0xAA, 0xFF, 0x00
int EffectiveStreamBufferSize();

void RegisterDECClass(const std::string& Name, TDECObject* (*Create)());
void UnregisterModuleClasses(HMODULE Module);  // a module about to be unloaded
const TDECClassEntry* FindDECClass(const std::string& Name);  // null when unknown
const std::vector<TDECClassEntry>& RegisteredDECClasses();

// The class name from just after its first "_" ("TFormat_HEX" gives "HEX");
// the whole name when it has none.
std::string DECClassShortName(const std::string& ClassName);
std::string DECClassShortName(const TObject* Obj);

// True when Ptr points at a live object of class T. A pointer that can't be
// read, or whose first word is no class table inside a loaded module,
// answers false instead of faulting.
bool LooksLikeObject(const void* Ptr);
template <class T>
bool IsObject(const void* Ptr)
{
    return LooksLikeObject(Ptr) &&
           dynamic_cast<const T*>(static_cast<const TObject*>(Ptr)) != nullptr;
}

// Overwrites Size bytes four times, once with each of the wipe bytes.
void WipeBuffer(void* Buffer, std::size_t Size);
// Wipes the string's bytes and empties it.
void WipeString(std::string& S);
