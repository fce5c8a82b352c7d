// The file-system manager's interface, as the factory hands it out.
#pragma once

#include "sysize.h"

class ISyFileSystemMgt : public ISyGeneric
{
public:
    // A new size of floor(bytes); a negative value throws ESyPrecondition.
    virtual PSySize getSize(double bytes) = 0;
};
