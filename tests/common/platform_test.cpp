// What the tests rely on in the platform under them.
#include "syslib/common/syswin.h"
#include "tests/support/tempdir.h"
#include "tests/support/testchild.h"

#include <gtest/gtest.h>

#include <string>

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

// Every test program checks that no test leaves handles open. Wine's GetProcessHandleCount always answers
// 0, so the check finds the handles itself; this proves it sees a real leak.
TEST(TestPlatformTest, ATestThatLeavesAHandleOpenFails)
{
    wchar_t program[MAX_PATH + 1] = {0};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    iastring commandLine = L"\"" + iastring(program) +
                           L"\" --leak-a-handle --gtest_filter=HandleCheck.LeaksAnEvent";
    SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    ASSERT_TRUE(::CreatePipe(&read, &write, &inherit, 0));
    syslib::CSyKernelHandle reader(read), writer(write);
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    const CTestProcess child = startTestProcess(commandLine, startup);
    ASSERT_TRUE(child.process);
    writer.reset();
    std::string output;
    char buffer[4096];
    DWORD count = 0;
    while (::ReadFile(read, buffer, sizeof(buffer), &count, nullptr) && count > 0)
        output.append(buffer, count);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(child.process.get(), 60000));
    DWORD exitCode = 0;
    ::GetExitCodeProcess(child.process.get(), &exitCode);
    EXPECT_NE(0u, exitCode) << output;
    EXPECT_NE(std::string::npos, output.find("the test left 1 handle(s) open")) << output;
    EXPECT_NE(std::string::npos, output.find("[  FAILED  ] HandleCheck.LeaksAnEvent")) << output;
}
