#include "model/ObjectPool.h"

#include <cstdlib>
#include <cstring>
#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define VSE_POOL_OFF 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VSE_POOL_OFF 1
#endif
#endif

namespace {

// Chunks are aligned to their size, so an object's chunk is its address with
// the low bits cleared. Large enough for many thousand objects each, and one
// huge page where the system offers them: a hit test reads objects scattered
// over the chunks, and with small pages nearly each read missed the TLB.
constexpr std::size_t ChunkBytes = std::size_t(1) << 21;

void* MapAligned()
{
#ifdef _WIN32
    // Windows reserves on 64 KB boundaries and releases only whole
    // reservations: reserve twice the size and commit the aligned half. The
    // other half stays unused address space, never memory.
    char* raw = static_cast<char*>(::VirtualAlloc(nullptr, 2 * ChunkBytes, MEM_RESERVE, PAGE_NOACCESS));
    if (!raw)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    auto* aligned = reinterpret_cast<void*>((start + ChunkBytes - 1) & ~std::uintptr_t(ChunkBytes - 1));
    if (!::VirtualAlloc(aligned, ChunkBytes, MEM_COMMIT, PAGE_READWRITE)) {
        ::VirtualFree(raw, 0, MEM_RELEASE);
        return nullptr;
    }
    return aligned;
#else
    void* raw = ::mmap(nullptr, 2 * ChunkBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + ChunkBytes - 1) & ~std::uintptr_t(ChunkBytes - 1);
    if (aligned > start)
        ::munmap(raw, aligned - start);
    if (aligned + ChunkBytes < start + 2 * ChunkBytes)
        ::munmap(reinterpret_cast<void*>(aligned + ChunkBytes), start + 2 * ChunkBytes - aligned - ChunkBytes);
#ifdef MADV_HUGEPAGE
    ::madvise(reinterpret_cast<void*>(aligned), ChunkBytes, MADV_HUGEPAGE);  // only a hint
#endif
    return reinterpret_cast<void*>(aligned);
#endif
}

void Unmap(void* chunk)
{
#ifdef _WIN32
    MEMORY_BASIC_INFORMATION info;
    if (::VirtualQuery(chunk, &info, sizeof info) == sizeof info)
        ::VirtualFree(info.AllocationBase, 0, MEM_RELEASE);
#else
    ::munmap(chunk, ChunkBytes);
#endif
}

}  // namespace

ObjectPool::ObjectPool(std::size_t objectSize, std::size_t alignment)
    : slotSize((objectSize + alignment - 1) / alignment * alignment)
{
    const std::size_t most = ChunkBytes / slotSize;
    const std::size_t words = (most + 63) / 64;
    headerBytes = (offsetof(Chunk, freeBits) + words * sizeof(std::uint64_t) + 15) / 16 * 16;
    slotsPerChunk = (ChunkBytes - headerBytes) / slotSize;
}

ObjectPool::Chunk* ObjectPool::ChunkOf(void* object) const
{
    return reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(object) & ~std::uintptr_t(ChunkBytes - 1));
}

void ObjectPool::Reset(Chunk* chunk) const
{
    chunk->freeSlots = std::uint32_t(slotsPerChunk);
    chunk->firstWord = 0;
    chunk->waiting = false;
    const std::size_t words = (slotsPerChunk + 63) / 64;
    std::memset(chunk->freeBits, 0xff, words * sizeof(std::uint64_t));
    if (slotsPerChunk % 64)
        chunk->freeBits[words - 1] = (std::uint64_t(1) << (slotsPerChunk % 64)) - 1;
}

bool ObjectPool::Grow() noexcept
{
    try {
        chunks.reserve(chunks.size() + 1);
        withFreeSlots.reserve(chunks.size() + 1);  // so a release never has to allocate
    } catch (...) {
        return false;
    }
    auto* chunk = static_cast<Chunk*>(MapAligned());
    if (!chunk)
        return false;
    Reset(chunk);
    chunks.push_back(chunk);
    current = chunk;
    return true;
}

void* ObjectPool::Allocate(std::size_t size) noexcept
{
#ifdef VSE_POOL_OFF
    return std::malloc(size);
#else
    if (size > slotSize)
        return std::malloc(size);  // a larger class derived from the pooled one
    while (!current || current->freeSlots == 0) {
        if (!withFreeSlots.empty()) {
            current = withFreeSlots.back();
            withFreeSlots.pop_back();
            current->waiting = false;
        } else if (!Grow()) {
            return nullptr;
        }
    }
    std::uint32_t word = current->firstWord;
    while (current->freeBits[word] == 0)
        ++word;
    const int bit = __builtin_ctzll(current->freeBits[word]);
    current->freeBits[word] &= current->freeBits[word] - 1;
    current->firstWord = word;
    --current->freeSlots;
    ++live;
    char* object = SlotBase(current) + (std::size_t(word) * 64 + bit) * slotSize;
    // Free slots are handed out in address order, so the ones a little
    // further on are most likely next: fetching them now keeps a snapshot,
    // which makes a hundred thousand objects in a row, from waiting on memory
    // at every one. (A prefetch of an address outside the chunk is harmless.)
    __builtin_prefetch(object + 16 * slotSize, 1);
    __builtin_prefetch(object + 17 * slotSize - 1, 1);
    return object;
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
        // Nothing is left: keep one chunk, emptied, and hand back the rest.
        for (std::size_t i = 1; i < chunks.size(); ++i)
            Unmap(chunks[i]);
        chunks.resize(1);
        withFreeSlots.clear();
        current = chunks[0];
        Reset(current);
        return;
    }
    Chunk* chunk = ChunkOf(object);
    const std::size_t index = std::size_t(static_cast<char*>(object) - SlotBase(chunk)) / slotSize;
    const auto word = std::uint32_t(index / 64);
    chunk->freeBits[word] |= std::uint64_t(1) << (index % 64);
    if (word < chunk->firstWord)
        chunk->firstWord = word;
    ++chunk->freeSlots;
    if (chunk != current && !chunk->waiting) {
        chunk->waiting = true;
        withFreeSlots.push_back(chunk);  // room reserved by Grow
    }
#endif
}

void* ObjectPool::New(std::size_t size)
{
    void* object = Allocate(size);
    if (!object)
        throw std::bad_alloc();
    return object;
}
