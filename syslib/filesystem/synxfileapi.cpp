// The product build's file calls: the system's own.
#include "syfileapi.h"

namespace syslib
{
const SyFileApi& fileApi()
{
    static const SyFileApi api = systemFileApi();
    return api;
}
} // namespace syslib
