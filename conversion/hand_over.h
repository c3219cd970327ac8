// Items handed in order from the thread that reads and decodes a log to a
// second one that turns them into the document, so that the two halves of a
// run share both cores. A bounded ring keeps memory constant; the threads meet
// once per batch, not once per item. A run of fewer items than a batch, or one
// that cannot have a thread, has its items taken on the calling thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

namespace conversion {

// `Take` is called with each item, in order, on one thread at a time. Each
// meeting of the threads costs a wake-up, a system call on a virtual machine:
// runs whose items are cheap to take hand over larger batches.
template <typename T, typename Take, uint64_t Slots = 1024, uint64_t Batch = 128> class HandOver {
  public:
    static constexpr uint64_t kSlots = Slots;
    static constexpr uint64_t kBatch = Batch;
    static_assert(kBatch <= kSlots / 2);

    // The ring's memory is taken but its slots are made only as they are
    // first reached, so that a short run touches no more than it uses.
    explicit HandOver(Take take) : take_(take), ring_(static_cast<T *>(::operator new[](kSlots * sizeof(T), kAlign))) {}
    ~HandOver() {
        if (thread_.joinable()) {
            stop_.store(true, std::memory_order_relaxed);
            Finish();
        }
        for (uint64_t i = 0; i < made_; ++i) ring_[i].~T();
        ::operator delete[](ring_, kAlign);
    }
    HandOver(const HandOver &) = delete;
    HandOver &operator=(const HandOver &) = delete;

    // The slot the next item is written into; waits while the ring is full.
    T &Next() {
        while (produced_ - consumed_ >= kSlots) {
            consumed_ = tail_.load(std::memory_order_acquire);
            if (produced_ - consumed_ >= kSlots) tail_.wait(consumed_, std::memory_order_acquire);
        }
        if (made_ < kSlots && made_ == produced_) new (&ring_[made_++]) T();
        return ring_[produced_ % kSlots];
    }
    // The slot of Next is filled; true when a batch went over with it.
    bool Push() {
        if (++produced_ - published_ < kBatch) return false;
        Publish(false);
        return true;
    }
    // Every item pushed is taken when this returns; an exception thrown by
    // `Take` on the second thread is thrown here.
    void Drain() {
        Publish(true);
        if (thread_.joinable()) thread_.join();
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    }

  private:
    // The head counts items twice over; its low bit says no more will come.
    void Publish(bool last) {
        if (!thread_.joinable() && !inLine_ && !last) Start();
        if (inLine_ || !thread_.joinable()) {
            for (; published_ < produced_; ++published_) take_(ring_[published_ % kSlots]);
            consumed_ = produced_;
            return;
        }
        published_ = produced_;
        head_.store(published_ * 2 + (last ? 1 : 0), std::memory_order_release);
        head_.notify_one();
    }
    void Start() {
        try {
            thread_ = std::thread([this] { Consume(); });
        } catch (const std::system_error &) {
            inLine_ = true; // no thread to be had: the items are taken here
        }
    }
    void Finish() {
        head_.store(produced_ * 2 + 1, std::memory_order_release);
        head_.notify_one();
        thread_.join();
    }
    void Consume() {
        uint64_t tail = 0;
        for (;;) {
            uint64_t head = head_.load(std::memory_order_acquire);
            while (head / 2 == tail && head % 2 == 0) {
                head_.wait(head, std::memory_order_acquire);
                head = head_.load(std::memory_order_acquire);
            }
            for (const uint64_t end = head / 2; tail < end;) {
                if (!error_ && !stop_.load(std::memory_order_relaxed)) {
                    try {
                        take_(ring_[tail % kSlots]);
                    } catch (...) {
                        error_ = std::current_exception(); // the rest is passed over
                    }
                }
                if (++tail % kBatch == 0 || tail == end) {
                    tail_.store(tail, std::memory_order_release);
                    tail_.notify_one();
                }
            }
            if (head % 2 == 1) return;
        }
    }

    // What one thread writes often lies on a cache line of its own: a line
    // that both threads write passes between the cores on every write.
    static constexpr size_t kLine = 64;

    static constexpr std::align_val_t kAlign{alignof(T)};

    Take take_;
    T *ring_;
    std::atomic<bool> stop_{false};
    std::exception_ptr error_; // written by the consumer, read after it has ended
    std::thread thread_;
    // The producer's own counts: items pushed, handed over, known taken.
    alignas(kLine) uint64_t produced_ = 0;
    uint64_t published_ = 0, consumed_ = 0;
    uint64_t made_ = 0; // slots constructed: the first made_ of the ring
    bool inLine_ = false;
    alignas(kLine) std::atomic<uint64_t> head_{0};
    alignas(kLine) std::atomic<uint64_t> tail_{0};
};

} // namespace conversion
