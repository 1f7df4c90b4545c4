// A host that does anything, in any order, with any text: a seeded random sequence of operations
// through the public interface and a person's input, some of them from inside notifications.
// After every step the control must agree with a model of what the host was told: which reports
// are open and in which order, which one is active, and the value last reported or stored for
// each tag of each report. The sanitizer build turns any use of freed memory into a failure.
//
// SRCTRL_RANDOM_OPS sets the number of operations per seed (default 5000), SRCTRL_RANDOM_SEEDS a
// comma-separated list of seeds (default "1,2"), SRCTRL_RANDOM_SECONDS a time bound for all seeds
// together (default none; the summary says how many operations ran); bench/random-host-soak.sh
// runs long soaks.
#include "control/IReportCtrl.h"
#include "HostTestSupport.h"

#include <gtest/gtest.h>


#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using host_test::Data;

constexpr size_t kMaxOpenReports = 8;

std::string SkinFile(const std::string& name)
{
    return std::string(SRCTRL_SOURCE_DIR) + "/skin/srctrl/" + name;
}

// Text tags a host sets; each value is read back through the same tag.
const DWORD kTextTags[] = {
    0x00100010, // Patient's Name
    0x00100020, // Patient ID
    0x00180015, // Body Part Examined
    0x00080090, // Referring Physician's Name
    0x00081040, // Institutional Department Name
    0x07211001, // finding
    0x07211002, // conclusion
    0x07211004, // author
};

// Pieces of text from many scripts, and some that a document cannot hold.
const wchar_t* const kPieces[] = {
    L"abc", L"Doe", L"^", L"\\", L"Müller", L"Größe", L"中文报告", L"ﾔﾏﾀﾞ", L"한국어", L"مرحبا", L"שלום", L"Ελληνικά",
    L"Кириллица", L"\U0001F44F", L"\U0001F1E9\U0001F1EA", L"e\u0301", L"\n", L"\t", L"4", L"12.5", L"\x01",
    L"\xD800", L"\xDFFF", L"\uFFFE", L" ", L"x y",
};

// The host: everything it hears is written into the model, and sometimes it does something back.
class Model : public IReportCtrlCallback {
public:
    explicit Model(unsigned seed) : m_rng(seed), m_wideLogo(host_test::WideJpeg(m_tmp))
    {
        platform::RegisterPdfPrinter("Random Host PDF", m_tmp.File("print.pdf").c_str());
        Start();
    }
    ~Model() { Stop(); }

    // Runs up to `operations` steps, or as many as fit in `seconds` (0: no bound).
    void Run(int operations, int seconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (int i = 0; i < operations && !::testing::Test::HasFatalFailure(); ++i) {
            if (seconds > 0 && std::chrono::steady_clock::now() > end) {
                break;
            }
            m_strStep = "step " + std::to_string(i);
            Step();
            if (m_bReleased) {
                m_bReleased = false;
                ++m_nReleases;
                Forget();
                Start();
            }
            Check();
        }
    }

    std::string Summary() const
    {
        std::ostringstream out;
        out << m_nSteps << " operations, " << m_nNotifications << " notifications, " << m_nReactions
            << " operations from inside notifications, " << m_nReleases << " releases";
        return out.str();
    }

    void OnReportValueChanged(IKMReport* r, DWORD tag, const wchar_t* value) override
    {
        Heard(r);
        m_values[r][tag] = value != nullptr ? value : L"";
        MaybeReact(r);
    }
    void OnActiveReportChanged(IKMReport* r) override
    {
        m_pActive = r;
        Heard(r);
        MaybeReact(r);
    }
    void OnReportAdded(IKMReport* r) override
    {
        ++m_nNotifications;
        EXPECT_TRUE(std::find(m_order.begin(), m_order.end(), r) == m_order.end()) << m_strStep;
        m_order.push_back(r);
        MaybeReact(r);
    }
    void OnReportClosing(IKMReport* r) override
    {
        Heard(r);
        m_order.erase(std::remove(m_order.begin(), m_order.end(), r), m_order.end());
        m_values.erase(r);
        if (m_pActive == r) {
            m_pActive = nullptr;
        }
    }
    void OnDocumentCompleted(IKMReport* r) override { Heard(r); MaybeReact(r); }
    void OnDocumentVerified(IKMReport* r) override { Heard(r); MaybeReact(r); }
    void OnModifiedChanged(IKMReport* r) override { Heard(r); MaybeReact(r); }
    void OnLayoutChanged(IKMReport* r) override { Heard(r); MaybeReact(r); }

private:

