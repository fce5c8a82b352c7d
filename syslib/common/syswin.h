// The one place that includes <windows.h>, with the defines every Windows file of the library relies
// on, and the owners of the Windows resources: every HANDLE, HKEY, find handle, module, LocalAlloc'ed
// buffer, allocated SID, Net* buffer, COM pointer and BSTR is wrapped here the moment it exists.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN // keeps winsock.h out, so the network code can include winsock2.h
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif

#include <windows.h>
#include <lmcons.h>
#include <lmapibuf.h>
#include <oleauto.h>
#include <unknwn.h>
#include <userenv.h>

#include <utility>

namespace syslib
{
// A move-only owner of one Windows resource; Traits says what is invalid and how to free it.
template <class Traits>
class CSyWinResource
{
public:
    typedef typename Traits::type value_type;

    CSyWinResource() : m_value(Traits::invalid()) {}
    explicit CSyWinResource(value_type value) : m_value(value) {}
    CSyWinResource(CSyWinResource&& other) noexcept : m_value(other.detach()) {}
    CSyWinResource& operator=(CSyWinResource&& other) noexcept
    {
        reset(other.detach());
        return *this;
    }
    CSyWinResource(const CSyWinResource&) = delete;
    CSyWinResource& operator=(const CSyWinResource&) = delete;
    ~CSyWinResource() { reset(); }

    value_type get() const { return m_value; }
    bool isValid() const { return Traits::isValid(m_value); }
    explicit operator bool() const { return isValid(); }

