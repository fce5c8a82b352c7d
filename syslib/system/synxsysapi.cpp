// The product build's shutdown, registry and LSA functions: the system's own.
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
    api.RegQueryValueExW = ::RegQueryValueExW;
    api.RegDeleteValueW = ::RegDeleteValueW;
    api.LsaOpenPolicy = ::LsaOpenPolicy;
    api.LsaStorePrivateData = ::LsaStorePrivateData;
    api.LsaRetrievePrivateData = ::LsaRetrievePrivateData;
    api.LsaFreeMemory = ::LsaFreeMemory;
    api.LsaClose = ::LsaClose;
    return api;
}
} // namespace

const SySystemApi& systemApi()
{
    static const SySystemApi api = realApi();
    return api;
}
} // namespace syslib
