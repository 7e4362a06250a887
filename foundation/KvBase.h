#pragma once
// Base of the string routines: the character set type, path slashes, the
// replaceable path hooks and the program-wide accessibility flags.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// A set of 256 byte values.
class TCharSet {
public:
    constexpr TCharSet() = default;
    TCharSet(std::string_view Chars);            // every byte of Chars
    TCharSet(const char* Chars) : TCharSet(std::string_view(Chars)) {}
    static TCharSet Range(unsigned char First, unsigned char Last);

    bool Contains(char Ch) const
    {
        const unsigned char b = static_cast<unsigned char>(Ch);
        return (FBits[b >> 5] >> (b & 31)) & 1u;
    }
    TCharSet& Add(char Ch);
    TCharSet& AddRange(unsigned char First, unsigned char Last);
    TCharSet& Remove(char Ch);
    TCharSet operator+(const TCharSet& Other) const;
    TCharSet operator-(const TCharSet& Other) const;
    bool operator==(const TCharSet& Other) const = default;
    bool Empty() const;

private:
    std::uint32_t FBits[8] = {};
};

std::string AddTrailingBackslash(const std::string& Path);
std::string ExcludeTrailingSlash(const std::string& Path);
bool HasTrailingSlash(const std::string& S);

// The two path hooks of AdjustPortablePath; empty until the application
// settings install them.
using TPathHook = std::function<std::string(const std::string&)>;
extern TPathHook GFilePathHook;    // used when ToPortable is true
extern TPathHook GFolderPathHook;  // used when ToPortable is false
std::string AdjustPortablePath(const std::string& Path, bool ToPortable);

// Program-wide accessibility flags, set by the application shell.
extern bool GAppHighContrast;
extern bool GAppScreenReader;
bool AccessibilityModeOn();

// Clears the variable before the object goes, so a destructor that looks
// back at the variable never sees a dangling pointer. Class-library objects
// go through their own Free.
template <class T>
void FreeAndClear(T*& Obj)
{
    T* old = Obj;
    Obj = nullptr;
    if (!old)
        return;
    if constexpr (requires { old->Free(); })
        old->Free();
    else
        delete old;
}
