// The system manager: lives from its first request until the library is unloaded.
#pragma once

#include "sysystemmgt.h"

class CSySystemMgtImpl : public CSyGenericImpl
{
};

class CSySystemMgt : public ISyPrivilegedSystemMgt
{
public:
    CSySystemMgtImpl& impl() { return m_impl; }

private:
    CSySystemMgtImpl m_impl;
};
