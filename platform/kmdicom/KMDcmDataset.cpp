#include "platform/kmdicom/KMDcmDataset.h"

#include "platform/kmdicom/KMDcmCharset.h"
#include "platform/kmdicom/KMDcmDeepStack.h"
#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmText.h"
#include "platform/kmdicom/KMDcmVR.h"
#include "platform/kmdicom/KMDcmWalk.h"

#include <dcmtk/dcmdata/dcbytstr.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcsequen.h>
#include <dcmtk/dcmdata/dcvrobow.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

namespace {

DcmTagKey Key(DWORD tag)
{
    return DcmTagKey(static_cast<Uint16>(tag >> 16), static_cast<Uint16>(tag & 0xFFFF));
}

// The value representation that the dictionary gives a tag; EVR_UNKNOWN outside it.
DcmEVR DictionaryVR(DWORD tag)
{
    const DcmTag dcmTag(Key(tag));
    return dcmTag.getEVR();
}

// An element read with VR UN (implicit data in an explicit transfer syntax, or a writer that did
// not know the tag) whose tag the dictionary gives a text VR.
bool IsUnknownText(DcmElement& element)
{
    return element.getVR() == EVR_UN && DcmVR(DcmTag(element.getTag().getXTag()).getEVR()).isaString();
}

// Gives the unknown texts of `item` the text VR of their tag, as DCMTK's unknown-VR conversion
// does while reading; their bytes are the text, as UN keeps them. The item's elements are taken
// out in order and put back in order, each step at an end of its list, so that an item of many
// elements costs no more than their number.
void ConvertUnknownTexts(DcmItem& item)
{
    std::vector<DcmElement*> elements;
    while (item.card() > 0) {
        elements.push_back(item.remove(0UL));
    }
    for (DcmElement* element : elements) {
        Uint8* bytes = nullptr;
        DcmElement* converted = nullptr;
        if (IsUnknownText(*element) && element->getUint8Array(bytes).good() &&
            DcmItem::newDicomElement(converted, DcmTag(element->getTag().getXTag())).good()) {
            std::unique_ptr<DcmElement> owned(converted);
            const Uint32 length = bytes != nullptr ? element->getLength() : 0;
            if (owned->putString(reinterpret_cast<const char*>(bytes), length).good()) {
                delete element;
                element = owned.release();
            }
        }
        if (item.insert(element).bad()) {
            delete element;
        }
    }
}

// Converts the unknown texts of a whole dataset; returns how deeply it nests.
int ReadUnknownTextsAsText(DcmItem& root)
{
    std::vector<DcmItem*> owners;
    const int depth = KMDcmWalk::ForEachElement(root, [&](DcmItem& owner, DcmElement& element, int) {
        if (IsUnknownText(element)) {
            owners.push_back(&owner);
        }
    });
    std::sort(owners.begin(), owners.end());
    owners.erase(std::unique(owners.begin(), owners.end()), owners.end());
    for (DcmItem* owner : owners) {
        ConvertUnknownTexts(*owner);
    }
    return depth;
}

// Value representations in which a backslash is text, not a separator of values.
bool IsSingleValuedText(DcmEVR vr)
{
    return vr == EVR_LT || vr == EVR_ST || vr == EVR_UT || vr == EVR_UR;
}

// Picks value `index` out of a backslash-separated value, or fails when there are fewer values.
bool PickValue(const std::string& all, DcmEVR vr, int index, std::string& value)
{
    if (index == KMDcmDataset::kAllValues) {
        value = all;
        return true;
    }
    if (index < 0) {
        return false;
    }
    if (IsSingleValuedText(vr)) {
        if (index != 0) {
            return false;
        }
        value = all;
        return true;
    }
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = all.find('\\', start);
        if (start == std::string::npos) {
            return false;
        }
        ++start;
    }
    const size_t end = all.find('\\', start);
    value = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return true;
}

