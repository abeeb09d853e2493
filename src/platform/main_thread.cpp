#include "platform/main_thread.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

namespace fv {

namespace {

struct Queue {
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<MainThreadTask> tasks;
  MainThreadPoster poster;
};

Queue& TheQueue() {
  static Queue q;
  return q;
}

}  // namespace

void PostToMainThread(MainThreadTask task) {
  Queue& q = TheQueue();
  MainThreadPoster poster;
  {
    std::lock_guard<std::mutex> lock(q.mutex);
    if (!q.poster) {
      q.tasks.push_back(std::move(task));
      q.ready.notify_all();
      return;
    }
    poster = q.poster;
  }
  poster(std::move(task));
}

void SetMainThreadPoster(MainThreadPoster poster) {
  Queue& q = TheQueue();
  std::lock_guard<std::mutex> lock(q.mutex);
  q.poster = std::move(poster);
}

int RunMainThreadTasks() {
  Queue& q = TheQueue();
  std::deque<MainThreadTask> run;
  {
    std::lock_guard<std::mutex> lock(q.mutex);
    run.swap(q.tasks);
  }
  int n = 0;
  for (MainThreadTask& t : run) {
    if (t) t();
    ++n;
  }
  return n;
}

int WaitAndRunMainThreadTasks(std::chrono::milliseconds timeout) {
  Queue& q = TheQueue();
  {
    std::unique_lock<std::mutex> lock(q.mutex);
    q.ready.wait_for(lock, timeout, [&] { return !q.tasks.empty(); });
  }
  return RunMainThreadTasks();
}

}  // namespace fv
