// The file-security functions of the test build: descriptors kept per file in the registry, because the
// platform's own set stores nothing.
#pragma once

#include "syslib/common/syfilesecapi.h"

#include <vector>

namespace standins
{
// Root of the kept descriptors, under HKEY_LOCAL_MACHINE.
extern const wchar_t* const securityKey;

syslib::SyFileSecurityApi& fileSecurityApiTable();

// A self-relative descriptor of the parts given (a null part is left out), with the DACL's protection and
// auto-inheritance bits of control; empty when it cannot be made.
std::vector<BYTE> makeSelfRelative(PSID owner, PSID group, bool hasDacl, PACL dacl,
                                   SECURITY_DESCRIPTOR_CONTROL control = 0);
// Hands out a copy of a self-relative descriptor as GetNamedSecurityInfoW does: LocalAlloc'ed, with the
// requested part pointers into it.
DWORD handOut(const std::vector<BYTE>& descriptor, SECURITY_INFORMATION parts, PSID* owner, PSID* group, PACL* dacl,
              PACL* sacl, PSECURITY_DESCRIPTOR* result);
} // namespace standins
