#pragma once

#include <functional>

// Waiting inside the event loop, for measurements and long runs that drive
// the application step by step.
namespace EventWait {

// Runs a nested event loop until the condition holds, checking it every
// millisecond, or gives up after the time-out. Returns whether it holds.
// Call it from outside any event handler: then what the caller gives up
// with deleteLater() is deleted in the loop it waits in.
bool waitFor(const std::function<bool()> &condition, int timeoutMs);
// Runs a nested event loop for a while.
void settle(int ms);

} // namespace EventWait
