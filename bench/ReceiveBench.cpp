// The receive path on its own: framing, dispatch and crosspoint-map decoding
// and storing, with the return engine acting on every map.

#include <benchmark/benchmark.h>

#include "BenchPanel.h"
#include "engine/ReturnEngine.h"
#include "link/Framing.h"
#include "link/Messages.h"

namespace vyr::bench {
namespace {

// The largest switcher: the panel sized to 16,383 inputs and outputs, and
// the full map with `entries` entries per output.
constexpr int kLargest = 16383;
std::string LargestSwitcher(BenchPanel& b, int entries) {
  b.Resize(kLargest, kLargest);
  return FullMap(kLargest, kLargest, entries);
}

// A full map of a 256-output switcher, one message at a time.
void FullMap256(benchmark::State& state) {
  BenchPanel b;
  const std::string frame = FullMap(256, 256);
  for (auto _ : state) {
    b.st.sRecvBuffer.Append(frame);
    ProcessCommand(b.p);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FullMap256);

// Framing and decoding alone of the same map, without the engine acting on
// it (rows, mix-minus, relays).
void FullMap256DecodeOnly(benchmark::State& state) {
  BenchPanel b;
  const std::string frame = FullMap(256, 256);
  for (auto _ : state) {
    b.st.sRecvBuffer.Append(frame);
    const int32_t length = FindEOM(b.st.sRecvBuffer.View());
    const std::string message = b.st.sRecvBuffer.TakeFront(static_cast<std::size_t>(length));
    benchmark::DoNotOptimize(DecodeCrosspointMap(message));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(FullMap256DecodeOnly);

// A stream of one-output maps: watched and unwatched outputs changing source,
// read in 64 KiB pieces as the socket hands them over.
void OneOutputMaps(benchmark::State& state) {
  BenchPanel b;
  std::string stream;
  const int messages = 4096;
  for (int k = 0; k < messages; ++k) stream += OneOutputMap(k % 64, (k / 64) % 2 + 1);
  for (auto _ : state) b.Receive(stream);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
  state.SetItemsProcessed(state.iterations() * messages);
}
BENCHMARK(OneOutputMaps);

// Back-to-back small frames (no-operation bytes, one-output maps) of a given
// total size arriving in 64 KiB reads; the time must grow with the size,
// not with its square.
void SmallFrameBacklog(benchmark::State& state) {
  BenchPanel b;
  const std::string unit = OneOutputMap(100, 3) + "\xF3";
  std::string backlog;
  while (backlog.size() < static_cast<std::size_t>(state.range(0))) backlog += unit;
  for (auto _ : state) b.Receive(backlog);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * backlog.size()));
}
BENCHMARK(SmallFrameBacklog)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

// The largest switcher: 16,383 outputs with 64 entries each, one map.
void LargestSwitcherFullMap(benchmark::State& state) {
  BenchPanel b;
  const std::string frame = LargestSwitcher(b, 64);
  for (auto _ : state) {
    b.st.sRecvBuffer.Append(frame);
    ProcessCommand(b.p);
  }
  if (b.st.udtXptMap.size() != 16383 || b.st.udtXptMap[16382].bySrcCount != 64)
    state.SkipWithError("the map was not stored");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(LargestSwitcherFullMap)->Unit(benchmark::kMillisecond);

// The same map arriving in TCP segments of 1460 bytes, a read event each.
void LargestMapInSegments(benchmark::State& state) {
  BenchPanel b;
  const std::string frame = LargestSwitcher(b, 64);
  for (auto _ : state) b.Receive(frame, 1460);
  if (b.st.udtXptMap[16382].bySrcCount != 64) state.SkipWithError("the map was not stored");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(LargestMapInSegments)->Unit(benchmark::kMillisecond);

// What the crosspoint map of the largest switcher holds when each output
// carries one source: the records and anything they keep on the heap.
void LargestSwitcherMapMemory(benchmark::State& state) {
  BenchPanel b;
  const std::string frame = LargestSwitcher(b, 1);
  for (auto _ : state) {
    b.st.sRecvBuffer.Append(frame);
    ProcessCommand(b.p);
  }
  std::size_t held = b.st.udtXptMap.capacity() * sizeof(XptRecord);
  for (const XptRecord& r : b.st.udtXptMap) held += r.HeapBytes();
  if (b.st.udtXptMap.size() != 16383 || b.st.udtXptMap[16382].Src(0) != 16382)
    state.SkipWithError("the map was not stored");
  state.counters["map_bytes"] = static_cast<double>(held);
}
BENCHMARK(LargestSwitcherMapMemory)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vyr::bench

BENCHMARK_MAIN();
