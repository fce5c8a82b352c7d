#include "hostoverrides.h"
#include "syslib/network/synetworkmgt.h"
#include "syslib/system/sysystemmgt.h"

namespace
{
typedef void (*CApplyOverride)(CHostContext& context, const iastring& value);

const struct
{
    const wchar_t* name;
    CApplyOverride apply;
} knownOverrides[] = {
    {L"os-fa-name",
     [](CHostContext& context, const iastring& value) {
         context.factory->getPrivilegedSystemMgt()->getPrivilegedSystemInfo()->overrideOSFAName(value);
     }},
    {L"os-bits",
     [](CHostContext& context, const iastring& value) {
         context.factory->getPrivilegedSystemMgt()->getPrivilegedSystemInfo()->overrideOSBits(value);
     }},
    {L"host-name",
     [](CHostContext& context, const iastring& value) {
         context.factory->getPrivilegedNetworkMgt()->overrideHostName(value);
     }},
};
} // namespace

iastring overrideNames()
{
    iastring names;
    for (const auto& known : knownOverrides)
        names += (names.empty() ? L"" : L", ") + iastring(known.name);
    return names;
}

bool parseOverrides(const std::vector<std::string>& given, std::vector<CHostOverride>& overrides, iastring& reason)
{
    for (const std::string& text : given)
    {
        const iastring setting = wide(text);
        const iastring::size_type equals = setting.find(L'=');
        const iastring name = setting.substr(0, equals);
        bool known = false;
        for (const auto& candidate : knownOverrides)
            known = known || name == candidate.name;
        if (equals == iastring::npos || !known)
        {
            reason = L"--override " + setting + L": NAME=VALUE with NAME one of " + overrideNames();
            return false;
        }
        if (equals + 1 == setting.size())
        {
            reason = L"--override " + setting + L": the value is empty (without --override the real value holds)";
            return false;
        }
        overrides.push_back({name, setting.substr(equals + 1)});
    }
    return true;
}

void applyOverrides(CHostContext& context, const std::vector<CHostOverride>& overrides)
{
    for (const CHostOverride& setting : overrides)
        for (const auto& known : knownOverrides)
            if (setting.name == known.name)
                known.apply(context, setting.value);
}
