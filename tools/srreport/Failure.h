#pragma once

#include "ExitCode.h"

#include <stdexcept>
#include <string>

// A reason why one command (or one file of a batch) could not be done. The message is one line
// that names the cause; it is printed after the program's and the file's name.
class Failure : public std::runtime_error {
public:
    Failure(ExitCode code, const std::string& message);

    ExitCode Code() const { return m_code; }

private:
    ExitCode m_code;
};

// The message of a failed system call on `path`: "cannot write PATH: No such file or directory".
std::string SystemError(const std::string& what, const std::string& path, int error);
