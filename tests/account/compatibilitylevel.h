// Sets the library's compatibility level for one scope and puts the previous one back.
#pragma once

#include "syslib/common/syfactory.h"

class CCompatibilityLevel
{
public:
    explicit CCompatibilityLevel(int level) : m_saved(CSyslibFactory::getPrivilegedInstance()->getCompatibility())
    {
        CSyslibFactory::getPrivilegedInstance()->setCompatibility(level);
    }
    ~CCompatibilityLevel() { CSyslibFactory::getPrivilegedInstance()->setCompatibility(m_saved); }
    CCompatibilityLevel(const CCompatibilityLevel&) = delete;
    CCompatibilityLevel& operator=(const CCompatibilityLevel&) = delete;

private:
    int m_saved;
};
