// The product build's socket lookups: the system's own.
#include "synetworkapi.h"

namespace syslib
{
const SyNetworkApi& networkApi()
{
    static const SyNetworkApi api = systemNetworkApi();
    return api;
}
} // namespace syslib
