#pragma once
// Puts a function of the test's own in place of one the test program
// imports from a DLL, for as long as the hook lives: a test counts the
// system calls the code under test makes through the program's import
// table. Original() is the function replaced.

#include <windows.h>

#include <cstring>

class TImportHook {
public:
    TImportHook(const char* Dll, const char* Name, void* Replacement)
    {
        auto* Base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
        const auto* Nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            Base + reinterpret_cast<const IMAGE_DOS_HEADER*>(Base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& Dir = Nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* Import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(Base + Dir.VirtualAddress);
             Import->Name != 0 && !FSlot; ++Import) {
            if (lstrcmpiA(reinterpret_cast<const char*>(Base + Import->Name), Dll) != 0)
                continue;
            const auto* Names = reinterpret_cast<const IMAGE_THUNK_DATA*>(Base + Import->OriginalFirstThunk);
            auto* Slots = reinterpret_cast<IMAGE_THUNK_DATA*>(Base + Import->FirstThunk);
            for (; Names->u1.AddressOfData != 0; ++Names, ++Slots) {
                if (IMAGE_SNAP_BY_ORDINAL(Names->u1.Ordinal))
                    continue;
                const auto* ByName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(Base + Names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(ByName->Name), Name) == 0) {
                    FSlot = reinterpret_cast<void**>(&Slots->u1.Function);
                    break;
                }
            }
        }
        if (FSlot) {
            FOriginal = *FSlot;
            Put(Replacement);
        }
    }
    ~TImportHook()
    {
        if (FSlot)
            Put(FOriginal);
    }
    TImportHook(const TImportHook&) = delete;
    TImportHook& operator=(const TImportHook&) = delete;

    // False when the program does not import the function.
    bool Hooked() const { return FSlot != nullptr; }
    void* Original() const { return FOriginal; }

private:
    void Put(void* Function)
    {
        DWORD Old = 0;
        VirtualProtect(FSlot, sizeof(void*), PAGE_READWRITE, &Old);
        *FSlot = Function;
        VirtualProtect(FSlot, sizeof(void*), Old, &Old);
    }

    void** FSlot = nullptr;
    void* FOriginal = nullptr;
};
