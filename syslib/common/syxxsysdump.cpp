// Portable code only: where the support dumps come from.
#include "sysysdump.h"
#include "syexcept.h"
#include "syfactory.h"

namespace syslib
{
// The process environment is reported by the process manager once it exists; until then there is
// nothing to dump and the callers say so.
iastring dumpCurrentProcessEnvironment()
{
    throw ESyPrecondition(ESyPrecondition::FUNCTION_NOT_SUPPORTED);
}

iastring dumpSystemInformation()
{
    return CSyslibFactory::getPrivilegedInstance()->getPrivilegedSystemMgt()->getPrivilegedSystemInfo()->dump();
}
} // namespace syslib
