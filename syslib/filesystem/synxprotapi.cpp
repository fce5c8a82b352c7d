// The product build's file protection: the system's own.
#include "syprotectionapi.h"

namespace syslib
{
const SyProtectionApi& protectionApi()
{
    static const SyProtectionApi api = systemProtectionApi();
    return api;
}
} // namespace syslib
