// A host may do anything from inside a notification: close, activate, re-template or release.
// Every case here used freed memory before reports and the control outlived the calls into them;
// the sanitizer build is what turns such a fault into a failure.
#include "control/IReportCtrl.h"
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace {

using host_test::Data;

constexpr DWORD kPatientName = 0x00100010;
constexpr DWORD kFinding = 0x07211001;

// Runs the host's reaction once, for the first notification of the kind it waits for.
class Reaction : public IReportCtrlCallback {
public:
    enum Kind { Value, Active, Modified, Completed, Verified, Layout, Added };

    Reaction(Kind kind, std::function<void(IKMReport*)> act) : m_kind(kind), m_act(std::move(act)) {}

    void OnReportValueChanged(IKMReport* r, DWORD, const wchar_t*) override { Fire(Value, r); }
    void OnActiveReportChanged(IKMReport* r) override { Fire(Active, r); }
    void OnReportAdded(IKMReport* r) override { Fire(Added, r); }
    void OnReportClosing(IKMReport*) override { ++closing; }
    void OnDocumentCompleted(IKMReport* r) override { Fire(Completed, r); }
    void OnDocumentVerified(IKMReport* r) override { Fire(Verified, r); }
    void OnModifiedChanged(IKMReport* r) override { Fire(Modified, r); }
    void OnLayoutChanged(IKMReport* r) override { Fire(Layout, r); }

    bool armed = false;
    bool fired = false;
    int closing = 0;

private:
    void Fire(Kind kind, IKMReport* report)
    {
        if (armed && !fired && kind == m_kind) {
            fired = true;
            m_act(report);
        }
    }
    Kind m_kind;
    std::function<void(IKMReport*)> m_act;
};

class ReentrantHost : public host_test::ReportHost {
protected:
    void SetUp() override { OpenControl(800, 1130); }

    IKMReport* NewReport()
    {
        IKMReport* report = m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str());
        EXPECT_NE(report, nullptr);
        return report;
    }

    // Arms the reaction, runs the operation and checks that the reaction ran and closed it.
    void CloseInside(Reaction::Kind kind, const std::function<void(IKMReport*)>& operation)
    {
        IKMReport* report = NewReport();
        ASSERT_NE(report, nullptr);
        report->SetModified(false);
        Reaction close(kind, [&](IKMReport* r) { m_ctrl->CloseReport(r); });
        m_ctrl->AddCallback(&close);
        close.armed = true;
        operation(report);
        m_ctrl->RemoveCallback(&close);
        EXPECT_TRUE(close.fired);
        EXPECT_EQ(close.closing, 1);
        EXPECT_EQ(m_ctrl->GetReportCount(), 0);
        EXPECT_EQ(m_ctrl->GetActiveReport(), nullptr);
    }
};

} // namespace

TEST_F(ReentrantHost, AReportClosedInsideItsOwnNotificationOutlivesTheCall)
{
    CloseInside(Reaction::Value, [&](IKMReport*) { EXPECT_TRUE(m_ctrl->SetReportValue(kPatientName, L"Doe^Jane")); });
    CloseInside(Reaction::Modified, [&](IKMReport* r) { r->CompleteDocument(); });
    CloseInside(Reaction::Completed, [&](IKMReport* r) { r->CompleteDocument(); });
    CloseInside(Reaction::Layout, [&](IKMReport*) { m_ctrl->ApplyTemplate(nullptr); });
    CloseInside(Reaction::Layout, [&](IKMReport* r) { r->SetImageLayout(0); });
    CloseInside(Reaction::Verified, [&](IKMReport* r) {
        r->SetValue(0x0040A075, L"Who^Doctor");
        r->SetValue(0x0040A027, L"General Hospital");
        r->VerifyDocument();
    });
}

