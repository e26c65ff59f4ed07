// One long-lived thread that runs work handed to it, one piece at a time, while the caller waits.
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

}  // namespace platform
