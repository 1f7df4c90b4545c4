#include "support/SRDocuments.h"

#include "support/TestSupport.h"

#include <cstdint>
#include <fstream>

namespace testing_support {
namespace {

std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\r': out += "&#13;"; break;  // XML would read a CR LF as a line feed
        default: out += c;
        }
    }
    return out;
}

std::string CodeXml(const std::string& concept, const char* element)
{
    const size_t first = concept.find(',');
    const size_t second = concept.find(',', first + 1);
    return std::string("<") + element + "><value>" + concept.substr(0, first) + "</value><scheme><designator>" +
           concept.substr(first + 1, second - first - 1) + "</designator></scheme><meaning>" +
           Escaped(concept.substr(second + 1)) + "</meaning></" + element + ">";
}

std::string Item(const char* kind, const std::string& relationship, const std::string& concept, const std::string& rest)
{
    return std::string("<") + kind + "><relationship>" + relationship + "</relationship>" +
           (concept.empty() ? "" : CodeXml(concept, "concept")) + rest + "</" + kind + ">";
}

const char* SopClass(const std::string& type)
{
    if (type == "Enhanced SR") return "1.2.840.10008.5.1.4.1.1.88.22";
    if (type == "Comprehensive SR") return "1.2.840.10008.5.1.4.1.1.88.33";
    if (type == "Comprehensive 3D SR") return "1.2.840.10008.5.1.4.1.1.88.34";
    if (type == "Key Object Selection Document") return "1.2.840.10008.5.1.4.1.1.88.59";
    return "1.2.840.10008.5.1.4.1.1.88.11";
}

// Explicit VR little endian, byte by byte.
class Writer {
public:
    explicit Writer(std::ofstream& out) : m_out(out) {}
    void Element(uint16_t group, uint16_t element, const char* vr, std::string value)
    {
        if (value.size() % 2 != 0) {
            value += std::string(vr) == "UI" ? '\0' : ' ';
        }
        Tag(group, element);
        m_out.write(vr, 2);
        if (std::string(vr) == "UT" || std::string(vr) == "OB") {
            Number(0, 2);
            Number(value.size(), 4);
        } else {
            Number(value.size(), 2);
        }
        m_out << value;
    }
    void Sequence(uint16_t group, uint16_t element)
    {
        Tag(group, element);
        m_out.write("SQ", 2);
        Number(0, 2);
        Number(0xFFFFFFFF, 4);
    }
    void Mark(uint16_t element, uint32_t length = 0)
    {
        Tag(0xFFFE, element);
        Number(length, 4);
    }
    void Item() { Mark(0xE000, 0xFFFFFFFF); }
    void EndItem() { Mark(0xE00D); }
    void EndSequence() { Mark(0xE0DD); }
    void Code(const char* value, const char* scheme, const char* meaning)
    {
        Sequence(0x0040, 0xA043);
        Item();
        Element(0x0008, 0x0100, "SH", value);
        Element(0x0008, 0x0102, "SH", scheme);
        Element(0x0008, 0x0104, "LO", meaning);
        EndItem();
        EndSequence();
    }

private:
    void Tag(uint16_t group, uint16_t element)
    {
        Number(group, 2);
        Number(element, 2);
    }
    void Number(uint64_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i) {
            m_out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
        }
    }
    std::ofstream& m_out;
};

} // namespace

std::string SRText(const std::string& relationship, const std::string& concept, const std::string& value,
                   const std::string& children)
{
    return Item("text", relationship, concept, children + "<value>" + Escaped(value) + "</value>");
}

std::string SRContainer(const std::string& relationship, const std::string& concept, const std::string& children)
{
    return "<container flag=\"SEPARATE\"><relationship>" + relationship + "</relationship>" + CodeXml(concept, "concept") +
           children + "</container>";
}

std::string SRCode(const std::string& relationship, const std::string& concept, const std::string& code,
                   const std::string& children)
{
    const std::string value = CodeXml(code, "x");
    return Item("code", relationship, concept, children + value.substr(3, value.size() - 7));
}

std::string SRNum(const std::string& relationship, const std::string& concept, const std::string& value,
                  const std::string& unit)
{
    return Item("num", relationship, concept, "<value>" + value + "</value>" + CodeXml(unit, "unit"));
}

std::string SRImage(const std::string& relationship, const std::string& instanceUid)
{
    return Item("image", relationship, "",
                "<value><sopclass uid=\"1.2.840.10008.5.1.4.1.1.2\">CT</sopclass><instance uid=\"" + instanceUid +
                    "\"/></value>");
}