TEST_F(ReentrantHost, AReportClosedWhileAPersonTypesIntoItOutlivesTheKeystroke)
{
    // The finding box of the default template lies at (40, 637) .. (754, 797) on the page.
    for (Reaction::Kind kind : {Reaction::Value, Reaction::Modified}) {
        CloseInside(kind, [&](IKMReport*) {
            ASSERT_TRUE(platform::Click(m_host, 300, 700));
            platform::TypeText(m_host, L"abc");
        });
    }
}

TEST_F(ReentrantHost, APageRebuiltWhileAPersonTypesKeepsTheControlThatIsTyping)
{
    IKMReport* report = NewReport();
    ASSERT_NE(report, nullptr);
    Reaction retemplate(Reaction::Value, [&](IKMReport*) { EXPECT_TRUE(m_ctrl->ApplyTemplate(nullptr)); });
    m_ctrl->AddCallback(&retemplate);
    ASSERT_TRUE(platform::Click(m_host, 300, 700));
    retemplate.armed = true;
    platform::TypeText(m_host, L"ab");
    m_ctrl->RemoveCallback(&retemplate);
    EXPECT_TRUE(retemplate.fired);
    std::wstring finding;
    ASSERT_TRUE(report->GetValue(kFinding, finding));
    EXPECT_EQ(finding.substr(0, 1), L"a") << "the first keystroke was stored before the page went";
}

TEST_F(ReentrantHost, TheControlReleasedInsideANotificationGoesWhenTheCallReturns)
{
    IKMReport* report = NewReport();
    ASSERT_NE(report, nullptr);
    Reaction release(Reaction::Value, [&](IKMReport*) {
        DestroyWindow(m_host);
        ReleaseReportCtrl(m_ctrl);
        m_ctrl = nullptr;
    });
    m_ctrl->AddCallback(&release);
    release.armed = true;
    IReportCtrl* ctrl = m_ctrl;
    ctrl->SetReportValue(kPatientName, L"Doe^Jane");
    EXPECT_TRUE(release.fired);
}

TEST_F(ReentrantHost, OpeningAnOpenDocumentNeverReturnsAReportThatWasClosedMeanwhile)
{
    IKMReport* first = NewReport();
    ASSERT_NE(first, nullptr);
    const std::string path = host_test::Scratch("reentrant-open.dcm");
    ASSERT_TRUE(first->GetDcmSR()->SaveFile(path.c_str()));
    IKMReport* second = NewReport();
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(m_ctrl->GetActiveReport(), second);

    Reaction close(Reaction::Active, [&](IKMReport* r) { m_ctrl->CloseReport(r); });
    m_ctrl->AddCallback(&close);
    close.armed = true;
    EXPECT_EQ(m_ctrl->OpenReportFile(path.c_str()), nullptr) << "the document is no longer open";
    m_ctrl->RemoveCallback(&close);
    EXPECT_TRUE(close.fired);
    EXPECT_EQ(m_ctrl->GetReportCount(), 1);
    std::remove(path.c_str());
}

TEST_F(ReentrantHost, AReportClosedAsItIsAddedIsNotReturned)
{
    Reaction close(Reaction::Added, [&](IKMReport* r) { m_ctrl->CloseReport(r); });
    m_ctrl->AddCallback(&close);
    close.armed = true;
    EXPECT_EQ(m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()), nullptr);
    m_ctrl->RemoveCallback(&close);
    EXPECT_EQ(m_ctrl->GetReportCount(), 0);
}