// The attributes of a dataset that make its SR content tree, and what decides how they read: the
// SOP class (which kind of document) and the character set.
bool IsContentAttribute(DWORD tag)
{
    switch (tag) {
    case 0x0040A040:  // Value Type
    case 0x0040A043:  // Concept Name Code Sequence
    case 0x0040A050:  // Continuity Of Content
    case 0x0040A504:  // Content Template Sequence
    case 0x0040A730:  // Content Sequence
    case 0x00080016:  // SOP Class UID
    case 0x00080005:  // Specific Character Set
        return true;
    default: return false;
    }
}

bool IsAscii(const std::string& text)
{
    return KMDcmText::IsAscii(text.data(), text.size());
}

} // namespace

void KMDcmDataset::Bind(DcmItem* item, DcmDataset* root, Shared* shared, int depth)
{
    const KMDcmLog quiet;
    m_pItem = item;
    m_pRoot = root;
    m_pShared = shared;
    m_nDepth = depth;
    m_bInContent = false;
    if (item != nullptr && item == root) {
        const int nesting = ReadUnknownTextsAsText(*root);
        if (shared != nullptr) {
            shared->nDepth = nesting;
        }
    }
}

int KMDcmDataset::GetDepth() const
{
    if (m_pShared != nullptr) {
        return m_pShared->nDepth;
    }
    return m_pRoot != nullptr ? KMDcmWalk::ForEachElement(*m_pRoot, [](DcmItem&, DcmElement&, int) {}) : 0;
}

void KMDcmDataset::Absorbed(int depth)
{
    if (m_pShared != nullptr) {
        ++m_pShared->nContentChanges;
        m_pShared->nDepth = std::max(m_pShared->nDepth, depth);
    }
}

void KMDcmDataset::Changed(DWORD tag)
{
    if (m_pShared != nullptr && (m_pItem != m_pRoot ? m_bInContent : IsContentAttribute(tag))) {
        ++m_pShared->nContentChanges;
    }
}

bool KMDcmDataset::GetString(DWORD tag, std::string& value, int index) const
{
    const KMDcmLog quiet;
    DcmElement* element = nullptr;
    if (m_pItem == nullptr || m_pItem->findAndGetElement(Key(tag), element).bad() || !element->isLeaf()) {
        return false;
    }
    OFString all;
    if (element->getLength() != 0 && element->getOFStringArray(all).bad()) {
        return false;
    }
    return PickValue(std::string(all.c_str(), all.length()), element->getVR(), index, value);
}

bool KMDcmDataset::GetString(DWORD tag, std::wstring& value, int index) const
{
    const KMDcmLog quiet;
    DcmElement* element = nullptr;
    if (m_pItem == nullptr || m_pItem->findAndGetElement(Key(tag), element).bad() || !element->isLeaf()) {
        return false;
    }
    OFString raw;
    if (element->getLength() != 0 && element->getOFStringArray(raw).bad()) {
        return false;
    }
    std::string utf8(raw.c_str(), raw.length());
    if (element->isAffectedBySpecificCharacterSet() && !IsAscii(utf8)) {
        utf8 = KMDcmCharset::Read(KMDcmCharset::Of(*m_pRoot), utf8, element->getVR());
    }
    std::string picked;
    if (!PickValue(utf8, element->getVR(), index, picked)) {
        return false;
    }
    value = KMString::ToWide(picked);
    return true;
}

bool KMDcmDataset::GetString(DWORD tag, const char*& value) const
{
    const KMDcmLog quiet;
    DcmElement* element = nullptr;
    if (m_pItem == nullptr || m_pItem->findAndGetElement(Key(tag), element).bad()) {
        return false;
    }
    auto* text = dynamic_cast<DcmByteString*>(element);
    char* kept = nullptr;
    if (text == nullptr || text->getString(kept).bad()) {
        return false;
    }
    value = kept != nullptr ? kept : "";
    return true;
}

