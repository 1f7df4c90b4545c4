#pragma once

// Runs srreport as a person or a script does, as a separate process, and checks what it made
// with outside tools (DCMTK, dicom3tools, poppler).
#include "support/FileChecks.h"
#include "support/TestSupport.h"

#include <cairo.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <climits>
#include <string>
#include <utility>
#include <vector>

namespace srreport_test {

// Every entry of a folder, hidden ones included (a half-written temporary would be hidden).
using testing_support::Entries;
using testing_support::DciodvfyErrors;
using testing_support::Quoted;
using testing_support::ReadFile;
using testing_support::RunTool;

// The programs are built into one folder, so srreport sits beside this test.
inline std::string SrReportPath()
{
    char self[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, length > 0 ? static_cast<size_t>(length) : 0);
    return path.substr(0, path.find_last_of('/') + 1) + "srreport";
}

inline std::string SampleImage()
{
    return std::string(SRCTRL_SOURCE_DIR) + "/sample/sample-image.dcm";
}

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs `srreport ARGS` (ARGS already quoted for the shell) with standard error on a pipe, as a
// script would see it; `prefix` goes before the program (such as nsenter).
inline Outcome SrReport(const std::string& args, const std::string& prefix = "")
{
    char errPath[] = "/tmp/srreport-test-err-XXXXXX";
    const int fd = mkstemp(errPath);
    close(fd);
    const auto result = RunTool(prefix + Quoted(SrReportPath()) + " " + args + " 2>" + errPath);
    Outcome outcome{result.nExitCode, result.strOutput, ReadFile(errPath)};
    unlink(errPath);
    return outcome;
}

inline int Lines(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

inline std::string PdfText(const std::string& path)
{
    return RunTool("pdftotext -layout " + Quoted(path) + " -").strOutput;
}

// The value of an attribute as dcmdump reads it; `attribute` is a keyword
// (searched at every depth; the first one found). Empty when absent.
inline std::string DumpValue(const std::string& path, const std::string& attribute)
{
    std::string value = RunTool("dcmdump -q -Un +P " + Quoted(attribute) + " " + Quoted(path) +
                                " | head -n 1 | sed -n 's/^[^[]*\\[\\(.*\\)\\] *#.*/\\1/p'")
                            .strOutput;
    while (!value.empty() && (value.back() == '\n' || value.back() == ' ')) {
        value.pop_back();
    }
    return value;
}

// Every one of `parts` is somewhere in `text`.
inline void ExpectContains(const std::string& text, std::initializer_list<std::string> parts)
{
    for (const std::string& part : parts) {
        EXPECT_NE(text.find(part), std::string::npos) << "no \"" << part << "\" in:\n" << text;
    }
}

// Each attribute of the file, by keyword, holds the value paired with it.
inline void ExpectValues(const std::string& path, std::initializer_list<std::pair<const char*, std::string>> values)
{
    for (const auto& [attribute, value] : values) {
        EXPECT_EQ(DumpValue(path, attribute), value) << attribute;
    }
}

struct PngSize {
    int width = 0;
    int height = 0;
};

// The size of a PNG file as Cairo reads it; 0 x 0 for a file that is not a PNG.
inline PngSize ReadPngSize(const std::string& path)
{
    cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
    PngSize size;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
        size = {cairo_image_surface_get_width(image), cairo_image_surface_get_height(image)};
    }
    cairo_surface_destroy(image);
    return size;
}

} // namespace srreport_test
