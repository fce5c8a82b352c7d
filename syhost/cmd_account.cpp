// Accounts as the library finds them: what a support engineer checks when an installer cannot find a
// user or group, or finds another one than expected.
#include "hostcommand.h"
#include "syslib/account/syaccountmgt.h"

namespace
{
const wchar_t* kindName(int type)
{
    switch (type)
    {
    case ISyAccountMgt::LOCALUSER:
        return L"LOCALUSER";
    case ISyAccountMgt::DOMAINUSER:
        return L"DOMAINUSER";
    case ISyAccountMgt::LOCALGROUP:
        return L"LOCALGROUP";
    case ISyAccountMgt::DOMAINGROUP:
        return L"DOMAINGROUP";
    case ISyAccountMgt::DOMAINLOCALGROUP:
        return L"DOMAINLOCALGROUP";
    case ISyAccountMgt::UNIVERSALGROUP:
        return L"UNIVERSALGROUP";
    default:
        return (type & 3) == ISyAccountMgt::GROUP ? L"GROUP" : L"USER";
    }
}

int runAccount(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (arguments.size() != 1 || arguments[0].empty())
        return usageError(context, L"account");
    const PSyAccount account = context.factory->getAccountMgt()->getAccount(ISyAccountMgt::NONE, arguments[0]);
    context.out << L"kind\t" << kindName(account->getType()) << L"\n"
                << L"name\t" << account->getName() << L"\n"
                << L"domain\t" << account->getDomain() << L"\n"
                << L"sid\t" << account->getSID() << L"\n";
    return HOST_OK;
}

const CHostCommandRegistration account({L"account", L"NAME|SID",
                                        L"the kind, name, domain and SID of a user or group; exit code 1 when there is none",
                                        runAccount});
} // namespace
