// A 512 x 512 16-bit CT frame put into an image box (decode, window, scale, JPEG, IMAGE item and
// evidence, the box repainted) against the pipeline a script would use for the picture alone:
// dcm2pnm and cjpeg of the same frame and window, as whole processes.
#include "control/IReportCtrl.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The CT image, made once per run with DCMTK's dump2dcm: a ramp from -1000 to 1000 HU.
const std::string& CtImage()
{
    static const std::string path = [] {
        const std::string folder = "/tmp/srctrl-keyimage-bench-" + std::to_string(getpid());
        std::system(("mkdir -p " + folder).c_str());
        std::vector<int16_t> pixels(512 * 512);
        for (size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = static_cast<int16_t>(-1000 + static_cast<int>(i % 512) * 2000 / 511);
        }
        std::ofstream(folder + "/ct.raw", std::ios::binary)
            .write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size() * 2));
        std::ofstream(folder + "/ct.dump") << "(0008,0016) UI =CTImageStorage\n(0008,0018) UI [2.25.7001]\n"
                                              "(0008,0060) CS [CT]\n(0010,0020) LO [BENCH]\n(0020,000d) UI [2.25.7002]\n"
                                              "(0020,000e) UI [2.25.7003]\n(0028,0002) US 1\n(0028,0004) CS [MONOCHROME2]\n"
                                              "(0028,0010) US 512\n(0028,0011) US 512\n(0028,0100) US 16\n(0028,0101) US 16\n"
                                              "(0028,0102) US 15\n(0028,0103) US 1\n(0028,1050) DS [40]\n(0028,1051) DS [400]\n"
                                              "(0028,1052) DS [0]\n(0028,1053) DS [1]\n(7fe0,0010) OW ="
                                           << folder << "/ct.raw\n";
        std::system(("dump2dcm +rl " + folder + "/ct.dump " + folder + "/ct.dcm 2>/dev/null").c_str());
        return folder + "/ct.dcm";
    }();
    return path;
}

void BM_SetKeyImageFile(benchmark::State& state)
{
    HWND host = platform::CreateHostWindow(794, 1123);
    IReportCtrl* ctrl = CreateReportCtrl();
    ctrl->Create(host, 0, 0, 794, 1123);
    IKMReport* report = ctrl->CreateReportFromImage(CtImage().c_str());
    if (report == nullptr) {
        state.SkipWithError("no report from the CT image (is DCMTK's dump2dcm installed?)");
    }
    for (auto _ : state) {
        if (report != nullptr && !report->SetKeyImageFile(0, CtImage().c_str(), 1, nullptr)) {
            state.SkipWithError(SrCtrlGetLastError());
            break;
        }
    }
    DestroyWindow(host);
    ReleaseReportCtrl(ctrl);
}
BENCHMARK(BM_SetKeyImageFile)->Unit(benchmark::kMillisecond);

void BM_Dcm2pnmAndCjpeg(benchmark::State& state)
{
    const std::string pgm = CtImage() + ".pgm";
    const std::string command = "dcm2pnm -q +Wi 1 " + CtImage() + " " + pgm + " && cjpeg " + pgm + " > " + pgm + ".jpg";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("dcm2pnm or cjpeg failed");
            break;
        }
    }
}
BENCHMARK(BM_Dcm2pnmAndCjpeg)->Unit(benchmark::kMillisecond);

} // namespace
