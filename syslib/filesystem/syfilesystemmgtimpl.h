// The file-system manager: lives from its first request until the library is unloaded.
#pragma once

#include "syfilesystemmgt.h"

class CSyFileSystemMgtImpl : public CSyGenericImpl
{
public:
    PSySize getSize(double bytes);
};

class CSyFileSystemMgt : public CSyManagerHandle<ISyFileSystemMgt, CSyFileSystemMgtImpl>
{
public:
    PSySize getSize(double bytes) override { return m_impl.getSize(bytes); }
};
