#pragma once

#include "ExitCode.h"

// A subcommand of srreport: its name, what `srreport --help` says of it, its own help text and
// how it runs. `argv[0]` is the subcommand's name.
struct Command {
    const char* name;
    const char* summary;
    const char* usage;
    ExitCode (*run)(int argc, char** argv);
};

// Thrown by a subcommand that met --help; main prints the subcommand's usage.
struct HelpRequested {};

extern const Command kNewCommand;
extern const Command kEditCommand;
extern const Command kPrintCommand;
extern const Command kRenderCommand;
extern const Command kPreviewCommand;
extern const Command kShowCommand;
extern const Command kExportPdfCommand;
extern const Command kExportKosCommand;
extern const Command kSendCommand;
