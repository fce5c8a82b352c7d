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

class DllLoadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_library.reset(::LoadLibraryW(L"syslib.dll"));
        ASSERT_TRUE(m_library.isValid()) << "LoadLibraryW error " << ::GetLastError();
    }
    syslib::CSyModule m_library;
};
} // namespace

TEST_F(DllLoadTest, FactoryEntriesAreFoundByName)
{
    const auto getFactory = reinterpret_cast<SyGetSyslibFactoryFunction>(
        reinterpret_cast<void*>(::GetProcAddress(m_library.get(), "getSyslibFactory")));
    const auto getPrivileged = reinterpret_cast<SyGetPrivilegedSyslibFactoryFunction>(
        reinterpret_cast<void*>(::GetProcAddress(m_library.get(), "getPrivilegedSyslibFactory")));
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
    const std::vector<std::string> names = exportedNames(m_library.get());
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
