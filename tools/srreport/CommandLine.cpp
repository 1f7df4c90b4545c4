#include "CommandLine.h"

#include "Batch.h"
#include "Failure.h"
#include "platform/kmbase/KMFile.h"

#include <cerrno>
#include <cstdlib>
#include <set>

namespace CommandLine {

std::vector<std::string> Parse(int argc, char** argv, const char* shortOptions, const option* options,
                               const std::function<void(int, const char*)>& handle)
{
    // Leading ':' makes getopt tell a missing value apart, and no message of its own.
    const std::string optionString = std::string(":") + shortOptions;
    opterr = 0;
    optind = 0;
    int index = 0;
    int c = 0;
    while ((c = getopt_long(argc, argv, optionString.c_str(), options, &index)) != -1) {
        if (c == '?') {
            const std::string name = optopt != 0 ? std::string("-") + static_cast<char>(optopt) : argv[optind - 1];
            throw Failure(ExitCode::Usage, "unknown option " + name);
        }
        if (c == ':') {
            const std::string name = optopt != 0 && optopt < 256 ? std::string("-") + static_cast<char>(optopt) : argv[optind - 1];
            throw Failure(ExitCode::Usage, "option " + name + " needs a value");
        }
        handle(c, optarg);
    }
    return std::vector<std::string>(argv + optind, argv + argc);
}

int ParseWorkers(const char* text)
{
    char* end = nullptr;
    errno = 0;
    const long count = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || errno != 0 || count < 1 || count > 64) {
        throw Failure(ExitCode::Usage, std::string("not a number of workers: \"") + text + "\" (1 to 64)");
    }
    return static_cast<int>(count);
}

float ParsePositive(const char* text, const char* what)
{
    char* end = nullptr;
    const float value = std::strtof(text, &end);
    if (*text == '\0' || *end != '\0' || !(value > 0.0f) || !(value < 1e6f)) {
        throw Failure(ExitCode::Usage, std::string("not a ") + what + ": \"" + text + "\"");
    }
    return value;
}

void ParseSize(const char* text, int& width, int& height)
{
    char* end = nullptr;
    const long w = std::strtol(text, &end, 10);
    long h = 0;
    bool ok = end != text && (*end == 'x' || *end == 'X');
    if (ok) {
        const char* rest = end + 1;
        h = std::strtol(rest, &end, 10);
        ok = end != rest && *end == '\0';
    }
    if (!ok || w < 1 || h < 1 || w > 16384 || h > 16384) {
        throw Failure(ExitCode::Usage, std::string("not a size: \"") + text + "\" (write WxH, 1 to 16384 each)");
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
}

std::string TextArgument(const char* text)
{
    if (text[0] != '@') {
        return text;
    }
    // Read as the control reads its files: a regular file only, opened without blocking (a FIFO
    // or a device is refused at once), and never more than a finding can sensibly hold.
    const std::string path = text + 1;
    std::string result;
    const KMFile::Error error = KMFile::Read(path.c_str(), kMaxTextFileBytes, result);
    if (error != KMFile::Error::None && error != KMFile::Error::Empty) {
        throw Failure(ExitCode::Input, "cannot read " + path + ": " + KMFile::Reason(error));
    }
    // A text file ends with a newline that is not part of the text; blank lines before it are.
    if (!result.empty() && result.back() == '\n') {
        result.pop_back();
        if (!result.empty() && result.back() == '\r') {
            result.pop_back();
        }
    }
    return result;
}

namespace {

std::string OutputName(const std::string& input, const std::string& suffix)
{
    const auto slash = input.find_last_of('/');
    std::string name = slash == std::string::npos ? input : input.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    return name + suffix;
}

} // namespace

std::vector<Job> JobsFor(const std::vector<std::string>& inputs, const std::string& output,
                         const std::string& outputDir, const std::string& suffix, const char* outputOption, const char* dirOption)
{
    const std::string options = std::string(outputOption) + " FILE or " + dirOption + " DIR";
    if (output.empty() == outputDir.empty()) {
        throw Failure(ExitCode::Usage, output.empty() ? "say where the output goes (" + options + ")"
                                                      : "give either " + options + ", not both");
    }
    if (!output.empty() && inputs.size() > 1) {
        throw Failure(ExitCode::Usage, std::string(outputOption) + " takes one input; give " + dirOption +
                                           " DIR for several");
    }
    std::vector<Job> jobs;
    std::set<std::string> outputs;
    for (const std::string& input : inputs) {
        Job job{input, output.empty() ? outputDir + "/" + OutputName(input, suffix) : output};
        if (!outputs.insert(job.strOutput).second) {
            throw Failure(ExitCode::Usage, "two inputs would both be written to " + job.strOutput);
        }
        jobs.push_back(std::move(job));
    }
    return jobs;
}

std::vector<Job> JobsFor(const std::vector<std::string>& inputs)
{
    std::vector<Job> jobs;
    for (const std::string& input : inputs) {
        jobs.push_back(Job{input, ""});
    }
    return jobs;
}

void RequireFiles(const std::vector<std::string>& files, const char* what)
{
    if (files.empty()) {
        throw Failure(ExitCode::Usage, std::string("no ") + what + " given");
    }
}

} // namespace CommandLine
