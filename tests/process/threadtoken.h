// Which token a thread runs with, told apart by the token's own id: wine gives every logon the process's
// user, so the user alone cannot tell two impersonations apart.
#pragma once

#include "syslib/common/syswin.h"

// The low part of the id of the calling thread's token; 0 when it has none.
inline unsigned long threadTokenId()
{
    syslib::CSyKernelHandle token;
    if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, token.receive()))
        return 0;
    TOKEN_STATISTICS statistics;
    DWORD size = 0;
    return ::GetTokenInformation(token.get(), TokenStatistics, &statistics, sizeof(statistics), &size)
               ? statistics.TokenId.LowPart
               : 0;
}

// As a child function: its exit code is the id of the token its thread started with.
inline unsigned __stdcall reportThreadTokenId(void*)
{
    return threadTokenId();
}
