#include "platform/kmdicom/KMDcmSR.h"

#include <benchmark/benchmark.h>

// The value writes and reads that every keystroke in a bound field costs.

static void BM_SetWideString(benchmark::State& state)
{
    KMDcmSR sr;
    sr.GetDataset()->SetString(0x00080005, "ISO_IR 192");
    for (auto _ : state) {
        benchmark::DoNotOptimize(sr.GetDataset()->SetString(0x00100010, L"山田^太郎"));
    }
}
BENCHMARK(BM_SetWideString);

static void BM_GetWideString(benchmark::State& state)
{
    KMDcmSR sr;
    sr.GetDataset()->SetString(0x00100010, L"山田^太郎");
    std::wstring value;
    for (auto _ : state) {
        benchmark::DoNotOptimize(sr.GetDataset()->GetString(0x00100010, value));
    }
}
BENCHMARK(BM_GetWideString);

static void BM_SetFinding(benchmark::State& state)
{
    KMDcmSR sr;
    const std::wstring finding(400, L'x');
    for (auto _ : state) {
        benchmark::DoNotOptimize(sr.SetFinding(finding.c_str()));
    }
}
BENCHMARK(BM_SetFinding);
