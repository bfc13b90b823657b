#include "model/ObjectPool.h"

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define VSE_POOL_OFF 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VSE_POOL_OFF 1
#endif
#endif

namespace {

// Large enough that the chunk comes straight from the system and only its
// touched pages count, small enough that a short path does not waste much.
constexpr std::size_t ChunkBytes = std::size_t(1) << 20;

}  // namespace

ObjectPool::ObjectPool(std::size_t objectSize, std::size_t alignment)
    : slotSize((objectSize + alignment - 1) / alignment * alignment)
{
    if (slotSize < sizeof(FreeSlot))
        slotSize = sizeof(FreeSlot);
}

bool ObjectPool::Grow() noexcept
{
    try {
        chunks.reserve(chunks.size() + 1);
    } catch (...) {
        return false;
    }
    char* chunk = static_cast<char*>(std::malloc(ChunkBytes));
    if (!chunk)
        return false;
    chunks.push_back(chunk);
    fresh = chunk;
    freshEnd = chunk + ChunkBytes / slotSize * slotSize;
    return true;
}

void* ObjectPool::Allocate(std::size_t size) noexcept
{
#ifdef VSE_POOL_OFF
    return std::malloc(size);
#else
    if (size > slotSize)
        return std::malloc(size);  // a larger class derived from the pooled one
    void* slot;
    if (freeSlots) {
        slot = freeSlots;
        freeSlots = freeSlots->next;
    } else {
        if (fresh == freshEnd && !Grow())
            return nullptr;
        slot = fresh;
        fresh += slotSize;
    }
    ++live;
    return slot;
#endif
}

void ObjectPool::Release(void* object, std::size_t size) noexcept
{
    if (!object)
        return;
#ifdef VSE_POOL_OFF
    (void)size;
    std::free(object);
#else
    if (size > slotSize) {
        std::free(object);
        return;
    }
    if (--live == 0) {
        // Nothing is left: start again at the first chunk and hand back the rest.
        for (std::size_t i = 1; i < chunks.size(); ++i)
            std::free(chunks[i]);
        chunks.resize(1);
        freeSlots = nullptr;
        fresh = chunks[0];
        freshEnd = fresh + ChunkBytes / slotSize * slotSize;
        return;
    }
    auto* slot = static_cast<FreeSlot*>(object);
    slot->next = freeSlots;
    freeSlots = slot;
#endif
}

void* ObjectPool::New(std::size_t size)
{
    void* object = Allocate(size);
    if (!object)
        throw std::bad_alloc();
    return object;
}
