// The system manager: lives from its first request until the library is unloaded.
#pragma once

#include "sysystemmgt.h"

class CSySystemMgtImpl : public CSyGenericImpl
{
public:
    PSySystemInfo getSystemInfo();
    PSyPrivilegedSystemInfo getPrivilegedSystemInfo();
};

class CSySystemMgt : public ISyPrivilegedSystemMgt
{
public:
    PSySystemInfo getSystemInfo() override { return SY_FORWARD(m_impl.getSystemInfo()); }
    PSyPrivilegedSystemInfo getPrivilegedSystemInfo() override { return SY_FORWARD(m_impl.getPrivilegedSystemInfo()); }

    CSySystemMgtImpl& impl() { return m_impl; }

private:
    CSySystemMgtImpl m_impl;
};