std::string WriteSR(const std::string& path, const SRShape& shape)
{
    std::string observers;
    for (int i = 1; i <= shape.nVerifiers; ++i) {
        observers += "<observer pos=\"" + std::to_string(i) + "\"><datetime>2025010" + std::to_string(i) +
                     "120000</datetime><name><first>Verifier" + std::to_string(i) +
                     "</first><last>Roe</last></name><organization>City Hospital</organization></observer>";
    }
    const bool kos = shape.strType == "Key Object Selection Document";
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><report type=\"" + shape.strType + "\"><sopclass uid=\"" +
        SopClass(shape.strType) + "\"/><charset>ISO_IR 192</charset><modality>" + (kos ? "KO" : "SR") +
        "</modality><patient><id>OV-17</id><name><first>Anna</first><last>Weiß</last></name><sex>F</sex></patient>"
        "<study uid=\"1.2.826.0.1.3680043.10.2222.2\"><id>S1</id></study><series uid=\"1.2.826.0.1.3680043.10.2222.3\">"
        "<number>1</number></series><instance uid=\"1.2.826.0.1.3680043.10.2222.4\"><number>1</number></instance>"
        "<document>" +
        (kos ? std::string() : "<completion flag=\"COMPLETE\"/>") +
        (kos ? std::string() : shape.nVerifiers > 0 ? "<verification flag=\"VERIFIED\">" + observers + "</verification>"
                                                    : std::string("<verification flag=\"UNVERIFIED\"/>")) +
        "<content><date>2025-01-01</date><time>12:00:00</time><container flag=\"SEPARATE\">" +
        (shape.strTemplate.empty() ? std::string()
                                   : "<template><resource>DCMR</resource><id>" + shape.strTemplate + "</id></template>") +
        CodeXml(kos ? "113000,DCM,Of Interest" : "18748-4,LN,Diagnostic Imaging Report", "concept") + shape.strContent +
        "</container></content></document></report>";
    WriteFile(path + ".xml", xml);
    const ToolResult made = RunTool("xml2dsr " + Quoted(path + ".xml") + " " + Quoted(path) + " 2>&1");
    return made.nExitCode == 0 ? std::string() : made.strOutput + "\n" + xml;
}

void WriteNestedSR(const std::string& path, int levels)
{
    std::ofstream out(path, std::ios::binary);
    Writer dicom(out);
    out << std::string(128, '\0') << "DICM";
    const std::string sopClass = "1.2.840.10008.5.1.4.1.1.88.33";
    const std::string instance = "1.2.826.0.1.3680043.10.2222.99";
    // The group length counts the meta elements that follow it: three UIDs and the version.
    const auto even = [](size_t size) { return size + size % 2; };
    const size_t metaLength = 14 + (8 + even(sopClass.size())) + (8 + even(instance.size())) + (8 + 20);
    dicom.Element(0x0002, 0x0000, "UL", std::string(1, static_cast<char>(metaLength & 0xFF)) +
                                            static_cast<char>(metaLength >> 8) + std::string(2, '\0'));
    dicom.Element(0x0002, 0x0001, "OB", std::string("\0\1", 2));
    dicom.Element(0x0002, 0x0002, "UI", sopClass);
    dicom.Element(0x0002, 0x0003, "UI", instance);
    dicom.Element(0x0002, 0x0010, "UI", "1.2.840.10008.1.2.1");
    dicom.Element(0x0008, 0x0016, "UI", sopClass);
    dicom.Element(0x0008, 0x0018, "UI", instance);
    dicom.Element(0x0008, 0x0060, "CS", "SR");
    dicom.Element(0x0010, 0x0010, "PN", "Deep^Tree");
    dicom.Element(0x0020, 0x000D, "UI", "1.2.826.0.1.3680043.10.2222.2");
    dicom.Element(0x0040, 0xA040, "CS", "CONTAINER");
    dicom.Code("18748-4", "LN", "Diagnostic Imaging Report");
    dicom.Element(0x0040, 0xA050, "CS", "SEPARATE");
    for (int level = 0; level < levels; ++level) {
        dicom.Sequence(0x0040, 0xA730);
        dicom.Item();
        dicom.Element(0x0040, 0xA010, "CS", "CONTAINS");
        dicom.Element(0x0040, 0xA040, "CS", "CONTAINER");
        dicom.Code("121070", "DCM", "Findings");
        dicom.Element(0x0040, 0xA050, "CS", "SEPARATE");
    }
    dicom.Sequence(0x0040, 0xA730);
    dicom.Item();
    dicom.Element(0x0040, 0xA010, "CS", "CONTAINS");
    dicom.Element(0x0040, 0xA040, "CS", "TEXT");
    dicom.Code("121071", "DCM", "Finding");
    dicom.Element(0x0040, 0xA160, "UT", "The innermost finding.");
    for (int level = 0; level <= levels; ++level) {
        dicom.EndItem();
        dicom.EndSequence();
    }
}

} // namespace testing_support
