#include "syslib/common/syfactory.h"
#include "syslib/common/sytrace.h"
#include "syslib/system/sysysteminfoimpl.h"
#include "syslib/system/sysysteminfowin.h"
#include "tests/support/expectthrow.h"
#include "tests/support/recordinglogbook.h"
#include "tests/support/wow64.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace
{
iastring ansi(const char* text)
{
    iastring wide;
    const int size = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (size > 1)
    {
        wide.resize(static_cast<std::size_t>(size - 1));
        ::MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], size);
    }
    return wide;
}

PSyPrivilegedSystemInfo newInfo()
{
    return getPrivilegedSyslibFactory()->getPrivilegedSystemMgt()->getPrivilegedSystemInfo();
}

bool hasLog(const CRecordingLogBook& book, const iastring& text)
{
    const std::vector<iastring> logs = book.logs();
    return std::find(logs.begin(), logs.end(), text) != logs.end();
}

// Puts the process-wide overrides back as a test found them.
class OverrideTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        CSySystemInfoImpl::overrideOSFAName(L"");
        CSySystemInfoImpl::overrideOSBits(L"");
        CSySystemInfoImpl::setOSFANameHook(nullptr);
        CSySystemInfoImpl::setOSBitsHook(nullptr);
    }
    CRecordingLogBook m_book;
};

class CountingHook : public OverrideHook
{
public:
    void run() override
    {
        ++calls;
        if (!lateValue.empty())
            CSySystemInfoImpl::overrideOSBits(lateValue);
    }
    int calls = 0;
    iastring lateValue;
};

// The kernel32 lookup the WOW64 tests give the library: each scenario answers differently.
enum eWowScenario
{
    WOW_NO_ISWOW64,
    WOW_ISWOW64_FAILS,
    WOW_UNDER_WOW64,
    WOW_UNDER_WOW64_NO_NATIVE
};
eWowScenario g_scenario = WOW_UNDER_WOW64;

BOOL WINAPI fakeIsWow64Process(HANDLE, PBOOL underWow64)
{
    if (g_scenario == WOW_ISWOW64_FAILS)
    {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    *underWow64 = TRUE;
    return TRUE;
}

void WINAPI fakeGetNativeSystemInfo(LPSYSTEM_INFO info)
{
    ::GetSystemInfo(info);
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
}

FARPROC WINAPI scenarioLookup(HMODULE, LPCSTR name)
{
    if (std::strcmp(name, "IsWow64Process") == 0)
        return g_scenario == WOW_NO_ISWOW64 ? nullptr : reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fakeIsWow64Process));
    if (std::strcmp(name, "GetNativeSystemInfo") == 0)
    {
        if (g_scenario == WOW_UNDER_WOW64_NO_NATIVE)
        {
            ::SetLastError(ERROR_PROC_NOT_FOUND);
            return nullptr;
        }
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fakeGetNativeSystemInfo));
    }
    return nullptr;
}

class WowTest : public ::testing::Test
{
protected:
    void SetUp() override { m_previous = syslib::setSystemInfoProcLookup(scenarioLookup); }
    void TearDown() override { syslib::setSystemInfoProcLookup(m_previous); }
    syslib::CSyProcLookup m_previous = nullptr;
    CRecordingLogBook m_book;
};
} // namespace

