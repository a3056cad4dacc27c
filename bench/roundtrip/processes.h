// Child processes of the round-trip benchmark: started with extra environment variables and an
// optional command prefix (strace), their standard output collected as 64-bit samples, and
// stopped by signal. The benchmark makes itself the subreaper of what it starts, so that a
// navigator started detached by the library comes back to it and can be reaped.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace oxsdk::bench {

using Samples = std::vector<std::int64_t>;
using Strings = std::vector<std::string>;

/// Starts `argv` (looked up in PATH when it has no "/") with `environment` ("NAME=value")
/// added, standard input on /dev/null, standard output on `output` (-1: /dev/null) and
/// standard error kept. Returns the process id, or -1.
pid_t Spawn(const Strings& argv, const Strings& environment, int output = -1);

/// Runs `argv` to its end and reads what it writes as 64-bit samples. False when it could not
/// be started or did not exit with status 0.
bool RunForSamples(const Strings& argv, const Strings& environment, Samples* samples);

/// Starts every command of `commands` at once and collects each one's samples, in order.
bool RunAllForSamples(const std::vector<Strings>& commands, const Strings& environment,
                      std::vector<Samples>* samples);

/// Sends SIGTERM to `pid` and waits up to 10 s for it to end (then SIGKILL). When `pid` is a
/// strace, the process it traces is signalled instead and strace is waited for.
void Stop(pid_t pid);

/// Waits for `pid` to end; true when it exited with status 0.
bool WaitForExit(pid_t pid);

/// Reaps every ended child without waiting.
void ReapChildren();

/// Writes the samples to standard output (the child side of RunForSamples).
bool WriteSamples(const Samples& samples);

}  // namespace oxsdk::bench
