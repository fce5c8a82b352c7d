// Loads the built DLL by name, the way the installer engine does, and checks what it exports and that its
// failures reach the engine as exceptions of their own types.
#include "syslib/account/syacl.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/common/syexcept.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/syswin.h"
#include "syslib/filesystem/syfilesystemmgt.h"
#include "syslib/network/synetworkmgt.h"
#include "syslib/network/syresolver.h"
#include "syslib/process/syprocessmgt.h"
#include "syslib/process/sytaskio.h"
#include "syslib/system/sysystemmgt.h"
#include "syslib/timer/sytimermgt.h"
#include "tests/support/recordinglogbook.h"

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

namespace
{
std::vector<std::string> exportedNames(HMODULE module)
{
    const unsigned char* base = reinterpret_cast<const unsigned char*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<std::string> names;
    if (directory.VirtualAddress == 0)
        return names;
    const IMAGE_EXPORT_DIRECTORY* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    const DWORD* nameOffsets = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.push_back(reinterpret_cast<const char*>(base + nameOffsets[i]));
    return names;
}

// Loaded once and kept, as the engine does. The library's own copy of the runtime makes two handles the
// first time a function-local static is built in it (the lock behind thread-safe statics) and keeps them
// until the process ends: they are made here, before the tests, and each unload of the library loses them.
class DllLoadTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_library = new syslib::CSyModule(::LoadLibraryW(L"syslib.dll"));
        if (s_library->isValid())
            reinterpret_cast<SyGetSyslibFactoryFunction>(
                reinterpret_cast<void*>(::GetProcAddress(s_library->get(), "getSyslibFactory")))();
    }
    static void TearDownTestSuite()
    {
        delete s_library;
        s_library = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_library->isValid()) << "LoadLibraryW failed"; }
    HMODULE library() const { return s_library->get(); }

private:
    static syslib::CSyModule* s_library;
};
syslib::CSyModule* DllLoadTest::s_library = nullptr;
} // namespace

TEST_F(DllLoadTest, FactoryEntriesAreFoundByName)
{
    const auto getFactory = reinterpret_cast<SyGetSyslibFactoryFunction>(
        reinterpret_cast<void*>(::GetProcAddress(library(), "getSyslibFactory")));
    const auto getPrivileged = reinterpret_cast<SyGetPrivilegedSyslibFactoryFunction>(
        reinterpret_cast<void*>(::GetProcAddress(library(), "getPrivilegedSyslibFactory")));
    ASSERT_NE(nullptr, getFactory);
    ASSERT_NE(nullptr, getPrivileged);

    ISyslibFactory* factory = getFactory();
    EXPECT_EQ(factory, getFactory());
    EXPECT_EQ(static_cast<ISyslibFactory*>(getPrivileged()), factory);
    EXPECT_EQ(999, getPrivileged()->getCompatibility());
    EXPECT_EQ(factory->getProcessMgt().get(), factory->getProcessMgt().get());
}

TEST_F(DllLoadTest, ExportsNothingButTheEngineInterface)
{
    const std::vector<std::string> names = exportedNames(library());
    bool factory = false;
    bool privileged = false;
    for (const std::string& name : names)
    {
        factory = factory || name == "getSyslibFactory";
        privileged = privileged || name == "getPrivilegedSyslibFactory";
        const bool allowed = name == "getSyslibFactory" || name == "getPrivilegedSyslibFactory" ||
                             name.find("CSyslibFactory") != std::string::npos || // its members, vtable, typeinfo
                             name.find("CSyPath") != std::string::npos ||        // the home directory's path value
                             name.compare(0, 4, "_Zls") == 0 ||                   // operator<< of the enumerations
                             name.find("ISyACLRight") != std::string::npos;       // the rights letters
        EXPECT_TRUE(allowed) << "unexpected export " << name;
    }
    EXPECT_TRUE(factory);
    EXPECT_TRUE(privileged);
}

