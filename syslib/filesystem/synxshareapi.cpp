// The product build's share functions: the system's own.
#include "syshareapi.h"

namespace syslib
{
const SyShareApi& shareApi()
{
    static const SyShareApi api = {::NetShareAdd,     ::NetShareDel,           ::NetShareGetInfo,
                                   ::NetShareSetInfo, ::NetShareEnum,          ::GetNamedSecurityInfoW,
                                   ::SetNamedSecurityInfoW};
    return api;
}
} // namespace syslib
