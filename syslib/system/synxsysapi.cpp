// The product build's shutdown and registry functions: the system's own.
#include "sysystemapi.h"

namespace syslib
{
namespace
{
SySystemApi realApi()
{
    SySystemApi api;
    api.ExitWindowsEx = ::ExitWindowsEx;
    api.RegSetValueExW = ::RegSetValueExW;
    return api;
}
} // namespace

const SySystemApi& systemApi()
{
    static const SySystemApi api = realApi();
    return api;
}
} // namespace syslib
