// The main of every test program, and the suite-wide check that no test leaves handles behind.
#include "handlecount.h"
#include "testchild.h"
#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
// Fails the test that ends with more handles than it started with, naming the new ones.
class CHandleLeakCheck : public ::testing::EmptyTestEventListener
{
public:
    void OnTestStart(const ::testing::TestInfo&) override { m_before = openHandles(); }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        const std::vector<std::uintptr_t> after = openHandles();
        if (after.size() <= m_before.size())
            return;
        std::vector<std::uintptr_t> added;
        std::set_difference(after.begin(), after.end(), m_before.begin(), m_before.end(), std::back_inserter(added));
        std::ostringstream list;
        for (const std::uintptr_t handle : added)
            list << std::hex << " 0x" << handle << " (" << handleType(handle) << ")";
        ADD_FAILURE() << "the test left " << after.size() - m_before.size() << " handle(s) open:" << list.str();
    }

private:
    std::vector<std::uintptr_t> m_before;
};

// A test that leaks on purpose, there only when the program is started with --leak-a-handle: the check
// must fail it (tests/common/platform_test.cpp runs it in a child).
class CLeakingTest : public ::testing::Test
{
public:
    // An event of the kind the thread runtime makes for its locks: only the runtime's own are excused.
    void TestBody() override { ::CreateEventW(nullptr, FALSE, FALSE, nullptr); }
};

// The thread runtime opens handles once and keeps them: the first time a thread starts and the first time
// one uses thread storage (a tree copy's workers do).
void warmUpThreadRuntime()
{
    std::thread([] {
        syslib::toStringChecked(2.5);
        syslib::releaseThreadState();
    }).join();
}

void registerLeakingTestIfAsked(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--leak-a-handle")
            ::testing::RegisterTest("HandleCheck", "LeaksAnEvent", nullptr, nullptr, __FILE__, __LINE__,
                                    []() -> ::testing::Test* { return new CLeakingTest; });
}
} // namespace

int main(int argc, char** argv)
{
    // Unbuffered, so that a test that takes the process down still shows how far it got.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    int childExitCode = 0;
    if (runTestChildIfAsked(childExitCode))
        return childExitCode;
    ::testing::InitGoogleTest(&argc, argv);
    registerLeakingTestIfAsked(argc, argv);
    // Handles made once and kept, made here so that they are no test's leak: two of the runtime the first
    // time a thread formats a number through a stream, and GoogleTest's handle of the main thread the first
    // time a trace is scoped on it (it watches for the thread's end), and those of the thread runtime.
    syslib::toStringChecked(1.5);
    warmUpThreadRuntime();
    excuseThreadRuntimeLockEvents();
    // COM's first start on the main thread opens handles for the life of the process; account objects (and
    // with them every path with a home indicator) start it.
    ::CoInitialize(nullptr);
    {
        const ::testing::ScopedTrace trace(__FILE__, __LINE__, "");
    }
    ::testing::UnitTest::GetInstance()->listeners().Append(new CHandleLeakCheck);
    return RUN_ALL_TESTS();
}
