#include "platform/kmdicom/KMDcmUtil.h"

#include "platform/kmbase/KMUtil.h"

#include <dcmtk/dcmdata/dcdict.h>
#include <dcmtk/dcmdata/dcdicent.h>

#include <ctime>

namespace {

KMString FormatNow(const char* format)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[16] = {};
    if (localtime_r(&now, &local) == nullptr || std::strftime(text, sizeof(text), format, &local) == 0) {
        return KMString();
    }
    return KMString(text);
}

} // namespace

bool KMDcmUtil::GenerateUID(KMString& uid)
{
    return KMUtil::GenerateUID(uid);
}

KMString KMDcmUtil::GetCurrentDcmDate()
{
    return FormatNow("%Y%m%d");
}

KMString KMDcmUtil::GetCurrentDcmTime()
{
    return FormatNow("%H%M%S");
}

bool KMDcmUtil::GetTagElement(DWORD tag, AttributeElement& element)
{
    const DcmTagKey key(static_cast<Uint16>(tag >> 16), static_cast<Uint16>(tag & 0xFFFF));
    const DcmDataDictionary& dictionary = dcmDataDict.rdlock();
    const DcmDictEntry* entry = dictionary.findEntry(key, nullptr);
    AttributeElement found;
    if (entry != nullptr) {
        found.tag = tag;
        found.vr = entry->getVR().getVRName();
        found.name = entry->getTagName() != nullptr ? entry->getTagName() : "";
    }
    dcmDataDict.rdunlock();
    if (entry == nullptr) {
        return false;
    }
    element = found;
    return true;
}
