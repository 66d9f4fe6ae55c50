// Writes the benchmarks' mixed input (mixed_input.h) into a file, for the
// whole-process decode benchmark (scripts/decode-bench.sh).
//   mixed_input_file BYTES OUT
#include <cstdio>
#include <fstream>
#include <string>

#include "mixed_input.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mixed_input_file BYTES OUT\n");
    return 2;
  }
  const std::vector<uint8_t> input = BuildMixedInput(std::stoull(argv[1]));
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(input.data()), static_cast<std::streamsize>(input.size()));
  out.close();
  if (!out || input.empty()) {
    std::fprintf(stderr, "mixed_input_file: no input made, or %s can't be written\n", argv[2]);
    return 1;
  }
  return 0;
}
