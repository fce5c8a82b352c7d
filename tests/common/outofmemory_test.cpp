// Allocation failures inside the library: this program replaces the global operator new, so that one
// allocation can be made to fail on demand.
#include "syslib/common/syexcept.h"
#include "syslib/common/syfactory.h"
#include "syslib/filesystem/syfilesystemmgt.h"
#include "tests/support/recordinglogbook.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>

namespace
{
// The next allocation larger than this many bytes fails (0: none does).
std::atomic<std::size_t> g_failAbove{0};

void failNextAllocationAbove(std::size_t bytes)
{
    g_failAbove = bytes;
}
} // namespace

void* operator new(std::size_t size)
{
    const std::size_t limit = g_failAbove.load();
    if (limit != 0 && size > limit)
    {
        g_failAbove = 0;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

// GCC sees memory from operator new reach std::free and warns; here the two are one pair by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
#pragma GCC diagnostic pop

TEST(OutOfMemoryTest, AnAllocationThatFailsLeavesAsTheLibrarysOwnLoggedFailure)
{
    CRecordingLogBook book;
    const IaPtr<ISyFileSystemMgt> manager = getSyslibFactory()->getFileSystemMgt();
    const iastring longText = L"C:\\" + iastring(100000, L'a');
    const PSyFSPath path = manager->getFSPath(longText);

    // Through an object's handle, and through a manager whose work goes through further handles: either way
    // one message, one exception of the library's tree.
    const std::function<void()> calls[] = {[&] { path->toOSString(); }, [&] { manager->getFSPath(longText); }};
    for (const auto& call : calls)
    {
        book.clear();
        failNextAllocationAbove(150000);
        try
        {
            call();
            ADD_FAILURE() << "no exception";
        }
        catch (const ESyException& e)
        {
            EXPECT_EQ(L"Out of memory", e.getText());
            EXPECT_EQ(ESyException::NONE, e.getErrorType());
        }
        catch (const std::bad_alloc&)
        {
            ADD_FAILURE() << "std::bad_alloc left the library";
        }
        failNextAllocationAbove(0);
        const CRecordedLine message = book.onlyMessage(L"syslib.outOfMemory");
        EXPECT_EQ(CMessage::LOG_ERROR, message.type);
        EXPECT_TRUE(message.arguments.empty());
    }
    EXPECT_EQ(longText.size(), path->toString().size()) << "the object is still usable";
}
