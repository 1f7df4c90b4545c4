#include "binding/KMReportUIHandler.h"
#include "platform/Host.h"
#include "platform/duilib/CContainerUI.h"
#include "platform/duilib/WindowImplBase.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmdicom/KMDcmUtil.h"
#include "printing/CUtil.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// 60 text attributes of the dictionary, in tag order.
std::vector<DWORD> TextTags()
{
    std::vector<DWORD> tags;
    for (DWORD group : {0x0008u, 0x0010u, 0x0018u, 0x0020u}) {
        for (DWORD element = 0x0010; element < 0x2000 && tags.size() < 60; ++element) {
            AttributeElement info;
            const DWORD tag = (group << 16) | element;
            if (tag != 0x00100040 && tag != 0x00101010 && KMDcmUtil::GetTagElement(tag, info) &&
                (info.vr == "LO" || info.vr == "SH" || info.vr == "PN")) {
                tags.push_back(tag);
            }
        }
    }
    return tags;
}

std::string TagText(DWORD tag)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%04X,%04X", tag >> 16, tag & 0xFFFF);
    return text;
}

class Page : public DuiLib::WindowImplBase {
public:
    explicit Page(std::string xml) : m_strXml(std::move(xml)) {}

protected:
    DuiLib::LPCTSTR GetWindowClassName() const override { return L"BenchPage"; }
    DuiLib::CDuiString GetSkinFolder() override { return L""; }
    DuiLib::CDuiString GetSkinFile() override { return KMString(m_strXml).wstr(); }

private:
    std::string m_strXml;
};

// A page of 60 bound edits in rows of two and three picture boxes, with its handler.
struct Fixture {
    Fixture()
        : tags(TextTags()), host(platform::CreateHostWindow(794, 1123)), page(Xml(tags))
    {
        page.Create(host, L"page", WS_CHILD | WS_VISIBLE, 0, 0, 0, 794, 1123);
        handler.InitUI(dynamic_cast<DuiLib::CContainerUI*>(page.m_pm.GetRoot()), true);
    }
    ~Fixture() { DestroyWindow(host); }

    static std::string Xml(const std::vector<DWORD>& tags)
    {
        std::string xml = "<Window><VerticalLayout>";
        for (size_t i = 0; i < tags.size(); i += 2) {
            xml += "<HorizontalLayout height=\"14\"><Edit userdata=\"" + TagText(tags[i]) + "\"/><Edit userdata=\"" +
                   TagText(tags[i + 1]) + "\"/></HorizontalLayout>";
        }
        return xml + "<HorizontalLayout height=\"200\"><Picture/><Picture/><Picture/></HorizontalLayout>"
                     "</VerticalLayout></Window>";
    }

    std::vector<DWORD> tags;
    HWND host;
    Page page;
    KMReportUIHandler handler;
};

} // namespace

static void BM_SetValueOfTheLastControl(benchmark::State& state)
{
    Fixture f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.handler.SetValue(f.tags.back(), L"Doe^Jane"));
    }
}
BENCHMARK(BM_SetValueOfTheLastControl)->Unit(benchmark::kMicrosecond);

static void BM_GetValueOfTheLastControl(benchmark::State& state)
{
    Fixture f;
    std::wstring value;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.handler.GetValue(f.tags.back(), value));
    }
}
BENCHMARK(BM_GetValueOfTheLastControl)->Unit(benchmark::kMicrosecond);

static void BM_FillPageWithThreePictures(benchmark::State& state)
{
    Fixture f;
    KMDcmSR sr;
    for (DWORD tag : f.tags) {
        sr.GetDataset()->SetString(tag, L"value");
    }
    std::vector<BYTE> pixels(512 * 512 * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<BYTE>(i * 7);
    }
    HBITMAP bitmap = CreateBitmap(512, 512, 1, 32, pixels.data());
    std::vector<unsigned char> jpeg;
    CUtil::GetJPEG(bitmap, jpeg);
    DeleteObject(bitmap);
    for (int i = 0; i < 3; ++i) {
        KMDcmDataset item;
        sr.GetDataset()->GetOrCreateSequenceItem(0x00081140, item, i);
        item.SetUint8Array(0x00420011, jpeg.data(), jpeg.size());
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.handler.SetDcmSR(&sr));
    }
}
BENCHMARK(BM_FillPageWithThreePictures)->Unit(benchmark::kMillisecond);
