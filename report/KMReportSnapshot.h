#pragma once

#include "platform/win32/WinDef.h"

#include <string>

// A report as a host keeps a copy of it while the person types (IKMReport::GetSnapshot), and
// opens it again (IReportCtrl::OpenReportSnapshot) after the editor ended without saving it.
struct KMReportSnapshot {
    // The document's Part 10 bytes as it stands.
    std::string strDocument;
    // Whether that instance was kept outside the control (KMDcmFile::IsInstanceKept). Opened
    // again, a kept instance still must not change under its UID, while one never stored must
    // not take a new UID for its next change: it is the same version still.
    bool bInstanceKept = false;
    // What the person typed that the document does not hold yet, in the document's form, and
    // the tag of its field; 0 and empty for none.
    srctrl::DWORD dwPendingTag = 0;
    std::wstring strPendingText;
};
