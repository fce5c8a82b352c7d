// The product build's file-security functions: the system's own.
#include "syfilesecapi.h"

namespace syslib
{
const SyFileSecurityApi& fileSecurityApi()
{
    static const SyFileSecurityApi api = {::GetNamedSecurityInfoW, ::SetNamedSecurityInfoW};
    return api;
}
} // namespace syslib
