// Wine has every one of these calls; the table only gives tests a place to put a failing one in.
#include "safileapi.h"

namespace standins
{
syslib::SyFileApi& fileApiTable()
{
    static syslib::SyFileApi api = syslib::systemFileApi();
    return api;
}
} // namespace standins

namespace syslib
{
const SyFileApi& fileApi()
{
    return standins::fileApiTable();
}
} // namespace syslib