namespace
{
// Calls into the DLL until it throws; the host catches the exception as E, rethrows it, and catches it
// again as the root of the tree, as an engine's nested handlers do. key: the message logged before the
// throw (none: the failure writes a plain log line).
template <class E>
void expectCaughtAs(const std::function<void()>& call, const CRecordingLogBook& book, const iastring& key)
{
    const std::size_t messagesBefore = book.messages(key).size();
    const std::size_t logsBefore = book.logs().size();
    bool caught = false;
    try
    {
        try
        {
            call();
        }
        catch (const E&)
        {
            caught = true;
            EXPECT_EQ(0, std::uncaught_exceptions());
            throw;
        }
    }
    catch (const EVantixException& again)
    {
        EXPECT_TRUE(caught) << "caught only as " << typeid(again).name() << ", not as " << typeid(E).name();
    }
    EXPECT_TRUE(caught) << typeid(E).name() << " was not thrown";
    EXPECT_EQ(0, std::uncaught_exceptions());
    if (key.empty())
        EXPECT_EQ(logsBefore + 1, book.logs().size());
    else
        EXPECT_EQ(messagesBefore + 1, book.messages(key).size()) << "logged before it was thrown: " << key;
}
} // namespace

// In the configuration that ships (the 32-bit DLL under WOW64, where exceptions unwind by DWARF tables) a
// library failure ended the host with "terminate called" while the DLL carried its own runtime: the
// engine must be able to catch every family by type, and go on using the library afterwards.
TEST_F(DllLoadTest, EveryFamilyOfFailureReachesTheHostByType)
{
    ISyslibFactory* factory = reinterpret_cast<SyGetSyslibFactoryFunction>(
        reinterpret_cast<void*>(::GetProcAddress(library(), "getSyslibFactory")))();
    ASSERT_NE(nullptr, factory);
    CRecordingLogBook book;
    factory->getProcessMgt()->setLogBook(&book);
    const IaPtr<ISyFileSystemMgt> files = factory->getFileSystemMgt();
    const IaPtr<ISyTimerMgt> timers = factory->getTimerMgt();

    expectCaughtAs<ESyPrecondition>(
        [&] { factory->getSystemMgt()->getSpecialPath(static_cast<ISySystemMgt::osDir>(7)); }, book,
        L"common.parameterNotValid");
    expectCaughtAs<ESyTimer>([&] { timers->getTime(10)->add(timers->getTimeDiff(-20)); }, book,
                             L"syslib.timer.negative");
    expectCaughtAs<ESySystem>([&] { factory->getSystemMgt()->getSystemInfo()->getKernelParameterValue(L"none"); },
                              book, L"syslib.system.kernelParameterNotFound");
    expectCaughtAs<ESyFileNotFound>([&] { files->getNode(files->getFSPath(L"C:\\no\\such\\file.txt")); }, book,
                                    L"syslib.filesystem.nodeDoesNotExist");
    expectCaughtAs<ESyForbiddenCharInPath>([&] { files->getFSPath(L"a<b"); }, book,
                                           L"syslib.filesystem.badCharacterInPathComponent");
    expectCaughtAs<ESyNetworkResolveError>(
        [&] { factory->getNetworkMgt()->getNameResolver()->getHostByName(L"no-such-host.invalid"); }, book,
        L"syslib.network.resolveError");
    expectCaughtAs<ESyAccountNotExists>([&] { factory->getAccountMgt()->getUser(L"no-such-user-x7"); }, book,
                                        L"syslib.account.isExistingOnOsSucceededFalse");
    expectCaughtAs<ESySecurityDescError>(
        [&] { factory->getAccountMgt()->getACL()->modifyRights(L"(Everyone, GROUP"); }, book, L"");
    expectCaughtAs<ESyOutputError>([&] { factory->getProcessMgt()->createTaskIO()->putLine(L"to no pipe"); }, book,
                                   L"syslib.process.taskIO.couldNotWriteToPipe");

    // Nothing of the unwinding stays behind: the library goes on answering.
    EXPECT_EQ(L"C:\\Windows", files->getFSPath(L"C:\\Windows")->toOSString());
    factory->getProcessMgt()->setLogBook(nullptr);
}
