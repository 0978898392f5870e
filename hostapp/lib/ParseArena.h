#pragma once
#include <gumbo.h>

#include <array>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <vector>

// The memory of one parse. The parser allocates and frees a great many small pieces (every
// token, every buffer it grows a character at a time) and frees them all when its output is
// destroyed; the small ones are carved from blocks that go at once with the arena, which took a
// fifth of the time of parsing a page. A large piece (a long text) comes from the heap and goes
// back when freed, so that a large page does not keep every buffer it outgrew.
class ParseArena {
public:
    ParseArena() = default;
    ParseArena(const ParseArena&) = delete;
    ParseArena& operator=(const ParseArena&) = delete;
    ~ParseArena()
    {
        for (void* piece : heap_)
            std::free(piece);
    }

    // The parser's allocator and deallocator (userdata is the arena).
    static void* allocate(void* userdata, std::size_t size)
    {
        // Nothing may be thrown through the parser: out of memory is a null, as malloc's.
        try {
            return static_cast<ParseArena*>(userdata)->take(size);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    static void deallocate(void* userdata, void* memory) { static_cast<ParseArena*>(userdata)->give(memory); }

    void useFor(GumboOptions& options)
    {
        options.allocator = &ParseArena::allocate;
        options.deallocator = &ParseArena::deallocate;
        options.userdata = this;
    }

private:
    // Every piece starts after a header that tells where it came from; the header keeps the
    // piece aligned as malloc's are.
    struct alignas(std::max_align_t) Header {
        std::size_t heapIndex; // kInBlock + the piece's size class, or its place in heap_
    };
    static constexpr std::size_t kInBlock = std::size_t(1) << (std::numeric_limits<std::size_t>::digits - 1);
    static constexpr std::size_t kLargePiece = 4096;
    static constexpr std::size_t kBlockSize = 64 * 1024;
    // Size classes of small pieces, in steps of the alignment.
    static constexpr std::size_t kClasses = (sizeof(Header) + kLargePiece) / alignof(Header) + 1;

    // take and give are inlined into the functions the parser calls (a call for every piece).
    [[gnu::always_inline]] void* take(std::size_t size)
    {
        const std::size_t align = alignof(Header);
        const std::size_t need = sizeof(Header) + (size + align - 1) / align * align;
        Header* header;
        // A small piece given back is used again for one of its size: the parser frees as much as
        // it keeps (every token's buffers), and without reuse a page took fifty times its size.
        if (size <= kLargePiece && free_[need / align] != nullptr) {
            header = free_[need / align];
            free_[need / align] = *reinterpret_cast<Header**>(header + 1);
            return header + 1;
        }
        if (size > kLargePiece) {
            if (heap_.size() == heap_.capacity())
                heap_.reserve(heap_.empty() ? 16 : 2 * heap_.capacity());
            header = static_cast<Header*>(std::malloc(need));
            if (header == nullptr)
                return nullptr;
            heap_.push_back(header);
            header->heapIndex = heap_.size() - 1;
        } else {
            if (left_ < need) {
                blocks_.push_back(
                    std::make_unique_for_overwrite<std::max_align_t[]>(kBlockSize / sizeof(std::max_align_t)));
                next_ = reinterpret_cast<std::byte*>(blocks_.back().get());
                left_ = kBlockSize;
            }
            header = reinterpret_cast<Header*>(next_);
            next_ += need;
            left_ -= need;
            header->heapIndex = kInBlock + need / align;
        }
        return header + 1;
    }

    [[gnu::always_inline]] void give(void* memory)
    {
        if (memory == nullptr)
            return;
        Header* header = static_cast<Header*>(memory) - 1;
        if (header->heapIndex >= kInBlock) {
            // Kept for reuse; the piece goes with its block. Its first bytes link it in.
            const std::size_t sizeClass = header->heapIndex - kInBlock;
            *static_cast<Header**>(memory) = free_[sizeClass];
            free_[sizeClass] = header;
            return;
        }
        heap_[header->heapIndex] = nullptr;
        std::free(header);
    }

    std::vector<std::unique_ptr<std::max_align_t[]>> blocks_;
    std::byte* next_ = nullptr;
    std::size_t left_ = 0;
    std::vector<void*> heap_;
    std::array<Header*, kClasses> free_{};
};
