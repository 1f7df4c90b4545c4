// srreport-send: the send subcommand of srreport, run by it as a program of its own, so that
// DCMTK's network module and decoders, libcurl and what they load (Kerberos, TLS, TCP wrappers)
// are loaded only to send, and sending loads no report control.
#include "Command.h"
#include "Program.h"

#include <dcmtk/dcmdata/dcrledrg.h>
#include <dcmtk/dcmjpeg/djdecode.h>
#include <dcmtk/dcmjpls/djdecode.h>

int main(int argc, char** argv)
{
    // A compressed file is decompressed for a peer that accepts nothing else for it.
    DJDecoderRegistration::registerCodecs();
    DJLSDecoderRegistration::registerCodecs();
    DcmRLEDecoderRegistration::registerCodecs();
    const int code = RunProgram(argc, argv, {&kSendCommand});
    DcmRLEDecoderRegistration::cleanup();
    DJLSDecoderRegistration::cleanup();
    DJDecoderRegistration::cleanup();
    return code;
}
