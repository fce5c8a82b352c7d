#include "sathreadapi.h"

namespace standins
{
syslib::SyThreadApi& threadApiTable()
{
    static syslib::SyThreadApi api = {::OpenThreadToken, ::SetThreadToken, ::SetThreadPriority, ::ResumeThread};
    return api;
}
} // namespace standins

namespace syslib
{
const SyThreadApi& threadApi()
{
    return standins::threadApiTable();
}
} // namespace syslib
