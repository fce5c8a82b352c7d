// What the tests rely on in the platform under them.
#include "syslib/common/syswin.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

// Wine keeps the read-only attribute in Unix mode bits, which root ignores: run as root, every test of
// read-only handling would pass with that handling taken out. build/wine-run drops root for this reason.
TEST(TestPlatformTest, AReadOnlyFileCannotBeWritten)
{
    CTempDir dir;
    const iastring path = dir / L"read-only.txt";
    writeTestFile(path, "x");
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    const syslib::CSyKernelHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD error = ::GetLastError();
    EXPECT_FALSE(file.isValid()) << "the tests run with rights that ignore read-only files";
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), error);
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
