// One long-lived thread that runs work handed to it, one piece at a time, while the caller waits
// (or, when the caller only tries, does not wait: the work is left to the caller while busy).
// It keeps a team of threads (RunTeam) made once per process and found ready by every later
// piece, whichever thread hands it over; between pieces the team sleeps on a condition variable
// and never spins, so a busy machine loses no time to it. It lives in this shared library, which
// stays loaded, so unloading a module never takes its code away.
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

// Runs work(t) for t = 0 .. threads - 1 at once and returns when every call has ended,
// rethrowing the first exception one threw. t = 0 runs on the calling thread. On the host thread
// the others run on the host's team, and a member that has not yet started when work(0) returns
// is left out (work shares its items out itself, so fewer hands only take longer); from any other
// thread, or from inside a team, every index runs on threads made for this call. Waiting, on
// either side, is always a sleep.
void RunTeam(int threads, const std::function<void(int)>& work);

// Runs work(t) as RunTeam does on the host thread, but with t = 0 on the calling thread (no hand
// over to the host, so a busy machine's scheduler delays nothing before the work starts) and the
// others on the host's team, when no other caller has the host; returns false at once, with work
// not run, when another caller has it or the caller is itself inside a team.
bool TryRunTeam(int threads, const std::function<void(int)>& work);

}  // namespace platform
