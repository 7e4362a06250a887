#include "foundation/KvBase.h"

TCharSet::TCharSet(std::string_view Chars)
{
    for (char c : Chars)
        Add(c);
}

TCharSet TCharSet::Range(unsigned char First, unsigned char Last)
{
    TCharSet s;
    s.AddRange(First, Last);
    return s;
}

TCharSet& TCharSet::Add(char Ch)
{
    const unsigned char b = static_cast<unsigned char>(Ch);
    FBits[b >> 5] |= 1u << (b & 31);
    return *this;
}

TCharSet& TCharSet::AddRange(unsigned char First, unsigned char Last)
{
    for (unsigned b = First; b <= Last; ++b)
        Add(static_cast<char>(b));
    return *this;
}

TCharSet& TCharSet::Remove(char Ch)
{
    const unsigned char b = static_cast<unsigned char>(Ch);
    FBits[b >> 5] &= ~(1u << (b & 31));
    return *this;
}

TCharSet TCharSet::operator+(const TCharSet& Other) const
{
    TCharSet s = *this;
    for (int i = 0; i < 8; ++i)
        s.FBits[i] |= Other.FBits[i];
    return s;
}

TCharSet TCharSet::operator-(const TCharSet& Other) const
{
    TCharSet s = *this;
    for (int i = 0; i < 8; ++i)
        s.FBits[i] &= ~Other.FBits[i];
    return s;
}

bool TCharSet::Empty() const
{
    for (std::uint32_t w : FBits)
        if (w)
            return false;
    return true;
}

bool HasTrailingSlash(const std::string& S)
{
    return !S.empty() && (S.back() == '\\' || S.back() == '/');
}

std::string AddTrailingBackslash(const std::string& Path)
{
    if (Path.empty() || HasTrailingSlash(Path))
        return Path;
    return Path + '\\';
}

std::string ExcludeTrailingSlash(const std::string& Path)
{
    if (HasTrailingSlash(Path))
        return Path.substr(0, Path.size() - 1);
    return Path;
}

TPathHook GFilePathHook;
TPathHook GFolderPathHook;

std::string AdjustPortablePath(const std::string& Path, bool ToPortable)
{
    const TPathHook& hook = ToPortable ? GFilePathHook : GFolderPathHook;
    return hook ? hook(Path) : Path;
}

bool GAppHighContrast = false;
bool GAppScreenReader = false;

bool AccessibilityModeOn()
{
    return GAppScreenReader || GAppHighContrast;
}
