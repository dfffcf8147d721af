// Peak resident memory of one core parse, above the input's own bytes, as a
// multiple of the input size.
//
//   velmora_core_peak FILE...
//
// Prints "<size in bytes> <ratio>" per file. The peak is read from VmHWM
// after resetting it (writing 5 to /proc/self/clear_refs) once the file is
// in memory; each file is measured in a fresh process by the caller.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "velmora/parse_statement.hpp"

namespace {

long peak_kib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmora_core_peak FILE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::string input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::ofstream("/proc/self/clear_refs") << "5";
  const long before = peak_kib();
  auto statement = velmora::parse_statement(input);
  const long after = peak_kib();
  if (!statement) {
    std::fprintf(stderr, "parse failed\n");
    return 1;
  }
  std::printf("%zu %.2f\n", input.size(),
              static_cast<double>(after - before) * 1024.0 / static_cast<double>(input.size()));
  return 0;
}
