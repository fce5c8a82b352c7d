// Portable code only: the factory and the lifetime of the managers.
#include "syfactory.h"
#include "sytrace.h"
#include "syslib/account/syaccountmgtimpl.h"
#include "syslib/filesystem/syfilesystemmgtimpl.h"
#include "syslib/network/synetworkmgtimpl.h"
#include "syslib/process/syprocessmgtimpl.h"
#include "syslib/system/sysystemmgtimpl.h"
#include "syslib/timer/sytimermgtimpl.h"

// The factory and the managers are function-local statics: built on first request, destroyed at
// unload in the reverse order of their creation.
namespace
{
class CSyslibFactoryInstance : public CSyslibFactory
{
};

template <class Manager>
Manager& managerInstance()
{
    static Manager instance;
    return instance;
}
} // namespace

ISyslibFactory* CSyslibFactory::getInstance()
{
    return getPrivilegedInstance();
}

IPrivilegedSyslibFactory* CSyslibFactory::getPrivilegedInstance()
{
    static CSyslibFactoryInstance instance;
    return &instance;
}

CSyslibFactory::CSyslibFactory() : m_compatibility(999), m_initError(false), m_initCanceled(false)
{
}

CSyslibFactory::~CSyslibFactory()
{
}

IaPtr<ISyProcessMgt> CSyslibFactory::getProcessMgt()
{
    return IaPtr<ISyProcessMgt>(&managerInstance<CSyProcessMgt>());
}

IaPtr<ISyTimerMgt> CSyslibFactory::getTimerMgt()
{
    return IaPtr<ISyTimerMgt>(&managerInstance<CSyTimerMgt>());
}

IaPtr<ISyAccountMgt> CSyslibFactory::getAccountMgt()
{
    return IaPtr<ISyAccountMgt>(&managerInstance<CSyAccountMgt>());
}

IaPtr<ISyFileSystemMgt> CSyslibFactory::getFileSystemMgt()
{
    return IaPtr<ISyFileSystemMgt>(&managerInstance<CSyFileSystemMgt>());
}

ISyNetworkMgt* CSyslibFactory::getNetworkMgt()
{
    return getPrivilegedNetworkMgt();
}

ISySystemMgt* CSyslibFactory::getSystemMgt()
{
    return getPrivilegedSystemMgt();
}

ISyPrivilegedNetworkMgt* CSyslibFactory::getPrivilegedNetworkMgt()
{
    return &managerInstance<CSyNetworkMgt>();
}

ISyPrivilegedSystemMgt* CSyslibFactory::getPrivilegedSystemMgt()
{
    return &managerInstance<CSySystemMgt>();
}

void CSyslibFactory::writeSupportInfo(ILogBook* logBook)
{
    getProcessMgt()->setLogBook(logBook);
    SY_FORWARD(syslib::logSystemState());
}

void CSyslibFactory::setCompatibility(int level)
{
    m_compatibility = level;
}

int CSyslibFactory::getCompatibility() const
{
    return m_compatibility;
}

// This platform has no initialisation step that could fail or be cancelled.
bool CSyslibFactory::isInitCanceledOS4() const
{
    return false;
}

bool CSyslibFactory::hasInitErrorOS4() const
{
    return false;
}

iastring CSyslibFactory::getErrorTextOS4() const
{
    return iastring();
}

void CSyslibFactory::startLoggingOS4() const
{
}

ISyslibFactory* getSyslibFactory()
{
    return CSyslibFactory::getInstance();
}

IPrivilegedSyslibFactory* getPrivilegedSyslibFactory()
{
    return CSyslibFactory::getPrivilegedInstance();
}
