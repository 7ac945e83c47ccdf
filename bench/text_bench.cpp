// Text work of a run: the receipt script cut into lines and fields, and the device-list JSON.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/bench_device.h"
#include "driver/script_line.h"
#include "model/device_info.h"

namespace {

void BM_ScriptSplitLines(benchmark::State& state) {
  const std::string script = bench::TwentyLineReceipt();
  for (auto _ : state) {
    auto lines = driver::SplitScriptLines(script);
    benchmark::DoNotOptimize(lines.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * script.size()));
}
BENCHMARK(BM_ScriptSplitLines);

void BM_ScriptSplitFields(benchmark::State& state) {
  const std::string line = "FiscalBonItem; Сирене краве ;1 кг;Б;14,90;0.354";
  for (auto _ : state) {
    auto fields = driver::SplitScriptLine(line);
    benchmark::DoNotOptimize(fields.data());
  }
}
BENCHMARK(BM_ScriptSplitFields);

void BM_ScriptNumber(benchmark::State& state) {
  for (auto _ : state) {
    auto value = driver::TryScriptStrToFloat("14,90");
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_ScriptNumber);

// A listing of N serial devices; the port names carry characters that must be escaped.
void BM_DeviceListJson(benchmark::State& state) {
  std::vector<std::unique_ptr<model::TFpDeviceInfo>> devices;
  std::vector<const model::TFpDeviceInfo*> items;
  for (int i = 0; i < state.range(0); ++i) {
    auto device = std::make_unique<model::TFpDeviceInfo>(model::TFpDeviceType::Daisy,
                                                         "/dev/ttyUSB" + std::to_string(i), "115200");
    device->DeviceMemoryNumber = "3660700" + std::to_string(i);
    device->DeviceNumber = "DY44896" + std::to_string(i);
    items.push_back(device.get());
    devices.push_back(std::move(device));
  }
  const model::TFpDeviceInfoRoot root(items);
  for (auto _ : state) {
    std::string json = root.ToJson();
    benchmark::DoNotOptimize(json.data());
  }
}
BENCHMARK(BM_DeviceListJson)->Arg(3)->Arg(32);

void BM_JsonEscapeCyrillic(benchmark::State& state) {
  const std::string text = "Касов апарат \"Дейзи\" на COM3\\ред 1";
  for (auto _ : state) {
    std::string escaped = model::JsonEscape(text);
    benchmark::DoNotOptimize(escaped.data());
  }
}
BENCHMARK(BM_JsonEscapeCyrillic);

}  // namespace
