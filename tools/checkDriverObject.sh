#!/usr/bin/env bash
# Checks the shipped driver object: it was compiled as kernel code (no vector
# or floating-point registers, no GOT), it exports exactly the symbols of the
# export list, it leaves undefined only kernel-layer functions, the LZ4
# decompressor and what the compiler itself emits, and it carries no C++
# global constructors and no function-local statics.
# Usage: tools/checkDriverObject.sh OBJECT EXPORT_LIST
set -euo pipefail
if [[ $# -ne 2 ]]; then
  echo "usage: $0 OBJECT EXPORT_LIST" >&2
  exit 2
fi
object="$1"
exports="$2"

# What the compiler may emit calls to on its own.
allowed_compiler=(
  memcpy memset memmove memcmp   # block copies, clears and compares of aggregates
  __cxa_pure_virtual             # defined by the driver; listed for older layouts
)
# Our own hooks: plain BAR accesses go through them to the stand-in
# layer, so the simulated board sees every access.
allowed_hooks=(
  kalHook_memoryRead64
  kalHook_memoryWrite64
  kalHook_memoryRead32
  kalHook_memoryWrite32
)

status=0
fail() {
  echo "$1"
  status=1
}

while read -r symbol; do
  case "$symbol" in
    nKIVKAL*) continue ;;
    LZ4_decompress_safe) continue ;;
  esac
  ok=0
  for a in "${allowed_compiler[@]}" "${allowed_hooks[@]}"; do [[ "$symbol" == "$a" ]] && ok=1; done
  [[ $ok -eq 1 ]] || fail "undefined symbol not allowed in the driver object: $symbol"
done < <(nm -u "$object" | awk '{print $2}')

# Exactly the export list is global; everything else was made local.
wanted="$(grep -Ev '^[[:space:]]*(#|$)' "$exports" | sort)"
defined="$(nm --defined-only --extern-only "$object" | awk '{print $3}' | sort)"
if [[ "$defined" != "$wanted" ]]; then
  fail "the driver object's global symbols differ from $(basename "$exports"):"
  differences="$(diff <(echo "$wanted") <(echo "$defined") | grep '^[<>]' || true)"
  sed 's/^</  missing:/; s/^>/  extra:  /' <<<"$differences" | awk 'NR <= 20'
  count="$(wc -l <<<"$differences")"
  [[ "$count" -le 20 ]] || echo "  ... $count in all"
fi

# Kernel code: no SSE/AVX/MMX/x87 register anywhere in the code.
vector_uses="$(objdump -d --no-show-raw-insn "$object" | grep -cE '%([xyz]?mm[0-9]|st(\(|\b))' || true)"
[[ "$vector_uses" -eq 0 ]] || fail "the driver object uses vector or floating-point registers ($vector_uses instructions)"
# The kernel code model: absolute addresses, no GOT indirection.
# Code and data only; debug information keeps its 32-bit section offsets.
relocations="$(readelf -rW "$object" | awk '/^Relocation section/ { debug = ($3 ~ /debug/) } !debug && /R_X86_64_/')"
got_relocations="$(grep -c 'R_X86_64_[A-Z_]*GOT' <<<"$relocations" || true)"
[[ "$got_relocations" -eq 0 ]] || fail "the driver object has $got_relocations GOT relocations"
# Zero-extended 32-bit addresses belong to the small code model.
small_model="$(grep -c 'R_X86_64_32 ' <<<"$relocations" || true)"
[[ "$small_model" -eq 0 ]] || fail "the driver object has $small_model small-code-model relocations"

sections="$(objdump -h "$object")"
symbols="$(nm "$object")"
if grep -Eq '\.(init_array|ctors)' <<<"$sections"; then
  fail "the driver object has global constructors (.init_array or .ctors)"
fi
# Without thread-safe statics nothing is left undefined for them; their
# mangled names (_ZZ: an entity local to a function, _ZGV: its guard) show.
if grep -Eq ' _Z(Z|GV)' <<<"$symbols"; then
  fail "the driver object has function-local statics:"
  grep -E ' _Z(Z|GV)' <<<"$symbols" | awk '{print "  " $NF}'
fi
if ! grep -Eq ' T nKIVAPAL200_driverEntry$' <<<"$symbols"; then
  fail "the driver object does not define nKIVAPAL200_driverEntry"
fi
# The kernel layer reads the PCI identity table at the start of the writable
# data.
table_start="nKIVKAL200_beginPCIIDTable"
if [[ "$(objcopy -O binary --only-section=.data "$object" /dev/stdout | head -c ${#table_start} | tr -d '\0')" != "$table_start" ]]; then
  fail "the driver's writable data does not start with the PCI identity table"
fi
[[ $status -eq 0 ]] && echo "driver object: kernel code, $(wc -l <<<"$wanted") export(s), undefined symbols allowed: ok"
exit $status
