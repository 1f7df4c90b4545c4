#pragma once

#include "Batch.h"
#include "ExitCode.h"
#include "ReportRunner.h"

#include <memory>

class DcmDataset;
class DcmFileFormat;
class IKMReport;

// Makes one DICOM instance of each report: the control opens the report first (it refuses what
// DCMTK's own reading could not hold) and gives what the instance needs (Take); the instance is
// then built from DCMTK's dataset of the report (Build) and written; an output that holds a
// verified report is never written over.
class ExportRunner : public ReportRunner {
public:
    std::string Run(const Job& job) final;

protected:
    virtual void Take(ReportSession& session, IKMReport& report) = 0;
    virtual std::unique_ptr<DcmFileFormat> Build(DcmDataset& report) = 0;
};

// The command line that every export shares: REPORT.dcm... (-o FILE | --out-dir DIR) [--uid-root
// ROOT] [-j N]. With --out-dir each input's instance is named after it with `suffix`
// ("-pdf.dcm"). Throws Failure (usage error) for a command line it cannot take.
ExitCode RunExportCommand(int argc, char** argv, const char* suffix, const RunnerFactory& factory);
