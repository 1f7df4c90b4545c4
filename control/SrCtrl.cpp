#include "control/SrCtrl.h"

#include "platform/kmbase/KMLastError.h"
#include "platform/kmbase/KMUtil.h"
#include "platform/kmdicom/KMDcmUtil.h"

#include <cstring>
#include <string>

const char* SrCtrlGetVersion() { return SRCTRL_VERSION_STRING; }

const char* SrCtrlGetLastError() { return KMLastError::Get(); }

srctrl::ErrorCode SrCtrlGetLastErrorCode() { return KMLastError::GetCode(); }

bool SrCtrlSetSkinFolder(const char* folder)
{
    KMLastError::Clear();
    std::string reason;
    if (!KMUtil::SetSkinFolder(folder, reason)) {
        KMLastError::Set(reason);
        return false;
    }
    return true;
}

bool SrCtrlSetUidRoot(const char* root)
{
    KMLastError::Clear();
    std::string reason;
    if (!KMDcmUtil::SetUIDRoot(root != nullptr ? root : "", reason)) {
        KMLastError::Set(reason);
        return false;
    }
    return true;
}

const char* SrCtrlGetUidRoot()
{
    thread_local std::string root;
    root = KMDcmUtil::GetUIDRoot();
    return root.c_str();
}

bool SrCtrlGenerateUid(char* uid, size_t size)
{
    KMString text;
    if (uid == nullptr || !KMDcmUtil::GenerateUID(text) || std::strlen(text.c_str()) >= size) {
        return false;
    }
    std::memcpy(uid, text.c_str(), std::strlen(text.c_str()) + 1);
    return true;
}
