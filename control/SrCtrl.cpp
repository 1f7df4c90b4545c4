#include "control/SrCtrl.h"

#include "platform/kmbase/KMLastError.h"
#include "platform/kmbase/KMUtil.h"

#include <string>

const char* SrCtrlGetVersion() { return SRCTRL_VERSION_STRING; }

const char* SrCtrlGetLastError() { return KMLastError::Get(); }

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
