#pragma once
#include <cstddef>
#include <memory>

// The blocks that documents carve their nodes from, kept when a document goes for the next one
// on the same thread. A run reads hundreds of data files and pages one after another: handing
// each document's blocks back to the heap made the heap shrink and grow again for every file,
// and the pages it gave back were faulted in again by the next one.
class ArenaBlockPool {
public:
    // The sizes kept: 4 KB doubling up to 64 KB, the sizes a document's blocks grow through.
    static constexpr std::size_t kSmallest = 4096;
    static constexpr std::size_t kLargest = 64 * 1024;

    // A block of size bytes, kept or new (uninitialised).
    static std::unique_ptr<std::byte[]> take(std::size_t size);
    // Keeps a block of size bytes for a later take, or frees it (a size not kept, enough kept
    // already, or a thread that is ending).
    static void give(std::unique_ptr<std::byte[]> block, std::size_t size);
};
