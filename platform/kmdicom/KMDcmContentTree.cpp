#include "platform/kmdicom/KMDcmContentTree.h"

#include "platform/kmbase/KMString.h"
#include "platform/kmdicom/KMDcmCharset.h"
#include "platform/kmdicom/KMDcmConvert.h"
#include "platform/kmdicom/KMDcmDataset.h"
#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmText.h"
#include "platform/kmdicom/KMDcmVR.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcsequen.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmsr/dsrcitem.h>
#include <dcmtk/dcmsr/dsrdoctr.h>
#include <dcmtk/dcmsr/dsrimgtn.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <sstream>
#include <unordered_map>

namespace {

constexpr DWORD kTextValue = 0x0040A160;
constexpr DWORD kPersonName = 0x0040A123;
constexpr DWORD kRelationshipType = 0x0040A010;
// DICOM's attributes of the date, time and date-time content item values, for their formats.
constexpr DWORD kDate = 0x0040A121;
constexpr DWORD kTime = 0x0040A122;
constexpr DWORD kDateTime = 0x0040A120;

// The document is read as it is, even where it bends the rules of its class (a relationship its
// class does not allow, a value not quite right): what a person wrote is never hidden for that.
const size_t kReadFlags = DSRTypes::RF_ignoreRelationshipConstraints | DSRTypes::RF_ignoreContentItemErrors |
                          DSRTypes::RF_acceptUnknownRelationshipType | DSRTypes::RF_acceptInvalidContentItemValue;

// The document's texts in UTF-8; ASCII, the common case, needs no conversion.
class Decoder {
public:
    explicit Decoder(std::string charset) : m_strCharset(std::move(charset)) {}
    std::string operator()(const OFString& raw, DcmEVR vr) const
    {
        // Trailing spaces are DICOM's padding, as the dataset's own reading drops them.
        std::string bytes(raw.c_str(), raw.length());
        bytes.erase(bytes.find_last_not_of(' ') + 1);
        return KMDcmText::IsAscii(bytes.data(), bytes.size()) ? bytes : KMDcmCharset::Read(m_strCharset, bytes, vr);
    }

private:
    std::string m_strCharset;
};

std::string Narrow(const std::wstring& text)
{
    return KMString::ToUtf8(text.data(), text.size());
}

std::string Formatted(DWORD tag, const std::string& value)
{
    return Narrow(KMDcmConvert::ToDisplayText(tag, KMString::ToWide(value)));
}

// A unit as people write it: the UCUM code where it is a plain symbol ("mm"), else its meaning.
std::string UnitText(const DSRCodedEntryValue& unit, const Decoder& decode)
{
    const OFString& code = unit.getCodeValue();
    if (code.empty() || code == "1") {
        return std::string();
    }
    if (unit.getCodingSchemeDesignator() == "UCUM" && code.find_first_of("[{'") == OFString_npos) {
        return code.c_str();
    }
    const std::string meaning = decode(unit.getCodeMeaning(), EVR_LO);
    return meaning.empty() ? std::string(code.c_str()) : meaning;
}

// A SOP class by its name in words ("CT Image Storage" for DCMTK's "CTImageStorage").
std::string ClassName(const OFString& uid)
{
    const char* keyword = dcmFindNameOfUID(uid.c_str(), nullptr);
    if (keyword == nullptr) {
        return uid.c_str();
    }
    const std::string name = keyword;
    std::string words;
    for (size_t i = 0; i < name.size(); ++i) {
        const bool upper = std::isupper(static_cast<unsigned char>(name[i])) != 0;
        const bool afterWord = i > 0 && (std::islower(static_cast<unsigned char>(name[i - 1])) != 0 ||
                                         std::isdigit(static_cast<unsigned char>(name[i - 1])) != 0);
        const bool endsCapitals = i > 0 && i + 1 < name.size() && std::isupper(static_cast<unsigned char>(name[i - 1])) != 0 &&
                                  std::islower(static_cast<unsigned char>(name[i + 1])) != 0;
        if (upper && (afterWord || endsCapitals)) {
            words += ' ';
        }
        words += name[i];
    }
    return words;
}

std::string ReferenceText(const DSRCompositeReferenceValue& reference)
{
    return ClassName(reference.getSOPClassUID()) + " " + reference.getSOPInstanceUID().c_str();
}

template <class Value>
std::string Printed(const Value& value)
{
    std::ostringstream out;
    value.print(out, 0);
    std::string text = out.str();
    if (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

// Fills the value (and unit) of an item from DCMTK's view of it.
void ReadValue(DSRContentItem& source, const Decoder& decode, KMDcmContentItem& item, std::string& raw,
               std::string& instance, int& frame)
{
    switch (source.getValueType()) {
    case DSRTypes::VT_Text: item.strValue = decode(source.getStringValue(), EVR_UT); break;
    case DSRTypes::VT_PName:
        raw = decode(source.getStringValue(), EVR_PN);
        item.strValue = Narrow(KMDcmConvert::FormatPersonName(KMString::ToWide(raw)));
        break;
    case DSRTypes::VT_Date: item.strValue = Formatted(kDate, source.getStringValue().c_str()); break;
    case DSRTypes::VT_Time: item.strValue = Formatted(kTime, source.getStringValue().c_str()); break;
    case DSRTypes::VT_DateTime: item.strValue = Formatted(kDateTime, source.getStringValue().c_str()); break;
    case DSRTypes::VT_UIDRef: item.strValue = source.getStringValue().c_str(); break;
    case DSRTypes::VT_Code: {
        const DSRCodedEntryValue& code = source.getCodeValue();
        item.strValue = decode(code.getCodeMeaning(), EVR_LO);
        if (item.strValue.empty()) {
            item.strValue = code.getCodeValue().c_str();
        }
        break;
    }
    case DSRTypes::VT_Num: {
        const DSRNumericMeasurementValue& number = source.getNumericValue();
        item.strValue = number.getNumericValue().c_str();
        if (item.strValue.empty()) {
            // No number, but why not ("measurement failed", ...).
            item.strValue = decode(number.getNumericValueQualifier().getCodeMeaning(), EVR_LO);
        } else {
            item.strUnit = UnitText(number.getMeasurementUnit(), decode);
        }
        break;
    }
    case DSRTypes::VT_Image: {
        const DSRImageReferenceValue& image = source.getImageReference();
        item.strValue = ReferenceText(image);
        instance = image.getSOPInstanceUID().c_str();
        OFVector<Sint32> frames;
        image.getFrameList().getItems(frames);
        for (size_t i = 0; i < frames.size(); ++i) {
            item.strValue += (i == 0 ? (frames.size() == 1 ? ", frame " : ", frames ") : ", ") + std::to_string(frames[i]);
        }
        frame = frames.empty() ? 0 : frames[0];
        break;
    }
    case DSRTypes::VT_Composite: item.strValue = ReferenceText(source.getCompositeReference()); break;
    case DSRTypes::VT_Waveform: item.strValue = ReferenceText(source.getWaveformReference()); break;
    case DSRTypes::VT_SCoord: item.strValue = Printed(source.getSpatialCoordinates()); break;
    case DSRTypes::VT_SCoord3D: item.strValue = Printed(source.getSpatialCoordinates3D()); break;
    case DSRTypes::VT_TCoord: item.strValue = Printed(source.getTemporalCoordinates()); break;
    default: break;
    }
}

// An outline line as wide text.
void AppendLine(std::wstring& out, int level, const std::string& line)
{
    out += KMString::ToWide(KMDcmContentItem::Outlined(line, level));
}

} // namespace

void KMDcmContentTree::Read(const KMDcmDataset& dataset, bool amending)
{
    const KMDcmLog quiet;
    *this = KMDcmContentTree();
    DcmItem* root = dataset.GetItem();
    if (root == nullptr || !root->tagExists(DCM_ValueType)) {
        AssignFields(amending);
        return;
    }
    OFString sopClass;
    root->findAndGetOFString(DCM_SOPClassUID, sopClass);
    DSRTypes::E_DocumentType type = DSRTypes::sopClassUIDToDocumentType(sopClass);
    m_bKeyObjects = type == DSRTypes::DT_KeyObjectSelectionDocument;
    if (type == DSRTypes::DT_invalid) {
        // A class dcmsr does not know is read as the one that allows every kind of item.
        type = DSRTypes::DT_Comprehensive3DSR;
    }
    DSRDocumentTree tree(type);
    OFCondition status = tree.read(*root, type, kReadFlags);
    if (status.bad()) {
        m_strUnread = status.text();
        tree.read(*root, type, kReadFlags | DSRTypes::RF_skipInvalidContentItems);
    }
    const Decoder decode(KMDcmCharset::Of(*dataset.GetRoot()));
    // The item last seen at each level: the parent of the next item one level deeper.
    std::vector<int> lastAtLevel;
    std::unordered_map<size_t, int> byNodeID;
    std::vector<std::pair<int, size_t>> references;
    if (tree.gotoRoot() > 0) {
        OFString templateId;
        OFString resource;
        if (tree.getCurrentContentItem().getTemplateIdentification(templateId, resource).good() && resource == "DCMR") {
            m_strTemplate = templateId.c_str();
        }
        do {
            DSRContentItem& source = tree.getCurrentContentItem();
            const int index = static_cast<int>(m_vecItems.size());
            const int level = static_cast<int>(tree.getLevel());
            KMDcmContentItem item;
            Node node;
            item.nDepth = level - 1;
            if (level > 1) {
                node.nParent = lastAtLevel[static_cast<size_t>(level - 2)];
                node.nOrdinal = ++m_vecNodes[static_cast<size_t>(node.nParent)].nChildren;
                item.strRelationship = DSRTypes::relationshipTypeToDefinedTerm(source.getRelationshipType());
            }
            lastAtLevel.resize(static_cast<size_t>(level));
            lastAtLevel.back() = index;
            byNodeID[tree.getNodeID()] = index;
            const DSRTypes::E_ValueType valueType = source.getValueType();
            if (valueType == DSRTypes::VT_byReference) {
                item.strValueType = "REFERENCE";
                references.emplace_back(index, source.getReferencedNodeID());
            } else {
                item.strValueType = DSRTypes::valueTypeToDefinedTerm(valueType);
            }
            const DSRCodedEntryValue& concept = source.getConceptName();
            item.strCode = concept.getCodeValue().c_str();
            item.strScheme = concept.getCodingSchemeDesignator().c_str();
            item.strMeaning = decode(concept.getCodeMeaning(), EVR_LO);
            ReadValue(source, decode, item, node.strRaw, node.strInstance, node.nFrame);
            m_vecItems.push_back(std::move(item));
            m_vecNodes.push_back(std::move(node));
        } while (tree.iterate() > 0);
    }
    // A reference reads as the item it stands for.
    for (const auto& [index, target] : references) {
        const auto found = byNodeID.find(target);
        m_vecItems[static_cast<size_t>(index)].strValue =
            found != byNodeID.end() ? m_vecItems[static_cast<size_t>(found->second)].Line() : "?";
    }
    MarkBoxedKeyImages(*root);
    AssignFields(amending);
}

void KMDcmContentTree::MarkBoxedKeyImages(DcmItem& root)
{
    // The images (and frames) that the image boxes show: items of the Referenced Image Sequence
    // with a picture and the reference of its source.
    std::vector<std::pair<std::string, int>> boxed;
    DcmSequenceOfItems* boxes = nullptr;
    if (root.findAndGetSequence(DCM_ReferencedImageSequence, boxes).good() && boxes != nullptr) {
        for (unsigned long i = 0; i < boxes->card(); ++i) {
            DcmItem* box = boxes->getItem(i);
            OFString instance;
            Sint32 frame = 0;
            if (box->tagExistsWithValue(DCM_EncapsulatedDocument) &&
                box->findAndGetOFString(DCM_ReferencedSOPInstanceUID, instance).good() && !instance.empty()) {
                box->findAndGetSint32(DCM_ReferencedFrameNumber, frame);
                boxed.emplace_back(instance.c_str(), frame);
            }
        }
    }
    for (size_t i = 0; i < m_vecItems.size() && !boxed.empty(); ++i) {
        const KMDcmContentItem& item = m_vecItems[i];
        Node& node = m_vecNodes[i];
        node.bBoxed = item.nDepth == 1 &&
                      KMDcmReportConcepts::IsKeyImage(item.strCode, item.strScheme, item.strValueType, item.strRelationship) &&
                      std::find(boxed.begin(), boxed.end(), std::make_pair(node.strInstance, node.nFrame)) != boxed.end();
    }
}

void KMDcmContentTree::SetUnreadable(const std::string& reason)
{
    *this = KMDcmContentTree();
    m_strUnread = reason;
    AssignFields(false);
}

void KMDcmContentTree::AssignFields(bool amending)
{
    const size_t count = m_vecItems.size();
    // The section context each item lies in, from the nearest known section heading above it:
    // `known` tells whether there is one, `context` the field its content feeds.
    std::vector<char> known(count, 0);
    std::vector<KMDcmContentField> context(count, KMDcmContentField::None);
    std::vector<int> owns[KMDcmReportConcepts::kFieldCount];
    for (size_t i = 0; i < count; ++i) {
        const KMDcmContentItem& item = m_vecItems[i];
        Node& node = m_vecNodes[i];
        KMDcmContentField section = KMDcmContentField::None;
        const bool isSection = IsContainer(static_cast<int>(i)) && KMDcmReportConcepts::IsSection(item.strCode, item.strScheme, section);
        if (node.nParent < 0) {
            node.field = KMDcmContentField::None;
        } else if (known[static_cast<size_t>(node.nParent)] != 0) {
            node.field = context[static_cast<size_t>(node.nParent)];
        } else if (isSection) {
            node.field = section;
        } else {
            node.field = KMDcmReportConcepts::ItemField(item.strCode, item.strScheme);
        }
        node.bSection = isSection;
        // What the item's children lie in.
        if (isSection) {
            known[i] = 1;
            context[i] = section;
        } else if (node.nParent >= 0) {
            known[i] = known[static_cast<size_t>(node.nParent)];
            context[i] = context[static_cast<size_t>(node.nParent)];
        }
        if (item.nDepth == 1) {
            const KMDcmContentField own = KMDcmReportConcepts::OwnField(item.strCode, item.strScheme, item.strValueType);
            const KMDcmReportConcepts::Own* ownItem = KMDcmReportConcepts::OwnItem(own);
            if (ownItem != nullptr && item.strRelationship == ownItem->szRelationship) {
                owns[static_cast<int>(own)].push_back(static_cast<int>(i));
            }
        }
    }
    for (int field = 1; field < KMDcmReportConcepts::kFieldCount; ++field) {
        DecideAccess(static_cast<KMDcmContentField>(field), amending, owns[field]);
    }
}

std::string KMDcmContentTree::OwnItemsRefused() const
{
    if (m_bKeyObjects) {
        return "a Key Object Selection document is read here, not written";
    }
    if (!m_strUnread.empty()) {
        return "the document holds content items that cannot be read (" + m_strUnread + ")";
    }
    if (!m_strTemplate.empty() && m_strTemplate != "2000") {
        return "the document follows template TID " + m_strTemplate + ", which has no place for it";
    }
    return std::string();
}

void KMDcmContentTree::DecideAccess(KMDcmContentField field, bool amending, const std::vector<int>& owns)
{
    FieldState& state = m_fields[static_cast<int>(field)];
    state = FieldState();
    const std::string refused = OwnItemsRefused();
    const bool fed = field == KMDcmContentField::Finding || field == KMDcmContentField::Conclusion;
    // The field's own item: the one child of the root with its concept, when it holds no items.
    const bool ownAlone = owns.size() == 1 && m_vecNodes[static_cast<size_t>(owns[0])].nChildren == 0;
    std::vector<int> leaves;
    std::vector<char> owned(m_vecItems.size(), 0);
    for (int own : owns) {
        owned[static_cast<size_t>(own)] = 1;
    }
    for (size_t i = 0; i < m_vecItems.size(); ++i) {
        Node& node = m_vecNodes[i];
        if (fed && ownAlone && node.field == field && owned[i] == 0) {
            node.field = KMDcmContentField::None;  // shown with the rest, the field being its own item
        }
        if (!fed) {
            node.field = owned[i] != 0 ? field : node.field;
        }
        if (node.field == field && !IsContainer(static_cast<int>(i))) {
            leaves.push_back(static_cast<int>(i));
        }
    }
    // A partial model does not know where its items are; a Key Object Selection document is read.
    const bool readOnly = m_bKeyObjects || !m_strUnread.empty();
    const std::string name = KMDcmReportConcepts::Name(field) + " cannot be changed here: ";
    if (readOnly) {
        state.strReason = name + refused;
        return;
    }
    const bool plainText = leaves.size() == 1 && m_vecItems[static_cast<size_t>(leaves[0])].strValueType != "CONTAINER" &&
                           KMDcmReportConcepts::OwnItem(field)->szValueType == m_vecItems[static_cast<size_t>(leaves[0])].strValueType &&
                           m_vecNodes[static_cast<size_t>(leaves[0])].nChildren == 0;
    if (ownAlone || plainText) {
        state.access = Access::InPlace;
        state.nItem = ownAlone ? owns[0] : leaves[0];
        return;
    }
    // Who is to verify waits in items of the control's own, whatever template the document follows.
    const bool mayCreate = refused.empty() || field == KMDcmContentField::Author ||
                           field == KMDcmContentField::VerifierName || field == KMDcmContentField::VerifierOrganization;
    if (leaves.empty()) {
        state.access = mayCreate ? Access::Create : Access::ReadOnly;
        state.strReason = mayCreate ? std::string() : name + refused;
        return;
    }
    if (fed && amending && mayCreate) {
        // The amendment's text goes into an item of its own; what fed the field stays, shown
        // with the content that has no field.
        for (Node& node : m_vecNodes) {
            if (node.field == field) {
                node.field = KMDcmContentField::None;
            }
        }
        state.access = Access::Create;
        return;
    }
    const KMDcmContentItem& first = m_vecItems[static_cast<size_t>(leaves[0])];
    std::string why;
    if (leaves.size() > 1) {
        why = "the document holds it as " + std::to_string(leaves.size()) + " items";
    } else if (m_vecNodes[static_cast<size_t>(leaves[0])].nChildren > 0) {
        why = "its item carries items of its own";
    } else {
        why = "the document holds it as a " + first.strValueType + " item";
    }
    state.strReason = name + why + (fed ? "; amend the report to write a new one" : "");
}

bool KMDcmContentTree::GetText(KMDcmContentField field, std::wstring& text) const
{
    text.clear();
    const FieldState& state = m_fields[static_cast<int>(field)];
    if (state.access == Access::InPlace) {
        const Node& node = m_vecNodes[static_cast<size_t>(state.nItem)];
        const std::string& value = node.strRaw.empty() ? m_vecItems[static_cast<size_t>(state.nItem)].strValue : node.strRaw;
        text = KMString::ToWide(value);
        return true;
    }
    std::vector<int> items;
    for (size_t i = 0; i < m_vecNodes.size(); ++i) {
        if (m_vecNodes[i].field == field) {
            items.push_back(static_cast<int>(i));
        }
    }
    if (items.empty()) {
        return false;
    }
    if (field != KMDcmContentField::Finding && field != KMDcmContentField::Conclusion) {
        // A one-line field: the values side by side, names as DICOM writes several.
        const bool names = m_vecItems[static_cast<size_t>(items[0])].strValueType == "PNAME";
        for (size_t i = 0; i < items.size(); ++i) {
            const Node& node = m_vecNodes[static_cast<size_t>(items[i])];
            text += (i == 0 ? L"" : names ? L"\\" : L"; ") +
                    KMString::ToWide(names ? node.strRaw : m_vecItems[static_cast<size_t>(items[i])].strValue);
        }
        return true;
    }
    // Each item under the headings of its sections: the stack holds the headings shown that are
    // still above the current item.
    std::vector<int> headings;
    for (int index : items) {
        const KMDcmContentItem& item = m_vecItems[static_cast<size_t>(index)];
        while (!headings.empty() && m_vecItems[static_cast<size_t>(headings.back())].nDepth >= item.nDepth) {
            headings.pop_back();
        }
        const int parent = m_vecNodes[static_cast<size_t>(index)].nParent;
        if (!IsContainer(index) && parent > 0 && m_vecNodes[static_cast<size_t>(parent)].field != field &&
            (headings.empty() || headings.back() != parent)) {
            AppendLine(text, static_cast<int>(headings.size()), m_vecItems[static_cast<size_t>(parent)].Line());
            headings.push_back(parent);
        }
        AppendLine(text, static_cast<int>(headings.size()), item.Line());
        if (IsContainer(index)) {
            headings.push_back(index);
        }
    }
    // Lines end as DICOM's texts end them; the last line break ends the text, not a line of it.
    text = KMDcmText::WithLineBreaks(text.substr(0, text.size() - 1), L"\r\n");
    return true;
}

bool KMDcmContentTree::CanSet(KMDcmContentField field, std::string& reason) const
{
    const FieldState& state = m_fields[static_cast<int>(field)];
    if (state.access == Access::ReadOnly) {
        reason = state.strReason;
        return false;
    }
    return true;
}

std::wstring KMDcmContentTree::GetOtherContent() const
{
    std::wstring text;
    if (!m_strUnread.empty()) {
        AppendLine(text, 0, "(Content items that cannot be read are not shown; the document keeps them: " + m_strUnread + ")");
    }
    // A container is shown when it holds something shown, or nothing at all, or is no section of
    // the table: a section whose items all have their fields is told by those fields, another
    // heading stays in sight.
    const size_t count = m_vecItems.size();
    std::vector<char> shown(count, 0);
    std::vector<char> showsSomething(count, 0);
    for (size_t i = count; i-- > 1;) {
        const Node& node = m_vecNodes[i];
        const bool container = IsContainer(static_cast<int>(i));
        shown[i] = node.field == KMDcmContentField::None && !node.bBoxed &&
                   (!container || node.nChildren == 0 || showsSomething[i] != 0 || !node.bSection);
        if (shown[i] != 0) {
            showsSomething[static_cast<size_t>(node.nParent)] = 1;
        }
    }
    for (size_t i = 1; i < count; ++i) {
        if (shown[i] != 0) {
            AppendLine(text, m_vecItems[i].nDepth - 1, m_vecItems[i].Line());
        }
    }
    return text;
}

DcmItem* KMDcmContentTree::Locate(const KMDcmDataset& dataset, int index) const
{
    std::vector<int> ordinals;
    for (int at = index; at >= 0 && m_vecNodes[static_cast<size_t>(at)].nParent >= 0; at = m_vecNodes[static_cast<size_t>(at)].nParent) {
        ordinals.push_back(m_vecNodes[static_cast<size_t>(at)].nOrdinal);
    }
    DcmItem* item = dataset.GetItem();
    for (auto it = ordinals.rbegin(); it != ordinals.rend() && item != nullptr; ++it) {
        DcmSequenceOfItems* sequence = nullptr;
        item = item->findAndGetSequence(DCM_ContentSequence, sequence).good() && sequence != nullptr
                   ? sequence->getItem(static_cast<unsigned long>(*it - 1))
                   : nullptr;
    }
    return item;
}

bool KMDcmContentTree::Set(KMDcmDataset& dataset, KMDcmContentField field, const std::wstring& value, bool& structural,
                           std::string& reason)
{
    const KMDcmLog quiet;
    structural = false;
    const FieldState& state = m_fields[static_cast<int>(field)];
    if (state.access == Access::ReadOnly) {
        reason = state.strReason;
        return false;
    }
    const KMDcmReportConcepts::Own* own = KMDcmReportConcepts::OwnItem(field);
    const bool name = std::string(own->szValueType) == "PNAME";
    const DWORD tag = name ? kPersonName : kTextValue;
    // Text the control writes breaks its lines as DICOM texts do.
    const std::wstring stored = name ? value : KMDcmText::WithLineBreaks(value, L"\r\n");
    if (!stored.empty() && !KMDcmVR(tag).Check(stored, reason)) {
        return false;
    }
    DcmItem* root = dataset.GetItem();
    DcmItem* target = nullptr;
    if (state.access == Access::InPlace) {
        target = Locate(dataset, state.nItem);
        if (target == nullptr) {
            reason = KMDcmReportConcepts::Name(field) + ": its item is no longer in the document";
            return false;
        }
        if (stored.empty()) {
            const Node& node = m_vecNodes[static_cast<size_t>(state.nItem)];
            DcmItem* parent = Locate(dataset, node.nParent);
            DcmSequenceOfItems* sequence = nullptr;
            if (parent == nullptr || parent->findAndGetSequence(DCM_ContentSequence, sequence).bad() || sequence == nullptr) {
                reason = KMDcmReportConcepts::Name(field) + ": its item is no longer in the document";
                return false;
            }
            delete sequence->remove(static_cast<unsigned long>(node.nOrdinal - 1));
            if (sequence->card() == 0) {
                parent->findAndDeleteElement(DCM_ContentSequence);
            }
            structural = true;
            return true;
        }
    } else {
        if (stored.empty()) {
            return true;
        }
        // A new own item, after the own items that come before it (the others keep their places).
        std::unique_ptr<DSRDocumentTreeNode> node(DSRTypes::createDocumentTreeNode(
            DSRTypes::definedTermToRelationshipType(own->szRelationship), DSRTypes::definedTermToValueType(own->szValueType)));
        auto created = std::make_unique<DcmItem>();
        if (!node || node->setConceptName(DSRCodedEntryValue(own->szCode, own->szScheme, own->szMeaning)).bad() ||
            node->write(*created).bad() || created->putAndInsertString(DCM_RelationshipType, own->szRelationship).bad()) {
            reason = KMDcmReportConcepts::Name(field) + ": no content item could be made for it";
            return false;
        }
        // The new item holds its text before it joins the document, so that a failure (memory
        // included) leaves no item without one behind.
        KMDcmDataset text;
        text.Bind(created.get(), dataset.GetRoot());
        if (!text.SetString(tag, stored)) {
            reason = KMDcmReportConcepts::Name(field) + ": the document cannot hold the text";
            return false;
        }
        // Before the first own item that comes after it; at the end when there is none.
        unsigned long place = ~0UL;
        for (size_t i = 0; i < m_vecItems.size() && place == ~0UL; ++i) {
            const KMDcmContentItem& item = m_vecItems[i];
            const KMDcmContentField other = KMDcmReportConcepts::OwnField(item.strCode, item.strScheme, item.strValueType);
            if (item.nDepth == 1 && other != KMDcmContentField::None && static_cast<int>(other) > static_cast<int>(field)) {
                place = static_cast<unsigned long>(m_vecNodes[i].nOrdinal - 1);
            }
        }
        DcmSequenceOfItems* sequence = nullptr;
        if (root->findAndGetSequence(DCM_ContentSequence, sequence).bad() || sequence == nullptr) {
            sequence = new DcmSequenceOfItems(DCM_ContentSequence);
            root->insert(sequence, OFTrue);
        }
        const OFCondition inserted = place == ~0UL ? sequence->append(created.get()) : sequence->insert(created.get(), place, OFTrue);
        if (inserted.bad()) {
            reason = KMDcmReportConcepts::Name(field) + ": no content item could be added for it";
            return false;
        }
        created.release();
        structural = true;
        return true;
    }
    KMDcmDataset view;
    view.Bind(target, dataset.GetRoot());
    if (!view.SetString(tag, stored)) {
        reason = KMDcmReportConcepts::Name(field) + ": the document cannot hold the text";
        return false;
    }
    // The item reads as the document now holds it (without DICOM's padding).
    std::wstring back;
    view.GetString(tag, back, KMDcmDataset::kAllValues);
    KMDcmContentItem& item = m_vecItems[static_cast<size_t>(state.nItem)];
    item.strValue = Narrow(name ? KMDcmConvert::FormatPersonName(back) : back);
    m_vecNodes[static_cast<size_t>(state.nItem)].strRaw = name ? Narrow(back) : std::string();
    return true;
}

bool KMDcmContentTree::AddImage(KMDcmDataset& dataset, const char* sopClassUID, const char* sopInstanceUID, int frame,
                                const char* code, const char* scheme, const char* meaning, std::string& reason)
{
    const KMDcmLog quiet;
    reason = OwnItemsRefused();
    if (!reason.empty()) {
        reason = "no image reference can be added: " + reason;
        return false;
    }
    DcmItem* root = dataset.GetItem();
    if (root == nullptr || sopClassUID == nullptr || sopInstanceUID == nullptr) {
        reason = "no image reference can be added: no document or no UIDs";
        return false;
    }
    DSRImageTreeNode node(DSRTypes::RT_contains);
    auto created = std::make_unique<DcmItem>();
    bool made = node.setValue(DSRImageReferenceValue(sopClassUID, sopInstanceUID)).good();
    if (made && frame > 0) {
        node.getFrameList().addItem(frame);
    }
    if (made && code != nullptr && scheme != nullptr && meaning != nullptr) {
        made = node.setConceptName(DSRCodedEntryValue(code, scheme, meaning)).good();
    }
    made = made && node.write(*created).good() && created->putAndInsertString(DCM_RelationshipType, "CONTAINS").good();
    DcmSequenceOfItems* sequence = nullptr;
    if (made && (root->findAndGetSequence(DCM_ContentSequence, sequence).bad() || sequence == nullptr)) {
        sequence = new DcmSequenceOfItems(DCM_ContentSequence);
        root->insert(sequence, OFTrue);
    }
    if (!made || sequence->append(created.get()).bad()) {
        reason = "no image reference can be added: not a valid reference";
        return false;
    }
    created.release();
    return true;
}

int KMDcmContentTree::RemoveImages(KMDcmDataset& dataset, const char* sopInstanceUID, int frame)
{
    const KMDcmLog quiet;
    DcmItem* root = dataset.GetItem();
    DcmSequenceOfItems* sequence = nullptr;
    if (root == nullptr || sopInstanceUID == nullptr || root->findAndGetSequence(DCM_ContentSequence, sequence).bad() ||
        sequence == nullptr) {
        return 0;
    }
    int removed = 0;
    // From the last, so that the places of those still to go stay as they were.
    for (size_t i = m_vecItems.size(); i-- > 0;) {
        const Node& node = m_vecNodes[i];
        if (m_vecItems[i].nDepth == 1 && m_vecItems[i].strValueType == "IMAGE" && node.strInstance == sopInstanceUID &&
            (frame <= 0 || node.nFrame == frame)) {
            delete sequence->remove(static_cast<unsigned long>(node.nOrdinal - 1));
            ++removed;
        }
    }
    if (removed > 0 && sequence->card() == 0) {
        root->findAndDeleteElement(DCM_ContentSequence);
    }
    return removed;
}

bool KMDcmContentTree::ReferencesImage(const std::string& sopInstanceUID) const
{
    return std::any_of(m_vecNodes.begin(), m_vecNodes.end(),
                       [&](const Node& node) { return node.strInstance == sopInstanceUID; });
}
