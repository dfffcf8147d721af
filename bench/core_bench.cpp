// Throughput of the core on a realistic statement, beside the limits it is
// measured against: a bare memchr line scan and a memcpy of the same bytes.
//
//   velmora_core_bench UTF8_FILE CP1251_FILE [--benchmark_* flags]

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "parser/input_decoding.hpp"
#include "parser/line_cursor.hpp"
#include "text/trim.hpp"
#include "velmora/parse_statement.hpp"
#include "velmora/tables/statement_tables.hpp"

namespace {

std::string utf8_input;
std::string cp1251_input;

std::string read_file(const char *path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void count_bytes(benchmark::State &state, const std::string &input) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

void memcpy_limit(benchmark::State &state) {
  std::vector<char> out(utf8_input.size());
  for (auto _ : state) {
    std::memcpy(out.data(), utf8_input.data(), utf8_input.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  count_bytes(state, utf8_input);
}

void memchr_line_scan(benchmark::State &state) {
  for (auto _ : state) {
    std::size_t lines = 0;
    const char *p = utf8_input.data();
    const char *end = p + utf8_input.size();
    while (const void *feed = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
      p = static_cast<const char *>(feed) + 1;
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  count_bytes(state, utf8_input);
}

// Stage: choosing the encoding and validating or decoding the bytes.
void decode_stage(benchmark::State &state, const std::string *input) {
  for (auto _ : state) {
    auto decoded = velmora::decode_input(*input);
    benchmark::DoNotOptimize(decoded);
  }
  count_bytes(state, *input);
}

// Stage: cutting the decoded text into trimmed lines.
void line_stage(benchmark::State &state) {
  for (auto _ : state) {
    velmora::LineCursor cursor(utf8_input);
    std::size_t kept = 0;
    while (auto line = cursor.next()) kept += !velmora::text::trim(line->text).empty();
    benchmark::DoNotOptimize(kept);
  }
  count_bytes(state, utf8_input);
}

void parse_whole(benchmark::State &state, const std::string *input) {
  for (auto _ : state) {
    auto statement = velmora::parse_statement(*input);
    if (!statement) state.SkipWithError("the benchmark statement does not parse");
    benchmark::DoNotOptimize(statement);
  }
  count_bytes(state, *input);
}

// The table path: one statement's rows for every table, columns built, on
// state.range(0) threads.
void tables_whole(benchmark::State &state, const std::string *input) {
  const auto threads = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    auto tables = velmora::tables::read_file_tables(*input, threads);
    if (!tables) state.SkipWithError("the benchmark statement does not parse");
    benchmark::DoNotOptimize(tables);
  }
  count_bytes(state, *input);
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s UTF8_FILE CP1251_FILE [benchmark flags]\n", argv[0]);
    return 2;
  }
  utf8_input = read_file(argv[1]);
  cp1251_input = read_file(argv[2]);
  if (utf8_input.empty() || cp1251_input.empty()) {
    std::fprintf(stderr, "cannot read the input files\n");
    return 2;
  }
  benchmark::RegisterBenchmark("limit/memcpy", memcpy_limit)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("limit/memchr_lines", memchr_line_scan)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("stage/decode_utf8", decode_stage, &utf8_input)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("stage/decode_cp1251", decode_stage, &cp1251_input)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("stage/lines_trimmed", line_stage)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("parse/utf8", parse_whole, &utf8_input)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("parse/cp1251", parse_whole, &cp1251_input)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("tables/utf8", tables_whole, &utf8_input)
      ->ArgName("threads")
      ->Arg(1)
      ->Arg(2)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("tables/cp1251", tables_whole, &cp1251_input)
      ->ArgName("threads")
      ->Arg(1)
      ->Arg(2)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  argv[2] = argv[0];
  int rest = argc - 2;
  benchmark::Initialize(&rest, argv + 2);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
