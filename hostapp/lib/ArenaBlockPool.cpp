#include "ArenaBlockPool.h"

#include <array>
#include <bit>
#include <utility>
#include <vector>

namespace {

// One list per size; a few blocks of each are enough for the documents that come and go one at
// a time, and bound what an idle thread holds (under 1 MB).
constexpr std::size_t kArenaBlockSizes = std::bit_width(ArenaBlockPool::kLargest / ArenaBlockPool::kSmallest);
constexpr std::size_t kArenaBlocksKeptPerSize = 6;

struct ArenaBlockLists {
    std::array<std::vector<std::unique_ptr<std::byte[]>>, kArenaBlockSizes> kept;
};

// Documents may outlive the thread's pool (a cache destroyed at exit, after the thread's own
// objects): the state, trivially destroyed, says whether the pool may still be used.
enum class State { kUnused, kOpen, kClosed };
thread_local State poolState = State::kUnused;

struct ArenaBlockListsHolder {
    ArenaBlockLists lists;
    ArenaBlockListsHolder() { poolState = State::kOpen; }
    ~ArenaBlockListsHolder() { poolState = State::kClosed; }
};

// The thread's pool; null once it is gone.
ArenaBlockLists* threadBlockLists()
{
    if (poolState == State::kClosed)
        return nullptr;
    thread_local ArenaBlockListsHolder holder;
    return &holder.lists;
}

// The list for blocks of size; kArenaBlockSizes when blocks of that size are not kept.
std::size_t arenaSizeIndex(std::size_t size)
{
    if (size < ArenaBlockPool::kSmallest || size > ArenaBlockPool::kLargest || !std::has_single_bit(size))
        return kArenaBlockSizes;
    return static_cast<std::size_t>(std::bit_width(size / ArenaBlockPool::kSmallest)) - 1;
}

} // namespace

std::unique_ptr<std::byte[]> ArenaBlockPool::take(std::size_t size)
{
    const std::size_t index = arenaSizeIndex(size);
    ArenaBlockLists* p = index < kArenaBlockSizes ? threadBlockLists() : nullptr;
    if (p != nullptr && !p->kept[index].empty()) {
        std::unique_ptr<std::byte[]> block = std::move(p->kept[index].back());
        p->kept[index].pop_back();
        return block;
    }
    return std::make_unique_for_overwrite<std::byte[]>(size);
}

void ArenaBlockPool::give(std::unique_ptr<std::byte[]> block, std::size_t size)
{
#ifdef __SANITIZE_ADDRESS__
    // Freed at once, so that the sanitizer sees a node used after its document went.
    return;
#endif
    const std::size_t index = arenaSizeIndex(size);
    ArenaBlockLists* p = index < kArenaBlockSizes ? threadBlockLists() : nullptr;
    if (p != nullptr && p->kept[index].size() < kArenaBlocksKeptPerSize)
        p->kept[index].push_back(std::move(block));
}
