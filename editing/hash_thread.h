// The SHA-1 of an archive being written, computed on a second thread beside the writing.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "editing/edit_result.h"
#include "platform/file.h"
#include "platform/sha1.h"

namespace qp {

// The writer's blocks: it reads or copies into one, hands it over, writes it, takes the next.
constexpr std::uint32_t kHashBlock = 1 << 20;
// Blocks in flight at most, and so the memory a write pass holds: the thread hashes the ones
// handed over while the writer writes the next.
constexpr int kBlocksInFlight = 4;

// Bytes handed over to be hashed: a block of the writer's, or a range of a file that the system
// copied without passing it through the writer's memory, read again from its cache.
struct HashTask {
    int block;  // its index, or -1 for `size` bytes of `file` from `offset` on
    FileHandle file;
    std::uint32_t offset;
    std::uint32_t size;
};

// The writer and the hashing thread share this record; every field the two use is under `lock`
// except the bytes of the blocks, which the writer fills only while they are not in flight, and
// the digest, which the thread alone uses until it is joined. Where no thread can be started the
// writer hashes each piece itself as it hands it over: the same digest, one core.
struct HashThread {
    std::unique_ptr<std::uint8_t[]> blocks;  // kBlocksInFlight blocks, and the thread's own
    bool in_flight[kBlocksInFlight] = {};
    int next = 0;  // the block the writer fills next
    std::deque<HashTask> tasks;
    std::mutex lock;
    std::condition_variable changed;
    bool hashing = false;  // a digest is wanted and still being computed
    bool finishing = false;
    bool stopping = false;
    Sha1 sha1{};
    EditResult failure;  // a range that could not be read again: the digest is unusable
    std::thread thread;  // not joinable when the writer hashes itself
    // A pass that ends early, on a failure or a cancel, never leaves the thread running.
    ~HashThread();
};

// Allocates the blocks and, when `digest`, starts the digest and its thread. Fails only for want
// of memory or of a digest.
EditResult StartHashing(HashThread& hash, bool digest);
// The block to fill next with up to kHashBlock bytes; waits while it is still in flight.
std::uint8_t* NextBlock(HashThread& hash);
// Hands the block NextBlock gave, holding `size` bytes, over to be hashed. The writer may write
// it meanwhile but must not change it: the next NextBlock gives another.
void HandOverBlock(HashThread& hash, std::uint32_t size);
// Hands over `size` bytes of `file` from `offset` on, which the system has just copied: they are
// read again (ReadAt) for the digest. The file stays open until the hashing is finished or
// stopped. Waits while kBlocksInFlight pieces are queued.
void HandOverRange(HashThread& hash, FileHandle file, std::uint32_t offset, std::uint32_t size);
// Waits until every byte handed over is hashed, ends the thread and gives the digest; later
// pieces are not hashed.
EditResult FinishHashing(HashThread& hash, std::uint8_t (&digest)[kSha1Size]);
// Ends the thread at once, whatever is still queued, and drops the digest: for a pass that
// failed or was cancelled. Does nothing once the hashing is finished or stopped.
void StopHashing(HashThread& hash);

}  // namespace qp
