#pragma once

#include "Batch.h"
#include "ExitCode.h"

// The command line that every export shares: REPORT.dcm... (-o FILE | --out-dir DIR) [--uid-root
// ROOT] [-j N]. With --out-dir each input's instance is named after it with `suffix`
// ("-pdf.dcm"). Throws Failure (usage error) for a command line it cannot take.
ExitCode RunExportCommand(int argc, char** argv, const char* suffix, const RunnerFactory& factory);
