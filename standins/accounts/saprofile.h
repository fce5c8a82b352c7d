// Profiles of the stand-in accounts. Wine has one user, so a logon token does not tell which stand-in
// account it was made for: the logon stand-in remembers it here, and the profile stand-ins ask.
#pragma once

#include "sastore.h"

#include <userenv.h>

namespace standins
{
void rememberLogon(HANDLE token, const CAccountRecord& account);

// As on Windows: the first load creates the profile directory with its "ntuser.dat"; the hive is a key of
// the stand-ins' own, handed out as the profile handle.
BOOL WINAPI LoadUserProfileW(HANDLE token, LPPROFILEINFOW profile);
BOOL WINAPI UnloadUserProfile(HANDLE token, HANDLE profile);
// Fails with ERROR_FILE_NOT_FOUND until the profile has been loaded once.
BOOL WINAPI GetUserProfileDirectoryW(HANDLE token, LPWSTR directory, LPDWORD size);
} // namespace standins
