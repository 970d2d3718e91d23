#!/usr/bin/env bash
# The driver object may leave undefined only kernel-layer functions, the LZ4
# decompressor and what the compiler itself emits; it must carry no C++
# global constructors and no function-local statics.
set -euo pipefail
object="$1"

# What the compiler may emit calls to on its own.
allowed_compiler=(
  memcpy memset memmove memcmp   # block copies, clears and compares of aggregates
  __cxa_pure_virtual             # defined by the driver; listed for older layouts
  _GLOBAL_OFFSET_TABLE_          # position-independent code
)
# Our own hooks: plain 64-bit BAR accesses go through them to the stand-in
# layer, so the simulated board sees every access.
allowed_hooks=(
  kalHook_memoryRead64
  kalHook_memoryWrite64
)

status=0
while read -r symbol; do
  case "$symbol" in
    nKIVKAL*) continue ;;
    LZ4_decompress_safe) continue ;;
  esac
  ok=0
  for a in "${allowed_compiler[@]}"; do [[ "$symbol" == "$a" ]] && ok=1; done
  for h in "${allowed_hooks[@]}"; do [[ "$symbol" == "$h" ]] && ok=1; done
  if [[ $ok -eq 0 ]]; then
    echo "undefined symbol not allowed in the driver object: $symbol"
    status=1
  fi
done < <(nm -u "$object" | awk '{print $2}')

sections="$(objdump -h "$object")"
symbols="$(nm "$object")"
if grep -Eq '\.(init_array|ctors)' <<<"$sections"; then
  echo "the driver object has global constructors (.init_array or .ctors)"
  status=1
fi
# Without thread-safe statics nothing is left undefined for them; their
# mangled names (_ZZ: an entity local to a function, _ZGV: its guard) show.
if grep -Eq ' _Z(Z|GV)' <<<"$symbols"; then
  echo "the driver object has function-local statics:"
  grep -E ' _Z(Z|GV)' <<<"$symbols" | awk '{print "  " $NF}'
  status=1
fi
if ! grep -Eq ' T nKIVAPAL200_driverEntry$' <<<"$symbols"; then
  echo "the driver object does not define nKIVAPAL200_driverEntry"
  status=1
fi
# The kernel layer reads the PCI identity table at the start of the writable
# data.
table_start="nKIVKAL200_beginPCIIDTable"
if [[ "$(objcopy -O binary --only-section=.data "$object" /dev/stdout | head -c ${#table_start} | tr -d '\0')" != "$table_start" ]]; then
  echo "the driver's writable data does not start with the PCI identity table"
  status=1
fi
[[ $status -eq 0 ]] && echo "driver object symbols: ok"
exit $status
