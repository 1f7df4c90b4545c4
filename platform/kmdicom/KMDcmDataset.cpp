#include "platform/kmdicom/KMDcmDataset.h"

#include "platform/kmdicom/KMDcmCharset.h"
#include "platform/kmdicom/KMDcmText.h"

#include <dcmtk/dcmdata/dcbytstr.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcvrobow.h>

#include <limits>
#include <memory>

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

bool IsTextVR(DcmEVR vr)
{
    switch (vr) {
    case EVR_AE: case EVR_AS: case EVR_CS: case EVR_DA: case EVR_DS: case EVR_DT: case EVR_IS:
    case EVR_LO: case EVR_LT: case EVR_PN: case EVR_SH: case EVR_ST: case EVR_TM: case EVR_UC:
    case EVR_UI: case EVR_UR: case EVR_UT:
    case EVR_US: case EVR_SS: case EVR_UL: case EVR_SL: case EVR_FL: case EVR_FD:
        return true;
    default:
        return false;
    }
}

// Value representations in which a backslash is text, not a separator of values.
bool IsSingleValuedText(DcmEVR vr)
{
    return vr == EVR_LT || vr == EVR_ST || vr == EVR_UT || vr == EVR_UR;
}

// Picks value `index` out of a backslash-separated value, or fails when there are fewer values.
bool PickValue(const std::string& all, DcmEVR vr, int index, std::string& value)
{
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

bool IsAscii(const std::string& text)
{
    return KMDcmText::IsAscii(text.data(), text.size());
}

} // namespace

void KMDcmDataset::Bind(DcmItem* item, DcmDataset* root)
{
    m_pItem = item;
    m_pRoot = root;
}

bool KMDcmDataset::GetString(DWORD tag, std::string& value, int index) const
{
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
    DcmElement* element = nullptr;
    if (m_pItem == nullptr || m_pItem->findAndGetElement(Key(tag), element).bad() || !element->isLeaf()) {
        return false;
    }
    OFString raw;
    if (element->getLength() != 0 && element->getOFStringArray(raw).bad()) {
        return false;
    }
    std::string utf8(raw.c_str(), raw.length());
    std::string decoded;
    // Bytes that do not decode are still shown, as UTF-8 with replacement characters, rather
    // than hiding a value that is there.
    if (element->isAffectedBySpecificCharacterSet() && !IsAscii(utf8) &&
        KMDcmCharset::Decode(KMDcmCharset::Of(*m_pRoot), utf8, element->getVR(), decoded)) {
        utf8 = decoded;
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

bool KMDcmDataset::SetString(DWORD tag, const char* value)
{
    if (m_pItem == nullptr || value == nullptr || !IsTextVR(DictionaryVR(tag))) {
        return false;
    }
    return m_pItem->putAndInsertString(DcmTag(Key(tag)), value).good();
}

bool KMDcmDataset::SetString(DWORD tag, const wchar_t* value)
{
    return value != nullptr && StoreUtf8(tag, KMString::ToUtf8(value));
}

bool KMDcmDataset::SetString(DWORD tag, const std::wstring& value)
{
    return StoreUtf8(tag, KMString::ToUtf8(value));
}

bool KMDcmDataset::SetString(DWORD tag, const KMString& value)
{
    return StoreUtf8(tag, value.str());
}

bool KMDcmDataset::StoreUtf8(DWORD tag, const std::string& utf8)
{
    const DcmEVR vr = DictionaryVR(tag);
    if (m_pItem == nullptr || !IsTextVR(vr)) {
        return false;
    }
    const DcmTag dcmTag(Key(tag));
    if (IsAscii(utf8) || !DcmVR(vr).isAffectedBySpecificCharacterSet()) {
        return m_pItem->putAndInsertString(dcmTag, utf8.c_str(), static_cast<Uint32>(utf8.size())).good();
    }
    std::string encoded;
    if (KMDcmCharset::FromUtf8(KMDcmCharset::Of(*m_pRoot), utf8, encoded)) {
        return m_pItem->putAndInsertString(dcmTag, encoded.c_str(), static_cast<Uint32>(encoded.size())).good();
    }
    // The dataset's character set cannot hold the text: move the whole dataset to UTF-8, which
    // holds every character, rather than store a damaged value.
    if (!KMDcmCharset::ConvertToUtf8(*m_pRoot, KMDcmCharset::Of(*m_pRoot))) {
        return false;
    }
    return m_pItem->putAndInsertString(dcmTag, utf8.c_str(), static_cast<Uint32>(utf8.size())).good();
}

bool KMDcmDataset::SetInt32(DWORD tag, int value, int index)
{
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
    return true;
}

bool KMDcmDataset::GetSequenceItem(DWORD tag, KMDcmDataset& item, int index) const
{
    DcmItem* found = nullptr;
    if (m_pItem == nullptr || index < 0 ||
        m_pItem->findAndGetSequenceItem(Key(tag), found, index).bad() || found == nullptr) {
        return false;
    }
    item.Bind(found, m_pRoot);
    return true;
}

bool KMDcmDataset::GetOrCreateSequenceItem(DWORD tag, KMDcmDataset& item, int index)
{
    DcmItem* found = nullptr;
    if (m_pItem == nullptr || index < 0 || index > kMaxCreatedItem || DictionaryVR(tag) != EVR_SQ ||
        m_pItem->findOrCreateSequenceItem(DcmTag(Key(tag)), found, index).bad() || found == nullptr) {
        return false;
    }
    item.Bind(found, m_pRoot);
    return true;
}

bool KMDcmDataset::GetUint8Array(DWORD tag, const unsigned char*& data, unsigned long& length) const
{
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
    const DcmEVR vr = DictionaryVR(tag);
    if (m_pItem == nullptr || (data == nullptr && length != 0) || length > 0xFFFFFFF0UL ||
        (vr != EVR_OB && vr != EVR_UN && vr != EVR_ox)) {
        return false;
    }
    return m_pItem->putAndInsertUint8Array(DcmTag(Key(tag)), data, length).good();
}
