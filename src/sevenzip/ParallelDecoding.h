// Decoding an archive on several threads. The library decodes one solid block on one thread,
// so the blocks are dealt out to decoder threads, each unpacking the items of its blocks
// through a reader of its own, while the calling thread merges their progress and hands it to
// the caller's progress callback: the caller's callback (and whatever window it updates) only
// ever runs on the calling thread.
#pragma once

#include "sevenzip/I7zArchiveReader.h"

#include <functional>
#include <vector>

// The processors this process may run on (its affinity mask): under "taskset -c 0", one.
unsigned UsableProcessors();

// Deals blocks, given by their unpacked sizes, out to at most `decoders` decoders so that the
// heaviest load stays small: the largest block first, each to the decoder with the least so
// far. Returns, per decoder, its block indices in ascending order; no decoder is left empty.
std::vector<std::vector<size_t>> DealBlocks(const std::vector<UInt64>& blockSizes,
                                            unsigned decoders);

// Unpacks the given items (ascending indices) on the calling thread, reporting through
// (user, progress) as the library does: its total once, then its running count.
using DecodeItems =
    std::function<void(const std::vector<UInt32>& items, void* user, ProgressCallback progress)>;

// Runs decode once per item set, each on a thread of its own, and returns when all have ended.
// On the calling thread, progress receives one total (the sum of the decoders' totals) and then
// running sums that only grow, the last one after every decoder has ended. The first failure
// (a decoder's error, or the progress callback's non-zero result or error) stops the other
// decoders at their next progress report and is raised once all have ended.
void DecodeInParallel(const std::vector<std::vector<UInt32>>& itemSets, const DecodeItems& decode,
                      void* user, ProgressCallback progress);
