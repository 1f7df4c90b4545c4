#pragma once

#include "platform/Export.h"
#include "platform/kmbase/KMString.h"
#include "platform/win32/WinDef.h"

#include <string>

// What the DICOM dictionary says of a tag.
struct AttributeElement {
    DWORD tag = 0;
    // The value representation as two letters, such as "AS" or "DA"; a tag that allows two
    // representations gives the dictionary's combined name, such as "ox".
    std::string vr;
    // The dictionary's keyword, such as "PatientAge".
    std::string name;
};

class SRCTRL_API KMDcmUtil {
public:
    // A new DICOM UID (at most 64 characters), different at every call.
    static bool GenerateUID(KMString& uid);

    // The local date as DICOM DA text (YYYYMMDD) and time as TM text (HHMMSS).
    static KMString GetCurrentDcmDate();
    static KMString GetCurrentDcmTime();

    // Fills `element` for a tag of the dictionary; false, with `element` unchanged, for a tag
    // outside it (private tags included, such as those of group 0721).
    static bool GetTagElement(DWORD tag, AttributeElement& element);
};
