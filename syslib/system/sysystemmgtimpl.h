// The system manager: lives from its first request until the library is unloaded.
#pragma once

#include "sysystemmgt.h"
#include "syslib/filesystem/sypath.h"

class CSySystemMgtImpl : public CSyGenericImpl
{
public:
    PSySystemInfo getSystemInfo();
    PSyPrivilegedSystemInfo getPrivilegedSystemInfo();
    CSyPath getSpecialPath(ISySystemMgt::osDir osDir);
    void reboot(const iastring& password, const iastring& restartCommand);
    void reLogin(const PSyUser& user, const iastring& password, const iastring& restartCommand);
};

class CSySystemMgt : public ISyPrivilegedSystemMgt
{
public:
    PSySystemInfo getSystemInfo() override { return SY_FORWARD(m_impl.getSystemInfo()); }
    PSyFSPath getSpecialPath(osDir osDir) override;
    PSyPrivilegedSystemInfo getPrivilegedSystemInfo() override { return SY_FORWARD(m_impl.getPrivilegedSystemInfo()); }
    void reboot(const iastring& password, const iastring& restartCommand) override
    {
        return SY_FORWARD(m_impl.reboot(password, restartCommand));
    }
    void reboot(const iastring& password) override { return SY_FORWARD(m_impl.reboot(password, iastring())); }
    void reLogin(const PSyUser& user, const iastring& password, const iastring& restartCommand) override
    {
        return SY_FORWARD(m_impl.reLogin(user, password, restartCommand));
    }

    CSySystemMgtImpl& impl() { return m_impl; }

private:
    CSySystemMgtImpl m_impl;
};
