// srreport: writes, checks, prints and sends DICOM SR reports from a shell, through the report
// control's public interface.
#include "Command.h"
#include "Program.h"

int main(int argc, char** argv)
{
    return RunProgram(argc, argv, {&kNewCommand, &kEditCommand, &kPrintCommand, &kRenderCommand, &kPreviewCommand,
                                   &kShowCommand, &kExportPdfCommand, &kExportKosCommand, &kSendCommand});
}
