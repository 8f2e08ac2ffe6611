// The hashing thread: a bounded queue of blocks and file ranges, hashed in the order handed over.
#include "editing/hash_thread.h"

#include <algorithm>
#include <new>
#include <system_error>

namespace qp {
namespace {

std::uint8_t* Block(HashThread& hash, int index) {
    return hash.blocks.get() + static_cast<std::size_t>(index) * kHashBlock;
}

// Ranges are read again in pieces small enough to stay in the processor's cache until hashed.
constexpr std::uint32_t kRangeStep = 128u << 10;

// Hashes one piece; a range is read again into the thread's own block, from the page cache the
// copy has just filled. Runs on the thread, or on the writer's where there is none.
void HashPiece(HashThread& hash, const HashTask& task) {
    if (task.block >= 0) {
        UpdateSha1(hash.sha1, Block(hash, task.block), task.size);
        return;
    }
    std::uint8_t* own = Block(hash, kBlocksInFlight);
    for (std::uint32_t done = 0; done < task.size;) {
        const std::uint32_t step = std::min(task.size - done, kRangeStep);
        const Transfer read = ReadAt(task.file, task.offset + done, own, step);
        if (read.bytes != step) {
            hash.failure = FailedEdit(Outcome::read_failed, read.status);
            return;
        }
        UpdateSha1(hash.sha1, own, step);
        done += step;
    }
}

// The thread: takes the pieces in turn until the writer finishes (the queue then emptied) or
// stops (the queue left). After a failure the pieces are only taken, so the writer never waits
// for a block in vain.
void HashQueued(HashThread* hash) {
    std::unique_lock<std::mutex> held(hash->lock);
    for (;;) {
        hash->changed.wait(
            held, [hash] { return hash->stopping || hash->finishing || !hash->tasks.empty(); });
        if (hash->stopping || hash->tasks.empty()) return;
        const HashTask task = hash->tasks.front();
        held.unlock();
        if (hash->failure.outcome == Outcome::ok) HashPiece(*hash, task);
        held.lock();
        hash->tasks.pop_front();
        if (task.block >= 0) hash->in_flight[task.block] = false;
        hash->changed.notify_all();
    }
}

// Queues a piece for the thread, or hashes it at once where there is none.
void HandOver(HashThread& hash, const HashTask& task) {
    if (!hash.thread.joinable()) {
        if (hash.failure.outcome == Outcome::ok) HashPiece(hash, task);
        return;
    }
    std::unique_lock<std::mutex> held(hash.lock);
    hash.changed.wait(held, [&hash] { return hash.tasks.size() < std::size_t{kBlocksInFlight}; });
    if (task.block >= 0) hash.in_flight[task.block] = true;
    hash.tasks.push_back(task);
    hash.changed.notify_all();
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
    const std::size_t bytes = kBlocksInFlight * std::size_t{kHashBlock} + kRangeStep;
    hash.blocks.reset(new (std::nothrow) std::uint8_t[bytes]);
    if (!hash.blocks) return FailedEdit(Outcome::no_memory, IoStatus::ok);
    if (!digest) return {};
    if (!StartSha1(hash.sha1)) return FailedEdit(Outcome::write_failed, IoStatus::io_error);
    hash.hashing = true;
    try {
        hash.thread = std::thread(HashQueued, &hash);
    } catch (const std::system_error&) {
        // No second thread to be had: the writer hashes each piece as it hands it over.
    }
    return {};
}

std::uint8_t* NextBlock(HashThread& hash) {
    if (hash.thread.joinable()) {
        std::unique_lock<std::mutex> held(hash.lock);
        hash.changed.wait(held, [&hash] { return !hash.in_flight[hash.next]; });
    }
    return Block(hash, hash.next);
}

void HandOverBlock(HashThread& hash, std::uint32_t size) {
    if (!hash.hashing) return;
    HandOver(hash, {hash.next, nullptr, 0, size});
    hash.next = (hash.next + 1) % kBlocksInFlight;
}

void HandOverRange(HashThread& hash, FileHandle file, std::uint32_t offset, std::uint32_t size) {
    if (hash.hashing && size != 0) HandOver(hash, {-1, file, offset, size});
}

EditResult FinishHashing(HashThread& hash, std::uint8_t (&digest)[kSha1Size]) {
    if (!hash.hashing) return FailedEdit(Outcome::write_failed, IoStatus::io_error);
    Join(hash, false);
    const bool finished = FinishSha1(hash.sha1, digest);
    if (hash.failure.outcome != Outcome::ok) return hash.failure;
    if (!finished) return FailedEdit(Outcome::write_failed, IoStatus::io_error);
    return {};
}

void StopHashing(HashThread& hash) {
    if (!hash.hashing) return;
    Join(hash, true);
    std::uint8_t unused[kSha1Size];
    FinishSha1(hash.sha1, unused);
}

}  // namespace qp
