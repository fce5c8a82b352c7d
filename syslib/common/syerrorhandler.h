// A caller's say in a walk that meets an operating-system failure: go on with the next entry, or stop.
#pragma once

#include "framework/iastring.h"

class ISyErrorHandler
{
public:
    virtual ~ISyErrorHandler() {}
    // True: the failure is only traced and the walk goes on; false: it is reported and thrown.
    virtual bool handleError(const iastring& path, unsigned long osError, const iastring& errorText) = 0;
};
