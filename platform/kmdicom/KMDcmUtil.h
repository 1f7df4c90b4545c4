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
    // A new DICOM UID (at most 64 characters) under the UID root, different at every call: under
    // the default root 2.25 a random UUID written as one number, under a site's own root what
    // DCMTK's dcmGenerateUniqueIdentifier makes (host, process, time and a counter). False when
    // no random source is at hand.
    static bool GenerateUID(KMString& uid);

    // The root of every UID the product makes, for the whole process: SR documents, their
    // series, and what a host makes through SrCtrlGenerateUid (srreport's Encapsulated PDF).
    // SetUIDRoot refuses, with false, the reason in `reason` and the root unchanged, a text that is
    // not numbers separated by single dots (no leading zeros, the first 0, 1 or 2) or that is
    // longer than kMaxRootLength, which leaves room for the unique part in DICOM's 64
    // characters; an empty text restores the default.
    static constexpr const char* kDefaultRoot = "2.25";
    static constexpr size_t kMaxRootLength = 23;
    static bool SetUIDRoot(const std::string& root, std::string& reason);
    static std::string GetUIDRoot();

    // The local date as DICOM DA text (YYYYMMDD) and time as TM text (HHMMSS).
    static KMString GetCurrentDcmDate();
    static KMString GetCurrentDcmTime();

    // Fills `element` for a tag of the dictionary; false, with `element` unchanged, for a tag
    // outside it (private tags included, such as those of group 0721).
    static bool GetTagElement(DWORD tag, AttributeElement& element);
};
