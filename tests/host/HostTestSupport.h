#pragma once

// What the host-side tests share: where the test data lies, scratch files and outside tools, and
// a host that records the values it is told of. Host tests see the public interface only, and
// include it (from the source tree or as installed) before this file.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// These tests are written as a host that spells the control's Windows-shaped names without
// their namespace.
using namespace srctrl;

namespace host_test {

inline std::string Data(const char* name)
{
    return std::string(SRCTRL_TEST_DATA) + "/" + name;
}

// A path in the temporary folder that no other test process uses: `name` with this process's id.
inline std::string Scratch(const std::string& name)
{
    return ::testing::TempDir() + std::to_string(getpid()) + "-" + name;
}

// The standard output of a shell command line (outside tools: DCMTK, poppler, dicom3tools).
inline std::string Output(const std::string& command)
{
    std::string text;
    if (FILE* out = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0) {
            text.append(buffer, n);
        }
        pclose(out);
    }
    return text;
}

// Records every value the control reports, in order, and ignores the other notifications.
class ValueLog : public IReportCtrlCallback {
public:
    void OnReportValueChanged(IKMReport*, DWORD tag, const wchar_t* value) override { values.emplace_back(tag, value); }
    void OnActiveReportChanged(IKMReport*) override {}
    void OnReportAdded(IKMReport*) override {}
    void OnReportClosing(IKMReport*) override {}
    void OnDocumentCompleted(IKMReport*) override {}
    void OnDocumentVerified(IKMReport*) override {}
    void OnModifiedChanged(IKMReport*) override {}
    void OnLayoutChanged(IKMReport*) override {}

    std::vector<std::pair<DWORD, std::wstring>> values;
};

// A folder of its own under /tmp, removed with what the test put in it.
class Folder {
public:
    Folder()
    {
        char pattern[] = "/tmp/srctrl-host-XXXXXX";
        m_strPath = mkdtemp(pattern) != nullptr ? pattern : "";
    }
    ~Folder() { Output("rm -rf '" + m_strPath + "'"); }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    // The path of `name` in the folder, written with `content` when one is given.
    std::string File(const std::string& name, const char* content = nullptr) const
    {
        const std::string path = m_strPath + "/" + name;
        if (content != nullptr) {
            if (FILE* file = std::fopen(path.c_str(), "wb")) {
                std::fputs(content, file);
                std::fclose(file);
            }
        }
        return path;
    }

private:
    std::string m_strPath;
};

// A JPEG 40000 pixels wide, wider than Cairo can paint, made as a host's picture would be.
inline std::string WideJpeg(const Folder& folder)
{
    const std::string ppm = folder.File("wide.ppm");
    const std::string jpeg = folder.File("wide.jpg");
    Output("printf 'P6\\n40000 1\\n255\\n' > " + ppm + " && head -c 120000 /dev/zero >> " + ppm + " && cjpeg " + ppm +
           " > " + jpeg);
    return jpeg;
}

// The pixels of a rectangle of a window as the library paints it, row by row.
inline std::vector<DWORD> Pixels(HWND window, const RECT& rc)
{
    std::vector<DWORD> pixels;
    HBITMAP shot = platform::CaptureWindow(window);
    BITMAP bm{};
    GetObject(shot, sizeof bm, &bm);
    for (int y = rc.top; y < rc.bottom && y < bm.bmHeight; ++y) {
        const auto* row = reinterpret_cast<const DWORD*>(static_cast<const unsigned char*>(bm.bmBits) + y * bm.bmWidthBytes);
        pixels.insert(pixels.end(), row + rc.left, row + std::min<long>(rc.right, bm.bmWidth));
    }
    DeleteObject(shot);
    return pixels;
}

// The control in a host window at a zoom of 1; with Open, also on a template of tests/data
// (nullptr: the default one) and with a report made from the CT image, after which the host
// records the values it hears. A test that releases the control itself sets m_ctrl to nullptr.
class ReportHost : public ::testing::Test {
protected:
    void OpenControl(int width, int height)
    {
        m_host = platform::CreateHostWindow(width, height);
        m_ctrl = CreateReportCtrl();
        ASSERT_NE(m_ctrl->Create(m_host, 0, 0, width, height), nullptr);
        m_ctrl->SetFitMode(0);
    }
    void Open(int width, int height, const char* templateFile = nullptr)
    {
        OpenControl(width, height);
        if (templateFile != nullptr) {
            ASSERT_TRUE(m_ctrl->SetTemplateFile(Data(templateFile).c_str()));
        }
        m_report = m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str());
        ASSERT_NE(m_report, nullptr);
        m_ctrl->AddCallback(&m_heard);
    }
    void TearDown() override
    {
        if (m_ctrl != nullptr) {
            m_ctrl->RemoveCallback(&m_heard);
            DestroyWindow(m_host);
            ReleaseReportCtrl(m_ctrl);
        }
    }

    // Clicks into the field at (x, y), deletes what it holds and types `text` in its place.
    void Retype(int x, int y, const wchar_t* text)
    {
        ASSERT_TRUE(platform::Click(m_host, x, y));
        platform::PressKey(m_host, platform::Key::End);
        for (int i = 0; i < 12; ++i) {
            platform::PressKey(m_host, platform::Key::Backspace);
        }
        ASSERT_TRUE(platform::TypeText(m_host, text));
    }

    // The value of the report opened first, whichever report is active.
    std::wstring Value(DWORD tag)
    {
        std::wstring value;
        m_report->GetValue(tag, value);
        return value;
    }

    HWND m_host = nullptr;
    IReportCtrl* m_ctrl = nullptr;
    IKMReport* m_report = nullptr;
    ValueLog m_heard;
};

} // namespace host_test
