#pragma once

#include <string>

// DICOM tags as a person names them on the command line: "0010,0010" (group and element in
// hexadecimal) or a keyword of DCMTK's data dictionary ("PatientName").
namespace TagName {

// The tag as the control takes it (group in the high half); throws Failure (usage error) for a
// text that is neither a well-formed number pair nor a known keyword.
unsigned int Parse(const std::string& text);

// "(0010,0010) PatientName", or the number pair alone for a tag the dictionary does not know.
std::string Describe(unsigned int tag);

} // namespace TagName
