#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Storage for the many small objects of one class (points, segments): carved
// from large aligned chunks instead of one heap block each, so that a path of
// a million points costs neither a million allocations nor a heap header per
// object. A chunk keeps a bitmap of its free slots and hands them out in
// address order, so the objects of one snapshot, copied in chain order, lie
// side by side where the previous snapshot's were, and a walk along the chain
// reads memory in order. Chunks stay for reuse until the pool is empty.
// Single-threaded, like the model. Under AddressSanitizer each object gets a
// heap block of its own, so that a use after free is still caught.
class ObjectPool {
public:
    // alignment: the class's, at most 16.
    ObjectPool(std::size_t objectSize, std::size_t alignment);
    ObjectPool(const ObjectPool&) = delete;
    ObjectPool& operator=(const ObjectPool&) = delete;

    // Room for one object of a size up to the pool's; null when memory is out.
    void* Allocate(std::size_t size) noexcept;
    void Release(void* object, std::size_t size) noexcept;

    // As operator new and delete of a class: throwing, or null for nothrow new.
    void* New(std::size_t size);

private:
    struct Chunk {
        std::uint32_t freeSlots;
        std::uint32_t firstWord;  // no free slot lies in an earlier bitmap word
        bool waiting;             // in the list of chunks with free slots
        std::uint64_t freeBits[1];  // one bit per slot, set while free; runs on past the struct
    };
    Chunk* ChunkOf(void* object) const;
    char* SlotBase(Chunk* chunk) const { return reinterpret_cast<char*>(chunk) + headerBytes; }
    bool Grow() noexcept;
    void Reset(Chunk* chunk) const;

    std::size_t slotSize;
    std::size_t slotsPerChunk;
    std::size_t headerBytes;
    Chunk* current = nullptr;
    std::vector<Chunk*> chunks;
    std::vector<Chunk*> withFreeSlots;  // besides the current one
    [[maybe_unused]] std::size_t live = 0;  // unused where sanitizers turn the pool off
};
