// The framed protocol's per-frame work: checksum, request frame, reply check and reply parsing,
// for the classic frame (Daisy) and the widened family-C frame.
#include <benchmark/benchmark.h>

#include <array>
#include <string>

#include "bench/bench_device.h"
#include "devices/daisy.h"
#include "devices/datecs_c.h"
#include "model/fp_result.h"

namespace {

using bench::TBytes;

// Reply data of the given length, the shape of a diagnostic reply.
std::string ReplyData(std::size_t length) {
  std::string text = "CompactM 02.01 15Mar23 1200,3F8A,00000000,BG,DY448967,36607003,";
  while (text.size() < length) text += text;
  return text.substr(0, length);
}

void BM_FramedChecksum(benchmark::State& state) {
  TBytes bytes(static_cast<std::size_t>(state.range(0)), 0x5A);
  for (auto _ : state) {
    auto sum = protocol::TFPBaisicDaisyDatecs::RangeChecksum(bytes.data(), 0,
                                                             static_cast<std::ptrdiff_t>(bytes.size()) - 1);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_FramedChecksum)->Arg(16)->Arg(64)->Arg(256);

// An item line of 36-character name, the common request, and the longest data one frame takes.
void BM_FramedBuildRequest(benchmark::State& state) {
  devices::TFPDaisy fp;
  const std::string data(static_cast<std::size_t>(state.range(0)), 'A');
  std::array<std::uint8_t, protocol::TFPBaisicDaisyDatecs::kFrameBufferSize> frame{};
  for (auto _ : state) {
    auto length = fp.BuildRequestFrame(frame.data(), 42, 0x31, data);
    benchmark::DoNotOptimize(length);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FramedBuildRequest)->Arg(0)->Arg(52)->Arg(219);

void BM_FramedValidateReply(benchmark::State& state) {
  devices::TFPDaisy fp;
  const TBytes reply = bench::FramedReply(0x2A, 0x5A, ReplyData(static_cast<std::size_t>(state.range(0))),
                                          {0x80, 0x80, 0x80, 0x80, 0x80, 0xB8});
  model::TFpResult result;
  if (!fp.ValidateResponseFrame(reply.data(), 0, reply.size(), 0x0A, result)) state.SkipWithError("fixture rejected");
  for (auto _ : state) {
    bool ok = fp.ValidateResponseFrame(reply.data(), 0, reply.size(), 0x0A, result);
    benchmark::DoNotOptimize(ok);
  }
}
BENCHMARK(BM_FramedValidateReply)->Arg(0)->Arg(64)->Arg(200);

// Reply data to text, and every status bit through the Daisy status table.
void BM_FramedParseReply(benchmark::State& state) {
  devices::TFPDaisy fp;
  const TBytes reply = bench::FramedReply(0x2A, 0x5A, ReplyData(static_cast<std::size_t>(state.range(0))),
                                          {0x80, 0x80, 0x80, 0x80, 0x80, 0xB8});
  for (auto _ : state) {
    model::TFpResult result;
    fp.ParseResponse(reply.data(), 0, reply.size(), result);
    benchmark::DoNotOptimize(result.StatusText.data());
  }
}
BENCHMARK(BM_FramedParseReply)->Arg(0)->Arg(64)->Arg(200);

void BM_DatecsCBuildRequest(benchmark::State& state) {
  devices::TFpDatecsC fp;
  const std::string data = "Хляб Добруджа\t20\t1.20\t2\t\t\t\t";
  std::array<std::uint8_t, protocol::TFPBaisicDaisyDatecs::kFrameBufferSize> frame{};
  for (auto _ : state) {
    auto length = fp.BuildRequestFrame(frame.data(), 42, 0x31, data);
    benchmark::DoNotOptimize(length);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DatecsCBuildRequest);

void BM_DatecsCValidateAndParseReply(benchmark::State& state) {
  devices::TFpDatecsC fp;
  const TBytes reply = bench::DatecsCReply(0x2A, 0x5A, "0\tFP-700X\t1.00BG\t15Mar23 1200\t3F8A\tDT123456\t02123456\t",
                                           {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80});
  model::TFpResult check;
  if (!fp.ValidateResponseFrame(reply.data(), 0, reply.size(), 0x0A, check)) state.SkipWithError("fixture rejected");
  for (auto _ : state) {
    model::TFpResult result;
    if (fp.ValidateResponseFrame(reply.data(), 0, reply.size(), 0x0A, result))
      fp.ParseResponse(reply.data(), 0, reply.size(), result);
    benchmark::DoNotOptimize(result.StatusText.data());
  }
}
BENCHMARK(BM_DatecsCValidateAndParseReply);

}  // namespace
