// A host that keeps its DICOM objects in DCMTK hands the control a DcmFileFormat or a DcmDataset
// and takes the document back as one, in memory: what it gets back is what the control holds,
// and what the control refuses it refuses as it refuses the same file.
#include <srctrl/IReportCtrl.h>
#include <srctrl/dcmtk.h>

#include "HostTestSupport.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmsr/dsrdoc.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using host_test::Data;

class DcmtkHost : public host_test::ReportHost {
protected:
    void SetUp() override { OpenControl(800, 1130); }

    // The Finding as DCMTK's own reader finds it in a document.
    static std::string FindingOf(DcmFileFormat& document)
    {
        const std::string path = host_test::Scratch("document.dcm");
        EXPECT_TRUE(document.saveFile(path.c_str(), EXS_LittleEndianExplicit).good());
        const std::string dump = host_test::Output("dsrdump +Pl " + path);
        const size_t at = dump.find("\"Finding\")=\"");
        return at == std::string::npos ? "" : dump.substr(at + 12, dump.find('"', at + 12) - at - 12);
    }
};

} // namespace

TEST_F(DcmtkHost, ADocumentGoesInAndComesBackAsDcmtkObjects)
{
    DcmFileFormat held;
    ASSERT_TRUE(held.loadFile(Data("sr/comprehensive-sr.dcm").c_str()).good());
    IKMReport* report = srctrl::dcmtk::OpenReport(*m_ctrl, held);
    ASSERT_NE(report, nullptr) << SrCtrlGetLastError();
    ASSERT_TRUE(report->SetValue(0x07211001, L"Changed in memory."));

    const std::unique_ptr<DcmFileFormat> back = srctrl::dcmtk::GetDocument(*report);
    ASSERT_NE(back, nullptr) << SrCtrlGetLastError();
    EXPECT_EQ(FindingOf(*back), "Changed in memory.");
    OFString before;
    OFString after;
    held.getDataset()->findAndGetOFString(DCM_SOPInstanceUID, before);
    back->getDataset()->findAndGetOFString(DCM_SOPInstanceUID, after);
    EXPECT_NE(before, after) << "a document that came from elsewhere is changed as its next version";
    EXPECT_EQ(FindingOf(held).find("Changed"), std::string::npos) << "the host's object is only read";

    // A dataset without its meta header opens too.
    m_ctrl->CloseReport(report);
    ASSERT_NE(srctrl::dcmtk::OpenReport(*m_ctrl, *back->getDataset()), nullptr) << SrCtrlGetLastError();
    EXPECT_EQ(m_ctrl->GetReportCount(), 1);
}

TEST_F(DcmtkHost, WhatTheControlRefusesItSaysWhy)
{
    DcmFileFormat image;
    ASSERT_TRUE(image.loadFile(Data("ct-image.dcm").c_str()).good());
    EXPECT_EQ(srctrl::dcmtk::OpenReport(*m_ctrl, image), nullptr);
    EXPECT_EQ(std::string(SrCtrlGetLastError()), "not an SR document: Modality is CT");

    DcmFileFormat empty;
    EXPECT_EQ(srctrl::dcmtk::OpenReport(*m_ctrl, empty), nullptr);
    EXPECT_NE(std::string(SrCtrlGetLastError()), "");

    KMDcmFile file;
    const std::string junk = "not DICOM at all, only words in memory";
    EXPECT_FALSE(file.LoadFromBuffer(junk.data(), junk.size()));
    EXPECT_EQ(std::string(SrCtrlGetLastError()), "not a DICOM file: the buffer");
    EXPECT_FALSE(file.LoadFromBuffer(nullptr, 10));
    EXPECT_EQ(std::string(SrCtrlGetLastError()), "file not readable: the buffer: no bytes");
    EXPECT_EQ(m_ctrl->GetReportCount(), 0);
}
