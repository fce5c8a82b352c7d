// Accounts as the library finds them: what a support engineer checks when an installer cannot find a
// user or group, or finds another one than expected.
#include "hostcommand.h"
#include "syslib/account/syaccountmgt.h"

namespace
{
const char* kindName(int type)
{
    switch (type)
    {
    case ISyAccountMgt::LOCALUSER:
        return "LOCALUSER";
    case ISyAccountMgt::DOMAINUSER:
        return "DOMAINUSER";
    case ISyAccountMgt::LOCALGROUP:
        return "LOCALGROUP";
    case ISyAccountMgt::DOMAINGROUP:
        return "DOMAINGROUP";
    case ISyAccountMgt::DOMAINLOCALGROUP:
        return "DOMAINLOCALGROUP";
    case ISyAccountMgt::UNIVERSALGROUP:
        return "UNIVERSALGROUP";
    default:
        return (type & 3) == ISyAccountMgt::GROUP ? "GROUP" : "USER";
    }
}

class CAccountCommand : public CHostCommand
{
public:
    CAccountCommand()
        : CHostCommand("account", "NAME|SID",
                       "the kind, name, domain and SID of a user or group; exit code 1 when there is none",
                       "syhost account S-1-5-32-544")
    {
    }
    void define(CLI::App& command) override
    {
        command.add_option("account", m_account, "a user or group: name, DOMAIN\\name or SID")
            ->required()
            ->check(nonEmpty());
    }
    CHostResult run(CHostContext& context) override
    {
        const PSyAccount account =
            context.factory->getAccountMgt()->getAccount(ISyAccountMgt::NONE, wide(m_account));
        CHostResult result;
        result.document = {{"kind", kindName(account->getType())},
                           {"name", utf8(account->getName())},
                           {"domain", utf8(account->getDomain())},
                           {"sid", utf8(account->getSID())}};
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        for (const char* key : {"kind", "name", "domain", "sid"})
            out << wide(key) << L"\t" << text(document[key]) << L"\n";
    }

private:
    std::string m_account;
} account;
} // namespace
