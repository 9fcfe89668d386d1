// The zlib stream of a PNG's filtered rows, compressed on every core.
//
// The rows are cut into stripes of whole rows. Each stripe is deflated on its
// own (level 7, 32 KiB window, memory level 8, default strategy) with the
// last 32 KiB of the rows before it as its dictionary, and ends on a byte
// boundary (an empty stored block; the last stripe ends the stream instead).
// Behind the header 78 DA and followed by the Adler-32 of all rows, the
// stripes in order are one ordinary zlib stream that every decoder reads.
//
// Where the stripes lie depends on the picture alone, so the bytes are the
// same whatever the number of threads. Rows that fill fewer than two stripes
// are one stripe: exactly the stream deflateInit at level 7 gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>

#include "capture/PngChunks.h"

namespace snaplark {

// Filtered bytes per stripe (at least; whole rows): a 1920x1080 screen gives
// 12 stripes, enough for the cores to finish close together, and the extra
// block ends stay below +0.25% of the size on every test picture (256 KiB
// gave up to +0.75%). Rows of less than two stripes stay one stream.
inline constexpr std::size_t kDeflateStripeBytes = 512 * 1024;

// More threads than this gain little on a screen-sized picture, and each one
// holds a deflate state and a compressed stripe.
inline constexpr unsigned kMaxDeflateThreads = 8;

// The rows to compress, made on demand and possibly on several threads at
// once: fill(index, out) writes row `index` (0 is the top), filter byte
// included, into `out`, which has room for `bytes`.
struct RowSource {
    std::size_t count = 0;
    std::size_t bytes = 0;
    std::function<void(std::size_t index, std::uint8_t* out)> fill;
};

struct DeflateThreads {
    // Threads that compress, the calling thread included: 0 gives one per
    // core. Never more than kMaxDeflateThreads, nor more than there are
    // stripes; with one, the calling thread compresses on its own.
    unsigned threads = 0;
    // Smaller in tests, so small pictures take the parallel path.
    std::size_t stripeBytes = kDeflateStripeBytes;
    // Runs first on each worker thread.
    std::function<void()> workerStart;
    // Run on the calling thread for each worker: once it is made (the Windows
    // side lowers it below every normal program), and once it is no longer
    // needed, before it is waited for (raised again, so that a worker the
    // system has starved of time ends at once).
    std::function<void(std::thread& worker)> workerMade;
    std::function<void(std::thread& worker)> workerDone;
    // Runs on a worker each time it has taken a stripe, before it compresses
    // it, with a test of whether the stripe is still wanted. The benchmark
    // holds workers there, as a machine with no core to spare would.
    std::function<void(const std::function<bool()>& wanted)> stripeTaken;
};

// Writes the whole zlib stream of the rows into `out`. The worker threads
// start and end within the call; the calling thread compresses stripes too
// and writes every byte, in order, and never waits for a worker to finish a
// stripe. The first error of any thread is the one this raises.
void DeflateRows(const RowSource& rows, IdatChunker& out, const DeflateThreads& threads = {});

}  // namespace snaplark
