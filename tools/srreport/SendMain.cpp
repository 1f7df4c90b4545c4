// srreport-send: the send subcommand of srreport, run by it as a program of its own, so that
// DCMTK's network module (and what it loads: Kerberos, TCP wrappers) is loaded only to send,
// and sending loads no report control.
#include "Command.h"
#include "Program.h"

int main(int argc, char** argv)
{
    return RunProgram(argc, argv, {&kSendCommand});
}