// The uname record's branches for Windows 9x and Win32s (platforms 1 and 0) are not reached here: wine, like
// every system the library still runs on, reports the NT platform.
TEST(SystemInfoTest, FactsAreThoseWin32ReportsInTheSameProcess)
{
    CRecordingLogBook book;
    PSySystemInfo info = getSyslibFactory()->getSystemMgt()->getSystemInfo();

    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    ASSERT_TRUE(::GetVersionExW(&version));
    EXPECT_EQ(std::to_wstring(version.dwMajorVersion), info->getOSVersionMajor());
    EXPECT_EQ(std::to_wstring(version.dwMinorVersion), info->getOSVersionMinor());
    EXPECT_EQ(std::to_wstring(version.dwBuildNumber), info->getOSVersionBuild());

    char computer[64] = {0};
    DWORD size = sizeof(computer);
    ASSERT_TRUE(::GetComputerNameA(computer, &size));
    EXPECT_EQ(L"Microsoft Windows [Version " + std::to_wstring(version.dwMajorVersion) + L"." +
                  std::to_wstring(version.dwMinorVersion) + L"." + std::to_wstring(version.dwBuildNumber) + L" " +
                  version.szCSDVersion + L"] " + ansi(computer),
              info->getOSUname());

    SYSTEM_INFO system;
    ::GetNativeSystemInfo(&system);
    EXPECT_EQ(system.dwNumberOfProcessors, info->getCPUCount());
    const bool wide = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                      system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
    EXPECT_EQ(wide ? L"64" : L"32", info->getRealOSBits());
    EXPECT_EQ(system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? L"AMD64"
              : system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64 ? L"IA64"
                                                                             : L"I386",
              info->getRuntimeOSFAName());
    // The platform name is the build's, not the machine's.
    EXPECT_EQ(L"I386", info->getRealOSFAName());

    MEMORYSTATUSEX memory = {};
    memory.dwLength = sizeof(memory);
    ASSERT_TRUE(::GlobalMemoryStatusEx(&memory));
    EXPECT_DOUBLE_EQ(static_cast<double>(memory.ullTotalPhys), info->getRamSize()->getBytes());
    EXPECT_DOUBLE_EQ(static_cast<double>(memory.ullTotalPageFile > memory.ullTotalPhys
                                             ? memory.ullTotalPageFile - memory.ullTotalPhys
                                             : 0),
                     info->getSwapSize()->getBytes());

    EXPECT_EQ(L"Windows", info->getOSName());
    EXPECT_EQ(L"NTINTEL", info->getMakePlatform());
    EXPECT_FALSE(info->isUnicodeMake());
}

// Without a stand-in lookup: what the system itself answers. The product is a 32-bit DLL, and on a 64-bit
// system it runs under WOW64, where the process's own view (GetSystemInfo) is that of a 32-bit machine.
TEST(SystemInfoTest, A32BitProcessOnA64BitSystemSaysSoAndReportsTheMachine)
{
    ASSERT_EQ(sizeof(void*) == 4, runsUnderWow64()) << "the 32-bit tests run in a 64-bit prefix";
    CRecordingLogBook book;
    PSySystemInfo info = newInfo();
    EXPECT_EQ(runsUnderWow64(), hasLog(book, L"We are running under WOW64!"));
    // Wine's machine is an x86_64 one, whichever width the process has.
    EXPECT_EQ(L"AMD64", info->getRuntimeOSFAName());
    EXPECT_EQ(L"64", info->getRealOSBits());
    EXPECT_EQ(L"64", info->getOSBits());
    EXPECT_EQ(L"I386", info->getOSFAName());
}

namespace
{
DWORDLONG g_physical = 0;
DWORDLONG g_pageFile = 0;

BOOL WINAPI fakeMemoryStatus(LPMEMORYSTATUSEX status)
{
    status->ullTotalPhys = g_physical;
    status->ullTotalPageFile = g_pageFile;
    return TRUE;
}
} // namespace

TEST(SystemInfoTest, SwapIsThePageFileBeyondMemoryAndNeverWrapsRound)
{
    CRecordingLogBook book;
    const syslib::CSyMemoryStatusQuery previous = syslib::setSystemInfoMemoryStatusQuery(fakeMemoryStatus);
    const DWORDLONG gigabyte = 1ull << 30;
    const struct
    {
        DWORDLONG physical, pageFile;
        double swap;
    } cases[] = {{8 * gigabyte, 12 * gigabyte, 4.0 * gigabyte},
                 {8 * gigabyte, 8 * gigabyte, 0},
                 {8 * gigabyte, 8 * gigabyte - 1, 0},
                 {8 * gigabyte, 2 * gigabyte, 0}};
    for (const auto& c : cases)
    {
        g_physical = c.physical;
        g_pageFile = c.pageFile;
        PSySystemInfo info = newInfo();
        EXPECT_DOUBLE_EQ(static_cast<double>(c.physical), info->getRamSize()->getBytes());
        EXPECT_DOUBLE_EQ(c.swap, info->getSwapSize()->getBytes()) << c.pageFile;
    }
    syslib::setSystemInfoMemoryStatusQuery(previous);
}

TEST(SystemInfoTest, CpuFamilyCountsProcessorsOnlyWhenThereAreSeveral)
{
    CRecordingLogBook book;
    SYSTEM_INFO system;
    ::GetSystemInfo(&system);
    const iastring family = newInfo()->getCPUFamily();
    const iastring countPrefix = std::to_wstring(system.dwNumberOfProcessors) + L"x ";
    EXPECT_EQ(system.dwNumberOfProcessors > 1, family.compare(0, countPrefix.size(), countPrefix) == 0) << family;
    if (system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL)
    {
        EXPECT_NE(iastring::npos, family.find(L"Intel 80"));
    }
}

