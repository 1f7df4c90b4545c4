#pragma once

#include "platform/duilib/WindowImplBase.h"

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// A window built from a skin given as XML text, recording every notification it receives.
class SkinWindow : public DuiLib::WindowImplBase {
public:
    explicit SkinWindow(std::string xml) : m_strXml(std::move(xml)) {}

    struct Record {
        std::wstring sType;
        std::wstring sSender;
        std::wstring sText;
    };

    void Notify(DuiLib::TNotifyUI& msg) override;

    // The notifications of one type, in order.
    std::vector<Record> Of(const wchar_t* type) const;
    void Clear() { m_vecRecords.clear(); }

    template <class T>
    T* Find(const wchar_t* name)
    {
        return dynamic_cast<T*>(m_pm.FindControl(name));
    }

    // The centre of a control in the window's client coordinates.
    POINT Centre(const wchar_t* name);

protected:
    DuiLib::LPCTSTR GetWindowClassName() const override { return L"SkinWindow"; }
    DuiLib::CDuiString GetSkinFolder() override { return L""; }
    DuiLib::CDuiString GetSkinFile() override;

private:
    std::string m_strXml;
    std::vector<Record> m_vecRecords;
};

} // namespace testing_support
