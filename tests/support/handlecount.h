// The handles this process holds, found the same way on wine and on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The values of the open handles, lowest first. Wine's GetProcessHandleCount always answers 0, and listing
// the system's handle table (NtQuerySystemInformation) crashes wine's server now and then while other
// processes end, so the values are probed.
std::vector<std::uintptr_t> openHandles();
// From now on leaves out of openHandles the handles opened since `before` (an earlier openHandles): those
// the system left behind, which no test owns and no test may close.
void excuseHandlesOpenedSince(const std::vector<std::uintptr_t>& before);
// From now on leaves out of openHandles the events the thread runtime (libwinpthread) makes for its own
// locks: a lock gets one the first time two threads meet at it, and the runtime's static locks (the 32-bit
// unwinder's, a finished thread's place kept for the next) never give it back. Only those are left out:
// the runtime's calls to create and close events are watched, not guessed at.
void excuseThreadRuntimeLockEvents();
// What kind of object the handle is ("Event", "File", ...), for a report; empty when the system does not say.
std::string handleType(std::uintptr_t handle);
