// The system information object: the facts read at construction, and the process-wide overrides.
#pragma once

#include "sysysteminfo.h"

#include <map>
#include <memory>

// One "uname" record: ANSI fields, each NUL-terminated within its 64 bytes.
struct UnameRecord
{
    char sysname[64];
    char nodename[64];
    char release[64];
    char version[64];
    char machine[64];
};

// The Windows facts, kept in Windows' own layout (declared here without <windows.h>).
struct CSyNativeFacts;

class CSySystemInfoImpl : public CSyGenericImpl
{
public:
    CSySystemInfoImpl();
    ~CSySystemInfoImpl() override;
    CSySystemInfoImpl(const CSySystemInfoImpl&) = delete;
    CSySystemInfoImpl& operator=(const CSySystemInfoImpl&) = delete;

    iastring getOSName();
    iastring getOSFAName();
    iastring getRealOSFAName();
    iastring getRuntimeOSFAName();
    iastring getOSUname();
    iastring getOSVersionMajor();
    iastring getOSVersionMinor();
    iastring getOSVersionBuild();
    iastring getOSBits();
    iastring getRealOSBits();
    iastring getMakePlatform();
    unsigned int getCPUCount();
    iastring getCPUFamily();
    PSySize getRamSize();
    // The page file beyond physical memory; 0 when the page file is the smaller (it must not wrap round
    // to an unsigned 16 EB).
    PSySize getSwapSize();
    bool isUnicodeMake();
    PSyKernelParameterIterator getKernelParameters();
    iastring getKernelParameterValue(const iastring& name);
    iastring dump() const;

    // The process-wide overrides and hooks, shared by every object.
    static void overrideOSFAName(const iastring& value);
    static const iastring& getOverriddenOSFAName();
    static void overrideOSBits(const iastring& value);
    static const iastring& getOverriddenOSBits();
    static void setOSFANameHook(OverrideHook* hook);
    static OverrideHook* getOSFANameHook();
    static void setOSBitsHook(OverrideHook* hook);
    static OverrideHook* getOSBitsHook();

private:
    // Windows halves.
    void fillUnameRecord();
    void queryNativeSystemInfo();
    void queryVersionAndMemory();
    unsigned short nativeArchitecture() const;
    unsigned long long totalPhysicalBytes() const;
    unsigned long long totalPageFileBytes() const;

    void readKernelParameters();
    // Shared form of the two size getters: the size and its trace in megabytes.
    PSySize sizeResult(unsigned long long bytes) const;
    static iastring fromAnsi(const char* text);
    // Every getter traces its result in double quotes.
    static iastring returned(const iastring& result);

    UnameRecord m_uname;
    std::unique_ptr<CSyNativeFacts> m_facts; // system info, version info, memory status
    std::map<iastring, iastring> m_kernelParameters;
};

class CSySystemInfo : public CSyHandle<ISyPrivilegedSystemInfo, CSySystemInfoImpl>
{
public:
    iastring getOSName() override { return SY_FORWARD(m_impl.getOSName()); }
    iastring getOSFAName() override { return SY_FORWARD(m_impl.getOSFAName()); }
    iastring getRealOSFAName() override { return SY_FORWARD(m_impl.getRealOSFAName()); }
    iastring getRuntimeOSFAName() override { return SY_FORWARD(m_impl.getRuntimeOSFAName()); }
    iastring getOSUname() override { return SY_FORWARD(m_impl.getOSUname()); }
    iastring getOSVersionMajor() override { return SY_FORWARD(m_impl.getOSVersionMajor()); }
    iastring getOSVersionMinor() override { return SY_FORWARD(m_impl.getOSVersionMinor()); }
    iastring getOSVersionBuild() override { return SY_FORWARD(m_impl.getOSVersionBuild()); }
    iastring getOSBits() override { return SY_FORWARD(m_impl.getOSBits()); }
    iastring getRealOSBits() override { return SY_FORWARD(m_impl.getRealOSBits()); }
    iastring getMakePlatform() override { return SY_FORWARD(m_impl.getMakePlatform()); }
    unsigned int getCPUCount() override { return SY_FORWARD(m_impl.getCPUCount()); }
    iastring getCPUFamily() override { return SY_FORWARD(m_impl.getCPUFamily()); }
    PSySize getRamSize() override { return SY_FORWARD(m_impl.getRamSize()); }
    PSySize getSwapSize() override { return SY_FORWARD(m_impl.getSwapSize()); }
    bool isUnicodeMake() override { return SY_FORWARD(m_impl.isUnicodeMake()); }
    PSyKernelParameterIterator getKernelParameters() override { return SY_FORWARD(m_impl.getKernelParameters()); }
    iastring getKernelParameterValue(const iastring& name) override
    {
        return SY_FORWARD(m_impl.getKernelParameterValue(name));
    }
    iastring dump() const override { return SY_FORWARD(m_impl.dump()); }

    void overrideOSFAName(const iastring& value) override { CSySystemInfoImpl::overrideOSFAName(value); }
    const iastring& getOverriddenOSFAName() override { return CSySystemInfoImpl::getOverriddenOSFAName(); }
    void overrideOSBits(const iastring& value) override { CSySystemInfoImpl::overrideOSBits(value); }
    const iastring& getOverriddenOSBits() override { return CSySystemInfoImpl::getOverriddenOSBits(); }
    void setOSFANameHook(OverrideHook* hook) override { CSySystemInfoImpl::setOSFANameHook(hook); }
    OverrideHook* getOSFANameHook() override { return CSySystemInfoImpl::getOSFANameHook(); }
    void setOSBitsHook(OverrideHook* hook) override { CSySystemInfoImpl::setOSBitsHook(hook); }
    OverrideHook* getOSBitsHook() override { return CSySystemInfoImpl::getOSBitsHook(); }
};
