#include "text/parallel_ordered.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "text/thread_start.h"

namespace corvelane {

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// The state the threads share; every field is guarded by `mutex`.
class Shared {
 public:
  Shared(const ParallelPlan& plan, std::size_t blocks, std::size_t ahead, const BlockWork& work)
      : plan_(plan), blocks_(blocks), ahead_(ahead), work_(work), finished_(blocks, 0) {}

  // Takes blocks until none is left, `stop`, or (with a consumer) the window
  // ahead is full. The calling thread, when it works, reports `progress`
  // after each of its blocks.
  void Work(unsigned worker, const ProgressFn* progress) {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return Over() || next_ < handedOn_ + ahead_; });
      if (Over()) return;
      const std::size_t b = next_++;
      lock.unlock();
      std::exception_ptr failed;
      try {
        work_(First(b), Last(b), worker);
      } catch (...) {
        failed = std::current_exception();
      }
      lock.lock();
      Finish(b, failed);
      if (progress && *progress) {
        const std::size_t done = done_;
        lock.unlock();
        const bool goOn = (*progress)(done, plan_.count);
        lock.lock();
        if (!goOn) Cancel();
      }
    }
  }

  // The consumer: hands each block on in list order, as soon as it is done.
  void HandOn(const BlockDone& inOrder, const ProgressFn& progress) {
    for (std::size_t b = 0; b < blocks_; ++b) {
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return finished_[b] != 0 || (stop_ && b >= next_); });
        if (finished_[b] != 1) return;  // failed, or never started
      }
      inOrder(First(b), Last(b));
      const bool goOn = !progress || progress(Last(b), plan_.count);
      std::lock_guard lock(mutex_);
      handedOn_ = b + 1;
      if (!goOn) Cancel();
      changed_.notify_all();
    }
  }

  void Stop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
  }

  // Rethrows the first failure in list order; whether every item was done.
  bool Outcome() const {
    if (failure_) std::rethrow_exception(failure_);
    return !cancelled_ || done_ == plan_.count;
  }

 private:
  std::size_t First(std::size_t b) const { return b * plan_.block; }
  std::size_t Last(std::size_t b) const { return std::min(plan_.count, First(b) + plan_.block); }
  bool Over() const { return stop_ || next_ >= blocks_ || next_ > failedBlock_; }
  void Cancel() {
    stop_ = true;
    cancelled_ = true;
    changed_.notify_all();
  }
  void Finish(std::size_t b, const std::exception_ptr& failed) {
    finished_[b] = failed ? 2 : 1;
    if (failed && b < failedBlock_) {
      failedBlock_ = b;
      failure_ = failed;
    }
    if (!failed) done_ += Last(b) - First(b);
    changed_.notify_all();
  }

  const ParallelPlan& plan_;
  const std::size_t blocks_, ahead_;
  const BlockWork& work_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<char> finished_;  // per block: 0 not yet, 1 done, 2 failed
  std::size_t next_ = 0, handedOn_ = 0, done_ = 0, failedBlock_ = kNone;
  bool stop_ = false, cancelled_ = false;
  std::exception_ptr failure_;
};

}  // namespace

bool ParallelOrdered(const ParallelPlan& given, const BlockWork& work, const BlockDone& inOrder,
                     const ProgressFn& progress) {
  ParallelPlan plan = given;
  plan.block = std::max<std::size_t>(1, plan.block);
  const std::size_t blocks = (plan.count + plan.block - 1) / plan.block;
  unsigned threads = plan.threads ? plan.threads : std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, blocks));
  if (threads <= 1) {
    // One thread: block after block, nothing shared.
    for (std::size_t first = 0; first < plan.count; first += plan.block) {
      const std::size_t last = std::min(plan.count, first + plan.block);
      work(first, last, 0);
      if (inOrder) inOrder(first, last);
      if (progress && !progress(last, plan.count) && last < plan.count) return false;
    }
    return true;
  }
  const std::size_t ahead = !inOrder ? kNone : plan.ahead ? plan.ahead : threads + std::size_t{1};
  Shared shared(plan, blocks, ahead, work);
  {
    std::vector<std::jthread> helpers;
    try {
      // With a consumer every thread but the caller's works; without, the
      // caller too. The system may refuse threads: fewer only take longer.
      const std::size_t wanted = inOrder ? threads : threads - 1;
      const std::size_t offset = inOrder ? 1 : 0;  // helper i is worker i - offset
      const std::size_t started = StartThreads(helpers, wanted, [&shared, offset](std::size_t i) {
        shared.Work(static_cast<unsigned>(i - offset), nullptr);
      });
      if (inOrder && started == 0) {
        helpers.clear();
        return ParallelOrdered({.count = plan.count, .block = plan.block, .threads = 1}, work, inOrder, progress);
      }
      if (inOrder)
        shared.HandOn(inOrder, progress);
      else
        shared.Work(0, &progress);
    } catch (...) {
      shared.Stop();
      throw;  // the helpers join on the way out
    }
    shared.Stop();
  }
  return shared.Outcome();
}

}  // namespace corvelane
