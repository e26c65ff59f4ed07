// One team of threads for the whole process: made once (a member more whenever a larger team is
// asked for), found ready by every later team, whichever thread asks, and asleep between teams on
// a condition variable, never spinning, so a busy machine loses no time to it. The caller takes
// the first share itself, so no hand-over waits on the scheduler before the work starts. It lives
// in this shared library, which stays loaded, so unloading a module never takes its code away.
#pragma once

#include <functional>

namespace platform {

// Runs work(t) for t = 0 .. threads - 1, t = 0 on the calling thread and the others on the
// process's team, and returns true when every call that started has ended, rethrowing the first
// exception one threw. A member that has not yet started when work(0) returns is left out (work
// shares its items out itself, so fewer hands only take longer). Returns false at once, with work
// not run, while another caller has the team or when the caller is itself inside a team: a caller
// that must keep watching its own state (a stop flag) then runs its work on RunTeam instead of
// waiting. A forked child gets a team of its own.
bool TryRunTeam(int threads, const std::function<void(int)>& work);

// Runs work(t) for t = 0 .. threads - 1, t = 0 on the calling thread and the others on threads
// made for this call, every index once, and returns when every call has ended, rethrowing the
// first exception one threw. For a team that the process's team cannot serve (TryRunTeam said no).
void RunTeam(int threads, const std::function<void(int)>& work);

}  // namespace platform
