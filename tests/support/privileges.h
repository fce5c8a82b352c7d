// What a token holds of one privilege, for tests that check a privilege is enabled for a call only.
#pragma once

#include "syslib/common/syswin.h"

#include <gtest/gtest.h>

#include <vector>

// The attributes the token holds for one privilege; 0xFFFFFFFF when it does not hold it.
inline DWORD privilegeState(HANDLE token, const wchar_t* name)
{
    LUID luid = {};
    EXPECT_TRUE(::LookupPrivilegeValueW(nullptr, name, &luid));
    DWORD size = 0;
    ::GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    EXPECT_TRUE(::GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size));
    const TOKEN_PRIVILEGES* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; size != 0 && i < privileges->PrivilegeCount; ++i)
        if (privileges->Privileges[i].Luid.LowPart == luid.LowPart &&
            privileges->Privileges[i].Luid.HighPart == luid.HighPart)
            return privileges->Privileges[i].Attributes;
    return 0xFFFFFFFF;
}
