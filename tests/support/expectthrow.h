// Checks the library's failure contract: one LOG_ERROR message with the exact key and arguments,
// then an exception of the expected class.
#pragma once

#include "recordinglogbook.h"
#include "syslib/common/syexcept.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <type_traits>

// Runs call with a cleared book; returns the caught exception (default-constructed if none came, or, for
// a class without a default constructor, throws std::logic_error).
template <class E, class F>
E expectLoggedThrow(CRecordingLogBook& book, F call, const iastring& key, const CLogArguments& arguments)
{
    book.clear();
    try
    {
        call();
        ADD_FAILURE() << "no exception";
    }
    catch (const E& exception)
    {
        const CRecordedLine message = book.onlyMessage(key);
        EXPECT_EQ(CMessage::LOG_ERROR, message.type);
        EXPECT_EQ(arguments, message.arguments);
        EXPECT_EQ(1u, book.messages().size()) << "no other message before the throw";
        return exception;
    }
    if constexpr (std::is_default_constructible<E>::value)
        return E();
    else
        throw std::logic_error("expected exception not thrown"); // nothing to return; the test stops here
}
