// Files and window sizes that a careless or hostile host may hand over, through the public header.
#include "control/IReportCtrl.h"
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using host_test::Data;

using host_test::Folder;

// Keeps a test from hanging on a FIFO: while the guarded calls run, anybody still waiting to
// read the FIFO gets a writer that closes at once (an end of file) after a grace period, and the
// guard records that it had to.
class FifoGuard {
public:
    explicit FifoGuard(std::string path) : m_strPath(std::move(path))
    {
        m_thread = std::thread([this] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!m_bDone) {
                if (std::chrono::steady_clock::now() > deadline) {
                    const int fd = open(m_strPath.c_str(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) {
                        m_bUnblocked = true;
                        close(fd);
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    ~FifoGuard() { Stop(); }
    // True when some call had to be released from the FIFO.
    bool Stop()
    {
        m_bDone = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_bUnblocked;
    }

private:
    std::string m_strPath;
    std::atomic<bool> m_bDone{false};
    std::atomic<bool> m_bUnblocked{false};
    std::thread m_thread;
};

// How many pixels of a capture are not white; the capture is deleted. -1 without a capture.
long long InkedPixels(HBITMAP shot)
{
    BITMAP info{};
    if (shot == nullptr || GetObject(shot, sizeof(info), &info) == 0) {
        DeleteObject(shot);
        return -1;
    }
    const auto* pixels = static_cast<const unsigned int*>(info.bmBits);
    const long long count = static_cast<long long>(info.bmWidth) * info.bmHeight;
    const long long inked = std::count_if(pixels, pixels + count, [](unsigned int p) { return (p & 0xFFFFFFu) != 0xFFFFFFu; });
    DeleteObject(shot);
    return inked;
}

class HostileInput : public host_test::ReportHost {
protected:
    void SetUp() override { Open(1024, 768); }

    Folder m_folder;
};

} // namespace

TEST_F(HostileInput, EveryFileEntryPointRefusesAFifoAtOnce)
{
    const std::string fifo = m_folder.File("input");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    FifoGuard guard(fifo);
    EXPECT_EQ(m_ctrl->CreateReportFromImage(fifo.c_str()), nullptr);
    EXPECT_EQ(m_ctrl->OpenReportFile(fifo.c_str()), nullptr);
    EXPECT_FALSE(m_ctrl->ApplyTemplate(fifo.c_str()));
    EXPECT_FALSE(m_ctrl->SetTemplateFile(fifo.c_str()));
    int width = -1;
    int height = -1;
    EXPECT_EQ(m_ctrl->CreateTemplatePreview(fifo.c_str(), &width, &height, 200, 200), nullptr);
    EXPECT_FALSE(m_report->SetLogo(fifo.c_str()));
    EXPECT_FALSE(m_report->LoadTemplate(fifo.c_str()));
    EXPECT_FALSE(m_report->SaveTemplate(fifo.c_str(), "fifo"));
    EXPECT_FALSE(guard.Stop()) << "a call waited on the FIFO until it was released";
    EXPECT_EQ(m_ctrl->GetReportCount(), 1);
    struct stat info {};
    ASSERT_EQ(stat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "SaveTemplate left the FIFO alone";
}

TEST_F(HostileInput, AFileOfZerosIsNoDocument)
{
    const std::string zeros = m_folder.File("zeros.dcm");
    std::fclose(std::fopen(zeros.c_str(), "wb"));
    ASSERT_EQ(truncate(zeros.c_str(), 64L * 1024 * 1024), 0);
    EXPECT_EQ(m_ctrl->OpenReportFile(zeros.c_str()), nullptr);
    EXPECT_EQ(m_ctrl->CreateReportFromImage(zeros.c_str()), nullptr);
    EXPECT_EQ(m_ctrl->GetReportCount(), 1);
}

TEST_F(HostileInput, ExtremeWindowSizesAreClampedAndThePageStillPaints)
{
    const HWND hwnd = m_ctrl->GetHWND();
    const int sizes[][4] = {
        {30, 0, INT_MAX, 100}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
        {0, 0, -10, INT_MIN},  {-5, -5, 0, 0},                       {0, 0, 1, 1},
    };
    for (float zoom : {0.01f, 1.0f, 100.0f}) {
        m_ctrl->SetZoom(zoom);
        for (int fit : {0, 1}) {
            m_ctrl->SetFitMode(fit);
            for (const auto& s : sizes) {
                SCOPED_TRACE(testing::Message() << "zoom " << zoom << " fit " << fit << " move " << s[0] << ","
                                                << s[1] << "," << s[2] << "," << s[3]);
                EXPECT_TRUE(m_ctrl->MoveWindow(s[0], s[1], s[2], s[3]));
                RECT rc{};
                ASSERT_TRUE(GetWindowRect(hwnd, &rc));
                EXPECT_LE(rc.left, rc.right);
                EXPECT_LE(rc.top, rc.bottom);
                EXPECT_EQ(rc.right - rc.left, std::clamp(s[2], 0, 32767));
                HBITMAP shot = platform::CaptureWindow(m_host);
                EXPECT_NE(shot, nullptr);
                DeleteObject(shot);
                // The control's own window: a bitmap of its size, or none when it is too large.
                HBITMAP own = platform::CaptureWindow(hwnd);
                BITMAP info{};
                if (own != nullptr && GetObject(own, sizeof(info), &info) != 0) {
                    EXPECT_EQ(info.bmWidth, rc.right - rc.left);
                    EXPECT_EQ(info.bmHeight, rc.bottom - rc.top);
                }
                DeleteObject(own);
            }
        }
    }
    m_ctrl->SetZoom(1.0f);
    m_ctrl->SetFitMode(0);
    EXPECT_TRUE(m_ctrl->MoveWindow(0, 0, 1024, 768));
    std::wstring name;
    ASSERT_TRUE(m_ctrl->GetReportValue(0x00100010, name));
    EXPECT_EQ(name, L"Müller^Jürgen");
}

TEST_F(HostileInput, ALogoTooWideToPaintSpoilsNothingElseOnThePage)
{
    // Cairo paints no image wider than 32767 pixels. A logo that wide cannot be shown, but the
    // rest of the page, painted after the logo, must still be there.
    const std::string jpeg = host_test::WideJpeg(m_folder);

    m_ctrl->SetFitMode(0);
    m_ctrl->SetZoom(1.0f);
    const long long before = InkedPixels(platform::CaptureWindow(m_host));
    ASSERT_TRUE(m_report->SetLogo(jpeg.c_str()));
    const long long after = InkedPixels(platform::CaptureWindow(m_host));
    EXPECT_GT(before, 10000);
    EXPECT_GT(after, before * 8 / 10) << "the page lost what was painted after the logo";
}
