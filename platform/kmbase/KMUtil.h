#pragma once

#include "platform/Export.h"
#include "platform/kmbase/KMString.h"

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
};
