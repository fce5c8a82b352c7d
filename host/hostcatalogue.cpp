#include "hostcatalogue.h"

#include <iterator>

namespace
{
// Keep sorted by subsystem; one line a key.
const CCatalogueEntry entries[] = {
    {L"common.parameterNotValid", L"Parameter %1 is not valid in %2."},
    {L"common.parameterEmpty", L"Parameter %1 must not be empty in %2."},
    {L"common.attributeNotValid", L"Attribute %1 is not valid in %2."},
    {L"common.attributeEmpty", L"Attribute %1 must not be empty in %2."},
    {L"common.functionNotSupported", L"The function %1 is not supported on this platform."},
    {L"syslib.sysCallFailed", L"System call %1 failed at line %2 with error %3: %4 Parameters: %5. Source file: %6."},
    {L"syslib.NT.generic", L"System call %1 failed at line %2 with error %3: %4 Parameters: %5."},
    {L"syslib.outOfMemory", L"Out of memory."},
    {L"syslib.sysConversionToStringFailed", L"Could not convert a number to text (got so far: %1)."},
    {L"syslib.account.aclMissingRightBrace", L"ACL expression entry without closing bracket at position %1; accepted."},
    {L"syslib.account.aclUnknowenStandardRight", L"Unknown right %1 for objects of type %2; ignored."},
    {L"syslib.account.aclUnknowenSpecialRight", L"Unknown special right %1 for objects of type %2; ignored."},
    {L"syslib.account.aclUnknowenInheritanceFlag", L"Unknown inheritance flag %1; ignored."},
    {L"common.fatalSystemError", L"Fatal system error: %1 (%2)."},
    {L"syslib.timer.overflow", L"The time value %1 is out of range (more than 2147483647 seconds)."},
    {L"syslib.timer.negative", L"Adding %1 seconds gives a time before 1970-01-01 00:00 UTC."},
    {L"syslib.system.kernelParameterNotFound", L"There is no kernel parameter %1."},
    {L"syslib.system.overriddenOsFaName", L"The platform name is overridden: %1."},
    {L"syslib.system.revertOverriddenOsFaName", L"The platform name is no longer overridden."},
    {L"syslib.system.overriddenOsBits", L"The word width of the operating system is overridden: %1."},
    {L"syslib.system.revertOverriddenOsBits", L"The word width of the operating system is no longer overridden."},
};
} // namespace

const wchar_t* catalogueText(const iastring& key)
{
    for (const CCatalogueEntry& entry : entries)
        if (key == entry.key)
            return entry.text;
    return nullptr;
}
