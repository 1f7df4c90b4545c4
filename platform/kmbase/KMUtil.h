#pragma once

#include "platform/Export.h"
#include "platform/kmbase/KMString.h"

#include <string>

class SRCTRL_API KMUtil {
public:
    // A new identifier, different at every call: a DICOM UID of the form 2.25.<128-bit random
    // number>, at most 44 characters. False (and `uid` unchanged) only when the system has no
    // random source.
    static bool GenerateUID(KMString& uid);

    // True when `path` names an existing regular file (after following links). Null is false.
    static bool FileExist(const char* path);

    // The folder of the loaded libsrctrl, ending with '/'. Empty when it cannot be found.
    static KMString GetModulePath();

    // The folder of the control's skins, ending with '/': the first that holds
    // "srctrl/sr_frame_wnd.xml" of the folder the host named (SetSkinFolder), $SRCTRL_SKIN_DIR,
    // "skin/" beside the library and the skin folder of the installed package. False, with
    // `reason` naming every folder tried, when none does.
    static bool FindSkinPath(KMString& path, std::string& reason);
    // FindSkinPath's folder, or "" when there is none.
    static KMString GetSkinPath();
    // The folder to look in first from now on; null or "" forgets it. False, with `reason` and
    // the setting unchanged, for a folder without the control's skins.
    static bool SetSkinFolder(const char* folder, std::string& reason);
};
