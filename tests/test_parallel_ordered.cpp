// ParallelOrdered: every item done once, blocks handed on in list order, the
// first failure in list order wins, and progress can cancel.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "text/parallel_ordered.h"

namespace corvelane {
namespace {

struct Case {
  std::size_t count, block;
  unsigned threads;
};
const std::vector<Case> kCases = {{0, 1, 4}, {1, 8, 4}, {7, 1, 1}, {100, 8, 2}, {1000, 7, 4}, {64, 64, 3}};

TEST(ParallelOrderedTest, DoesEveryItemOnceAndHandsBlocksOnInListOrder) {
  for (const Case& c : kCases) {
    std::vector<std::atomic<int>> times(c.count);
    std::vector<std::size_t> handed;
    std::atomic<unsigned> highestWorker{0};
    const bool all = ParallelOrdered(
        {.count = c.count, .block = c.block, .threads = c.threads, .ahead = 3},
        [&](std::size_t first, std::size_t last, unsigned worker) {
          EXPECT_LE(last - first, c.block);
          for (std::size_t i = first; i < last; ++i) times[i]++;
          unsigned seen = highestWorker.load();
          while (worker > seen && !highestWorker.compare_exchange_weak(seen, worker)) {
          }
        },
        [&](std::size_t first, std::size_t last) {
          for (std::size_t i = first; i < last; ++i) handed.push_back(i);
        });
    EXPECT_TRUE(all);
    for (std::size_t i = 0; i < c.count; ++i) EXPECT_EQ(times[i].load(), 1) << c.count << " item " << i;
    std::vector<std::size_t> expected(c.count);
    for (std::size_t i = 0; i < c.count; ++i) expected[i] = i;
    EXPECT_EQ(handed, expected) << c.count;
    EXPECT_LT(highestWorker.load(), std::max(1u, c.threads)) << "worker numbers index per-thread scratch";
  }
}

// Blocks 3 and 5 fail, block 5 first in time: block 3's failure is the one
// reported and every block before it is handed on.
TEST(ParallelOrderedTest, TheFirstFailureInListOrderWins) {
  for (const bool withConsumer : {false, true}) {
    std::atomic<bool> fiveFailed{false};
    std::vector<std::atomic<int>> started(40);
    std::vector<std::size_t> handed;
    const BlockWork work = [&](std::size_t first, std::size_t, unsigned) {
      started[first]++;
      if (first == 5) {
        fiveFailed = true;
        throw std::runtime_error("block 5");
      }
      if (first == 3) {
        while (!fiveFailed) std::this_thread::yield();
        throw std::runtime_error("block 3");
      }
    };
    const BlockDone consume = [&](std::size_t first, std::size_t) { handed.push_back(first); };
    try {
      ParallelOrdered({.count = 40, .block = 1, .threads = 4, .ahead = 8}, work, withConsumer ? consume : BlockDone{});
      ADD_FAILURE() << "no failure reported";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), "block 3");
    }
    for (std::size_t b = 0; b <= 5; ++b) EXPECT_EQ(started[b].load(), 1) << b;
    if (withConsumer) EXPECT_EQ(handed, (std::vector<std::size_t>{0, 1, 2}));
  }
}

TEST(ParallelOrderedTest, ProgressReturningFalseStartsNoFurtherBlock) {
  for (const unsigned threads : {1u, 3u}) {
    std::atomic<std::size_t> done{0};
    std::vector<std::size_t> reported;
    const bool all = ParallelOrdered(
        {.count = 10000000, .block = 10, .threads = threads},
        [&](std::size_t first, std::size_t last, unsigned) { done += last - first; }, {},
        [&](std::size_t items, std::size_t total) {
          EXPECT_EQ(total, 10000000u);
          reported.push_back(items);
          return false;
        });
    EXPECT_FALSE(all) << threads;
    EXPECT_EQ(reported.size(), 1u) << "asked once, on the calling thread";
    EXPECT_LT(done.load(), 10000000u);
    if (threads == 1) EXPECT_EQ(done.load(), 10u) << "one thread stops right after the block it reported";
  }
  // Declining after the last block is no cancellation: everything was done.
  EXPECT_TRUE(ParallelOrdered(
      {.count = 5, .block = 5, .threads = 1}, [](std::size_t, std::size_t, unsigned) {}, {},
      [](std::size_t, std::size_t) { return false; }));
}

// With a consumer no block runs more than `ahead` blocks past the one being
// handed on: the buffers of the blocks are reused safely.
TEST(ParallelOrderedTest, NoBlockRunsFurtherAheadThanAllowed) {
  std::mutex mutex;
  std::size_t handedOn = 0, worst = 0;
  ParallelOrdered(
      {.count = 200, .block = 1, .threads = 4, .ahead = 3},
      [&](std::size_t first, std::size_t, unsigned) {
        std::lock_guard lock(mutex);
        worst = std::max(worst, first + 1 - handedOn);
      },
      [&](std::size_t first, std::size_t) {
        std::this_thread::yield();
        std::lock_guard lock(mutex);
        handedOn = first + 1;
      });
  EXPECT_LE(worst, 3u);
}

}  // namespace
}  // namespace corvelane
