#pragma once
// Handing work from a worker thread to the main thread. The GUI installs a
// poster that queues the task into its event loop; without one, tasks wait
// in a queue that the main thread runs with RunMainThreadTasks (the command
// line and the tests drain it themselves).

#include <chrono>
#include <functional>

namespace fv {

using MainThreadTask = std::function<void()>;
using MainThreadPoster = std::function<void(MainThreadTask)>;

// Safe from any thread.
void PostToMainThread(MainThreadTask task);

// Installs the poster (empty = the built-in queue). Call from the main
// thread before any worker starts.
void SetMainThreadPoster(MainThreadPoster poster);

// Main thread: runs the tasks queued so far; returns how many ran.
int RunMainThreadTasks();

// Main thread: waits until a task is queued or the time is up, then runs
// the queued tasks; returns how many ran.
int WaitAndRunMainThreadTasks(std::chrono::milliseconds timeout);

}  // namespace fv
