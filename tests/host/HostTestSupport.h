#pragma once

// What the host-side tests share: where the test data lies and a host that records the values
// it is told of. Host tests see the public interface only.
#include "control/IReportCtrl.h"

#include <string>
#include <utility>
#include <vector>

namespace host_test {

inline std::string Data(const char* name)
{
    return std::string(SRCTRL_TEST_DATA) + "/" + name;
}

// Records every value the control reports, in order, and ignores the other notifications.
class ValueLog : public IReportCtrlCallback {
public:
    void OnReportValueChanged(IKMReport*, DWORD tag, const wchar_t* value) override { values.emplace_back(tag, value); }
    void OnActiveReportChanged(IKMReport*) override {}
    void OnReportAdded(IKMReport*) override {}
    void OnReportClosing(IKMReport*) override {}
    void OnDocumentCompleted(IKMReport*) override {}
    void OnDocumentVerified(IKMReport*) override {}
    void OnModifiedChanged(IKMReport*) override {}
    void OnLayoutChanged(IKMReport*) override {}

    std::vector<std::pair<DWORD, std::wstring>> values;
};

} // namespace host_test
