#include "sevenzip/ParallelDecoding.h"

#include "sevenzip/LibraryResult.h"

#include <sched.h>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <numeric>
#include <thread>

namespace {

// What the decoder threads share with the calling thread: each decoder's total and count, and
// the first failure. Decoders only store; the calling thread does the reporting.
class DecoderProgress {
public:
    explicit DecoderProgress(size_t decoders)
        : totals_(decoders), counts_(decoders), totalKnown_(decoders), running_(decoders) {}

    struct Decoder {
        DecoderProgress* progress;
        size_t index;
    };

    // The ProgressCallback each decoder reports through; E_ABORT once something has failed.
    static HRESULT Report(void* user, bool total, Int64 value) {
        const auto* decoder = static_cast<Decoder*>(user);
        return decoder->progress->Store(decoder->index, total, static_cast<UInt64>(value));
    }

    void Ended(std::exception_ptr error) {
        std::lock_guard lock(lock_);
        --running_;
        if (error)
            KeepFailure(std::move(error));
        changed_.notify_one();
    }

    // Hands the merged progress to progress until every decoder has ended; a failure of the
    // callback stops the decoders.
    void ReportUntilEnded(void* user, ProgressCallback progress) {
        std::unique_lock lock(lock_);
        bool totalReported = false;
        UInt64 reported = 0;
        for (;;) {
            changed_.wait(lock, [&] { return fresh_ || running_ == 0; });
            fresh_ = false;
            const bool ended = running_ == 0;
            const bool totalsKnown = ended || std::all_of(totalKnown_.begin(), totalKnown_.end(),
                                                          [](bool k) { return k; });
            const UInt64 total = std::accumulate(totals_.begin(), totals_.end(), UInt64{0});
            const UInt64 count = std::accumulate(counts_.begin(), counts_.end(), UInt64{0});
            if (progress && !failure_ && totalsKnown) {
                lock.unlock();
                std::exception_ptr error;
                try {
                    HRESULT result = S_OK;
                    if (!totalReported)
                        result = progress(user, true, static_cast<Int64>(total));
                    totalReported = true;
                    if (result == S_OK && count > reported) {
                        result = progress(user, false, static_cast<Int64>(count));
                        reported = count;
                    }
                    CheckLibraryResult(result);
                } catch (...) {
                    error = std::current_exception();
                }
                lock.lock();
                if (error)
                    KeepFailure(std::move(error));
            }
            if (ended && !fresh_)
                break;
        }
        if (failure_)
            std::rethrow_exception(failure_);
    }

private:
    HRESULT Store(size_t decoder, bool total, UInt64 value) {
        std::lock_guard lock(lock_);
        if (failure_)
            return E_ABORT;
        if (total) {
            totals_[decoder] = value;
            totalKnown_[decoder] = true;
        } else {
            counts_[decoder] = std::max(counts_[decoder], value);
        }
        fresh_ = true;
        changed_.notify_one();
        return S_OK;
    }

    // Only the first failure counts: the others follow from the stop it caused.
    void KeepFailure(std::exception_ptr error) {
        if (!failure_)
            failure_ = std::move(error);
    }

    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<UInt64> totals_, counts_;
    std::vector<bool> totalKnown_;
    size_t running_;
    bool fresh_ = false;
    std::exception_ptr failure_;
};

} // namespace

unsigned UsableProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) != 0)
        return 1;
    return static_cast<unsigned>(std::max(1, CPU_COUNT(&set)));
}

std::vector<std::vector<size_t>> DealBlocks(const std::vector<UInt64>& blockSizes,
                                            unsigned decoders) {
    const size_t used = std::min<size_t>(std::max(decoders, 1u), blockSizes.size());
    std::vector<size_t> largestFirst(blockSizes.size());
    std::iota(largestFirst.begin(), largestFirst.end(), size_t{0});
    std::stable_sort(largestFirst.begin(), largestFirst.end(),
                     [&](size_t a, size_t b) { return blockSizes[a] > blockSizes[b]; });
    std::vector<std::vector<size_t>> dealt(used);
    std::vector<UInt64> loads(used);
    for (size_t block : largestFirst) {
        const size_t lightest = std::min_element(loads.begin(), loads.end()) - loads.begin();
        dealt[lightest].push_back(block);
        loads[lightest] += blockSizes[block];
    }
    for (auto& blocks : dealt)
        std::sort(blocks.begin(), blocks.end());
    return dealt;
}

void DecodeInParallel(const std::vector<std::vector<UInt32>>& itemSets, const DecodeItems& decode,
                      void* user, ProgressCallback progress) {
    DecoderProgress shared(itemSets.size());
    std::vector<DecoderProgress::Decoder> decoders;
    for (size_t i = 0; i < itemSets.size(); ++i)
        decoders.push_back({&shared, i});
    std::vector<std::jthread> threads;
    for (size_t i = 0; i < itemSets.size(); ++i)
        threads.emplace_back([&, i] {
            std::exception_ptr error;
            try {
                decode(itemSets[i], &decoders[i], DecoderProgress::Report);
            } catch (...) {
                error = std::current_exception();
            }
            shared.Ended(std::move(error));
        });
    // The threads are joined before shared goes, also when reporting raises.
    shared.ReportUntilEnded(user, progress);
}