    void Start()
    {
        m_host = platform::CreateHostWindow(900, 1200);
        m_ctrl = CreateReportCtrl();
        ASSERT_NE(m_ctrl->Create(m_host, 0, 0, 900, 1200), nullptr);
        m_ctrl->AddCallback(this);
    }
    void Stop()
    {
        if (m_ctrl != nullptr) {
            DestroyWindow(m_host);
            ReleaseReportCtrl(m_ctrl);
            Forget();
        }
    }
    void Forget()
    {
        m_ctrl = nullptr;
        m_host = nullptr;
        m_order.clear();
        m_values.clear();
        m_pActive = nullptr;
    }

    void Heard(IKMReport* r)
    {
        ++m_nNotifications;
        EXPECT_TRUE(r == nullptr || std::find(m_order.begin(), m_order.end(), r) != m_order.end())
            << m_strStep << ": a notification about a report that is not open";
    }

    int Pick(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool Chance(int percent) { return Pick(100) < percent; }

    IKMReport* AnyReport() { return m_order.empty() ? nullptr : m_order[static_cast<size_t>(Pick(static_cast<int>(m_order.size())))]; }

    std::wstring RandomText()
    {
        switch (Pick(12)) {
        case 0: return L"";
        case 1: return std::wstring(static_cast<size_t>(1 + Pick(3000)), L'x');
        case 2: return std::wstring(70000, L'a');
        default: break;
        }
        std::wstring text;
        const int pieces = 1 + Pick(6);
        for (int i = 0; i < pieces; ++i) {
            text += kPieces[Pick(static_cast<int>(sizeof kPieces / sizeof kPieces[0]))];
        }
        // Spaces at either end carry no meaning in DICOM text; the model keeps to inner ones.
        const size_t first = text.find_first_not_of(L' ');
        return first == std::wstring::npos ? L"" : text.substr(first, text.find_last_not_of(L' ') - first + 1);
    }

    DWORD RandomTag() { return kTextTags[Pick(static_cast<int>(sizeof kTextTags / sizeof kTextTags[0]))]; }

    // What the host does back, now and then, from inside a notification.
    void MaybeReact(IKMReport* r)
    {
        if (m_ctrl == nullptr || m_bReleased || m_nReactionDepth > 2 || !Chance(4)) {
            return;
        }
        ++m_nReactions;
        ++m_nReactionDepth;
        switch (Pick(7)) {
        case 0: m_ctrl->CloseReport(r); break;
        case 1: m_ctrl->ActivateReportAt(Pick(static_cast<int>(m_order.size()) + 1)); break;
        case 2: m_ctrl->ApplyTemplate(nullptr); break;
        case 3: SetValue(true); break;
        case 4: m_ctrl->CreateReportFromImage(Data("ct-image.dcm").c_str()); break;
        case 5: m_ctrl->SetZoom(0.5f + static_cast<float>(Pick(10)) / 10.0f); break;
        default:
            if (Chance(20)) {
                DestroyWindow(m_host);
                ReleaseReportCtrl(m_ctrl);
                m_ctrl = nullptr;
                m_bReleased = true;
            }
            break;
        }
        --m_nReactionDepth;
    }

    // A value stored through the control or a report: on success the document holds it exactly.
    void SetValue(bool throughControl)
    {
        IKMReport* report = throughControl ? m_ctrl->GetActiveReport() : AnyReport();
        if (report == nullptr) {
            return;
        }
        const DWORD tag = RandomTag();
        const std::wstring text = RandomText();
        // The active report tells the host of the store (and the host may store again from inside
        // that notification: the last word counts); another report tells nobody.
        const bool notifies = report == m_ctrl->GetActiveReport();
        const bool stored = throughControl ? m_ctrl->SetReportValue(tag, text.c_str()) : report->SetValue(tag, text.c_str());
        if (stored && !notifies && !m_bReleased &&
            std::find(m_order.begin(), m_order.end(), report) != m_order.end()) {
            ChangedUntold(report);
            // A stored text breaks its lines as DICOM's texts do, with CR LF.
            std::wstring kept;
            for (const wchar_t c : text) {
                kept += c == L'\n' ? std::wstring(L"\r\n") : std::wstring(1, c);
            }
            m_values[report][tag] = kept;
        }
    }

    void Step()
    {
        ++m_nSteps;
        IKMReport* any = AnyReport();
        // A person keeps a handful of reports open; a host that only ever opened more would make
        // every later step slower without testing anything new.
        const int operation = m_order.size() >= kMaxOpenReports ? 4 : Pick(25);
        m_strStep += " (operation " + std::to_string(operation) + ")";
        switch (operation) {
        case 0:
        case 1: m_ctrl->CreateReportFromImage(Data(Chance(90) ? "ct-image.dcm" : "malformed/random.dcm").c_str()); break;
        case 2:
            if (any != nullptr && any->GetDcmSR()->SaveFile(m_tmp.File("saved.dcm").c_str())) {
                m_ctrl->OpenReportFile(m_tmp.File("saved.dcm").c_str());
            }
            break;
        case 3: m_ctrl->CreateReportFromReport(any); break;
        case 4: m_ctrl->CloseReportAt(Pick(static_cast<int>(m_order.size()) + 1)); break;
        case 5: m_ctrl->ActivateReportAt(Pick(static_cast<int>(m_order.size()) + 2) - 1); break;
        case 6:
        case 7:
        case 8: SetValue(Chance(50)); break;
        case 9:
        case 10:
            platform::Click(m_host, Pick(900), Pick(1200));
            platform::TypeText(m_host, RandomText().substr(0, 40).c_str());
            break;
        case 11: {
            static const platform::Key keys[] = {platform::Key::Tab, platform::Key::Backspace, platform::Key::Delete,
                                                 platform::Key::Enter, platform::Key::Escape, platform::Key::Up,
                                                 platform::Key::Down, platform::Key::Left, platform::Key::Right,
                                                 platform::Key::Home, platform::Key::End};
            platform::PressKey(m_host, keys[Pick(static_cast<int>(sizeof keys / sizeof keys[0]))]);
            break;
        }
        case 12: m_ctrl->SetZoom(static_cast<float>(Pick(400) - 50) / 100.0f); break;
        case 13: m_ctrl->SetFitMode(Pick(3)); break;
        case 14: {
            static const int sizes[] = {0, 1, -1, 100, 900, 4000, INT_MAX, INT_MIN};
            m_ctrl->MoveWindow(sizes[Pick(8)], sizes[Pick(8)], sizes[Pick(8)], sizes[Pick(8)]);
            m_ctrl->MoveWindow(0, 0, 900, 1200);
            break;
        }
        case 15: {
            static const char* const templates[] = {"default_template.xml", "template_zh_CN.xml"};
            const std::string path = Chance(70) ? SkinFile(templates[Pick(2)]) : Data("templates/truncated.xml");
            if (Chance(50)) {
                m_ctrl->ApplyTemplate(path.c_str());
            } else {
                m_ctrl->SetTemplateFile(path.c_str());
            }
            break;
        }
        case 16: m_ctrl->Print("Random Host PDF"); break;
        case 17: {
            int width = 0;
            int height = 0;
            if (HBITMAP preview = m_ctrl->CreateTemplatePreview(SkinFile("default_template.xml").c_str(), &width, &height,
                                                                Pick(300), Pick(300))) {
                DeleteObject(preview);
            }
            break;
        }
        case 22:
            if (HBITMAP capture = platform::CaptureWindow(m_host)) {
                DeleteObject(capture);
            }
            break;
        default: ActOn(any, operation); break;
        }
    }

    // The operations on one open report.
    void ActOn(IKMReport* report, int operation)
    {
        if (report == nullptr) {
            return;
        }
        const std::string logos[] = {Data("images/logo.png"), Data("images/huge.png"), Data("images/red.jpg"), m_wideLogo,
                                     Data("missing.png")};
        if (report != m_ctrl->GetActiveReport()) {
            ChangedUntold(report);
        }
        switch (operation) {
        case 18: Chance(50) ? report->CompleteDocument() : report->VerifyDocument(); break;
        case 19: report->SetImageLayout(Pick(4) - 1); break;
        case 20: report->SetQRCode(Chance(90) ? "https://example.invalid/report" : std::string(5000, 'q').c_str()); break;
        case 21: report->SetAttributeList({{"Patient", "0010,0010"}, {"ID", "0010,0020"}}); break;
        case 23: report->SetLogo(logos[Pick(5)].c_str()); break;
        default: report->EnableUI(Chance(80)); break;
        }
    }

    // A change to a report that is not active tells nobody, also of the new SOP Instance UID
    // that a change to a kept document gives it: the host reads that from the document.
    void ChangedUntold(IKMReport* report)
    {
        const auto values = m_values.find(report);
        if (values != m_values.end()) {
            values->second.erase(0x00080018);
        }
    }

    void Check()
    {
        if (m_ctrl == nullptr) {
            return;
        }
        ASSERT_EQ(m_ctrl->GetReportCount(), static_cast<int>(m_order.size())) << m_strStep;
        for (size_t i = 0; i < m_order.size(); ++i) {
            ASSERT_EQ(m_ctrl->GetReport(static_cast<int>(i)), m_order[i]) << m_strStep;
        }
        ASSERT_EQ(m_ctrl->GetActiveReport(), m_pActive) << m_strStep;
        for (const auto& [report, values] : m_values) {
            for (const auto& [tag, expected] : values) {
                std::wstring actual;
                report->GetValue(tag, actual);
                ASSERT_TRUE(actual == expected) << m_strStep << ": tag " << std::hex << tag << " holds \""
                                                << Narrow(actual) << "\", the host was told \"" << Narrow(expected) << "\"";
            }
        }
    }

    static std::string Narrow(const std::wstring& text)
    {
        std::string out;
        for (wchar_t c : text.substr(0, 60)) {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            out += c >= 32 && c < 127 ? std::string(1, static_cast<char>(c)) : escaped;
        }
        return out + (text.size() > 60 ? "... (" + std::to_string(text.size()) + ")" : "");
    }

    std::mt19937 m_rng;
    host_test::Folder m_tmp;
    std::string m_wideLogo;
    std::string m_strStep;
    HWND m_host = nullptr;
    IReportCtrl* m_ctrl = nullptr;
    std::vector<IKMReport*> m_order;
    std::map<IKMReport*, std::map<DWORD, std::wstring>> m_values;
    IKMReport* m_pActive = nullptr;
    bool m_bReleased = false;
    int m_nReactionDepth = 0;
    long m_nSteps = 0;
    long m_nNotifications = 0;
    long m_nReactions = 0;
    long m_nReleases = 0;
};

int EnvInt(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

std::vector<unsigned> Seeds()
{
    const char* text = std::getenv("SRCTRL_RANDOM_SEEDS");
    std::vector<unsigned> seeds;
    std::stringstream list(text != nullptr && *text != '\0' ? text : "1,2");
    std::string item;
    while (std::getline(list, item, ',')) {
        seeds.push_back(static_cast<unsigned>(std::stoul(item)));
    }
    return seeds;
}

} // namespace

TEST(RandomHost, TheControlAgreesWithWhatTheHostWasToldAfterEveryStep)
{
    const int operations = EnvInt("SRCTRL_RANDOM_OPS", 5000);
    const std::vector<unsigned> seeds = Seeds();
    const int seconds = EnvInt("SRCTRL_RANDOM_SECONDS", 0) / static_cast<int>(seeds.size());
    for (unsigned seed : seeds) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Model model(seed);
        model.Run(operations, seconds);
        std::printf("seed %u: %s\n", seed, model.Summary().c_str());
    }
}
