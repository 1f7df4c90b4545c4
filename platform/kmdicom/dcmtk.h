#pragma once

// For hosts that hold their DICOM objects in DCMTK: a report opened from a DcmFileFormat or
// DcmDataset, and the document of a report as one, all in memory, no file written. Only this
// header names DCMTK's types, so that the other headers serve hosts without DCMTK; link the host
// with DCMTK's dcmdata as well as with libsrctrl.

#include "control/IReportCtrl.h"

#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcistrmb.h>
#include <dcmtk/dcmdata/dcostrmb.h>

#include <memory>
#include <string>
#include <vector>

namespace srctrl::dcmtk {

// The Part 10 bytes of `document`, in explicit VR little endian with a meta header made from its
// dataset; false, with `bytes` empty, when DCMTK cannot encode it.
inline bool Encode(DcmFileFormat& document, std::string& bytes)
{
    bytes.clear();
    const E_TransferSyntax syntax = EXS_LittleEndianExplicit;
    if (document.validateMetaInfo(syntax).bad()) {
        return false;
    }
    const Uint32 length = document.calcElementLength(syntax, EET_ExplicitLength);
    std::vector<char> buffer(static_cast<size_t>(length) + 4096);
    DcmOutputBufferStream out(buffer.data(), static_cast<offile_off_t>(buffer.size()));
    document.transferInit();
    const OFCondition status = document.write(out, syntax, EET_ExplicitLength, nullptr);
    document.transferEnd();
    void* written = nullptr;
    offile_off_t size = 0;
    out.flushBuffer(written, size);
    if (status.bad() || written == nullptr) {
        return false;
    }
    bytes.assign(static_cast<const char*>(written), static_cast<size_t>(size));
    return true;
}

// Opens a copy of `document` (only read) as the control's active report, as
// IReportCtrl::OpenReportFile opens a file: the same checks, failures and reasons, with the bytes
// named "the buffer". Null on failure, with SrCtrlGetLastError saying why.
inline IKMReport* OpenReport(IReportCtrl& ctrl, DcmFileFormat& document)
{
    std::string bytes;
    if (!Encode(document, bytes)) {
        return ctrl.OpenReport(nullptr);
    }
    KMDcmFile copy;
    return copy.LoadFromBuffer(bytes.data(), bytes.size()) ? ctrl.OpenReport(&copy) : nullptr;
}

// The same for a dataset without its file's meta header.
inline IKMReport* OpenReport(IReportCtrl& ctrl, const DcmDataset& dataset)
{
    // DCMTK copies the dataset deeply; its constructor only lacks the const.
    DcmFileFormat document(const_cast<DcmDataset*>(&dataset), OFTrue);
    return OpenReport(ctrl, document);
}

// A copy of the report's document as it is now, pending input included, for the host to keep,
// change or send with DCMTK; null when it cannot be encoded (SrCtrlGetLastError says why). Like
// IKMReport::GetDcmSR()->SaveToBuffer, this is not keeping the document: a host that stores or
// sends it says so with IKMReport::SetModified(false).
inline std::unique_ptr<DcmFileFormat> GetDocument(IKMReport& report)
{
    KMDcmSR* sr = report.GetDcmSR();
    std::string bytes;
    if (sr == nullptr || !sr->SaveToBuffer(bytes)) {
        return nullptr;
    }
    DcmInputBufferStream in;
    in.setBuffer(bytes.data(), static_cast<offile_off_t>(bytes.size()));
    in.setEos();
    auto document = std::make_unique<DcmFileFormat>();
    document->transferInit();
    const OFCondition status = document->read(in, EXS_Unknown, EGL_noChange, DCM_MaxReadLength);
    document->transferEnd();
    if (status.bad() || document->loadAllDataIntoMemory().bad()) {
        return nullptr;
    }
    return document;
}

} // namespace srctrl::dcmtk
