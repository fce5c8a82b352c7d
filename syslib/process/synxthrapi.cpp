// The product build's thread calls: the system's own.
#include "sythreadapi.h"

namespace syslib
{
namespace
{
SyThreadApi systemApi()
{
    SyThreadApi api;
    api.OpenThreadToken = ::OpenThreadToken;
    api.SetThreadToken = ::SetThreadToken;
    api.SetThreadPriority = ::SetThreadPriority;
    api.ResumeThread = ::ResumeThread;
    return api;
}
} // namespace

const SyThreadApi& threadApi()
{
    static const SyThreadApi api = systemApi();
    return api;
}
} // namespace syslib
