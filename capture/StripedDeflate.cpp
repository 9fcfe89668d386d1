#include "capture/StripedDeflate.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "capture/CaptureError.h"

namespace snaplark {

namespace {

constexpr int kLevel = 7;
constexpr int kWindowBits = 15;
constexpr int kMemLevel = 8;
constexpr std::size_t kWindowBytes = std::size_t{1} << kWindowBits;

// Deflate with a 32 KiB window (78); level 7 is of the "slowest" class, no
// preset dictionary (DA), the pair a multiple of 31. What deflateInit writes.
constexpr std::uint8_t kZlibHeader[2] = {0x78, 0xDA};
static_assert((kZlibHeader[0] * 256 + kZlibHeader[1]) % 31 == 0);

// Where the stripes lie: whole rows, each stripe at least stripeBytes long
// unless the rows run out, and no stripe empty.
struct Layout {
    std::size_t rowsPerStripe = 1;
    std::size_t stripes = 1;
    std::size_t rows = 0;
    std::size_t rowBytes = 0;

    Layout(const RowSource& source, std::size_t stripeBytes)
        : rows(source.count), rowBytes(source.bytes)
    {
        const std::size_t count =
            std::max<std::size_t>(1, std::min(rows, rows * rowBytes / std::max<std::size_t>(stripeBytes, 1)));
        rowsPerStripe = std::max<std::size_t>(1, (rows + count - 1) / count);
        stripes = std::max<std::size_t>(1, (rows + rowsPerStripe - 1) / rowsPerStripe);
    }

    std::size_t First(std::size_t stripe) const { return stripe * rowsPerStripe; }
    std::size_t End(std::size_t stripe) const { return std::min(rows, First(stripe) + rowsPerStripe); }
    std::size_t Bytes(std::size_t stripe) const { return (End(stripe) - First(stripe)) * rowBytes; }
};

// Owns a raw deflate state (no zlib header or trailer: the stripes share
// one), reused from stripe to stripe, so it is released on every path.
class RawDeflater {
public:
    RawDeflater()
    {
        stream_ = {};
        const int rc = deflateInit2(&stream_, kLevel, Z_DEFLATED, -kWindowBits, kMemLevel,
                                    Z_DEFAULT_STRATEGY);
        if (rc == Z_MEM_ERROR)
            throw Error("Out of memory");
        if (rc != Z_OK)
            throw Error("PNG compression error");
    }
    ~RawDeflater() { deflateEnd(&stream_); }
    RawDeflater(const RawDeflater&) = delete;
    RawDeflater& operator=(const RawDeflater&) = delete;

    void Begin(const std::uint8_t* dictionary, std::size_t size)
    {
        if (deflateReset(&stream_) != Z_OK ||
            (size != 0 && deflateSetDictionary(&stream_, dictionary, static_cast<uInt>(size)) != Z_OK))
            throw Error("PNG compression error");
    }

    // Compresses without flushing, writing into out as room allows.
    template <class Out>
    void Feed(const std::uint8_t* data, std::size_t size, Out& out)
    {
        // avail_in is 32 bits wide; a row of a huge bitmap goes in pieces.
        constexpr std::size_t kMaxPiece = std::size_t{1} << 30;
        while (size != 0) {
            const std::size_t piece = std::min(size, kMaxPiece);
            stream_.next_in = const_cast<std::uint8_t*>(data);
            stream_.avail_in = static_cast<uInt>(piece);
            while (stream_.avail_in != 0)
                Step(Z_NO_FLUSH, out);
            data += piece;
            size -= piece;
        }
    }

    // The last stripe finishes the stream. Any other ends its last block and
    // adds an empty stored block, so the next stripe starts on a byte
    // boundary. That flush goes in two steps: a sync flush that runs out of
    // room is continued with a second empty block, so the bytes would depend
    // on where the output buffer happens to end. Ending the block first
    // (Z_BLOCK may be repeated harmlessly) leaves the sync flush a few bytes,
    // given all the room they need.
    template <class Out>
    void End(bool last, Out& out)
    {
        if (last) {
            while (Step(Z_FINISH, out) != Z_STREAM_END) {
            }
            return;
        }
        do
            Step(Z_BLOCK, out);
        while (stream_.avail_out == 0);
        std::uint8_t tail[64];
        stream_.next_out = tail;
        stream_.avail_out = sizeof tail;
        if (deflate(&stream_, Z_SYNC_FLUSH) != Z_OK || stream_.avail_out == 0)
            throw Error("PNG compression error");
        out.Put(tail, sizeof tail - stream_.avail_out);
    }

private:
    template <class Out>
    int Step(int flush, Out& out)
    {
        const std::size_t room = out.Room();
        stream_.next_out = out.Space();
        stream_.avail_out = static_cast<uInt>(room);
        const int rc = deflate(&stream_, flush);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
            throw Error("PNG compression error");
        out.Commit(room - stream_.avail_out);
        return rc;
    }

