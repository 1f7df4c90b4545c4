#include "platform/kmdicom/KMDcmUtil.h"

#include "platform/kmbase/KMUtil.h"

#include <dcmtk/dcmdata/dcdict.h>
#include <dcmtk/dcmdata/dcdicent.h>
#include <dcmtk/dcmdata/dcuid.h>

#include <ctime>
#include <mutex>

namespace {

std::mutex g_rootLock;
std::string g_strRoot = KMDcmUtil::kDefaultRoot;

// Why `root` cannot be a UID root; empty when it can.
std::string RootProblem(const std::string& root)
{
    if (root.size() > KMDcmUtil::kMaxRootLength) {
        return "at most " + std::to_string(KMDcmUtil::kMaxRootLength) + " characters";
    }
    if (root.find_first_not_of("0123456789.") != std::string::npos) {
        return "digits and dots only";
    }
    size_t start = 0;
    while (true) {
        const size_t dot = root.find('.', start);
        const std::string part = root.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (part.empty() || (part.size() > 1 && part[0] == '0')) {
            return "numbers without leading zeros between single dots";
        }
        if (start == 0 && part != "0" && part != "1" && part != "2") {
            return "the first number is 0, 1 or 2";
        }
        if (dot == std::string::npos) {
            return "";
        }
        start = dot + 1;
    }
}

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
    const std::string root = GetUIDRoot();
    if (root == kDefaultRoot) {
        return KMUtil::GenerateUID(uid);
    }
    char text[100];
    uid = dcmGenerateUniqueIdentifier(text, root.c_str());
    return true;
}

bool KMDcmUtil::SetUIDRoot(const std::string& root, std::string& reason)
{
    const std::string problem = root.empty() ? "" : RootProblem(root);
    if (!problem.empty()) {
        reason = "not a UID root: \"" + root + "\" (" + problem + ")";
        return false;
    }
    const std::lock_guard<std::mutex> lock(g_rootLock);
    g_strRoot = root.empty() ? kDefaultRoot : root;
    return true;
}

std::string KMDcmUtil::GetUIDRoot()
{
    const std::lock_guard<std::mutex> lock(g_rootLock);
    return g_strRoot;
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
