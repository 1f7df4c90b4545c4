#pragma once

#include "platform/Host.h"
#include "support/SkinWindow.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace testing_support {

// The toolkit test page (tests/data/skins/toolkit.xml) in a 400 x 300 window docked into a host
// window.
class ToolkitPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_host = platform::CreateHostWindow(400, 300);
        m_window = std::make_unique<SkinWindow>(ReadFile(DataFile("skins/toolkit.xml")));
        ASSERT_NE(m_window->Create(m_host, L"page", WS_CHILD | WS_VISIBLE, 0, 0, 0, 400, 300), nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(m_host);
        m_window.reset();
    }

    HWND m_host = nullptr;
    std::unique_ptr<SkinWindow> m_window;
};

} // namespace testing_support
