#include "support/SkinWindow.h"

#include "platform/kmbase/KMString.h"

namespace testing_support {

void SkinWindow::Notify(DuiLib::TNotifyUI& msg)
{
    m_vecRecords.push_back(Record{msg.sType.Str(), msg.pSender->GetName().Str(), msg.pSender->GetText().Str()});
}

std::vector<SkinWindow::Record> SkinWindow::Of(const wchar_t* type) const
{
    std::vector<Record> found;
    for (const Record& record : m_vecRecords) {
        if (record.sType == type) {
            found.push_back(record);
        }
    }
    return found;
}

POINT SkinWindow::Centre(const wchar_t* name)
{
    m_pm.UpdateLayout();
    DuiLib::CControlUI* control = m_pm.FindControl(name);
    if (control == nullptr) {
        return POINT{-1, -1};
    }
    const RECT& rc = control->GetPos();
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

DuiLib::CDuiString SkinWindow::GetSkinFile()
{
    return DuiLib::CDuiString(KMString(m_strXml).wstr());
}

} // namespace testing_support
