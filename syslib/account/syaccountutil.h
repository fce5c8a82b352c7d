// Small helpers the account sources share.
#pragma once

#include "syslib/common/sytrace.h"

namespace syslib
{
namespace account
{
using syslib::reportMessage;

inline void log(const iastring& text, int line)
{
    syslib::logBook().log(text, line);
}
} // namespace account
} // namespace syslib
