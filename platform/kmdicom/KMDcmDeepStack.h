#pragma once

#include <cstddef>
#include <functional>
#include <memory>

// Where DCMTK's recursion over a nested dataset may run. DCMTK reads, copies, writes and frees a
// dataset, and dcmsr reads its content tree, by recursion: each level of sequence nesting costs
// about 1.5 KB of stack to read, 1 KB for dcmsr, 0.8 KB to write and 0.2 KB to copy or free.
// The caller's stack holds a few thousand levels (8 MiB on a Linux main thread, often less on
// others); a file of a few megabytes may nest a million.
//
// So a file is always read on a thread of kStackBytes of stack, where the reader stops as soon as
// the stack is nearly spent (IsNearlySpent), and a dataset nested deeper than kMaxDepth levels
// is refused before anything else works on it. Work on a dataset deeper than kShallowDepth runs
// on such a thread too (RunFor); shallower datasets, every real report among them, stay on the
// caller's thread.
//
// Depth counts nested sequences: the top-level dataset is 0, the items of its sequences 1. A
// content tree of n levels below its root is about n + 1 deep (the concept name of the deepest
// item adds one).
class KMDcmDeepStack {
public:
    static constexpr int kMaxDepth = 16384;
    static constexpr int kShallowDepth = 256;
    static constexpr size_t kStackBytes = size_t{128} << 20;
    // What IsNearlySpent keeps free for the frames between two of its checks and for unwinding.
    static constexpr size_t kReserveBytes = size_t{16} << 20;

    // Runs `work` on a thread of kStackBytes of stack and waits for it. False when no such thread
    // could be started (then `work` did not run) or when `work` ended with an exception; `work`
    // must free on that thread what it made there. Thread-local state (SrCtrlGetLastError) stays
    // the caller's: `work` hands its outcome back through what it captures.
    static bool Run(const std::function<void()>& work);
    // Runs `work` where a dataset nested `depth` levels deep is safe: on the caller's thread up
    // to kShallowDepth, otherwise as Run does.
    static bool RunFor(int depth, const std::function<void()>& work);
    // True on a thread of Run whose stack has less than kReserveBytes left; false elsewhere.
    static bool IsNearlySpent();
    // Deletes what `owned` holds (a dataset nested `depth` levels deep) where that is safe; should
    // no such thread start, it is leaked rather than freed where it would overflow the stack.
    template <class T>
    static void Delete(std::unique_ptr<T> owned, int depth)
    {
        T* raw = owned.release();
        if (raw != nullptr) {
            RunFor(depth, [raw] { delete raw; });
        }
    }
};
