#include "callcount.h"

#include "syslib/common/syswin.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <sys/utime.h>
#include <utility>
#include <vector>

namespace
{
struct CCounted
{
    const char* name;
    void* replacement;
    void* original;
    std::atomic<long long> calls;
    std::atomic<long long> ticks; // performance-counter ticks spent inside the function
};

extern CCounted g_counted[];

// Adds the ticks of its lifetime to a counter.
class CTicks
{
public:
    explicit CTicks(std::atomic<long long>& sum) : m_sum(sum) { ::QueryPerformanceCounter(&m_start); }
    ~CTicks()
    {
        LARGE_INTEGER end;
        ::QueryPerformanceCounter(&end);
        m_sum += end.QuadPart - m_start.QuadPart;
    }

private:
    std::atomic<long long>& m_sum;
    LARGE_INTEGER m_start;
};

template <int Id, class F>
struct CHook;

// One wrapper a function (Id: its place in g_counted): counts, then calls what the import table held.
#define SY_HOOK(CONVENTION)                                                                                  \
    template <int Id, class R, class... A>                                                                 \
    struct CHook<Id, R(CONVENTION*)(A...)>                                                                 \
    {                                                                                                      \
        static R CONVENTION call(A... arguments)                                                           \
        {                                                                                                  \
            ++g_counted[Id].calls;                                                                         \
            CTicks ticks(g_counted[Id].ticks);                                                             \
            return reinterpret_cast<R(CONVENTION*)(A...)>(g_counted[Id].original)(arguments...);           \
        }                                                                                                  \
    };
SY_HOOK(WINAPI)
#ifndef _WIN64
// On x86 the runtime's functions (_wstat64, ...) are cdecl and the system's stdcall: two pointer types.
SY_HOOK(__cdecl)
#endif

#define SY_COUNTED(id, function) {#function, reinterpret_cast<void*>(&CHook<id, decltype(&::function)>::call), nullptr, {0}, {0}}

CCounted g_counted[] = {
    SY_COUNTED(0, FindFirstFileW),        SY_COUNTED(1, FindFirstFileExW),    SY_COUNTED(2, FindNextFileW),
    SY_COUNTED(3, GetFullPathNameW),      SY_COUNTED(4, GetLongPathNameW),    SY_COUNTED(5, GetShortPathNameW),
    SY_COUNTED(6, GetFileAttributesW),    SY_COUNTED(7, GetFileAttributesExW), SY_COUNTED(8, SetFileAttributesW),
    SY_COUNTED(9, CopyFileW),             SY_COUNTED(10, CopyFileExW),        SY_COUNTED(11, CreateFileW),
    SY_COUNTED(12, CreateDirectoryW),     SY_COUNTED(13, DeleteFileW),        SY_COUNTED(14, RemoveDirectoryW),
    SY_COUNTED(15, MoveFileExW),          SY_COUNTED(16, GetVolumeInformationW), SY_COUNTED(17, GetVolumePathNameW),
    SY_COUNTED(18, SetFileTime),          SY_COUNTED(19, GetFileTime),        SY_COUNTED(20, _stat64),
    SY_COUNTED(21, _wstat64),             SY_COUNTED(22, _utime64),           SY_COUNTED(23, _wutime64),
    SY_COUNTED(24, GetFileInformationByHandle), SY_COUNTED(25, GetFinalPathNameByHandleW),
    SY_COUNTED(26, CloseHandle)};
const int countedFunctions = sizeof(g_counted) / sizeof(g_counted[0]);

// The import address table slots of the program, by imported name.
std::vector<std::pair<const char*, void**>> importSlots()
{
    std::vector<std::pair<const char*, void**>> slots;
    auto* base = reinterpret_cast<unsigned char*>(::GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return slots;
    for (auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import)
    {
        if (import->OriginalFirstThunk == 0)
            continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++addresses)
        {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            slots.emplace_back(reinterpret_cast<const char*>(byName->Name),
                               reinterpret_cast<void**>(&addresses->u1.Function));
        }
    }
    return slots;
}

void writeSlot(void** slot, void* value)
{
    DWORD previous = 0;
    ::VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &previous);
    *slot = value;
    ::VirtualProtect(slot, sizeof(void*), previous, &previous);
}
} // namespace

namespace bench
{
CFileCallCounter::CFileCallCounter()
{
    for (const auto& slot : importSlots())
        for (CCounted& counted : g_counted)
            if (std::strcmp(slot.first, counted.name) == 0 && counted.original == nullptr)
            {
                counted.original = *slot.second;
                writeSlot(slot.second, counted.replacement);
                ++m_hooked;
            }
    reset();
}

CFileCallCounter::~CFileCallCounter()
{
    for (const auto& slot : importSlots())
        for (CCounted& counted : g_counted)
            if (std::strcmp(slot.first, counted.name) == 0 && counted.original != nullptr)
                writeSlot(slot.second, counted.original);
    for (CCounted& counted : g_counted)
        counted.original = nullptr;
}

void CFileCallCounter::reset()
{
    for (CCounted& counted : g_counted)
    {
        counted.calls = 0;
        counted.ticks = 0;
    }
}

long long CFileCallCounter::total() const
{
    long long sum = 0;
    for (const CCounted& counted : g_counted)
        sum += counted.calls;
    return sum;
}

std::string CFileCallCounter::breakdown() const
{
    std::vector<const CCounted*> used;
    for (const CCounted& counted : g_counted)
        if (counted.calls != 0)
            used.push_back(&counted);
    std::sort(used.begin(), used.end(), [](const CCounted* a, const CCounted* b) { return a->calls > b->calls; });
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    std::string text;
    for (const CCounted* call : used)
    {
        char milliseconds[32];
        std::snprintf(milliseconds, sizeof(milliseconds), " (%.0f ms)",
                      static_cast<double>(call->ticks.load()) * 1000.0 / static_cast<double>(frequency.QuadPart));
        text += (text.empty() ? "" : ", ") + std::string(call->name) + " " + std::to_string(call->calls.load()) +
                milliseconds;
    }
    return text;
}
} // namespace bench
