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

// Gives back the logons kept for tasks that have ended since (see CSyThreadUser::restore). Profiles are
// unloaded as the process: a thread that impersonates leaves them to a later call.
void releaseEndedLogons();

// The user the calling thread runs as before a task switches it to the task's user: its token, and the
// library's switch behind it, which the task's switch must neither end nor unload.
class CSyThreadUser
{
public:
    // Throws ESyException(WIN32_ERROR) after the report when the thread has a token it cannot open.
    CSyThreadUser();
    // Puts the thread back as restore() does, unless restore() ran; a failure is only reported.
    ~CSyThreadUser();
    CSyThreadUser(const CSyThreadUser&) = delete;
    CSyThreadUser& operator=(const CSyThreadUser&) = delete;

    // Once: ends the switch made since and gives the thread its token and its switch back. That switch's
    // logon, and the profile with it, stays until task (a process or thread handle; null: none) has
    // ended. Throws ESyException(WIN32_ERROR) after the report when the token cannot be set back: the
    // thread then runs as the process's user, never as the task's.
    void restore(HANDLE task);

private:
    CSyKernelHandle m_token;
    bool m_restored;
};
} // namespace syslib
