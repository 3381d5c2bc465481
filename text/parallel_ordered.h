#pragma once
// Work on several threads in list order: the one way the program spreads a
// job over the cores (scans of a run, rows of a table read or written).
#include <cstddef>
#include <exception>
#include <functional>

namespace corvelane {

// Called with (items done, items in all) on the calling thread only, so a
// window may repaint from it. Returning false asks the work to stop.
using ProgressFn = std::function<bool(std::size_t done, std::size_t total)>;

// Thrown by a job whose progress callback asked it to stop.
struct RunCancelled : std::exception {
  const char* what() const noexcept override { return "the run was cancelled"; }
};

struct ParallelPlan {
  std::size_t count = 0;  // items 0 .. count-1
  std::size_t block = 1;  // consecutive items handed to a thread at a time
  unsigned threads = 0;   // threads working; 0 one per core, 1 the calling thread alone
  // With `inOrder`: blocks done but not yet handed on, at most (bounds the
  // buffers the blocks fill); 0 the number of threads plus one.
  std::size_t ahead = 0;
};

// The items of one block in order, on some thread; `worker` (0 to the number
// of threads - 1) is that thread's own, for scratch space kept per thread.
// A throw ends the block.
using BlockWork = std::function<void(std::size_t first, std::size_t last, unsigned worker)>;
// One finished block, on the calling thread, blocks in list order.
using BlockDone = std::function<void(std::size_t first, std::size_t last)>;

// Does `work` for every block, handed out in list order. Without `inOrder`
// the calling thread works too; with it, the calling thread hands each block
// on in list order while helper threads work ahead. The first failure in
// list order wins: once a block has thrown no block after it is started, and
// once every thread has stopped the exception of the lowest failed block is
// rethrown (every block before it is finished and handed on). When
// `progress` returns false no further block is started; returns false then,
// once the blocks started are done (and handed on), true when all were done.
bool ParallelOrdered(const ParallelPlan& plan, const BlockWork& work, const BlockDone& inOrder = {},
                     const ProgressFn& progress = {});

}  // namespace corvelane
