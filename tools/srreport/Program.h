#pragma once

#include "Command.h"

#include <vector>

// Runs srreport's command line with the given subcommands: `argv[1]` names one of them (or asks
// for --help). Returns the exit status; failures are reported on standard error.
int RunProgram(int argc, char** argv, const std::vector<const Command*>& commands);
