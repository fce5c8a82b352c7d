// Portable code only: where the support dumps come from.
#include "sysysdump.h"
#include "syexcept.h"

namespace syslib
{
// The process environment and the system information are reported by their managers once those
// exist; until then there is nothing to dump and the callers say so.
iastring dumpCurrentProcessEnvironment()
{
    throw ESyPrecondition(ESyPrecondition::FUNCTION_NOT_SUPPORTED);
}

iastring dumpSystemInformation()
{
    throw ESyPrecondition(ESyPrecondition::FUNCTION_NOT_SUPPORTED);
}
} // namespace syslib