bool KMDcmDataset::GetUID(DWORD tag, std::string& uid) const
{
    std::string value;
    if (!GetString(tag, value, 0)) {
        return false;
    }
    value = KMDcmText::Trimmed(value.substr(0, value.find('\0')));
    if (value.empty()) {
        return false;
    }
    uid = value;
    return true;
}

bool KMDcmDataset::SetString(DWORD tag, const char* value)
{
    const KMDcmLog quiet;
    if (m_pItem == nullptr || value == nullptr) {
        return false;
    }
    // Raw bytes are checked as the dataset will read them.
    std::string text(value);
    if (!IsAscii(text)) {
        text = KMDcmCharset::Read(KMDcmCharset::Of(*m_pRoot), text, DictionaryVR(tag));
    }
    std::string reason;
    if (!KMDcmVR(tag).CheckUtf8(text, reason) || m_pItem->putAndInsertString(DcmTag(Key(tag)), value).bad()) {
        return false;
    }
    Changed(tag);
    return true;
}

bool KMDcmDataset::SetString(DWORD tag, const wchar_t* value)
{
    return value != nullptr && SetWide(tag, value);
}

bool KMDcmDataset::SetString(DWORD tag, const std::wstring& value)
{
    return SetWide(tag, value);
}

bool KMDcmDataset::SetWide(DWORD tag, std::wstring_view value)
{
    // Checked before UTF-8 encoding, which would turn a lone surrogate into U+FFFD unseen.
    std::string reason;
    return KMDcmVR(tag).Check(value, reason) && StoreUtf8(tag, KMString::ToUtf8(value.data(), value.size()));
}

bool KMDcmDataset::SetString(DWORD tag, const KMString& value)
{
    std::string reason;
    return KMDcmVR(tag).CheckUtf8(value.str(), reason) && StoreUtf8(tag, value.str());
}

bool KMDcmDataset::StoreUtf8(DWORD tag, const std::string& utf8)
{
    const KMDcmLog quiet;
    if (m_pItem == nullptr || !KMDcmVR::IsHostSettable(tag)) {
        return false;
    }
    Changed(tag);
    const DcmTag dcmTag(Key(tag));
    if (IsAscii(utf8) || !DcmVR(DictionaryVR(tag)).isAffectedBySpecificCharacterSet()) {
        return m_pItem->putAndInsertString(dcmTag, utf8.c_str(), static_cast<Uint32>(utf8.size())).good();
    }
    std::string encoded;
    if (KMDcmCharset::FromUtf8(KMDcmCharset::Of(*m_pRoot), utf8, encoded)) {
        return m_pItem->putAndInsertString(dcmTag, encoded.c_str(), static_cast<Uint32>(encoded.size())).good();
    }
    // The dataset's character set cannot hold the text (or is not declared, or is unknown): move
    // the whole dataset to UTF-8, which holds every character, rather than store a damaged value.
    if (!KMDcmCharset::ConvertToUtf8(*m_pRoot, KMDcmCharset::Of(*m_pRoot))) {
        return false;
    }
    return m_pItem->putAndInsertString(dcmTag, utf8.c_str(), static_cast<Uint32>(utf8.size())).good();
}

