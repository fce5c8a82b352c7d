// Small helpers the account sources share.
#pragma once

#include "syslib/common/sytrace.h"

namespace syslib
{
namespace account
{
inline void reportMessage(const iastring& key, const CLogArguments& arguments, CMessage::eLogMessage type, int line)
{
    ILogBook& book = syslib::logBook();
    for (const iastring& argument : arguments)
        book.addArgument(argument);
    book.message(key, type, line);
}

inline void log(const iastring& text, int line)
{
    syslib::logBook().log(text, line);
}
} // namespace account
} // namespace syslib