    z_stream stream_;
};

// A stripe's compressed bytes until the calling thread takes them: blocks
// kept from stripe to stripe, so a worker holds at most one stripe's output
// and nothing is copied while it grows.
class StripeOutput {
public:
    std::uint8_t* Space() { return Current() + used_; }
    std::size_t Room()
    {
        Current();
        return kBlockBytes - used_;
    }
    void Commit(std::size_t count)
    {
        used_ += count;
        if (used_ == kBlockBytes) {
            ++full_;
            used_ = 0;
        }
    }
    void Put(const std::uint8_t* data, std::size_t size)
    {
        while (size != 0) {
            const std::size_t n = std::min(size, Room());
            std::memcpy(Space(), data, n);
            Commit(n);
            data += n;
            size -= n;
        }
    }
    void Clear() { full_ = used_ = 0; }
    void CopyTo(IdatChunker& out) const
    {
        for (std::size_t i = 0; i < full_; ++i)
            out.Put(blocks_[i].get(), kBlockBytes);
        if (used_ != 0)
            out.Put(blocks_[full_].get(), used_);
    }

private:
    static constexpr std::size_t kBlockBytes = 64 * 1024;

    std::uint8_t* Current()
    {
        if (full_ == blocks_.size())
            blocks_.emplace_back(new std::uint8_t[kBlockBytes]);
        return blocks_[full_].get();
    }

    std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
    std::size_t full_ = 0;  // blocks filled; the next one is being written
    std::size_t used_ = 0;
};

// What one thread needs to compress stripes: the deflate state, a row and
// the dictionary.
struct StripeWork {
    explicit StripeWork(std::size_t rowBytes) : row(rowBytes) {}
    RawDeflater deflater;
    std::vector<std::uint8_t> row;
    std::vector<std::uint8_t> dictionary;
};

// Compresses one stripe into out and returns the Adler-32 of its rows. The
// rows before it are filtered again for the dictionary (filtering is cheap
// next to deflate), so a stripe depends on no other thread. Stops early,
// leaving out incomplete, once cancelled() says so.
template <class Out, class Cancelled>
uLong CompressStripe(const RowSource& rows, const Layout& layout, std::size_t stripe, StripeWork& work,
                     Out& out, const Cancelled& cancelled)
{
    const std::size_t first = layout.First(stripe);
    const std::size_t dictionaryBytes = std::min(kWindowBytes, first * rows.bytes);
    work.dictionary.resize(dictionaryBytes);
    for (std::size_t at = dictionaryBytes, row = first; at != 0;) {
        rows.fill(--row, work.row.data());
        const std::size_t take = std::min(at, rows.bytes);
        std::memcpy(work.dictionary.data() + at - take, work.row.data() + rows.bytes - take, take);
        at -= take;
    }
    work.deflater.Begin(work.dictionary.data(), dictionaryBytes);

    uLong adler = adler32(0L, Z_NULL, 0);
    for (std::size_t row = first; row < layout.End(stripe); ++row) {
        if (cancelled())
            return adler;
        rows.fill(row, work.row.data());
        adler = adler32_z(adler, work.row.data(), rows.bytes);
        work.deflater.Feed(work.row.data(), rows.bytes, out);
    }
    work.deflater.End(stripe + 1 == layout.stripes, out);
    return adler;
}

uLong Combine(uLong adler, uLong stripeAdler, std::size_t stripeBytes)
{
    return adler32_combine(adler, stripeAdler, static_cast<z_off_t>(stripeBytes));
}

// The worker threads of one DeflateRows call, and the calling thread beside
// them. Each stripe is held by one thread at a time (its state changes only
// by compare-and-swap), and the calling thread never waits for a worker: when
// the stripe it must write next is still being compressed, it compresses
// another one ahead, and when it has one ahead already, it takes that stripe
// over. Workers run below every normal program and may get no processor at
// all; the write then takes what the calling thread alone takes. A worker
// holds at most one compressed stripe until the calling thread writes it
// out, and the calling thread one ahead.
class StripeWorkers {
public:
    StripeWorkers(const RowSource& rows, const Layout& layout, unsigned count, const DeflateThreads& hooks)
        : rows_(rows), layout_(layout), hooks_(hooks), states_(layout.stripes), slots_(count)
    {
        threads_.reserve(count);
        for (Slot& slot : slots_) {
            try {
                threads_.emplace_back([this, &slot] { Work(slot); });
            } catch (...) {
                break;  // fewer workers, same result
            }
            if (hooks_.workerMade)
                hooks_.workerMade(threads_.back());
        }
    }

