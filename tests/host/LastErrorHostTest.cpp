// Every failure a host can meet leaves a reason that names its cause, read through
// SrCtrlGetLastError, and its kind, read through SrCtrlGetLastErrorCode; a call that then
// succeeds clears both. Written as a host is: the installed header layout and the shared
// library only.
#include <srctrl/CUtil.h>
#include <srctrl/IReportCtrl.h>

#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using host_test::Data;
using Scratch = host_test::Folder;

std::string Reason() { return SrCtrlGetLastError(); }

class LastError : public host_test::ReportHost {
protected:
    void SetUp() override
    {
        OpenControl(1024, 768);
        EXPECT_EQ(Reason(), "");
    }

    Scratch m_scratch;
};

} // namespace

TEST(LastErrorBeforeCreate, OpeningWithoutAWindowSaysSo)
{
    IReportCtrl* ctrl = CreateReportCtrl();
    EXPECT_EQ(ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()), nullptr);
    EXPECT_NE(Reason().find("call Create first"), std::string::npos) << Reason();
    int width = 0;
    int height = 0;
    EXPECT_EQ(ctrl->CreateTemplatePreview(nullptr, &width, &height, 10, 10), nullptr);
    EXPECT_NE(Reason().find("call Create first"), std::string::npos) << Reason();
    ReleaseReportCtrl(ctrl);
}

TEST_F(LastError, FilesThatCannotBeReadNameTheFileAndTheCause)
{
    const std::string missing = m_scratch.File("missing.dcm");
    EXPECT_EQ(m_ctrl->OpenReportFile(missing.c_str()), nullptr);
    EXPECT_EQ(Reason(), "file not readable: " + missing + ": no such file");
    EXPECT_EQ(SrCtrlGetLastErrorCode(), srctrl::ErrorCode::FileNotReadable);

    const std::string empty = m_scratch.File("empty.dcm", "");
    EXPECT_EQ(m_ctrl->CreateReportFromImage(empty.c_str()), nullptr);
    EXPECT_EQ(Reason(), "file not readable: " + empty + ": empty file");

    const std::string text = m_scratch.File("notes.txt", "not a DICOM file at all, only some words in a text file");
    EXPECT_EQ(m_ctrl->OpenReportFile(text.c_str()), nullptr);
    EXPECT_EQ(Reason(), "not a DICOM file: " + text);
    EXPECT_EQ(SrCtrlGetLastErrorCode(), srctrl::ErrorCode::NotDicom);

    EXPECT_EQ(m_ctrl->OpenReportFile(nullptr), nullptr);
    EXPECT_EQ(Reason(), "no file name");
    EXPECT_EQ(SrCtrlGetLastErrorCode(), srctrl::ErrorCode::NoDocument);
}

TEST_F(LastError, AnImageIsNotAReportAndASucceedingCallClearsTheReason)
{
    EXPECT_EQ(m_ctrl->OpenReportFile(Data("ct-image.dcm").c_str()), nullptr);
    EXPECT_EQ(Reason(), "not an SR document: Modality is CT");
    EXPECT_EQ(SrCtrlGetLastErrorCode(), srctrl::ErrorCode::NotSR);
    EXPECT_EQ(m_ctrl->OpenReport(nullptr), nullptr);
    EXPECT_EQ(Reason(), "no document");

    ASSERT_NE(m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()), nullptr) << Reason();
    EXPECT_EQ(Reason(), "");
    EXPECT_EQ(SrCtrlGetLastErrorCode(), srctrl::ErrorCode::NoFailure);
}

TEST_F(LastError, TemplatesThatCannotBeUsedNameTheCause)
{
    const std::string missing = m_scratch.File("missing.xml");
    EXPECT_FALSE(m_ctrl->SetTemplateFile(missing.c_str()));
    EXPECT_EQ(Reason(), "template file not found: " + missing);
    EXPECT_EQ(SrCtrlGetLastErrorCode(), srctrl::ErrorCode::Template);
    EXPECT_FALSE(m_ctrl->ApplyTemplate(missing.c_str()));
    EXPECT_EQ(Reason(), "no active report");
    EXPECT_EQ(SrCtrlGetLastErrorCode(), srctrl::ErrorCode::NoActiveReport);

    ASSERT_NE(m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()), nullptr) << Reason();
    EXPECT_FALSE(m_ctrl->ApplyTemplate(missing.c_str()));
    EXPECT_EQ(Reason(), "file not readable: " + missing + ": no such file");
    const std::string broken = m_scratch.File("broken.xml", "<Window><VerticalLayout></Window>");
    EXPECT_FALSE(m_ctrl->ApplyTemplate(broken.c_str()));
    EXPECT_EQ(Reason().rfind("not a template: " + broken + ": ", 0), 0u) << Reason();
    EXPECT_TRUE(m_ctrl->ApplyTemplate(nullptr)) << Reason();
    EXPECT_EQ(Reason(), "");
}

