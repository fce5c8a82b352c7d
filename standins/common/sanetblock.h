// Buffers as the Net* functions hand them out: one NetApiBufferAllocate block that the caller frees.
#pragma once

#include "syslib/common/syswin.h"

#include <lm.h>

#include <cstring>
#include <string>
#include <vector>

namespace standins
{
// One NetApiBufferAllocate block for a structure followed by the texts and SIDs it points to.
template <class T>
class CNetBlock
{
public:
    explicit CNetBlock(DWORD extra)
    {
        void* block = nullptr;
        if (::NetApiBufferAllocate(sizeof(T) + extra, &block) == NERR_Success)
        {
            std::memset(block, 0, sizeof(T) + extra);
            m_base = static_cast<BYTE*>(block);
            m_next = m_base + sizeof(T);
        }
    }
    bool ok() const { return m_base != nullptr; }
    T* get() { return reinterpret_cast<T*>(m_base); }
    wchar_t* add(const std::wstring& value)
    {
        wchar_t* p = reinterpret_cast<wchar_t*>(m_next);
        std::memcpy(p, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
        m_next += (value.size() + 1) * sizeof(wchar_t);
        return p;
    }
    PSID add(const std::vector<BYTE>& sid)
    {
        BYTE* p = m_next;
        std::memcpy(p, sid.data(), sid.size());
        m_next += sid.size();
        return p;
    }
    LPBYTE release()
    {
        BYTE* p = m_base;
        m_base = nullptr;
        return p;
    }
    ~CNetBlock()
    {
        if (m_base)
            ::NetApiBufferFree(m_base);
    }

private:
    BYTE* m_base = nullptr;
    BYTE* m_next = nullptr;
};

inline DWORD textBytes(const std::wstring& value)
{
    return static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
}

} // namespace standins