    // Also when the calling thread leaves with an error.
    ~StripeWorkers() { Stop(); }
    StripeWorkers(const StripeWorkers&) = delete;
    StripeWorkers& operator=(const StripeWorkers&) = delete;

    // Writes every stripe in order and returns the Adler-32 of all rows.
    uLong WriteStripes(IdatChunker& out)
    {
        StripeWork work(rows_.bytes);
        StripeOutput ahead;
        std::size_t aheadStripe = kNone;
        uLong aheadAdler = 0;
        const auto never = [] { return false; };
        uLong adler = adler32(0L, Z_NULL, 0);
        for (std::size_t stripe = 0; stripe < layout_.stripes;) {
            RaiseWorkerError();
            uLong stripeAdler = 0;
            if (stripe == aheadStripe) {
                ahead.CopyTo(out);
                stripeAdler = aheadAdler;
                aheadStripe = kNone;
            } else if (Slot* slot = Finished(stripe)) {
                slot->output.CopyTo(out);
                stripeAdler = slot->adler;
                slot->full.store(false, std::memory_order_release);
                changed_.notify_all();
            } else if (Take(stripe, kFree)) {
                stripeAdler = CompressStripe(rows_, layout_, stripe, work, out, never);
            } else if (aheadStripe == kNone && (aheadStripe = TakeFirstFree(stripe + 1, kCaller)) != kNone) {
                // A worker is still at it: another stripe meanwhile.
                ahead.Clear();
                aheadAdler = CompressStripe(rows_, layout_, aheadStripe, work, ahead, never);
                continue;
            } else if (Take(stripe, kWorker)) {
                // Nothing else left to do: taken over rather than waited for.
                stripeAdler = CompressStripe(rows_, layout_, stripe, work, out, never);
            } else {
                continue;  // its worker finished it meanwhile
            }
            adler = Combine(adler, stripeAdler, layout_.Bytes(stripe));
            ++stripe;
        }
        // A worker that failed after its last stripe still fails the file.
        Stop();
        RaiseWorkerError();
        return adler;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    // How long a worker waits before it looks at its slot again by itself:
    // the calling thread empties it without the lock, so a wake-up can be missed.
    static constexpr std::chrono::milliseconds kRecheck{5};

    enum StripeState : int { kFree, kWorker, kCaller, kDone };

    struct Slot {
        std::atomic<std::size_t> stripe{0};
        std::atomic<bool> full{false};  // compressed and not yet written out
        uLong adler = 0;
        StripeOutput output;
    };

    bool Take(std::size_t stripe, int from)
    {
        return states_[stripe].compare_exchange_strong(from, kCaller, std::memory_order_acq_rel);
    }

    std::size_t TakeFirstFree(std::size_t from, int as)
    {
        for (std::size_t stripe = from; stripe < layout_.stripes; ++stripe) {
            int expected = kFree;
            if (states_[stripe].compare_exchange_strong(expected, as, std::memory_order_acq_rel))
                return stripe;
        }
        return kNone;
    }

    // The slot holding the stripe, once a worker has finished it.
    Slot* Finished(std::size_t stripe)
    {
        if (states_[stripe].load(std::memory_order_acquire) != kDone)
            return nullptr;
        for (Slot& slot : slots_)
            if (slot.full.load(std::memory_order_acquire) && slot.stripe.load(std::memory_order_relaxed) == stripe)
                return &slot;
        return nullptr;
    }

    // Ends the workers within a row and waits for them.
    void Stop()
    {
        if (stop_.exchange(true))
            return;
        if (hooks_.workerDone)
            for (std::thread& t : threads_)
                hooks_.workerDone(t);
        {
            // A worker between its look at stop_ and its wait gets the wake-up.
            std::lock_guard lock(mutex_);
        }
        changed_.notify_all();
        for (std::thread& t : threads_)
            if (t.joinable())
                t.join();
    }

    void RaiseWorkerError() const
    {
        if (errorState_.load(std::memory_order_acquire) == 2)
            std::rethrow_exception(error_);
    }

    void Work(Slot& slot)
    {
        try {
            if (hooks_.workerStart)
                hooks_.workerStart();
            StripeWork work(rows_.bytes);
            for (;;) {
                {
                    std::unique_lock lock(mutex_);
                    while (!stop_ && slot.full.load(std::memory_order_acquire))
                        changed_.wait_for(lock, kRecheck);
                }
                if (stop_)
                    return;
                const std::size_t stripe = TakeFirstFree(0, kWorker);
                if (stripe == kNone)
                    return;
                const auto wanted = [&] {
                    return !stop_.load(std::memory_order_relaxed) &&
                           states_[stripe].load(std::memory_order_relaxed) == kWorker;
                };
                if (hooks_.stripeTaken)
                    hooks_.stripeTaken(wanted);
                slot.output.Clear();
                const uLong adler =
                    CompressStripe(rows_, layout_, stripe, work, slot.output, [&] { return !wanted(); });
                if (stop_)
                    return;
                slot.stripe.store(stripe, std::memory_order_relaxed);
                slot.adler = adler;
                slot.full.store(true, std::memory_order_release);
                int expected = kWorker;
                if (!states_[stripe].compare_exchange_strong(expected, kDone, std::memory_order_acq_rel))
                    slot.full.store(false, std::memory_order_relaxed);  // taken over meanwhile
            }
        } catch (...) {
            int expected = 0;
            if (errorState_.compare_exchange_strong(expected, 1)) {
                error_ = std::current_exception();
                errorState_.store(2, std::memory_order_release);
            }
        }
    }

    const RowSource& rows_;
    const Layout& layout_;
    const DeflateThreads& hooks_;

    std::vector<std::atomic<int>> states_;  // a StripeState per stripe
    std::mutex mutex_;                      // only for the workers' waits
    std::condition_variable changed_;
    std::atomic<bool> stop_{false};
    std::atomic<int> errorState_{0};  // 1 while the first error is kept, 2 once it is
    std::exception_ptr error_;
    std::vector<Slot> slots_;  // one per worker, never resized
    std::vector<std::thread> threads_;
};

// Threads that compress, the calling thread included.
unsigned ThreadCount(unsigned requested, std::size_t stripes)
{
    unsigned n = requested != 0 ? requested : std::thread::hardware_concurrency();
    n = std::clamp(n, 1u, kMaxDeflateThreads);
    return static_cast<unsigned>(std::min<std::size_t>(n, stripes));
}

}  // namespace

void DeflateRows(const RowSource& rows, IdatChunker& out, const DeflateThreads& threads)
{
    const Layout layout(rows, threads.stripeBytes);
    out.Put(kZlibHeader, sizeof kZlibHeader);

    uLong adler = adler32(0L, Z_NULL, 0);
    if (const unsigned count = ThreadCount(threads.threads, layout.stripes); count > 1) {
        StripeWorkers workers(rows, layout, count - 1, threads);
        adler = workers.WriteStripes(out);
    } else {
        // One stripe or one core: the same bytes straight into the chunks.
        StripeWork work(rows.bytes);
        const auto never = [] { return false; };
        for (std::size_t stripe = 0; stripe < layout.stripes; ++stripe)
            adler = Combine(adler, CompressStripe(rows, layout, stripe, work, out, never), layout.Bytes(stripe));
    }

    std::uint8_t trailer[4];
    PutBE32(trailer, static_cast<std::uint32_t>(adler));
    out.Put(trailer, sizeof trailer);
}

}  // namespace snaplark
