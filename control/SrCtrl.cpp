#include "control/SrCtrl.h"

#include "platform/kmbase/KMBoundary.h"
#include "platform/kmbase/KMLastError.h"
#include "platform/kmbase/KMUtil.h"
#include "platform/kmdicom/KMDcmUtil.h"

#include <cstring>
#include <string>

const char* SrCtrlGetVersion() noexcept { return SRCTRL_VERSION_STRING; }

const char* SrCtrlGetLastError() noexcept { return KMLastError::Get(); }

srctrl::ErrorCode SrCtrlGetLastErrorCode() noexcept { return KMLastError::GetCode(); }

bool SrCtrlSetSkinFolder(const char* folder)
try {
    KMLastError::Clear();
    std::string reason;
    if (!KMUtil::SetSkinFolder(folder, reason)) {
        KMLastError::Set(reason);
        return false;
    }
    return true;
} catch (...) {
    return KMBoundary::Failed(false);
}

bool SrCtrlSetUidRoot(const char* root)
try {
    KMLastError::Clear();
    std::string reason;
    if (!KMDcmUtil::SetUIDRoot(root != nullptr ? root : "", reason)) {
        KMLastError::Set(reason);
        return false;
    }
    return true;
} catch (...) {
    return KMBoundary::Failed(false);
}

const char* SrCtrlGetUidRoot()
try {
    thread_local std::string root;
    root = KMDcmUtil::GetUIDRoot();
    return root.c_str();
} catch (...) {
    return KMBoundary::Failed("");
}

bool SrCtrlGenerateUid(char* uid, size_t size)
try {
    KMString text;
    if (uid == nullptr || !KMDcmUtil::GenerateUID(text) || std::strlen(text.c_str()) >= size) {
        return false;
    }
    std::memcpy(uid, text.c_str(), std::strlen(text.c_str()) + 1);
    return true;
} catch (...) {
    return KMBoundary::Failed(false);
}
