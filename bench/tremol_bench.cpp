// The Tremol protocol's per-frame work: checksum, request frame, reply parsing.
#include <benchmark/benchmark.h>

#include <array>
#include <string>

#include "bench/bench_device.h"
#include "model/fp_result.h"
#include "protocol/tremol.h"

namespace {

using protocol::TFPTremol;

void BM_TremolChecksum(benchmark::State& state) {
  const std::string bytes(static_cast<std::size_t>(state.range(0)), 'Z');
  for (auto _ : state) {
    auto cs = TFPTremol::CalcChecksum(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    benchmark::DoNotOptimize(cs);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_TremolChecksum)->Arg(16)->Arg(64)->Arg(252);

void BM_TremolBuildRequest(benchmark::State& state) {
  const std::string data(static_cast<std::size_t>(state.range(0)), 'A');
  std::array<std::uint8_t, TFPTremol::kFrameBufferSize> frame{};
  for (auto _ : state) {
    auto length = TFPTremol::BuildFrame(frame.data(), 42, 0x31, data);
    benchmark::DoNotOptimize(length);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TremolBuildRequest)->Arg(0)->Arg(52)->Arg(220);

// Wait bytes then a data frame, the usual shape of a reply read in one piece.
void BM_TremolParseDataReply(benchmark::State& state) {
  TFPTremol fp;
  bench::TBytes reply{0x0E, 0x0E};
  const bench::TBytes frame = bench::TremolDataReply(0x2A, 0x60, "ZK123456;50123456");
  reply.insert(reply.end(), frame.begin(), frame.end());
  for (auto _ : state) {
    model::TFpResult result;
    fp.ParseAnswer(reply.data(), reply.size(), 0x0A, result);
    benchmark::DoNotOptimize(result.ResponseRaw.data());
  }
}
BENCHMARK(BM_TremolParseDataReply);

void BM_TremolParseAcknowledgement(benchmark::State& state) {
  TFPTremol fp;
  const bench::TBytes reply = bench::TremolAck(0x2A, '4', '0');
  for (auto _ : state) {
    model::TFpResult result;
    fp.ParseAnswer(reply.data(), reply.size(), 0x0A, result);
    benchmark::DoNotOptimize(result.StatusText.data());
  }
}
BENCHMARK(BM_TremolParseAcknowledgement);

}  // namespace
