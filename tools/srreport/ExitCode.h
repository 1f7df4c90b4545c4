#pragma once

// What srreport's exit status means; `srreport --help` and the README print the same table.
enum class ExitCode {
    Ok = 0,
    // The control could not do the job for a reason it does not tell (or a worker ended).
    Failed = 1,
    Usage = 2,
    // An input is missing, unreadable, not DICOM, not an SR document, or refused as it is.
    Input = 3,
    // An output file or printer could not be written.
    Output = 4,
    // A peer could not be reached, refused the association, or did not store a file.
    Network = 5,
};

// The table of exit codes as the help texts show it.
extern const char* const kExitCodeHelp;
