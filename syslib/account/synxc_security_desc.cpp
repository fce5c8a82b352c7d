// The Windows meaning of rights letters, special-right names and inheritance flags.
#include "sysecuritydesc.h"

#include "syslib/common/syswin.h"

#include <winsvc.h>

#include <iterator>

namespace SySecurityImpl
{
namespace
{
#define SY_NAMED(constant) {L## #constant, static_cast<unsigned long>(constant)}
#define SY_GENERIC_AND_STANDARD_NAMES                                                                  \
    SY_NAMED(GENERIC_READ), SY_NAMED(GENERIC_WRITE), SY_NAMED(GENERIC_EXECUTE), SY_NAMED(GENERIC_ALL),      \
        SY_NAMED(DELETE), SY_NAMED(READ_CONTROL), SY_NAMED(WRITE_DAC), SY_NAMED(WRITE_OWNER),              \
        SY_NAMED(SYNCHRONIZE), SY_NAMED(ACCESS_SYSTEM_SECURITY), SY_NAMED(MAXIMUM_ALLOWED),               \
        SY_NAMED(STANDARD_RIGHTS_READ), SY_NAMED(STANDARD_RIGHTS_WRITE)

const CSyNamedMask fileNames[] = {
    SY_GENERIC_AND_STANDARD_NAMES,
    SY_NAMED(FILE_ADD_FILE),
    SY_NAMED(FILE_ADD_SUBDIRECTORY),
    SY_NAMED(FILE_ALL_ACCESS),
    SY_NAMED(FILE_APPEND_DATA),
    SY_NAMED(FILE_CREATE_PIPE_INSTANCE),
    SY_NAMED(FILE_DELETE_CHILD),
    SY_NAMED(FILE_EXECUTE),
    SY_NAMED(FILE_LIST_DIRECTORY),
    SY_NAMED(FILE_READ_ATTRIBUTES),
    SY_NAMED(FILE_READ_DATA),
    SY_NAMED(FILE_READ_EA),
    SY_NAMED(FILE_TRAVERSE),
    SY_NAMED(FILE_WRITE_ATTRIBUTES),
    SY_NAMED(FILE_WRITE_DATA),
    SY_NAMED(FILE_WRITE_EA),
};

const CSyNamedMask registryNames[] = {
    SY_GENERIC_AND_STANDARD_NAMES,
    SY_NAMED(KEY_ALL_ACCESS),
    SY_NAMED(KEY_CREATE_LINK),
    SY_NAMED(KEY_CREATE_SUB_KEY),
    SY_NAMED(KEY_ENUMERATE_SUB_KEYS),
    SY_NAMED(KEY_EXECUTE),
    SY_NAMED(KEY_NOTIFY),
    SY_NAMED(KEY_QUERY_VALUE),
    SY_NAMED(KEY_READ),
    SY_NAMED(KEY_SET_VALUE),
    SY_NAMED(KEY_WOW64_64KEY),
    SY_NAMED(KEY_WOW64_32KEY),
    SY_NAMED(KEY_WRITE),
};

const CSyNamedMask serviceNames[] = {
    SY_GENERIC_AND_STANDARD_NAMES,
    SY_NAMED(SERVICE_ALL_ACCESS),
    SY_NAMED(SERVICE_CHANGE_CONFIG),
    SY_NAMED(SERVICE_ENUMERATE_DEPENDENTS),
    SY_NAMED(SERVICE_INTERROGATE),
    SY_NAMED(SERVICE_PAUSE_CONTINUE),
    SY_NAMED(SERVICE_QUERY_CONFIG),
    SY_NAMED(SERVICE_QUERY_STATUS),
    SY_NAMED(SERVICE_START),
    SY_NAMED(SERVICE_STOP),
    SY_NAMED(SERVICE_USER_DEFINED_CONTROL),
};

// Older engines knew only letters for files; names arrive there as unknown.
const CSyRightsTable compatibleFileTable = {0x120089, 0x120116, 0x1200A0, 0x1F01FF, {nullptr, nullptr}};
const CSyRightsTable fileTable = {0x120089, 0x120116, 0x1200A0, 0x1F01FF, {std::begin(fileNames), std::end(fileNames)}};
const CSyRightsTable registryTable = {0x20019, 0x20006, 0x20019, 0xF003F,
                                     {std::begin(registryNames), std::end(registryNames)}};
const CSyRightsTable serviceTable = {0x2008D, 0x20002, 0x20170, 0xF01FF,
                                    {std::begin(serviceNames), std::end(serviceNames)}};
} // namespace

const CSyRightsTable* rightsTable(SecurableObjectType type)
{
    switch (type)
    {
    case COMPATIBLE_FILE:
        return &compatibleFileTable;
    case FILESYSTEM:
        return &fileTable;
    case REGISTRY_KEY:
        return &registryTable;
    case SERVICE:
        return &serviceTable;
    }
    return nullptr;
}

CSyNameTable inheritanceFlagTable()
{
    static const CSyNamedMask flags[] = {
        SY_NAMED(CONTAINER_INHERIT_ACE),    SY_NAMED(INHERIT_ONLY_ACE),   SY_NAMED(INHERITED_ACE),
        SY_NAMED(NO_PROPAGATE_INHERIT_ACE), SY_NAMED(OBJECT_INHERIT_ACE),
    };
    return {std::begin(flags), std::end(flags)};
}
#undef SY_GENERIC_AND_STANDARD_NAMES
#undef SY_NAMED
} // namespace SySecurityImpl
