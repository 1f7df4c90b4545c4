// A person's keystroke through the whole control, from the input message to the value stored in
// the document and the host told of it, on a page of 60 bound fields; beside it the same
// keystroke into a field that is bound to nothing, so the ratio is what binding and storing cost.
#include "control/IReportCtrl.h"
#include "platform/kmdicom/KMDcmUtil.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

class Counter : public IReportCtrlCallback {
public:
    void OnReportValueChanged(IKMReport*, DWORD, const wchar_t*) override { ++values; }
    void OnActiveReportChanged(IKMReport*) override {}
    void OnReportAdded(IKMReport*) override {}
    void OnReportClosing(IKMReport*) override {}
    void OnDocumentCompleted(IKMReport*) override {}
    void OnDocumentVerified(IKMReport*) override {}
    void OnModifiedChanged(IKMReport*) override {}
    void OnLayoutChanged(IKMReport*) override {}
    long values = 0;
};

// 59 long-text attributes of the dictionary, and one field bound to nothing at the end.
std::string PageTemplate()
{
    std::string rows;
    int fields = 0;
    for (DWORD group : {0x0008u, 0x0010u, 0x0018u, 0x0020u}) {
        for (DWORD element = 0x0010; element < 0x2000 && fields < 59; ++element) {
            AttributeElement info;
            const DWORD tag = (group << 16) | element;
            if (tag != 0x00100040 && tag != 0x00101010 && KMDcmUtil::GetTagElement(tag, info) && info.vr == "LO") {
                char userdata[16];
                std::snprintf(userdata, sizeof userdata, "%04X,%04X", tag >> 16, tag & 0xFFFF);
                rows += "<Edit height=\"16\" userdata=\"" + std::string(userdata) + "\"/>";
                ++fields;
            }
        }
    }
    return "<Window size=\"794,1123\"><VerticalLayout width=\"794\" height=\"1123\">"
           "<VerticalLayout name=\"RT_TEMPINFO\" template_name=\"bench\" height=\"1\"/>" +
           rows + "<Edit height=\"16\"/></VerticalLayout></Window>";
}

struct Fixture {
    Fixture()
        : path("/tmp/srctrl-bench-" + std::to_string(getpid()) + ".xml"),
          host(platform::CreateHostWindow(794, 1123)),
          ctrl(CreateReportCtrl())
    {
        std::ofstream(path) << PageTemplate();
        ctrl->Create(host, 0, 0, 794, 1123);
        ctrl->SetFitMode(0);
        ctrl->SetTemplateFile(path.c_str());
        ctrl->CreateReportFromImage(SRCTRL_SOURCE_DIR "/tests/data/ct-image.dcm");
        ctrl->AddCallback(&counter);
    }
    ~Fixture()
    {
        DestroyWindow(host);
        ReleaseReportCtrl(ctrl);
        std::remove(path.c_str());
    }

    void Type(benchmark::State& state, int y)
    {
        platform::Click(host, 400, y);
        for (auto _ : state) {
            platform::TypeText(host, L"a");
            platform::PressKey(host, platform::Key::Backspace);
        }
        state.SetItemsProcessed(2 * state.iterations());
        state.counters["notified"] = static_cast<double>(counter.values);
    }

    std::string path;
    HWND host;
    IReportCtrl* ctrl;
    Counter counter;
};

} // namespace

static void BM_KeystrokeIntoTheLastBoundField(benchmark::State& state)
{
    Fixture f;
    f.Type(state, 58 * 16 + 8);
}
BENCHMARK(BM_KeystrokeIntoTheLastBoundField)->Unit(benchmark::kMicrosecond);

static void BM_KeystrokeIntoAnUnboundField(benchmark::State& state)
{
    Fixture f;
    f.Type(state, 59 * 16 + 8);
}
BENCHMARK(BM_KeystrokeIntoAnUnboundField)->Unit(benchmark::kMicrosecond);
