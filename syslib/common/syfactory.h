// The library's entry: one factory, reached through the exported functions, hands out the managers.
#pragma once

#include "syexport.h"
#include "sygeneric.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/filesystem/syfilesystemmgt.h"
#include "syslib/network/synetworkmgt.h"
#include "syslib/process/syprocessmgt.h"
#include "syslib/system/sysystemmgt.h"
#include "syslib/timer/sytimermgt.h"

class ISyslibFactory
{
public:
    virtual IaPtr<ISyProcessMgt> getProcessMgt() = 0;
    virtual IaPtr<ISyTimerMgt> getTimerMgt() = 0;
    virtual IaPtr<ISyAccountMgt> getAccountMgt() = 0;
    virtual IaPtr<ISyFileSystemMgt> getFileSystemMgt() = 0;
    virtual ISyNetworkMgt* getNetworkMgt() = 0;
    virtual ISySystemMgt* getSystemMgt() = 0;
    virtual ~ISyslibFactory() {}
};

class IPrivilegedSyslibFactory : public ISyslibFactory
{
public:
    virtual ISyPrivilegedNetworkMgt* getPrivilegedNetworkMgt() = 0;
    virtual ISyPrivilegedSystemMgt* getPrivilegedSystemMgt() = 0;
    // Makes logBook the library-wide log book and writes the process environment and system facts into it.
    virtual void writeSupportInfo(ILogBook* logBook) = 0;
    // Levels below 642 select the older access-rights and file-system behaviour.
    virtual void setCompatibility(int level) = 0;
    virtual int getCompatibility() const = 0;
    virtual bool isInitCanceledOS4() const = 0;
    virtual bool hasInitErrorOS4() const = 0;
    virtual iastring getErrorTextOS4() const = 0;
    virtual void startLoggingOS4() const = 0;
};

class SYSLIB_API CSyslibFactory : public IPrivilegedSyslibFactory
{
public:
    static ISyslibFactory* getInstance();
    static IPrivilegedSyslibFactory* getPrivilegedInstance();

    IaPtr<ISyProcessMgt> getProcessMgt() override;
    IaPtr<ISyTimerMgt> getTimerMgt() override;
    IaPtr<ISyAccountMgt> getAccountMgt() override;
    IaPtr<ISyFileSystemMgt> getFileSystemMgt() override;
    ISyNetworkMgt* getNetworkMgt() override;
    ISySystemMgt* getSystemMgt() override;
    ISyPrivilegedNetworkMgt* getPrivilegedNetworkMgt() override;
    ISyPrivilegedSystemMgt* getPrivilegedSystemMgt() override;
    void writeSupportInfo(ILogBook* logBook) override;
    void setCompatibility(int level) override;
    int getCompatibility() const override;
    bool isInitCanceledOS4() const override;
    bool hasInitErrorOS4() const override;
    iastring getErrorTextOS4() const override;
    void startLoggingOS4() const override;

    // The level from which the current behaviour applies.
    static const int CURRENT_BEHAVIOUR_LEVEL = 642;

protected:
    CSyslibFactory();
    ~CSyslibFactory() override;

private:
    CSyslibFactory(const CSyslibFactory&) = delete;
    CSyslibFactory& operator=(const CSyslibFactory&) = delete;

    int m_compatibility;
    bool m_initError;
    bool m_initCanceled;
    iastring m_errorText;
};

extern "C" {
SYSLIB_API ISyslibFactory* getSyslibFactory();
SYSLIB_API IPrivilegedSyslibFactory* getPrivilegedSyslibFactory();
}

typedef ISyslibFactory* (*SyGetSyslibFactoryFunction)();
typedef IPrivilegedSyslibFactory* (*SyGetPrivilegedSyslibFactoryFunction)();