// From its closing on a report is out of the host's reach: inside OnReportClosing it is no longer
// active, the calls that would change it fail with the reason, and no later notification names
// it; a host that activates another report there keeps its choice.
TEST_F(ReentrantHost, AClosingReportIsNoLongerReachable)
{
    struct Closing : host_test::ValueLog {
        void OnReportClosing(IKMReport* r) override
        {
            closed = r;
            activeInside = ctrl->GetActiveReport();
            valueStored = ctrl->SetReportValue(kFinding, L"Too late.");
            valueReason = SrCtrlGetLastError();
            templateApplied = ctrl->ApplyTemplate(nullptr);
            templateReason = SrCtrlGetLastError();
            if (activate != nullptr) {
                ctrl->ActivateReport(activate);
            }
        }
        void OnActiveReportChanged(IKMReport* r) override { heardAfter += r == closed && closed != nullptr; }
        void OnLayoutChanged(IKMReport* r) override { heardAfter += r == closed && closed != nullptr; }
        void OnModifiedChanged(IKMReport* r) override { heardAfter += r == closed && closed != nullptr; }
        IReportCtrl* ctrl = nullptr;
        IKMReport* activate = nullptr;
        IKMReport* closed = nullptr;
        IKMReport* activeInside = reinterpret_cast<IKMReport*>(1);
        bool valueStored = true;
        bool templateApplied = true;
        std::string valueReason;
        std::string templateReason;
        int heardAfter = 0;
    } host;
    host.ctrl = m_ctrl;
    IKMReport* first = NewReport();
    NewReport();
    IKMReport* third = NewReport();
    ASSERT_NE(third, nullptr);
    host.activate = first;
    m_ctrl->AddCallback(&host);
    m_ctrl->CloseReport(third);
    m_ctrl->RemoveCallback(&host);
    EXPECT_EQ(host.closed, third);
    EXPECT_EQ(host.activeInside, nullptr);
    EXPECT_FALSE(host.valueStored);
    EXPECT_EQ(host.valueReason, "the report is closing");
    EXPECT_FALSE(host.templateApplied);
    EXPECT_EQ(host.templateReason, "the report is closing");
    EXPECT_EQ(host.values.size(), 0u) << "no value was told of, for any report";
    EXPECT_EQ(host.heardAfter, 0);
    EXPECT_EQ(m_ctrl->GetActiveReport(), first) << "the host's choice, not the report beside the closed one";
    EXPECT_EQ(m_ctrl->GetReportCount(), 2);
}

TEST_F(ReentrantHost, AThrowingCallbackStopsAtTheControlAndTheOthersStillHear)
{
    IKMReport* report = NewReport();
    ASSERT_NE(report, nullptr);
    const struct {
        Reaction::Kind kind;
        std::function<void(IKMReport*)> operation;
    } cases[] = {
        {Reaction::Value, [&](IKMReport*) { EXPECT_TRUE(m_ctrl->SetReportValue(kPatientName, L"Doe^Jane")); }},
        {Reaction::Completed, [&](IKMReport* r) { r->CompleteDocument(); }},
        {Reaction::Layout, [&](IKMReport* r) { EXPECT_TRUE(r->SetImageLayout(1)); }},
    };
    for (const auto& c : cases) {
        Reaction thrower(c.kind, [](IKMReport*) { throw std::runtime_error("the host's own bug"); });
        Reaction after(c.kind, [](IKMReport*) {});
        thrower.armed = after.armed = true;
        m_ctrl->AddCallback(&thrower);
        m_ctrl->AddCallback(&after);
        c.operation(report);
        m_ctrl->RemoveCallback(&thrower);
        m_ctrl->RemoveCallback(&after);
        EXPECT_TRUE(thrower.fired);
        EXPECT_TRUE(after.fired) << "a callback after the throwing one is still told";
    }
    std::wstring name;
    EXPECT_TRUE(report->GetValue(kPatientName, name));
    EXPECT_EQ(name, L"Doe^Jane");
    EXPECT_TRUE(report->IsCompleted());

    // Closing goes on past a listener that throws on hearing of it.
    struct ThrowsOnClosing : Reaction {
        using Reaction::Reaction;
        void OnReportClosing(IKMReport*) override { throw 42; }
    } throwsOnClosing(Reaction::Value, [](IKMReport*) {});
    m_ctrl->AddCallback(&throwsOnClosing);
    m_ctrl->CloseReport(report);
    m_ctrl->RemoveCallback(&throwsOnClosing);
    EXPECT_EQ(m_ctrl->GetReportCount(), 0);
}
