// Memory that cannot be had for a large block (a long text, a picture), at each such allocation of
// a host's call in turn: the call returns (no exception reaches the host), fails with a reason
// when it could not finish ("... out of memory" where the library's own code ran out, DCMTK's
// words where DCMTK did), and the control goes on working afterwards. The allocator of this
// program fails on demand. Small blocks never fail here: DCMTK frees its SR trees with code that
// allocates, in destructors, which end the process when memory for them cannot be had.
#include <srctrl/IReportCtrl.h>

#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace {

// The number of large allocations still to succeed before one fails; below 0, none fails.
std::atomic<long> g_allocationsLeft{-1};
constexpr std::size_t kLarge = 64 * 1024;

void* Allocate(std::size_t size)
{
    long left = size >= kLarge ? g_allocationsLeft.load() : -1;
    while (left >= 0 && !g_allocationsLeft.compare_exchange_weak(left, left - 1)) {
    }
    if (left == 0) {
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

namespace {

using host_test::Data;

constexpr DWORD kFinding = 0x07211001;

class OutOfMemory : public host_test::ReportHost {
protected:
    void SetUp() override { Open(800, 1130); }

    // Runs `call` with the n-th large allocation failing, for n = 0, 1, 2, ... until it runs through
    // without reaching a failure; each time the call must return, and a failed call say why.
    // Returns how many of the failures were told as "out of memory".
    int FailEachAllocationOf(const char* what, const std::function<bool()>& call)
    {
        int outOfMemory = 0;
        for (long n = 0;; ++n) {
            SCOPED_TRACE(std::string(what) + ", allocation " + std::to_string(n) + " failing");
            g_allocationsLeft = n;
            bool done = false;
            EXPECT_NO_THROW(done = call());
            const bool reached = g_allocationsLeft.load() < 0;
            g_allocationsLeft = -1;
            if (!done) {
                EXPECT_NE(std::string(SrCtrlGetLastError()), "");
                const std::string reason = SrCtrlGetLastError();
                const bool told = reason.size() >= 13 && reason.compare(reason.size() - 13, 13, "out of memory") == 0;
                EXPECT_EQ(told, SrCtrlGetLastErrorCode() == srctrl::ErrorCode::OutOfMemory) << SrCtrlGetLastError();
                outOfMemory += told ? 1 : 0;
            }
            if (!reached) {
                EXPECT_TRUE(done) << "with memory enough the call succeeds: " << SrCtrlGetLastError();
                return outOfMemory;
            }
            if (n > 20000) {
                ADD_FAILURE() << "the call never runs through";
                return outOfMemory;
            }
        }
    }
};

} // namespace

TEST_F(OutOfMemory, EveryCallReturnsAndTheControlGoesOn)
{
    std::wstring finding;
    while (finding.size() < 200000) {
        finding += L"A 4 mm nodule in the right upper lobe, unchanged since the prior study. ";
    }
    int told = FailEachAllocationOf("SetReportValue", [&] { return m_ctrl->SetReportValue(kFinding, finding.c_str()); });
    told += FailEachAllocationOf("GetReportValue", [&] {
        std::wstring value;
        return m_ctrl->GetReportValue(kFinding, value);
    });
    std::vector<BYTE> pixels(512 * 512 * 4, 0x80);
    HBITMAP picture = CreateBitmap(512, 512, 1, 32, pixels.data());
    told += FailEachAllocationOf("SetImage", [&] { return m_report->SetImage(0, picture); });
    DeleteObject(picture);
    EXPECT_GT(told, 0) << "allocations that fail are told as \"out of memory\"";

    // Afterwards everything works as it did.
    ASSERT_TRUE(m_ctrl->SetReportValue(kFinding, L"Written after the failures.")) << SrCtrlGetLastError();
    EXPECT_EQ(Value(kFinding), L"Written after the failures.");
    EXPECT_NE(m_ctrl->OpenReportFile(Data("sr/comprehensive-sr.dcm").c_str()), nullptr) << SrCtrlGetLastError();
}
