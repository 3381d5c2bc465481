#pragma once
// Starting helper threads where the system may refuse some: under a process
// limit (ulimit -u) or with little address space left, a thread that cannot
// start means fewer helpers, never an aborted run.
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace corvelane {

// Starts up to `wanted` threads, thread i running `body(i)` for i = 1..wanted,
// and returns how many started: threads 1..started run, the rest never do.
// The calling thread is thread 0 and is always there, so a run can go on
// with any number of helpers; work meant for a thread that did not start is
// the caller's to do. Never throws for a refused thread.
template <class Body>
std::size_t StartThreads(std::vector<std::jthread>& threads, std::size_t wanted, const Body& body) {
  threads.reserve(threads.size() + wanted);
  std::size_t started = 0;
  for (std::size_t i = 1; i <= wanted; ++i) {
    try {
      threads.emplace_back(body, i);
    } catch (const std::system_error&) {
      break;  // the system refuses more threads; those started carry on
    }
    ++started;
  }
  return started;
}

}  // namespace corvelane
