// The hashing thread: a ring of blocks, hashed in the order the writer hands them over.
#include "editing/hash_thread.h"

#include <new>
#include <system_error>

namespace qp {
namespace {

std::uint8_t* Block(HashThread& hash, std::uint64_t index) {
    return hash.blocks.get() + static_cast<std::size_t>(index % kBlocksInFlight) * kHashBlock;
}

// The thread: hashes the blocks in turn until the writer finishes (every block handed over then
// hashed) or stops (the rest left).
void HashQueued(HashThread* hash) {
    std::unique_lock<std::mutex> held(hash->lock);
    for (;;) {
        hash->changed.wait(held, [hash] {
            return hash->stopping || hash->finishing || hash->hashed < hash->handed;
        });
        if (hash->stopping || hash->hashed == hash->handed) return;
        const std::uint64_t index = hash->hashed;
        const std::uint32_t size = hash->sizes[index % kBlocksInFlight];
        held.unlock();
        UpdateSha1(hash->sha1, Block(*hash, index), size);
        held.lock();
        ++hash->hashed;
        hash->changed.notify_all();
    }
}

// Tells the thread to finish or to stop, and waits for it to end.
void Join(HashThread& hash, bool stop) {
    {
        const std::lock_guard<std::mutex> held(hash.lock);
        (stop ? hash.stopping : hash.finishing) = true;
    }
    hash.changed.notify_all();
    if (hash.thread.joinable()) hash.thread.join();
    hash.hashing = false;
}

}  // namespace

HashThread::~HashThread() {
    StopHashing(*this);
}

EditResult StartHashing(HashThread& hash, bool digest) {
    hash.blocks.reset(new (std::nothrow) std::uint8_t[kBlocksInFlight * std::size_t{kHashBlock}]);
    if (!hash.blocks) return FailedEdit(Outcome::no_memory, IoStatus::ok);
    if (!digest) return {};
    if (!StartSha1(hash.sha1)) return FailedEdit(Outcome::write_failed, IoStatus::io_error);
    hash.hashing = true;
    try {
        hash.thread = std::thread(HashQueued, &hash);
    } catch (const std::system_error&) {
        // No second thread to be had: the writer hashes each block as it hands it over.
    }
    return {};
}

std::uint8_t* NextBlock(HashThread& hash) {
    if (hash.thread.joinable()) {
        std::unique_lock<std::mutex> held(hash.lock);
        hash.changed.wait(held, [&hash] { return hash.handed - hash.hashed < kBlocksInFlight; });
    }
    return Block(hash, hash.handed);
}

void HandOverBlock(HashThread& hash, std::uint32_t size) {
    if (!hash.hashing) return;
    if (!hash.thread.joinable()) {
        UpdateSha1(hash.sha1, Block(hash, hash.handed), size);
        return;
    }
    {
        const std::lock_guard<std::mutex> held(hash.lock);
        hash.sizes[hash.handed % kBlocksInFlight] = size;
        ++hash.handed;
    }
    hash.changed.notify_all();
}

EditResult FinishHashing(HashThread& hash, std::uint8_t (&digest)[kSha1Size]) {
    if (!hash.hashing) return FailedEdit(Outcome::write_failed, IoStatus::io_error);
    Join(hash, false);
    if (!FinishSha1(hash.sha1, digest))
        return FailedEdit(Outcome::write_failed, IoStatus::io_error);
    return {};
}

void StopHashing(HashThread& hash) {
    if (!hash.hashing) return;
    Join(hash, true);
    std::uint8_t unused[kSha1Size];
    FinishSha1(hash.sha1, unused);
}

}  // namespace qp
