// Dump and decode speed for package-sized byte lists.
#include <benchmark/benchmark.h>

#include "protocol/Decoder.h"
#include "transport/untByteList.h"

namespace {

bpconf::THfByteList Filled(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 31);
    return bpconf::THfByteList(std::move(bytes));
}

void BM_HexDump(benchmark::State& state) {
    const auto list = Filled(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.HexDump());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HexDump)->Arg(4 << 10)->Arg(1 << 20)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

void BM_Decode(benchmark::State& state) {
    const std::string bytes = Filled(static_cast<std::size_t>(state.range(0))).ToString();
    for (auto _ : state) {
        benchmark::DoNotOptimize(bpconf::protocol::Decode(bytes));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Decode)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