bool KMDcmDataset::SetInt32(DWORD tag, int value, int index)
{
    const KMDcmLog quiet;
    const DcmEVR vr = DictionaryVR(tag);
    if (m_pItem == nullptr || index < 0) {
        return false;
    }
    switch (vr) {
    case EVR_IS: case EVR_SL: break;
    case EVR_SS:
        if (value < std::numeric_limits<Sint16>::min() || value > std::numeric_limits<Sint16>::max()) {
            return false;
        }
        break;
    case EVR_UL:
        if (value < 0) {
            return false;
        }
        break;
    case EVR_US:
        if (value < 0 || value > std::numeric_limits<Uint16>::max()) {
            return false;
        }
        break;
    default:
        return false;
    }
    DcmElement* existing = nullptr;
    std::unique_ptr<DcmElement> created;
    DcmElement* element = nullptr;
    if (m_pItem->findAndGetElement(Key(tag), existing).good()) {
        element = existing;
    } else {
        DcmElement* made = nullptr;
        if (DcmItem::newDicomElement(made, DcmTag(Key(tag))).bad() || made == nullptr) {
            return false;
        }
        created.reset(made);
        element = made;
    }
    if (element->getVR() != vr) {
        return false;
    }
    const auto pos = static_cast<unsigned long>(index);
    OFCondition status;
    switch (vr) {
    case EVR_IS: {
        auto* text = dynamic_cast<DcmByteString*>(element);
        status = text == nullptr ? EC_IllegalCall : text->putOFStringAtPos(std::to_string(value).c_str(), pos);
        break;
    }
    case EVR_SL: status = element->putSint32(value, pos); break;
    case EVR_SS: status = element->putSint16(static_cast<Sint16>(value), pos); break;
    case EVR_UL: status = element->putUint32(static_cast<Uint32>(value), pos); break;
    default: status = element->putUint16(static_cast<Uint16>(value), pos); break;
    }
    if (status.bad()) {
        return false;
    }
    if (created) {
        if (m_pItem->insert(created.get(), OFTrue).bad()) {
            return false;
        }
        created.release();
    }
    Changed(tag);
    return true;
}

bool KMDcmDataset::GetSequenceItem(DWORD tag, KMDcmDataset& item, int index) const
{
    const KMDcmLog quiet;
    DcmItem* found = nullptr;
    if (m_pItem == nullptr || index < 0 ||
        m_pItem->findAndGetSequenceItem(Key(tag), found, index).bad() || found == nullptr) {
        return false;
    }
    item.Bind(found, m_pRoot, m_pShared, m_nDepth + 1);
    item.m_bInContent = m_bInContent || (m_pItem == m_pRoot && IsContentAttribute(tag));
    return true;
}

bool KMDcmDataset::GetOrCreateSequenceItem(DWORD tag, KMDcmDataset& item, int index)
{
    const KMDcmLog quiet;
    DcmItem* found = nullptr;
    if (m_pItem == nullptr || index < 0 || index > kMaxCreatedItem || DictionaryVR(tag) != EVR_SQ ||
        m_nDepth >= KMDcmDeepStack::kMaxDepth ||
        m_pItem->findOrCreateSequenceItem(DcmTag(Key(tag)), found, index).bad() || found == nullptr) {
        return false;
    }
    Changed(tag);
    if (m_pShared != nullptr) {
        m_pShared->nDepth = std::max(m_pShared->nDepth, m_nDepth + 1);
    }
    item.Bind(found, m_pRoot, m_pShared, m_nDepth + 1);
    item.m_bInContent = m_bInContent || (m_pItem == m_pRoot && IsContentAttribute(tag));
    return true;
}

bool KMDcmDataset::GetUint8Array(DWORD tag, const unsigned char*& data, unsigned long& length) const
{
    const KMDcmLog quiet;
    const Uint8* bytes = nullptr;
    unsigned long count = 0;
    if (m_pItem == nullptr || m_pItem->findAndGetUint8Array(Key(tag), bytes, &count).bad()) {
        return false;
    }
    data = bytes;
    length = bytes != nullptr ? count : 0;
    return true;
}

bool KMDcmDataset::SetUint8Array(DWORD tag, const unsigned char* data, unsigned long length)
{
    const KMDcmLog quiet;
    const DcmEVR vr = DictionaryVR(tag);
    if (m_pItem == nullptr || (data == nullptr && length != 0) || length > 0xFFFFFFF0UL ||
        (vr != EVR_OB && vr != EVR_UN && vr != EVR_ox)) {
        return false;
    }
    if (m_pItem->putAndInsertUint8Array(DcmTag(Key(tag)), data, length).bad()) {
        return false;
    }
    Changed(tag);
    return true;
}
