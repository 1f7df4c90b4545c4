#pragma once

#include <tinyxml2.h>

#include <string>
#include <utility>
#include <vector>

// The template of a report page: a skin in XML that the toolkit builds the page from, with named
// regions that the host can reshape without editing files.
//
// Regions are found by element name and "name" together, depth first from the root element:
//   "TileLayout" RT_ATTRLIST     the attribute list; its "HorizontalLayout" children are rows
//   "Control" RT_LOGO            the logo: "bkimage" names an "img" element, "visible"
//   "VerticalLayout" RT_TEMPINFO "template_name"
//   "TabLayout" RT_IMAGE         the image layouts (its children), "selectedid", "visible"
//
// The document lives in memory; only Save writes a file. Until a template has loaded, every
// region operation fails. A failed Load keeps the template that was there.
class KMReportTemplate {
public:
    KMReportTemplate() = default;
    KMReportTemplate(const KMReportTemplate&) = delete;
    KMReportTemplate& operator=(const KMReportTemplate&) = delete;

    // Replaces the document by the template file. False for a null path, a file that is not a
    // regular file (a FIFO is refused without waiting), cannot be read, is empty or larger than
    // kMaxFileBytes, does not parse or has no root element; the previous document is then kept.
    // The row prototypes are never touched.
    bool Load(const char* path);
    static constexpr long kMaxFileBytes = 64L * 1024 * 1024;

    // The whole document as indented UTF-8 text; empty for an empty document. Always true.
    bool ToXml(std::string& text) const;

    // Records `templateName` in the template information region, then writes the document to
    // `path`, replacing it as KMFileReplace does: a link keeps pointing at the new content, the
    // file keeps its permissions, and a failed write (reported as false) leaves any existing file
    // as it was. A path naming a folder, FIFO or device is refused. False without the region
    // (nothing changes) or for a null name; a null path fails after the name is recorded.
    bool Save(const char* path, const char* templateName);

    // The first element, `start` included, depth first, with that element name and "name"
    // attribute; null when none or when `start` is null.
    tinyxml2::XMLElement* FindElement(tinyxml2::XMLElement* start, const char* elementName, const char* nameValue) const;

    bool GetLogoName(std::string& name) const;
    // Embeds the image file (at most kMaxLogoBytes) as the logo under a new identifier. False,
    // with nothing changed, for a missing, empty, too large or not regular file, or a logo
    // region whose "bkimage" names no "img" element.
    bool SetLogo(const char* imagePath);
    static constexpr long kMaxLogoBytes = 16L * 1024 * 1024;
    bool IsLogoVisible() const;
    bool SetLogoVisible(bool visible);

    bool IsImageVisible() const;
    bool SetImageVisible(bool visible);
    // The "name" of each child of the image area that has one, in document order.
    bool GetImageLayoutList(std::vector<std::string>& names) const;
    bool GetImageLayout(int& index) const;
    bool SetImageLayout(int index);

    // Appends (tag text, label) for every row of the attribute list and captures, for each kind
    // of row (age, date, sex, any other), the first such row as the model for new rows.
    bool GetAttributeList(std::vector<std::pair<std::string, std::string>>& rows);
    // Replaces every row by rows copied from the captured models, one per entry, with the label
    // and tag written into them. An entry whose kind has no model uses the default model; an
    // entry without any model gets no row.
    bool SetAttributeList(const std::vector<std::pair<std::string, std::string>>& rows);

private:
    enum class RowKind { Default, Age, Date, Sex };
    // The kind of a row from its tag text; Default for an empty text, a text that names no tag,
    // and a tag outside the dictionary.
    static RowKind KindOf(const std::string& tag);
    // The tag that a tag text names; false when it names none.
    static bool TagOf(const std::string& text, unsigned long& tag);
    std::string& PrototypeOf(RowKind kind);
    tinyxml2::XMLElement* Region(const char* elementName, const char* nameValue) const;
    static bool IsVisible(const tinyxml2::XMLElement* region);

    std::string m_strDefaultRow;
    std::string m_strAgeRow;
    std::string m_strDateRow;
    std::string m_strSexRow;
    tinyxml2::XMLDocument m_doc;
};