TEST(SystemInfoTest, ResultsAreTracedQuotedAndSizesInMegabytes)
{
    CRecordingLogBook book;
    PSySystemInfo info = newInfo();
    book.clear();
    info->getOSName();
    EXPECT_TRUE(book.hasTrace(L"return value: \"Windows\""));

    MEMORYSTATUSEX memory = {};
    memory.dwLength = sizeof(memory);
    ::GlobalMemoryStatusEx(&memory);
    book.clear();
    info->getRamSize();
    std::wostringstream megabytes;
    megabytes << static_cast<double>(memory.ullTotalPhys) / 1024 / 1024;
    EXPECT_TRUE(book.hasTrace(L"return value: \"" + megabytes.str() + L" MB\"")) << megabytes.str();
}

TEST(SystemInfoTest, DumpAndSupportInfo)
{
    CRecordingLogBook book;
    PSySystemInfo info = newInfo();
    const iastring dump = info->dump();
    std::wostringstream expected;
    expected << L"System information\n==================\nOS version, host name: " << info->getOSUname()
             << L"\n\nRAM size (MB): " << info->getRamSize()->getMBytes() << L"\n\nSwap size (MB): "
             << info->getSwapSize()->getMBytes() << L"\n\n";
    EXPECT_EQ(expected.str(), dump);

    book.clear();
    syslib::logSystemState();
    const std::vector<iastring> logs = book.logs();
    EXPECT_NE(logs.end(), std::find_if(logs.begin(), logs.end(), [](const iastring& line) {
                  return line.compare(0, 18, L"System information") == 0;
              }));
    EXPECT_FALSE(hasLog(book, L"Could not dump system information."));
}

TEST(SystemInfoTest, KernelParametersAreEmptyOnWindows)
{
    CRecordingLogBook book;
    PSySystemInfo info = newInfo();
    PSyKernelParameterIterator parameters = info->getKernelParameters();
    parameters->first();
    EXPECT_TRUE(parameters->isDone());

    const ESySystem failure = expectLoggedThrow<ESySystem>(
        book, [&] { info->getKernelParameterValue(L"shmmax"); }, L"syslib.system.kernelParameterNotFound",
        {L"shmmax"});
    EXPECT_EQ(ESyException::SPECIFIC_CODE, failure.getErrorType());
    EXPECT_EQ(ESySystem::SYSTEM_CALL_FAILED, failure.getCode());
    EXPECT_EQ(L"CSySystemInfoImpl::getKernelParameterValue(\"shmmax\")",
              book.onlyMessage(L"syslib.system.kernelParameterNotFound").functionName);
}

TEST_F(OverrideTest, PlatformNameOverrideReachesEveryObjectAndIsLoggedOnce)
{
    PSyPrivilegedSystemInfo earlier = newInfo();
    PSyPrivilegedSystemInfo info = newInfo();
    m_book.clear();
    info->overrideOSFAName(L"AMD64");
    info->overrideOSFAName(L"AMD64");
    EXPECT_EQ(L"AMD64", earlier->getOSFAName());
    EXPECT_EQ(L"AMD64", earlier->getOverriddenOSFAName());
    const CRecordedLine set = m_book.onlyMessage(L"syslib.system.overriddenOsFaName");
    EXPECT_EQ(CMessage::LOG_WARNING, set.type);
    EXPECT_EQ(CLogArguments{L"AMD64"}, set.arguments);
    EXPECT_EQ(L"void CSySystemInfoImpl::overrideOSFAName(const iastring & \"AMD64\")", set.functionName);

    info->overrideOSFAName(L"");
    EXPECT_EQ(L"I386", earlier->getOSFAName());
    const CRecordedLine reverted = m_book.onlyMessage(L"syslib.system.revertOverriddenOsFaName");
    EXPECT_EQ(CMessage::LOG_WARNING, reverted.type);
    EXPECT_TRUE(reverted.arguments.empty());
}

TEST_F(OverrideTest, BitsOverrideIsNotCheckedAndRevertsToTheMachine)
{
    PSyPrivilegedSystemInfo info = newInfo();
    const iastring real = info->getRealOSBits();
    info->overrideOSBits(L"128");
    EXPECT_EQ(L"128", info->getOSBits());
    EXPECT_EQ(CLogArguments{L"128"}, m_book.onlyMessage(L"syslib.system.overriddenOsBits").arguments);
    info->overrideOSBits(L"");
    EXPECT_EQ(real, info->getOSBits());
    EXPECT_EQ(1u, m_book.messages(L"syslib.system.revertOverriddenOsBits").size());
}

