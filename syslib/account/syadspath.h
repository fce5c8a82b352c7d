// A directory-service path split into its parts: "WinNT://DOMAIN/name" or "LDAP://server:port/CN=x,DC=y".
// Well-known accounts have a path of the name alone ("WinNT://Everyone"), which binds to no directory object.
#pragma once

#include "framework/iastring.h"

#include <vector>

struct IADs;

class CSyADsPath
{
public:
    CSyADsPath() {}
    // From a bound object's ADsPath; empty when it has none.
    explicit CSyADsPath(IADs* object);

    // An account name (DOMAIN\name, a well-known English name, or a complete path); empty when it cannot
    // be made (the reason is logged).
    static CSyADsPath fromString(const iastring& name);
    // The account a SID names, asked of server (empty: this computer); empty when the lookup fails.
    static CSyADsPath fromSID(void* sid, const iastring& server);
    static CSyADsPath fromCompleteString(const iastring& path);

    bool isEmpty() const { return m_components.empty(); }
    bool isWinNT() const { return m_provider == L"WinNT"; }
    bool isLDAP() const { return m_provider == L"LDAP"; }
    const iastring& getProvider() const { return m_provider; }
    const iastring& getServer() const { return m_server; }
    const iastring& getPort() const { return m_port; }
    const std::vector<iastring>& getComponents() const { return m_components; }
    // The account's own name: a WinNT path's last component, an LDAP name's first (its relative name).
    iastring getLeaf() const
    {
        return m_components.empty() ? iastring() : isLDAP() ? m_components.front() : m_components.back();
    }

    void setWinNT(const std::vector<iastring>& components);
    void setLeaf(const iastring& leaf);

    bool operator==(const CSyADsPath& other) const;

private:
    iastring m_provider;
    iastring m_server;
    iastring m_port;
    std::vector<iastring> m_components;
};

namespace SyADsPath
{
// Provider "://" [server [":" port] "/"] components ("/" for WinNT, "," for LDAP); empty for an empty path.
iastring getFullPath(const CSyADsPath& path);
} // namespace SyADsPath

// This computer's NetBIOS name (GetComputerNameW); empty when it cannot be read.
iastring SyComputerName();
// The domain controller of a domain, or of the domain a server (containing a backslash) controls; empty
// when none is found (the attempts are logged).
iastring GetDCName(const iastring& domainOrServer);
iastring GetDCNameHelper(const iastring& domain);
