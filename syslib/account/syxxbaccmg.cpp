// Directory paths: the portable half (reading complete paths, writing the full form).
#include "syaccountutil.h"
#include "syadspath.h"

#include "framework/iastrutil.h"

SY_SOURCE_FILE(L"syxxbaccmg")

namespace
{
bool startsWithNoCase(const iastring& text, const iastring& prefix)
{
    return text.size() >= prefix.size() && stringToUpper(text.substr(0, prefix.size())) == stringToUpper(prefix);
}

std::vector<iastring> splitTrimmed(const iastring& text, wchar_t separator)
{
    std::vector<iastring> parts;
    std::vector<iastring> raw;
    stringSplit(text, static_cast<unsigned short>(separator), raw);
    for (const iastring& part : raw)
    {
        const iastring trimmed = stringTrim(part);
        if (!trimmed.empty())
            parts.push_back(trimmed);
    }
    return parts;
}
} // namespace

void CSyADsPath::setWinNT(const std::vector<iastring>& components)
{
    m_provider = L"WinNT";
    m_server.clear();
    m_port.clear();
    m_components = components;
}

void CSyADsPath::setLeaf(const iastring& leaf)
{
    if (!m_components.empty())
        (isLDAP() ? m_components.front() : m_components.back()) = leaf;
}

bool CSyADsPath::operator==(const CSyADsPath& other) const
{
    return m_provider == other.m_provider && m_server == other.m_server && m_port == other.m_port &&
           m_components == other.m_components;
}

CSyADsPath CSyADsPath::fromCompleteString(const iastring& path)
{
    SY_TRACE_FUNCTION(L"CSyADsPath::fromCompleteString(const iastring &)");
    SY_TRACE_PARAMETERS(path);
    CSyADsPath result;
    const iastring unified = stringSubstituteAll(path, L"\\", L"/");
    if (startsWithNoCase(unified, L"WinNT:"))
    {
        const iastring rest = startsWithNoCase(unified, L"WinNT://") ? unified.substr(8) : unified.substr(6);
        result.setWinNT(splitTrimmed(rest, L'/'));
    }
    else if (startsWithNoCase(unified, L"LDAP:"))
    {
        iastring rest = startsWithNoCase(unified, L"LDAP://") ? unified.substr(7) : unified.substr(5);
        result.m_provider = L"LDAP";
        const iastring::size_type slash = rest.find(L'/');
        if (slash != iastring::npos)
        {
            const iastring server = rest.substr(0, slash);
            const iastring::size_type colon = server.find(L':');
            result.m_server = stringTrim(server.substr(0, colon));
            if (colon != iastring::npos)
                result.m_port = stringTrim(server.substr(colon + 1));
            rest = rest.substr(slash + 1);
        }
        result.m_components = splitTrimmed(rest, L',');
    }
    else if (unified.find(L"://") != iastring::npos)
    {
        syslib::account::reportMessage(L"syslib.account.unknowenADSIProvider", {path}, CMessage::LOG_WARNING,
                                       __LINE__);
    }
    else if (unified.compare(0, 2, L"//") == 0)
        result.setWinNT(splitTrimmed(unified.substr(2), L'/'));
    else
    {
        std::vector<iastring> parts = splitTrimmed(unified, L'/');
        if (parts.size() == 1)
            parts.insert(parts.begin(), SyComputerName());
        result.setWinNT(parts);
    }
    SY_TRACE_RETURN(SyADsPath::getFullPath(result));
    return result;
}

namespace SyADsPath
{
iastring getFullPath(const CSyADsPath& path)
{
    if (path.isEmpty())
        return iastring();
    iastring full = path.getProvider() + L"://";
    if (!path.getServer().empty())
        full += path.getServer() + (path.getPort().empty() ? L"" : L":" + path.getPort()) + L"/";
    const wchar_t* separator = path.isLDAP() ? L"," : L"/";
    const std::vector<iastring>& components = path.getComponents();
    for (std::size_t i = 0; i < components.size(); ++i)
        full += (i ? separator : L"") + components[i];
    return full;
}
} // namespace SyADsPath
