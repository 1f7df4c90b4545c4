#pragma once

// The send subcommand runs as a program of its own (srreport-send); srreport lists it with this
// summary and hands the command line over to it.
constexpr const char* kSendSummary = "store DICOM files on a PACS with C-STORE or DICOMweb STOW-RS";