    void reset(value_type value = Traits::invalid())
    {
        if (Traits::isValid(m_value))
            Traits::free(m_value);
        m_value = value;
    }
    value_type detach()
    {
        value_type value = m_value;
        m_value = Traits::invalid();
        return value;
    }
    // For out parameters: frees what is held and hands out the address to fill.
    value_type* receive()
    {
        reset();
        return &m_value;
    }

private:
    value_type m_value;
};

struct CSyKernelHandleTraits
{
    typedef HANDLE type;
    static HANDLE invalid() { return nullptr; }
    static bool isValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void free(HANDLE h) { ::CloseHandle(h); }
};

struct CSyFindHandleTraits
{
    typedef HANDLE type;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool isValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void free(HANDLE h) { ::FindClose(h); }
};

struct CSyVolumeFindHandleTraits
{
    typedef HANDLE type;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool isValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void free(HANDLE h) { ::FindVolumeClose(h); }
};

struct CSyRegKeyTraits
{
    typedef HKEY type;
    static HKEY invalid() { return nullptr; }
    static bool isValid(HKEY key) { return key != nullptr; }
    static void free(HKEY key) { ::RegCloseKey(key); }
};

struct CSyModuleTraits
{
    typedef HMODULE type;
    static HMODULE invalid() { return nullptr; }
    static bool isValid(HMODULE module) { return module != nullptr; }
    static void free(HMODULE module) { ::FreeLibrary(module); }
};

struct CSyWindowStationTraits
{
    typedef HWINSTA type;
    static HWINSTA invalid() { return nullptr; }
    static bool isValid(HWINSTA h) { return h != nullptr; }
    static void free(HWINSTA h) { ::CloseWindowStation(h); }
};

struct CSyDesktopTraits
{
    typedef HDESK type;
    static HDESK invalid() { return nullptr; }
    static bool isValid(HDESK h) { return h != nullptr; }
    static void free(HDESK h) { ::CloseDesktop(h); }
};

template <class T>
struct CSyLocalMemTraits
{
    typedef T type;
    static T invalid() { return nullptr; }
    static bool isValid(T p) { return p != nullptr; }
    static void free(T p) { ::LocalFree(reinterpret_cast<HLOCAL>(p)); }
};

// SIDs from AllocateAndInitializeSid.
struct CSyAllocatedSidTraits
{
    typedef PSID type;
    static PSID invalid() { return nullptr; }
    static bool isValid(PSID sid) { return sid != nullptr; }
    static void free(PSID sid) { ::FreeSid(sid); }
};

// The block from GetEnvironmentStringsW.
struct CSyEnvironmentStringsTraits
{
    typedef wchar_t* type;
    static wchar_t* invalid() { return nullptr; }
    static bool isValid(wchar_t* block) { return block != nullptr; }
    static void free(wchar_t* block) { ::FreeEnvironmentStringsW(block); }
};

struct CSyBstrTraits
{
    typedef BSTR type;
    static BSTR invalid() { return nullptr; }
    static bool isValid(BSTR s) { return s != nullptr; }
    static void free(BSTR s) { ::SysFreeString(s); }
};

// Buffers the Net* functions hand out.
struct CSyNetApiBufferTraits
{
    typedef LPBYTE type;
    static LPBYTE invalid() { return nullptr; }
    static bool isValid(LPBYTE p) { return p != nullptr; }
    static void free(LPBYTE p) { ::NetApiBufferFree(p); }
};

typedef CSyWinResource<CSyKernelHandleTraits> CSyKernelHandle;
typedef CSyWinResource<CSyFindHandleTraits> CSyFindHandle;
typedef CSyWinResource<CSyVolumeFindHandleTraits> CSyVolumeFindHandle;
typedef CSyWinResource<CSyRegKeyTraits> CSyRegKey;
typedef CSyWinResource<CSyModuleTraits> CSyModule;
typedef CSyWinResource<CSyWindowStationTraits> CSyWindowStation;
typedef CSyWinResource<CSyDesktopTraits> CSyDesktop;
typedef CSyWinResource<CSyAllocatedSidTraits> CSyAllocatedSid;
typedef CSyWinResource<CSyBstrTraits> CSyBstr;
typedef CSyWinResource<CSyNetApiBufferTraits> CSyNetApiBuffer;
typedef CSyWinResource<CSyEnvironmentStringsTraits> CSyEnvironmentStrings;
template <class T>
using CSyLocalMem = CSyWinResource<CSyLocalMemTraits<T>>;

// Added to every open of a key below HKEY_LOCAL_MACHINE: the values Windows itself reads (the logon,
// RunOnce, the network cards) and the machine-wide state of the stand-ins live in the 64-bit view, and a
// 32-bit process under WOW64 would otherwise reach HKLM\Software\Wow6432Node. 32-bit Windows ignores it.
const REGSAM nativeRegistryView = KEY_WOW64_64KEY;

// A COM interface pointer: Release on every path.
template <class T>
class CSyComPtr
{
public:
    CSyComPtr() : m_p(nullptr) {}
    explicit CSyComPtr(T* p) : m_p(p) {} // takes over a reference
    CSyComPtr(const CSyComPtr& other) : m_p(other.m_p)
    {
        if (m_p)
            m_p->AddRef();
    }
    CSyComPtr(CSyComPtr&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    CSyComPtr& operator=(CSyComPtr other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~CSyComPtr() { reset(); }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void reset()
    {
        if (m_p)
            m_p->Release();
        m_p = nullptr;
    }
    T** receive()
    {
        reset();
        return &m_p;
    }
    void** receiveVoid() { return reinterpret_cast<void**>(receive()); }

private:
    T* m_p;
};

// An automation value: VariantClear on every path (it may own a BSTR, an array or an interface).
class CSyVariant
{
public:
    CSyVariant() { ::VariantInit(&m_value); }
    ~CSyVariant() { ::VariantClear(&m_value); }
    CSyVariant(const CSyVariant&) = delete;
    CSyVariant& operator=(const CSyVariant&) = delete;

    VARIANT& get() { return m_value; }
    const VARIANT& get() const { return m_value; }
    VARIANT* receive()
    {
        ::VariantClear(&m_value);
        return &m_value;
    }
    void clear() { ::VariantClear(&m_value); }

private:
    VARIANT m_value;
};

// Sets the process's error mode for a scope (SEM_FAILCRITICALERRORS keeps "insert a disk" boxes away).
class CSyErrorModeGuard
{
public:
    explicit CSyErrorModeGuard(UINT mode) : m_previous(::SetErrorMode(mode)) {}
    ~CSyErrorModeGuard() { ::SetErrorMode(m_previous); }
    CSyErrorModeGuard(const CSyErrorModeGuard&) = delete;
    CSyErrorModeGuard& operator=(const CSyErrorModeGuard&) = delete;

private:
    UINT m_previous;
};

// Ends the calling thread's impersonation when the scope is left, if it was armed.
class CSyRevertToSelfGuard
{
public:
    CSyRevertToSelfGuard() : m_armed(false) {}
    ~CSyRevertToSelfGuard() { revert(); }
    CSyRevertToSelfGuard(const CSyRevertToSelfGuard&) = delete;
    CSyRevertToSelfGuard& operator=(const CSyRevertToSelfGuard&) = delete;
    void arm() { m_armed = true; }
    // For an impersonation that someone else has ended already.
    void disarm() { m_armed = false; }
    // False when the revert failed; the guard is disarmed either way.
    bool revert()
    {
        if (!m_armed)
            return true;
        m_armed = false;
        return ::RevertToSelf() != FALSE;
    }

private:
    bool m_armed;
};

// Keeps the thread's last error across cleanup code that may change it.
class CSyLastErrorKeeper
{
public:
    CSyLastErrorKeeper() : m_error(::GetLastError()) {}
    ~CSyLastErrorKeeper() { ::SetLastError(m_error); }
    DWORD error() const { return m_error; }

private:
    DWORD m_error;
};

// Blocks from CreateEnvironmentBlock.
struct CSyEnvironmentBlockTraits
{
    typedef void* type;
    static void* invalid() { return nullptr; }
    static bool isValid(void* block) { return block != nullptr; }
    static void free(void* block) { ::DestroyEnvironmentBlock(block); }
};
typedef CSyWinResource<CSyEnvironmentBlockTraits> CSyEnvironmentBlock;
} // namespace syslib
