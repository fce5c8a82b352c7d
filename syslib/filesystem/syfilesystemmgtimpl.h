// The file-system manager: lives from its first request until the library is unloaded.
#pragma once

#include "syfilesystemmgt.h"

class CSyFileSystemMgtImpl : public CSyGenericImpl
{
};

class CSyFileSystemMgt : public CSyManagerHandle<ISyFileSystemMgt, CSyFileSystemMgtImpl>
{
};