TEST_F(OverrideTest, HooksRunOnEveryCallAndMayOverrideLate)
{
    PSyPrivilegedSystemInfo info = newInfo();
    CountingHook nameHook;
    info->setOSFANameHook(&nameHook);
    EXPECT_EQ(&nameHook, info->getOSFANameHook());
    info->getOSFAName();
    info->getOSFAName();
    EXPECT_EQ(2, nameHook.calls);

    CountingHook bitsHook;
    bitsHook.lateValue = L"64";
    info->setOSBitsHook(&bitsHook);
    EXPECT_EQ(L"64", info->getOSBits());
    EXPECT_EQ(1, bitsHook.calls);
    info->setOSBitsHook(nullptr);
    EXPECT_EQ(nullptr, info->getOSBitsHook());
}

TEST_F(WowTest, UnderWow64TheNativeFactsDecide)
{
    g_scenario = WOW_UNDER_WOW64;
    PSySystemInfo info = newInfo();
    EXPECT_TRUE(hasLog(m_book, L"We are running under WOW64!"));
    EXPECT_EQ(L"64", info->getRealOSBits());
    EXPECT_EQ(L"AMD64", info->getRuntimeOSFAName());
    EXPECT_EQ(L"I386", info->getOSFAName());
}

TEST_F(WowTest, WithoutIsWow64ProcessTheProcessViewStands)
{
    g_scenario = WOW_NO_ISWOW64;
    PSySystemInfo info = newInfo();
    EXPECT_TRUE(hasLog(m_book, L"Could not find IsWow64Process in Kernel32 DLL. I assume we are not running under WOW64."));
    SYSTEM_INFO system;
    ::GetSystemInfo(&system);
    EXPECT_EQ(system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? L"64" : L"32", info->getRealOSBits());
    EXPECT_TRUE(m_book.messages().empty());
}

TEST_F(WowTest, FailuresOfTheWowProbeEndConstruction)
{
    struct CCase
    {
        eWowScenario scenario;
        const wchar_t* call;
        const wchar_t* parameters;
        DWORD error;
    };
    const CCase cases[] = {{WOW_ISWOW64_FAILS, L"IsWow64Process", L"GetCurrentProcess()", ERROR_ACCESS_DENIED},
                           {WOW_UNDER_WOW64_NO_NATIVE, L"GetProcAddress", L"Kernel32, GetNativeSystemInfo",
                            ERROR_PROC_NOT_FOUND}};
    for (const CCase& c : cases)
    {
        g_scenario = c.scenario;
        m_book.clear();
        try
        {
            CSySystemInfo info;
            ADD_FAILURE() << "no exception for " << c.scenario;
        }
        catch (const ESySystem& failure)
        {
            EXPECT_EQ(ESyException::WIN32_ERROR, failure.getErrorType());
            EXPECT_EQ(static_cast<int>(c.error), failure.getCode());
        }
        const CRecordedLine reported = m_book.onlyMessage(L"syslib.sysCallFailed");
        ASSERT_EQ(6u, reported.arguments.size());
        EXPECT_EQ(c.call, reported.arguments[0]);
        EXPECT_EQ(std::to_wstring(c.error), reported.arguments[2]);
        EXPECT_EQ(c.parameters, reported.arguments[4]);
        EXPECT_EQ(L"synxcsysinf", reported.arguments[5]);
    }
    EXPECT_TRUE(hasLog(m_book, L"Could not find GetNativeSystemInfo even though I could find IsWow64Process."));
}

TEST_F(WowTest, TheSupportDumpNotesASystemInformationThatCannotBeReadAndGoesOn)
{
    g_scenario = WOW_ISWOW64_FAILS;
    syslib::logSystemState();
    EXPECT_TRUE(hasLog(m_book, L"Could not dump system information."));
    // While the state is collected its errors are only warnings; the mapping ends with it.
    const CRecordedLine failed = m_book.onlyMessage(L"syslib.sysCallFailed");
    EXPECT_EQ(CMessage::LOG_WARNING, failed.type);
    EXPECT_EQ(L"IsWow64Process", failed.arguments.at(0));
    EXPECT_EQ(L"syslib::logSystemState()", m_book.lines().front().functionName);
    EXPECT_TRUE(m_book.getTypeMapping().empty());
}
