#pragma once

#include "platform/win32/WinDef.h"

#include <string>

class KMDcmDataset;

// The verifying observers of an SR document: the items of its Verifying Observer Sequence
// (0040,A073), each with a name (0040,A075), an organization (0040,A027), a date-time (0040,A030)
// and an identification code sequence (0040,A088) that the control leaves empty.
class KMDcmVerifiers {
public:
    // The observers' values of `tag`: every name, separated by backslashes as DICOM separates
    // several; each organization once, separated by "; "; the first date-time. False, with an
    // empty text, when no observer has one.
    static bool Get(const KMDcmDataset& dataset, DWORD tag, std::wstring& value);
    // Stores a value in the first observer, made when there is none. An empty text removes the
    // value from every observer, and an observer (and the sequence) with its last value. False,
    // with nothing changed and the reason for SrCtrlGetLastError, for a value the tag's value
    // representation cannot hold.
    static bool Set(KMDcmDataset& dataset, DWORD tag, const wchar_t* value);
};
