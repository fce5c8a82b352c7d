// The handles this process holds, found the same way on wine and on Windows.
#pragma once

#include <cstdint>
#include <vector>

// The values of the open handles, lowest first. Wine's GetProcessHandleCount always answers 0, and listing
// the system's handle table (NtQuerySystemInformation) crashes wine's server now and then while other
// processes end, so the values are probed.
std::vector<std::uintptr_t> openHandles();
// From now on leaves out of openHandles the handles opened since `before` (an earlier openHandles): those
// the system left behind, which no test owns and no test may close.
void excuseHandlesOpenedSince(const std::vector<std::uintptr_t>& before);
