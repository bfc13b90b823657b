#pragma once

#include <cstddef>
#include <vector>

// Storage for the many small objects of one class (points, segments): carved
// from large chunks instead of one heap block each, so that a path of a million
// points costs neither a million allocations nor a heap header per object, and
// a snapshot of the path allocates mostly by moving a pointer. Freed objects
// are reused; when the last object goes, all but the first chunk go back.
// Single-threaded, like the model. Under AddressSanitizer every object gets a
// heap block of its own, so that use after free is still caught.
class ObjectPool {
public:
    // alignment: the class's, at most that of malloc.
    ObjectPool(std::size_t objectSize, std::size_t alignment);
    ObjectPool(const ObjectPool&) = delete;
    ObjectPool& operator=(const ObjectPool&) = delete;

    // Room for one object of a size up to the pool's; null when memory is out.
    void* Allocate(std::size_t size) noexcept;
    void Release(void* object, std::size_t size) noexcept;

    // As operator new and delete of a class: throwing, or null for nothrow new.
    void* New(std::size_t size);
    void* NewNoThrow(std::size_t size) noexcept { return Allocate(size); }
    void Delete(void* object, std::size_t size) noexcept { Release(object, size); }

private:
    struct FreeSlot {
        FreeSlot* next;
    };
    bool Grow() noexcept;

    std::size_t slotSize;
    FreeSlot* freeSlots = nullptr;
    char* fresh = nullptr;  // the unused rest of the newest chunk
    char* freshEnd = nullptr;
    std::vector<char*> chunks;
    std::size_t live = 0;
};
