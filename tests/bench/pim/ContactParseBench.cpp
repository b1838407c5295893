// Parsing a 870101 reply of 5,000 contacts, each with a photo, as the contacts page receives it.
#include "pim/ContactWire.h"
#include "support/BodyWriter.h"

#include <benchmark/benchmark.h>

namespace {

std::vector<unsigned char> contactsBody(int count, size_t photoSize) {
  auto w = zorvik::test::BodyWriter::body();
  const std::string photo(photoSize, '\x5a');
  for (int i = 0; i < count; ++i) {
    w.i64(i).i64(i + 1).utf8("\xE5\xBC\xA0\xE4\xB8\x89 " + std::to_string(i)).i32(i % 3 == 0);
    w.utf8("1380013" + std::to_string(1000 + i % 9000)).i64(1354000000000LL + i).i32(0);
    w.i32(1).i64(static_cast<int64_t>(photo.size())).raw(photo);
  }
  w.i64(0).i64(0).i32(zorvik::kAgentListEnd);
  return w.bytes;
}

void ParseContactList(benchmark::State& state) {
  const auto body = contactsBody(static_cast<int>(state.range(0)), static_cast<size_t>(state.range(1)));
  for (auto _ : state) {
    auto list = zorvik::parseContactList(body.data(), body.size());
    benchmark::DoNotOptimize(list.records.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(ParseContactList)->Args({5000, 4096})->Args({5000, 0})->Unit(benchmark::kMillisecond);

}  // namespace
