// One 1080 x 1920 RGBA frame: decoding (with the colour exchange), each rotation, and both
// together as a capture does them.
#include "devlink/Framebuffer.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace zorvik;

std::vector<uint8_t> rgbaFrame(uint32_t w, uint32_t h) {
  std::vector<uint8_t> out;
  auto word = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  for (uint32_t v : {1u, 32u, w * h * 4, w, h, 0u, 8u, 16u, 8u, 8u, 8u, 24u, 8u}) word(v);
  out.resize(out.size() + static_cast<size_t>(w) * h * 4);
  for (size_t i = 52; i < out.size(); ++i) out[i] = static_cast<uint8_t>(i * 13);
  return out;
}

const std::vector<uint8_t>& fullHd() {
  static const std::vector<uint8_t> bytes = rgbaFrame(1080, 1920);
  return bytes;
}

void BM_DecodeAndSwap(benchmark::State& state) {
  for (auto _ : state) {
    Frame frame;
    benchmark::DoNotOptimize(decodeFramebuffer(fullHd().data(), fullHd().size(), frame));
    benchmark::DoNotOptimize(frame.pixels.data());
  }
}
BENCHMARK(BM_DecodeAndSwap)->Unit(benchmark::kMillisecond);

void BM_Rotate(benchmark::State& state) {
  Frame frame;
  decodeFramebuffer(fullHd().data(), fullHd().size(), frame);
  Frame turned;  // reused, as the capture page reuses its buffer
  for (auto _ : state) {
    rotateFrameInto(frame, static_cast<int>(state.range(0)), turned);
    benchmark::DoNotOptimize(turned.pixels.data());
  }
}
BENCHMARK(BM_Rotate)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_ScaleToDisplay(benchmark::State& state) {
  Frame frame;
  decodeFramebuffer(fullHd().data(), fullHd().size(), frame);
  Frame shown;
  for (auto _ : state) {
    scaleFrameInto(frame, 300, 533, shown);
    benchmark::DoNotOptimize(shown.pixels.data());
  }
}
BENCHMARK(BM_ScaleToDisplay)->Unit(benchmark::kMillisecond);

void BM_SwapOnly(benchmark::State& state) {
  Frame frame;
  decodeFramebuffer(fullHd().data(), fullHd().size(), frame);
  for (auto _ : state) {
    swapRedBlue(frame.pixels, 4);
    benchmark::DoNotOptimize(frame.pixels.data());
  }
}
BENCHMARK(BM_SwapOnly)->Unit(benchmark::kMillisecond);

}  // namespace
