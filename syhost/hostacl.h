// Rights as an operator reads them (icacls, Get-Acl): each entry with its account's name, the SID beside it.
#pragma once

#include "hostcommand.h"
#include "syslib/account/syacl.h"

// The entries of an ACL's text form ("(S-1-5-32-545, GROUP, +rw)(...)"), each with its account.
CHostJson aclEntries(CHostContext& context, const iastring& entries);
// "(Users, GROUP, +rw)<TAB>S-1-5-32-545": the entry as an expression that names the account, then the SID.
iastring entryLine(const CHostJson& entry);
// Owner, group and entries.
CHostJson aclDocument(CHostContext& context, const PSyACL& acl);
void renderAcl(const CHostJson& document, std::wostream& out);
