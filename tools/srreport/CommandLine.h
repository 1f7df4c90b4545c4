#pragma once

#include "Batch.h"

#include <cstddef>
#include <functional>
#include <getopt.h>
#include <string>
#include <vector>

// What every subcommand's command line shares: options through getopt_long, file arguments,
// worker counts, texts given inline or as @FILE, and where each input's output goes.
namespace CommandLine {

// Walks the options of `argv` (argv[0] is the subcommand), calling `handle` with each option's
// value and getopt's argument; returns the remaining arguments (the files). Unknown options and
// missing values throw Failure (usage error). "--help" and "-h" must be among `options` and be
// handled by the caller.
std::vector<std::string> Parse(int argc, char** argv, const char* shortOptions, const option* options,
                               const std::function<void(int, const char*)>& handle);

// The value of -j: 1 to 64 worker processes.
int ParseWorkers(const char* text);
// A positive number, such as a zoom.
float ParsePositive(const char* text, const char* what);
// "WxH" with both at least 1.
void ParseSize(const char* text, int& width, int& height);

// A text argument, or the content of a file when it starts with '@' (UTF-8, as written; a
// regular file of at most kMaxTextFileBytes). Throws Failure (input error) for a file that is
// missing, not regular (a FIFO, /dev/zero) or too large.
constexpr size_t kMaxTextFileBytes = 64u * 1024u * 1024u;
std::string TextArgument(const char* text);

// Where each input's output goes: `output` for a single input, else DIR/NAME with the input's
// name less its extension plus `suffix` (".pdf", "-pdf.dcm"). Throws Failure (usage error) when
// neither or both are given, when -o meets several inputs, or when two inputs would write the
// same file.
std::vector<Job> JobsFor(const std::vector<std::string>& inputs, const std::string& output,
                         const std::string& outputDir, const std::string& suffix, const char* outputOption, const char* dirOption);

// Jobs without outputs.
std::vector<Job> JobsFor(const std::vector<std::string>& inputs);

// Throws Failure (usage error) unless there is at least one file argument.
void RequireFiles(const std::vector<std::string>& files, const char* what);

} // namespace CommandLine
