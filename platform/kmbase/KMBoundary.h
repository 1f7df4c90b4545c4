#pragma once

// The edge between a host and the library. Every call a host makes ends its body in a catch-all
// that hands the exception in flight to Failed: nothing thrown inside (memory that cannot be had,
// above all) unwinds into the host, and the call fails as every failure does, with its reason in
// SrCtrlGetLastError: "out of memory" for std::bad_alloc, "internal error: WHAT" for another
// exception. What the call had done before the throw is undone by its owners' destructors.
class KMBoundary {
public:
    // Records the exception in flight; call only inside a catch handler. Returns `failed`.
    template <class T>
    static T Failed(T failed) noexcept
    {
        Record();
        return failed;
    }
    static void Failed() noexcept { Record(); }

private:
    static void Record() noexcept;
};
