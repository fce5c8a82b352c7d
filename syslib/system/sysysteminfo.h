// Facts about the machine an installer decides by: operating system, version, platform name, word
// width, processors, memory. Read once when the object is made; the overrides are process-wide.
#pragma once

#include "framework/iaiter.h"
#include "syslib/common/sygeneric.h"
#include "syslib/filesystem/sysize.h"

#include <utility>

// Run at the start of the matching getter, so that its owner can install an override late.
class OverrideHook
{
public:
    virtual ~OverrideHook() {}
    virtual void run() = 0;
};

typedef std::pair<const iastring, iastring> CSyKernelParameter;
typedef IIaPIterGeneric<CSyKernelParameter> ISyKernelParameterIterator;
typedef IaPtr<ISyKernelParameterIterator> PSyKernelParameterIterator;

class ISySystemInfo : public ISyGeneric
{
public:
    virtual iastring getOSName() = 0;
    virtual iastring getOSFAName() = 0;
    virtual iastring getRealOSFAName() = 0;
    virtual iastring getRuntimeOSFAName() = 0;
    virtual iastring getOSUname() = 0;
    virtual iastring getOSVersionMajor() = 0;
    virtual iastring getOSVersionMinor() = 0;
    virtual iastring getOSVersionBuild() = 0;
    virtual iastring getOSBits() = 0;
    virtual iastring getRealOSBits() = 0;
    virtual iastring getMakePlatform() = 0;
    virtual unsigned int getCPUCount() = 0;
    virtual iastring getCPUFamily() = 0;
    virtual PSySize getRamSize() = 0;
    // The page file beyond physical memory; 0 when the page file is the smaller.
    virtual PSySize getSwapSize() = 0;
    virtual bool isUnicodeMake() = 0;
    virtual PSyKernelParameterIterator getKernelParameters() = 0;
    virtual iastring getKernelParameterValue(const iastring& name) = 0;
    virtual iastring dump() const = 0;
};

class ISyPrivilegedSystemInfo : public ISySystemInfo
{
public:
    // An empty value removes the override.
    virtual void overrideOSFAName(const iastring& value) = 0;
    virtual const iastring& getOverriddenOSFAName() = 0;
    virtual void overrideOSBits(const iastring& value) = 0;
    virtual const iastring& getOverriddenOSBits() = 0;
    // The hook is not owned; null removes it.
    virtual void setOSFANameHook(OverrideHook* hook) = 0;
    virtual OverrideHook* getOSFANameHook() = 0;
    virtual void setOSBitsHook(OverrideHook* hook) = 0;
    virtual OverrideHook* getOSBitsHook() = 0;
};

typedef IaPtr<ISySystemInfo> PSySystemInfo;
typedef IaPtr<ISyPrivilegedSystemInfo> PSyPrivilegedSystemInfo;
