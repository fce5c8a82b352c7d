// --override NAME=VALUE: the process-wide overrides an engine sets before an installation runs (the platform
// name, the word width, the host name), set for one syhost run.
#pragma once

#include "hostcommand.h"

struct CHostOverride
{
    iastring name;
    iastring value;
};

// "os-fa-name, os-bits or host-name": the names --override takes.
iastring overrideNames();
// False, with the reason, for an unknown name, a missing '=' or an empty value.
bool parseOverrides(const std::vector<std::string>& given, std::vector<CHostOverride>& overrides, iastring& reason);
void applyOverrides(CHostContext& context, const std::vector<CHostOverride>& overrides);
