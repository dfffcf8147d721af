#include "tables/buffer_pool.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace velmora::tables {
namespace {

using buffer_pool::kKeptBytes;
using buffer_pool::kSmallestBlock;

TEST(BufferPool, AFreedLargeBlockIsHandedOutAgainForTheSameSizeClass) {
  void *block = buffer_pool::take(3 * kSmallestBlock);
  std::memset(block, 1, 4 * kSmallestBlock); // the whole class is usable
  const std::size_t kept = buffer_pool::kept_bytes();
  buffer_pool::give(block, 3 * kSmallestBlock);
  EXPECT_EQ(buffer_pool::kept_bytes(), kept + 4 * kSmallestBlock);
  void *again = buffer_pool::take(4 * kSmallestBlock - 1);
  EXPECT_EQ(again, block);
  EXPECT_EQ(buffer_pool::kept_bytes(), kept);
  buffer_pool::give(again, 4 * kSmallestBlock - 1);
}

TEST(BufferPool, KeepsNoMoreThanItsBound) {
  std::vector<void *> blocks;
  const std::size_t size = kKeptBytes / 8;
  for (int i = 0; i < 12; ++i) blocks.push_back(buffer_pool::take(size));
  for (void *block : blocks) buffer_pool::give(block, size);
  EXPECT_LE(buffer_pool::kept_bytes(), kKeptBytes);
  EXPECT_GE(buffer_pool::kept_bytes(), kKeptBytes - size);
}

TEST(BufferPool, BuffersOfEverySizeKeepTheirContentsAcrossGrowthOnManyThreads) {
  auto fill = [](int seed) {
    for (int round = 0; round < 20; ++round) {
      Buffer<std::int32_t> values;
      for (int i = 0; i < 100000; ++i) values.push_back(seed + i);
      for (int i = 0; i < 100000; ++i) ASSERT_EQ(values[i], seed + i);
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(fill, t * 1000);
  for (std::thread &thread : threads) thread.join();
  EXPECT_LE(buffer_pool::kept_bytes(), kKeptBytes);
}

} // namespace
} // namespace velmora::tables
