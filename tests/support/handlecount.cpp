#include "handlecount.h"

#include "syslib/common/sylock.h"
#include "syslib/common/syswin.h"

#include <winternl.h>

#include <algorithm>
#include <mutex>
#include <set>

namespace
{
std::set<std::uintptr_t>& excusedHandles()
{
    static std::set<std::uintptr_t> handles;
    return handles;
}

// The runtime's lock events now open; written from any thread the runtime runs on.
syslib::CSyLock runtimeEventsLock;
std::set<std::uintptr_t>& runtimeLockEvents()
{
    static std::set<std::uintptr_t>* const events = new std::set<std::uintptr_t>;
    return *events;
}

decltype(&::CreateEventA) realCreateEventA = nullptr;
decltype(&::CloseHandle) realCloseHandle = nullptr;

HANDLE WINAPI runtimeCreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCSTR name)
{
    const HANDLE event = realCreateEventA(security, manualReset, initialState, name);
    // A lock's event: unnamed and resetting itself (a thread's start event is reset by hand and closed).
    if (event != nullptr && !manualReset && name == nullptr)
    {
        const std::lock_guard<syslib::CSyLock> lock(runtimeEventsLock);
        runtimeLockEvents().insert(reinterpret_cast<std::uintptr_t>(event));
    }
    return event;
}

BOOL WINAPI runtimeCloseHandle(HANDLE handle)
{
    {
        const std::lock_guard<syslib::CSyLock> lock(runtimeEventsLock);
        runtimeLockEvents().erase(reinterpret_cast<std::uintptr_t>(handle));
    }
    return realCloseHandle(handle);
}

bool isRuntimeLockEvent(std::uintptr_t handle)
{
    const std::lock_guard<syslib::CSyLock> lock(runtimeEventsLock);
    return runtimeLockEvents().count(handle) != 0;
}

// Points the module's import of KERNEL32!name at replacement; the import it had before, or null.
void* redirectImport(HMODULE module, const char* name, void* replacement)
{
    BYTE* const base = reinterpret_cast<BYTE*>(module);
    const IMAGE_NT_HEADERS* const headers =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return nullptr;
    for (const IMAGE_IMPORT_DESCRIPTOR* library =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         library->Name != 0; ++library)
    {
        if (::lstrcmpiA(reinterpret_cast<const char*>(base + library->Name), "KERNEL32.dll") != 0 ||
            library->OriginalFirstThunk == 0)
            continue;
        const IMAGE_THUNK_DATA* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        IMAGE_THUNK_DATA* bound = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++bound)
        {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const IMAGE_IMPORT_BY_NAME* import =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (::lstrcmpA(reinterpret_cast<const char*>(import->Name), name) != 0)
                continue;
            DWORD protection = 0;
            if (!::VirtualProtect(&bound->u1.Function, sizeof(bound->u1.Function), PAGE_READWRITE, &protection))
                return nullptr;
            void* const previous = reinterpret_cast<void*>(bound->u1.Function);
            bound->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            ::VirtualProtect(&bound->u1.Function, sizeof(bound->u1.Function), protection, &protection);
            return previous;
        }
    }
    return nullptr;
}
} // namespace

std::vector<std::uintptr_t> openHandles()
{
    // Handles are handed out lowest first: once 256 values in a row are no handle, none above is.
    std::vector<std::uintptr_t> handles;
    const std::uintptr_t step = 4;
    for (std::uintptr_t value = step, unused = 0; unused < 256; value += step)
    {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
        {
            if (!excusedHandles().count(value) && !isRuntimeLockEvent(value))
                handles.push_back(value);
            unused = 0;
        }
        else
            ++unused;
    }
    return handles;
}

void excuseHandlesOpenedSince(const std::vector<std::uintptr_t>& before)
{
    for (const std::uintptr_t handle : openHandles())
        if (!std::binary_search(before.begin(), before.end(), handle))
            excusedHandles().insert(handle);
}

void excuseThreadRuntimeLockEvents()
{
    // A runtime linked in statically has no imports of its own to watch: its events count as any others.
    const HMODULE runtime = ::GetModuleHandleW(L"libwinpthread-1.dll");
    if (runtime == nullptr || realCreateEventA != nullptr)
        return;
    realCloseHandle = &::CloseHandle;
    if (redirectImport(runtime, "CloseHandle", reinterpret_cast<void*>(&runtimeCloseHandle)) == nullptr)
        return;
    realCreateEventA = reinterpret_cast<decltype(&::CreateEventA)>(
        redirectImport(runtime, "CreateEventA", reinterpret_cast<void*>(&runtimeCreateEventA)));
}

std::string handleType(std::uintptr_t handle)
{
    typedef NTSTATUS(NTAPI * QueryObject)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    const QueryObject query =
        reinterpret_cast<QueryObject>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"),
                                                                               "NtQueryObject")));
    alignas(PUBLIC_OBJECT_TYPE_INFORMATION) unsigned char buffer[1024];
    ULONG length = 0;
    if (query == nullptr ||
        query(reinterpret_cast<HANDLE>(handle), ObjectTypeInformation, buffer, sizeof(buffer), &length) < 0)
        return std::string();
    const UNICODE_STRING& name = reinterpret_cast<const PUBLIC_OBJECT_TYPE_INFORMATION*>(buffer)->TypeName;
    std::string text;
    for (USHORT i = 0; i < name.Length / sizeof(wchar_t); ++i)
        text += static_cast<char>(name.Buffer[i] < 0x80 ? name.Buffer[i] : '?');
    return text;
}
