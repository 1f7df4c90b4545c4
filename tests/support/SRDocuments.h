#pragma once

#include <string>
#include <utility>

// SR documents as other systems write them, made for the tests: by DCMTK's xml2dsr from the XML
// that its dsr2xml writes, or, where DCMTK's writers cannot go (they recurse as a tree nests),
// byte by byte.
namespace testing_support {

// Content items in dsr2xml's XML. A concept is "CODE,SCHEME,Meaning"; a value may hold any text
// (line breaks kept as they are, CR included).
std::string SRText(const std::string& relationship, const std::string& concept, const std::string& value,
                   const std::string& children = "");
std::string SRContainer(const std::string& relationship, const std::string& concept, const std::string& children);
std::string SRCode(const std::string& relationship, const std::string& concept, const std::string& code,
                   const std::string& children = "");
std::string SRNum(const std::string& relationship, const std::string& concept, const std::string& value,
                  const std::string& unit);
std::string SRImage(const std::string& relationship, const std::string& instanceUid);

struct SRShape {
    SRShape(std::string type, std::string content, std::string templateId = "", int verifiers = 0)
        : strType(std::move(type)), strContent(std::move(content)), strTemplate(std::move(templateId)), nVerifiers(verifiers)
    {
    }
    // The storage class as dsr2xml names it: "Basic Text SR", "Enhanced SR", "Comprehensive SR",
    // "Comprehensive 3D SR", "Key Object Selection Document".
    std::string strType;
    // The root container's items.
    std::string strContent;
    // A DCMR template the root declares ("1500"); none when empty.
    std::string strTemplate;
    // How many observers verified it (0: unverified).
    int nVerifiers = 0;
};

// Writes the document with xml2dsr; an empty text on success, else what xml2dsr said.
std::string WriteSR(const std::string& path, const SRShape& shape);

// A document too deep for DCMTK's writers: `levels` Findings containers one inside the next, the
// innermost holding a TEXT Finding, in explicit VR little endian.
void WriteNestedSR(const std::string& path, int levels);

} // namespace testing_support