TEST_F(LastError, SavingAndPrintingNameWhatCouldNotBeWritten)
{
    IKMReport* report = m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str());
    ASSERT_NE(report, nullptr) << Reason();

    const std::string nowhere = m_scratch.File("no-folder/report.dcm");
    EXPECT_FALSE(report->GetDcmSR()->SaveFile(nowhere.c_str()));
    EXPECT_EQ(Reason(), "file not written: " + nowhere + ": no such folder");
    EXPECT_EQ(SrCtrlGetLastErrorCode(), srctrl::ErrorCode::NotWritten);
    const std::string saved = m_scratch.File("report.dcm");
    EXPECT_TRUE(report->GetDcmSR()->SaveFile(saved.c_str())) << Reason();
    EXPECT_EQ(Reason(), "");

    EXPECT_FALSE(m_ctrl->Print("srctrl test: no such printer"));
    EXPECT_EQ(Reason(), "printer not found: srctrl test: no such printer");
    EXPECT_EQ(SrCtrlGetLastErrorCode(), srctrl::ErrorCode::Printer);
    EXPECT_FALSE(m_ctrl->Print(nullptr));
    EXPECT_EQ(Reason(), "no printer name");
    const std::string nowherePdf = m_scratch.File("no-folder/page.pdf");
    ASSERT_TRUE(platform::RegisterPdfPrinter("srctrl test: no folder", nowherePdf.c_str()));
    EXPECT_FALSE(m_ctrl->Print("srctrl test: no folder"));
    EXPECT_EQ(Reason(), "PDF not written: " + nowherePdf + ": no such folder");
}

// A host ported from Windows starts GDI+ first; a Linux host does not, and pictures work alike.
TEST_F(LastError, PicturesNeedNoGdiplusStartupAndRefusalsSayWhy)
{
    IKMReport* report = m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str());
    ASSERT_NE(report, nullptr) << Reason();
    const int boxes = report->GetImageBoxCount();
    ASSERT_GT(boxes, 0);
    const bool modified = report->IsModified();
    std::vector<BYTE> grey(32 * 24 * 4, 0x80);
    HBITMAP bitmap = CreateBitmap(32, 24, 1, 32, grey.data());
    EXPECT_FALSE(report->SetImage(boxes, bitmap));
    EXPECT_EQ(Reason(), "no image box " + std::to_string(boxes) + ": the page has " + std::to_string(boxes));
    EXPECT_EQ(SrCtrlGetLastErrorCode(), srctrl::ErrorCode::Picture);
    EXPECT_FALSE(report->SetImage(0, nullptr));
    EXPECT_EQ(Reason(), "no bitmap");
    EXPECT_EQ(report->IsModified(), modified) << "a refused picture changes nothing";

    ASSERT_TRUE(report->SetImage(0, bitmap)) << Reason();
    EXPECT_EQ(Reason(), "");
    DeleteObject(bitmap);
    // The document's picture decodes back to the bitmap's size.
    KMDcmDataset item;
    ASSERT_TRUE(report->GetDcmSR()->GetDataset()->GetSequenceItem(0x00081140, item, 0));
    const unsigned char* jpeg = nullptr;
    unsigned long length = 0;
    ASSERT_TRUE(item.GetUint8Array(0x00420011, jpeg, length));
    HBITMAP back = CUtil::CreateBitmapFromJPEG(jpeg, static_cast<DWORD>(length));
    BITMAP size{};
    ASSERT_EQ(GetObject(back, sizeof(size), &size), static_cast<int>(sizeof(size))) << Reason();
    EXPECT_EQ(size.bmWidth, 32);
    EXPECT_EQ(size.bmHeight, 24);
    DeleteObject(back);
}
