#include "capture/StripedDeflate.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
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
// leaving out incomplete, once `cancelled` is set.
template <class Out>
uLong CompressStripe(const RowSource& rows, const Layout& layout, std::size_t stripe, StripeWork& work,
                     Out& out, const std::atomic<bool>& cancelled)
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
        if (cancelled.load(std::memory_order_relaxed))
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

// The worker threads of one DeflateRows call. Workers take stripes in order
// and each compresses into its own slot; the calling thread writes the slots
// out in stripe order, and a worker takes its next stripe only once its slot
// has been written. The lowest stripe not yet written is therefore always
// held by a worker or free to take: nothing waits in a circle, and memory
// stays at one compressed stripe per worker.
class StripeWorkers {
public:
    StripeWorkers(const RowSource& rows, const Layout& layout, unsigned count,
                  const std::function<void()>& start)
        : rows_(rows), layout_(layout), start_(start), slots_(count)
    {
        threads_.reserve(count);
        for (Slot& slot : slots_) {
            try {
                threads_.emplace_back([this, &slot] { Work(slot); });
            } catch (...) {
                break;  // fewer threads, same result; none at all is the caller's to handle
            }
        }
    }

    // Also when the calling thread leaves with an error.
    ~StripeWorkers() { Stop(); }
    StripeWorkers(const StripeWorkers&) = delete;
    StripeWorkers& operator=(const StripeWorkers&) = delete;

    bool Started() const { return !threads_.empty(); }

    // Writes every stripe in order and returns the Adler-32 of all rows.
    uLong WriteStripes(IdatChunker& out)
    {
        uLong adler = adler32(0L, Z_NULL, 0);
        for (std::size_t stripe = 0; stripe < layout_.stripes; ++stripe) {
            Slot* slot = nullptr;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return error_ || (slot = Ready(stripe)) != nullptr; });
                if (error_)
                    std::rethrow_exception(error_);
            }
            slot->output.CopyTo(out);
            adler = Combine(adler, slot->adler, layout_.Bytes(stripe));
            {
                std::lock_guard lock(mutex_);
                slot->ready = false;
            }
            changed_.notify_all();
        }
        // A worker that failed after its last stripe still fails the file.
        Stop();
        if (error_)
            std::rethrow_exception(error_);
        return adler;
    }

private:
    struct Slot {
        std::size_t stripe = 0;
        bool ready = false;  // compressed and not yet written out
        uLong adler = 0;
        StripeOutput output;
    };

    // Ends the workers within a row and waits for them.
    void Stop()
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& t : threads_)
            if (t.joinable())
                t.join();
    }

    Slot* Ready(std::size_t stripe)
    {
        for (Slot& s : slots_)
            if (s.ready && s.stripe == stripe)
                return &s;
        return nullptr;
    }

    void Work(Slot& slot)
    {
        try {
            if (start_)
                start_();
            StripeWork work(rows_.bytes);
            for (;;) {
                {
                    std::unique_lock lock(mutex_);
                    changed_.wait(lock, [&] { return stop_ || !slot.ready; });
                    if (stop_ || next_ == layout_.stripes)
                        return;
                    slot.stripe = next_++;
                }
                slot.output.Clear();
                slot.adler = CompressStripe(rows_, layout_, slot.stripe, work, slot.output, stop_);
                {
                    std::lock_guard lock(mutex_);
                    slot.ready = true;
                }
                changed_.notify_all();
            }
        } catch (...) {
            {
                std::lock_guard lock(mutex_);
                if (!error_)
                    error_ = std::current_exception();
                stop_ = true;
            }
            changed_.notify_all();
        }
    }

    const RowSource& rows_;
    const Layout& layout_;
    const std::function<void()>& start_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;               // the next stripe to take
    std::atomic<bool> stop_{false};      // also read, unlocked, between rows
    std::exception_ptr error_;           // the first error of any worker
    std::vector<Slot> slots_;            // one per worker, never resized
    std::vector<std::thread> threads_;
};

unsigned WorkerCount(unsigned requested, std::size_t stripes)
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
    bool done = false;
    if (const unsigned count = WorkerCount(threads.threads, layout.stripes); count > 1) {
        StripeWorkers workers(rows, layout, count, threads.workerStart);
        if (workers.Started()) {
            adler = workers.WriteStripes(out);
            done = true;
        }
    }
    if (!done) {
        // One stripe, one core, or no thread to be had: the same bytes
        // straight into the chunks.
        StripeWork work(rows.bytes);
        const std::atomic<bool> never{false};
        for (std::size_t stripe = 0; stripe < layout.stripes; ++stripe)
            adler = Combine(adler, CompressStripe(rows, layout, stripe, work, out, never),
                            layout.Bytes(stripe));
    }

    std::uint8_t trailer[4];
    PutBE32(trailer, static_cast<std::uint32_t>(adler));
    out.Put(trailer, sizeof trailer);
}

}  // namespace snaplark
