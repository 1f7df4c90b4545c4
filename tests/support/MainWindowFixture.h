#pragma once

#include "control/KMMainWindow.h"
#include "platform/Host.h"

#include <gtest/gtest.h>

#include <memory>

namespace testing_support {

// The control's main window docked in an 800 x 600 host window, as the opening and printing
// operations need it. `Base` is ::testing::Test or a parameterised test.
template <class Base = ::testing::Test>
class MainWindowFixture : public Base {
protected:
    void SetUp() override
    {
        m_host = platform::CreateHostWindow(800, 600);
        m_main = std::make_unique<KMMainWindow>();
        ASSERT_NE(m_main->Create(m_host, 0, 0, 800, 600), nullptr);
    }
    void TearDown() override
    {
        m_main.reset();
        DestroyWindow(m_host);
    }

    HWND m_host = nullptr;
    std::unique_ptr<KMMainWindow> m_main;
};

} // namespace testing_support
