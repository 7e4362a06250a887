#include "foundation/DECUtil.h"

#include <algorithm>

int GStreamBufferSize = 8192;
const unsigned char WipeBytes[4] = {0x55, 0xAA, 0xFF, 0x00};

void TDECObject::operator delete(void* Ptr, std::size_t Size)
{
    // Keys and digests must not linger in freed heap blocks; a volatile
    // store keeps the compiler from dropping the fill as dead.
    volatile unsigned char* p = static_cast<volatile unsigned char*>(Ptr);
    for (std::size_t i = 0; i < Size; ++i)
        p[i] = 0;
    ::operator delete(Ptr);
}

int EffectiveStreamBufferSize()
{
    return GStreamBufferSize > 0 ? GStreamBufferSize : 8192;
}

namespace {

// Lives for the whole program; nothing unregisters after the unit is gone.
std::vector<TDECClassEntry>& ClassList()
{
    static std::vector<TDECClassEntry> list;
    return list;
}

HMODULE ModuleOfAddress(const void* Address)
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(Address), &module))
        return nullptr;
    return module;
}

} // namespace

void RegisterDECClass(const std::string& Name, TDECObject* (*Create)())
{
    auto& list = ClassList();
    HMODULE module = ModuleOfAddress(reinterpret_cast<const void*>(Create));
    for (auto& e : list)
        if (e.Name == Name) {
            e.Create = Create;
            e.Module = module;
            return;
        }
    list.push_back({Name, Create, module});
}

void UnregisterModuleClasses(HMODULE Module)
{
    auto& list = ClassList();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [Module](const TDECClassEntry& e) { return e.Module == Module; }),
               list.end());
}

const TDECClassEntry* FindDECClass(const std::string& Name)
{
    for (const auto& e : ClassList())
        if (e.Name == Name)
            return &e;
    return nullptr;
}

const std::vector<TDECClassEntry>& RegisteredDECClasses()
{
    return ClassList();
}

std::string DECClassShortName(const std::string& ClassName)
{
    const auto p = ClassName.find('_');
    return p == std::string::npos ? ClassName : ClassName.substr(p + 1);
}

std::string DECClassShortName(const TObject* Obj)
{
    return Obj ? DECClassShortName(Obj->ClassName()) : std::string();
}

namespace {

bool IsReadable(const void* Ptr, std::size_t Size, bool InImage)
{
    if (!Ptr)
        return false;
    const auto start = reinterpret_cast<std::uintptr_t>(Ptr);
    std::uintptr_t at = start;
    while (at < start + Size) {
        MEMORY_BASIC_INFORMATION mbi;
        if (VirtualQuery(reinterpret_cast<const void*>(at), &mbi, sizeof(mbi)) == 0)
            return false;
        const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                               PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
        if (mbi.State != MEM_COMMIT || (mbi.Protect & PAGE_GUARD) || !(mbi.Protect & readable))
            return false;
        if (InImage && mbi.Type != MEM_IMAGE)
            return false;
        at = reinterpret_cast<std::uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
    }
    return true;
}

} // namespace

bool LooksLikeObject(const void* Ptr)
{
    if (!IsReadable(Ptr, sizeof(void*), false))
        return false;
    // The class table and the type record before it live in a module image.
    const void* const* vtable = *static_cast<const void* const* const*>(Ptr);
    if (!IsReadable(vtable - 1, 2 * sizeof(void*), true))
        return false;
    return IsReadable(vtable[-1], sizeof(void*), true);
}

void WipeBuffer(void* Buffer, std::size_t Size)
{
    if (!Buffer)
        return;
    volatile unsigned char* p = static_cast<volatile unsigned char*>(Buffer);
    for (unsigned char b : WipeBytes)
        for (std::size_t i = 0; i < Size; ++i)
            p[i] = b;
}

void WipeString(std::string& S)
{
    // std::string never shares its bytes, so they are ours to overwrite.
    if (!S.empty())
        WipeBuffer(S.data(), S.size());
    S.clear();
}
