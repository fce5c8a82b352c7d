// Wine has every one of these calls; the table only gives tests a place to put another answer in.
#include "sanetworkapi.h"

namespace standins
{
syslib::SyNetworkApi& networkApiTable()
{
    static syslib::SyNetworkApi api = syslib::systemNetworkApi();
    return api;
}
} // namespace standins

namespace syslib
{
const SyNetworkApi& networkApi()
{
    return standins::networkApiTable();
}
} // namespace syslib
