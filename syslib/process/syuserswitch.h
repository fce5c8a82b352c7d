// Windows only: running the calling thread as another user. A switch is a logon, the user's profile
// loaded, and an impersonation of the thread; the library keeps each switch it made until it is ended,
// because the profile can only be unloaded with the logon's token.
#pragma once

#include "framework/iastring.h"
#include "syslib/account/syaccount.h"
#include "syslib/common/syswin.h"

namespace syslib
{
// The SID text of the user the calling thread runs as under its token threadToken: the user the library
// logged on when the token is the library's own impersonation, else the token's user. Empty when unreadable.
iastring threadUserSid(HANDLE threadToken);

// Logs the user on, loads the profile and impersonates it on the calling thread. Logs and throws
// ESyException(WIN32_ERROR) when a step fails; the thread then runs as before.
void switchToUser(ISyUser& user, const iastring& password);

// Ends the calling thread's switch if the library made one: reverts, then unloads the profile.
void endUserSwitch();
} // namespace syslib
