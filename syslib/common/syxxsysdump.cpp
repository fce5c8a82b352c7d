// Portable code only: where the support dumps come from.
#include "sysysdump.h"
#include "syexcept.h"
#include "syfactory.h"

namespace syslib
{
iastring dumpCurrentProcessEnvironment()
{
    return CSyslibFactory::getInstance()->getProcessMgt()->getCurrentProcessEnvironment()->dump();
}

iastring dumpSystemInformation()
{
    return CSyslibFactory::getPrivilegedInstance()->getPrivilegedSystemMgt()->getPrivilegedSystemInfo()->dump();
}
} // namespace syslib
