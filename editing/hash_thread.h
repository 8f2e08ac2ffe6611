// The SHA-1 of an archive being written, computed on a second thread beside the writing.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "editing/edit_result.h"
#include "platform/sha1.h"

namespace qp {

// The writer's blocks: it reads the next bytes of the archive into one, writes it, hands it over
// and fills the next, while the thread hashes the ones handed over, in turn. A block is small
// enough to stay in the processor's cache from the read to the write; and Linux's page cache
// takes writes of a few hundred KiB for a fraction of the time per byte that writes of a whole
// MiB cost it.
constexpr std::uint32_t kHashBlock = 256u << 10;
// Blocks in flight at most, and so the memory a write pass holds (4 MiB): enough that a block the
// writer fills again has left the other core's cache, where the read into it cost twice as much
// with 2 MiB.
constexpr int kBlocksInFlight = 16;

// The writer and the hashing thread share this record; the counts, the sizes and the flags are
// under `lock`. The bytes of a block are the writer's until it is handed over, then the thread's
// to read until it is hashed; the digest is the thread's alone until it is joined. Where no
// thread can be started the writer hashes each block itself as it hands it over: the same
// digest, one core.
struct HashThread {
    std::unique_ptr<std::uint8_t[]> blocks;  // kBlocksInFlight blocks of kHashBlock bytes
    std::uint32_t sizes[kBlocksInFlight] = {};
    std::uint64_t handed = 0;  // blocks handed over: the writer fills block handed % N next
    std::uint64_t hashed = 0;  // blocks hashed, in the order they were handed over
    std::mutex lock;
    std::condition_variable changed;
    bool hashing = false;  // a digest is wanted and still being computed
    bool finishing = false;
    bool stopping = false;
    Sha1 sha1{};
    std::thread thread;  // not joinable when the writer hashes itself
    // A pass that ends early, on a failure or a cancel, never leaves the thread running.
    ~HashThread();
};

// Allocates the blocks and, when `digest`, starts the digest and its thread. Fails only for want
// of memory or of a digest.
EditResult StartHashing(HashThread& hash, bool digest);
// The block to fill next with up to kHashBlock bytes; waits while it is still being hashed.
std::uint8_t* NextBlock(HashThread& hash);
// Hands the block NextBlock gave, holding `size` bytes, over to be hashed (nothing when no digest
// is wanted); the writer must not change it any more: the next NextBlock gives another.
void HandOverBlock(HashThread& hash, std::uint32_t size);
// Waits until every block handed over is hashed, ends the thread and gives the digest; later
// blocks are not hashed.
EditResult FinishHashing(HashThread& hash, std::uint8_t (&digest)[kSha1Size]);
// Ends the thread at once, whatever is still to hash, and drops the digest: for a pass that
// failed or was cancelled. Does nothing once the hashing is finished or stopped.
void StopHashing(HashThread& hash);

}  // namespace qp
