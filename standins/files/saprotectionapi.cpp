#include "saprotectionapi.h"

namespace standins
{
syslib::SyProtectionApi& protectionApiTable()
{
    static syslib::SyProtectionApi api = syslib::systemProtectionApi();
    return api;
}
} // namespace standins

namespace syslib
{
const SyProtectionApi& protectionApi()
{
    return standins::protectionApiTable();
}
} // namespace syslib
