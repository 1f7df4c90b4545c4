#pragma once

#include <string>

// One content item of an SR document's content tree as people read it. Texts are UTF-8 whatever
// the document's character set; what the item does not have is empty.
struct KMDcmContentItem {
    // 0 for the root container, 1 for its children, and so on: the items of a tree come in
    // document order, each after its parent.
    int nDepth = 0;
    // The relationship with its parent ("CONTAINS", "HAS OBS CONTEXT", ...); empty for the root.
    std::string strRelationship;
    // "CONTAINER", "TEXT", "CODE", "NUM", "DATE", "TIME", "DATETIME", "PNAME", "UIDREF", "IMAGE",
    // "COMPOSITE", "WAVEFORM", "SCOORD", "SCOORD3D", "TCOORD", or "REFERENCE" for an item that
    // stands for another one of the tree.
    std::string strValueType;
    // The concept name: code value, coding scheme designator and code meaning.
    std::string strCode;
    std::string strScheme;
    std::string strMeaning;
    // The value: a text, a code's meaning, a number, a date (YYYY-MM-DD), a time (HH:MM), a
    // person name in reading order, the SOP class and instance (and frames) an image reference
    // names, the position ("1.2.3") of the item a reference stands for; empty for a container.
    std::string strValue;
    // The unit of a number: its UCUM code where that reads as a unit ("mm"), else its meaning
    // ("Hounsfield unit"); empty for a number without unit and for other items.
    std::string strUnit;

    // How an outline shows the item: "Meaning: value unit", or the meaning alone for a container
    // (the value type for an item without a concept name).
    std::string Line() const
    {
        const std::string name = strMeaning.empty() ? strValueType : strMeaning;
        if (strValueType == "CONTAINER") {
            return name;
        }
        return name + ": " + strValue + (strUnit.empty() ? "" : " " + strUnit);
    }

    // Line() as a line of an outline, `level` levels in: indented two spaces a level (beyond
    // kMaxIndent levels, the indentation stops and the line starts with its level), the value's
    // own lines (after CR LF, LF or CR) continuing under it, each line ending with LF.
    static constexpr int kMaxIndent = 24;
    std::string OutlineLine(int level) const { return Outlined(Line(), level); }
    static std::string Outlined(const std::string& line, int level)
    {
        const size_t indent = static_cast<size_t>(level < kMaxIndent ? level : kMaxIndent) * 2;
        std::string out(indent, ' ');
        if (level > kMaxIndent) {
            out += "(level " + std::to_string(level) + ") ";
        }
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\r' || line[i] == '\n') {
                i += line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n' ? 1 : 0;
                out += '\n' + std::string(indent + 2, ' ');
            } else {
                out += line[i];
            }
        }
        return out + '\n';
    }
};
