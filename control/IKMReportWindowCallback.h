#pragma once

#include "platform/win32/WinDef.h"

class IKMReport;

// What a report window tells the main window while it is the active report.
class IKMReportWindowCallback {
public:
    virtual void OnReportValueChanged(IKMReport* report, DWORD tag, const wchar_t* value) = 0;
    virtual void OnDocumentCompleted(IKMReport* report) = 0;
    virtual void OnDocumentVerified(IKMReport* report) = 0;
    virtual void OnModifiedChanged(IKMReport* report) = 0;
    virtual void OnLayoutChanged(IKMReport* report) = 0;

protected:
    ~IKMReportWindowCallback() = default;
};
