// Movable global memory: one table of live blocks behind one lock.
#include "platform/base/memory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/base/errors.h"
#include "platform/base/memory_owner.h"
#include "platform/base/thread.h"

namespace {

constexpr UINT kAllocFlags =
    GMEM_MOVEABLE | GMEM_NOCOMPACT | GMEM_NODISCARD | GMEM_ZEROINIT | GMEM_DISCARDABLE | GMEM_SHARE;
constexpr UINT kReAllocFlags = GMEM_MOVEABLE | GMEM_ZEROINIT;

struct Block {
    explicit Block(bool isMovable) : movable(isMovable) {}
    ~Block() { std::free(data); }
    Block(const Block &) = delete;
    Block &operator=(const Block &) = delete;

    const bool movable;
    bool adopted = false;  // owned by the clipboard
    unsigned locks = 0;
    unsigned char *data = nullptr;
    SIZE_T size = 0;
    SIZE_T room = 0;  // bytes allocated: at least 1, so even an empty block has an address of its own
};

struct Table {
    std::mutex lock;
    std::unordered_map<std::uintptr_t, std::unique_ptr<Block>> blocks;
    // Movable handles are odd: never the address of an allocation, so never a fixed block's handle.
    std::uintptr_t nextMovable = 0x10001;
};

Table &TheTable()
{
    static Table *table = new Table;  // outlives every static destructor that may free a block
    return *table;
}

Block *FindLocked(Table &table, HGLOBAL mem)
{
    auto it = table.blocks.find(reinterpret_cast<std::uintptr_t>(mem));
    return it != table.blocks.end() ? it->second.get() : nullptr;
}

// Resizes within the room the block has, or moves it when allowed; false when neither works.
bool Resize(Block &block, SIZE_T bytes, bool mayMove)
{
    if (bytes > block.room) {
        if (!mayMove)
            return false;
        void *moved = std::realloc(block.data, bytes);
        if (moved == nullptr)
            return false;
        block.data = static_cast<unsigned char *>(moved);
        block.room = bytes;
    }
    if (bytes > block.size)
        std::memset(block.data + block.size, 0, bytes - block.size);
    block.size = bytes;
    return true;
}

HGLOBAL Fail(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
    if ((flags & ~kAllocFlags) != 0)
        return Fail(ERROR_INVALID_PARAMETER);
    if (bytes > kMaxGlobalBytes)
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    auto block = std::make_unique<Block>((flags & GMEM_MOVEABLE) != 0);
    block->room = std::max<SIZE_T>(bytes, 1);
    block->data = static_cast<unsigned char *>(std::calloc(block->room, 1));
    if (block->data == nullptr)
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    block->size = bytes;
    Table &table = TheTable();
    std::lock_guard<std::mutex> hold(table.lock);
    std::uintptr_t handle = 0;
    if (block->movable) {
        handle = table.nextMovable;
        table.nextMovable += 2;
    } else {
        handle = reinterpret_cast<std::uintptr_t>(block->data);
    }
    table.blocks.emplace(handle, std::move(block));
    return reinterpret_cast<HGLOBAL>(handle);
}

void *GlobalLock(HGLOBAL mem)
{
    Table &table = TheTable();
    std::lock_guard<std::mutex> hold(table.lock);
    Block *block = FindLocked(table, mem);
    if (block == nullptr)
        return Fail(ERROR_INVALID_HANDLE);
    if (block->movable)
        ++block->locks;
    return block->data;
}

BOOL GlobalUnlock(HGLOBAL mem)
{
    Table &table = TheTable();
    std::lock_guard<std::mutex> hold(table.lock);
    Block *block = FindLocked(table, mem);
    if (block == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (block->locks == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--block->locks > 0)
        return TRUE;
    SetLastError(ERROR_SUCCESS);
    return FALSE;
}

SIZE_T GlobalSize(HGLOBAL mem)
{
    Table &table = TheTable();
    std::lock_guard<std::mutex> hold(table.lock);
    Block *block = FindLocked(table, mem);
    if (block == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return block->size;
}

HGLOBAL GlobalReAlloc(HGLOBAL mem, SIZE_T bytes, UINT flags)
{
    if ((flags & ~kReAllocFlags) != 0)
        return Fail(ERROR_INVALID_PARAMETER);
    Table &table = TheTable();
    std::lock_guard<std::mutex> hold(table.lock);
    Block *block = FindLocked(table, mem);
    if (block == nullptr || block->adopted)
        return Fail(ERROR_INVALID_HANDLE);
    if (bytes > kMaxGlobalBytes)
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    bool mayMove = block->movable ? block->locks == 0 : (flags & GMEM_MOVEABLE) != 0;
    if (!Resize(*block, bytes, mayMove))
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    if (block->movable)
        return mem;
    // A fixed block is named by its address, which may have changed.
    auto handle = reinterpret_cast<std::uintptr_t>(block->data);
    if (handle != reinterpret_cast<std::uintptr_t>(mem)) {
        auto node = table.blocks.extract(reinterpret_cast<std::uintptr_t>(mem));
        node.key() = handle;
        table.blocks.insert(std::move(node));
    }
    return reinterpret_cast<HGLOBAL>(handle);
}

HGLOBAL GlobalFree(HGLOBAL mem)
{
    Table &table = TheTable();
    std::lock_guard<std::mutex> hold(table.lock);
    auto it = table.blocks.find(reinterpret_cast<std::uintptr_t>(mem));
    if (it == table.blocks.end() || it->second->adopted) {
        SetLastError(ERROR_INVALID_HANDLE);
        return mem;
    }
    table.blocks.erase(it);
    return nullptr;
}

namespace qsbase {

bool AdoptGlobal(HGLOBAL mem)
{
    Table &table = TheTable();
    std::lock_guard<std::mutex> hold(table.lock);
    Block *block = FindLocked(table, mem);
    if (block == nullptr || block->adopted)
        return false;
    block->adopted = true;
    return true;
}

void FreeAdoptedGlobal(HGLOBAL mem)
{
    Table &table = TheTable();
    std::lock_guard<std::mutex> hold(table.lock);
    auto it = table.blocks.find(reinterpret_cast<std::uintptr_t>(mem));
    if (it != table.blocks.end() && it->second->adopted)
        table.blocks.erase(it);
}

}  // namespace qsbase
