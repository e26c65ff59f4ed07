// One long-lived thread that runs work handed to it, one piece at a time, while the caller waits
// (or, when the caller only tries, does not wait: the work is left to the caller while busy).
// Thread teams started from it (OpenMP keeps a team per starting thread) are made once per
// process and found ready by every later piece, whichever thread hands it over. It lives in this
// shared library, which stays loaded, so unloading a module never takes its code away.
#pragma once

#include <functional>

namespace platform {

// Runs work() on the host thread and returns when it has ended, rethrowing what it threw.
// Callers take turns; a call from the host thread itself runs at once. A forked child gets a
// host of its own.
void RunOnTeamHost(const std::function<void()>& work);

// Runs work() on the host thread as RunOnTeamHost does when no other caller has the host, and
// returns true; returns false at once, with work() not run, when another caller has it. A caller
// that must keep watching its own state (a stop flag) runs its work elsewhere instead of waiting.
bool TryRunOnTeamHost(const std::function<void()>& work);

}  // namespace platform
