// Loads the built DLL by name, the way the installer engine does, and checks what it exports.
#include "syslib/common/syfactory.h"
#include "syslib/common/syswin.h"

#include <gtest/gtest.h>

#include <string>
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
                             name.compare(0, 4, "_Zls") == 0 ||                   // operator<< of the enumerations
                             name.find("ISyACLRight") != std::string::npos;       // the rights letters
        EXPECT_TRUE(allowed) << "unexpected export " << name;
    }
    EXPECT_TRUE(factory);
    EXPECT_TRUE(privileged);
}
