#pragma once

#include <memory>
#include <string>

class DcmFileFormat;

// Reads an input file with DCMTK before the control sees it, so that a refusal has a reason:
// the control only answers null for a file it cannot open.
namespace DicomInput {

// The file as DICOM, read as the control reads documents (regular files only, opened without
// blocking, at most KMDcmFile::kMaxFileBytes, refused from its first bytes when they are not
// DICOM); without `bLoadAll` reading stops at the pixel data, and the file may be of any size.
// Throws Failure (input error) for a missing, unreadable or non-DICOM file.
std::unique_ptr<DcmFileFormat> Load(const std::string& path, bool bLoadAll = true);

// The same, and throws Failure (input error) unless the file is an SR document.
std::unique_ptr<DcmFileFormat> LoadReport(const std::string& path);

// Throws Failure (input error) naming `path` unless `modality`, read from it, is SR's.
void RequireReport(const std::string& path, const std::string& modality);

// Throws Failure (input error) when `path` holds a verified SR document: a signed report is
// never written over, whatever is written there instead. Nothing happens for a path that holds
// no file or no DICOM file.
void RefuseVerifiedTarget(const std::string& path);

} // namespace DicomInput
