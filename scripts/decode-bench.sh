#!/usr/bin/env bash
# The whole-process decode benchmark, native: `qmpack decompress` and the
# yardstick (bench/package/lzhuf_yardstick.c, the published 1988 LZHUF
# decoder: getc, putc and one tree step per bit) each decode the same stream
# from a file into a file, timed in one hyperfine run. The stream is the
# benchmarks' 8 MiB mixed input (Windows executables and text of this machine)
# compressed once by `qmpack compress`. Both outputs are first checked against
# the input. Needs the release build (./run bench makes it).
#   QM_DECODE_RUNS   timed runs of each (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
release=build/release
qmpack=$release/tools/qmpack/qmpack
yardstick=$release/bench/lzhuf_yardstick
work=$release/decode-bench
mkdir -p "$work"

# The input and its stream, made once.
if [ ! -s "$work/mixed.lzh" ]; then
  "$release/bench/mixed_input_file" $((8 << 20)) "$work/mixed.bin"
  "$qmpack" compress "$work/mixed.bin" "$work/mixed.lzh" >/dev/null
fi
size=$(stat -c %s "$work/mixed.bin")
echo "stream: $(stat -c %s "$work/mixed.lzh") bytes, decoding to $size bytes"

qmpack_run="$qmpack decompress --size $size $work/mixed.lzh $work/by-qmpack.bin"
yardstick_run="$yardstick $size $work/mixed.lzh $work/by-yardstick.bin"
$qmpack_run >/dev/null
$yardstick_run
cmp "$work/mixed.bin" "$work/by-qmpack.bin"
cmp "$work/mixed.bin" "$work/by-yardstick.bin"

hyperfine --shell=none --warmup 3 --runs "${QM_DECODE_RUNS:-30}" --style basic \
  --export-json "$work/hyperfine.json" \
  --command-name "qmpack decompress" "$qmpack_run" \
  --command-name "1988 LZHUF decoder" "$yardstick_run"

# The figures side by side, and how many times faster qmpack is.
python3 - "$work/hyperfine.json" <<'EOF'
import json, sys
qmpack, yardstick = json.load(open(sys.argv[1]))["results"]
for r in (qmpack, yardstick):
    print(f"  {r['command']:20} mean {r['mean']*1000:7.1f} ms  user {r['user']*1000:6.1f} ms  system {r['system']*1000:5.1f} ms")
print(f"qmpack decompress, whole process: {yardstick['mean'] / qmpack['mean']:.2f}x as fast as the 1988 decoder"
      f" (user time alone: {yardstick['user'] / qmpack['user']:.2f}x)")
EOF
