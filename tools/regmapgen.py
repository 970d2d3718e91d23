#!/usr/bin/env python3
"""Generates a register map's C++ header and descriptor source from its
description file (regmaps/**/<class>.regmap).

Description format, one statement per line, '#' starts a comment:

    map       <namespace>::<class>      class name; a name ending in WithOffset
                                        becomes a template over <uint32_t kOffset>
    name      <text>                    name the map is published under
    version   <text>                    version and oldest compatible version
    header    <text>                    file recorded with the map's errors
    variant   fixed | windowed
    accessor  memory                    memory-space accessor of a BAR block
    accessor  word32 <C++ type> <include>   any accessor with write32/read32
    register  <offset> <width> <kind> [name=tX] [reset=V] [keep=V] [view]
      field   <low>[-<high>] [name=X] [bool|num] [strobe]

Kinds: rw, wo, ro (shadowed), urw, uwo, uro (unshadowed). Registers are listed
in declaration order, which is also the order of the map-wide walks. Every
writable one-bit field says whether it is boolean (bool: any nonzero value
sets it) or numeric (num: bit 0 of the value is taken). A strobe field's bits
must be clear in the register's keep-mask. A 'view' is a second register
object for another register's address; it has no whole-register ID.

Usage: regmapgen.py <description> <output directory> <include directory>
Writes <output directory>/<class>.h and <class>.cpp; the source includes the
header as "<include directory>/<class>.h".
"""

import os
import re
import sys

KINDS = {
    "rw": ("kReadWrite", True, True, True),
    "wo": ("kWriteOnly", True, False, True),
    "ro": ("kReadOnly", True, True, False),
    "urw": ("kUnshadowedReadWrite", False, True, True),
    "uwo": ("kUnshadowedWriteOnly", False, False, True),
    "uro": ("kUnshadowedReadOnly", False, True, False),
}
IDENT = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*$")


class DescriptionError(Exception):
    pass


class Field:
    def __init__(self, low, width, name, boolean, numeric, strobe, line):
        self.low, self.width, self.name = low, width, name
        self.boolean, self.numeric, self.strobe, self.line = boolean, numeric, strobe, line


class Register:
    def __init__(self, offset, width, kind, name, reset, keep, view, line):
        self.offset, self.width, self.kind, self.name = offset, width, kind, name
        self.reset, self.keep, self.view, self.line = reset, keep, view, line
        self.fields = []

    @property
    def shadowed(self):
        return KINDS[self.kind][1]

    @property
    def readable(self):
        return KINDS[self.kind][2]

    @property
    def writable(self):
        return KINDS[self.kind][3]


class Map:
    def __init__(self):
        self.cls = self.namespace = self.name = self.version = self.header = None
        self.variant = "fixed"
        self.accessor = ("memory", None, None)
        self.registers = []


def number(text, where):
    try:
        return int(text, 0)
    except ValueError:
        raise DescriptionError(f"{where}: not a number: {text}")


def parse(path):
    m = Map()
    current = None
    with open(path, encoding="utf-8") as f:
        lines = f.readlines()
    for lineno, raw in enumerate(lines, 1):
        where = f"{path}:{lineno}"
        words = raw.split("#", 1)[0].split()
        if not words:
            continue
        key, args = words[0], words[1:]
        options = {}
        if key == "map":
            if len(args) != 1 or "::" not in args[0]:
                raise DescriptionError(f"{where}: map <namespace>::<class>")
            m.namespace, m.cls = args[0].rsplit("::", 1)
        elif key in ("name", "version", "header"):
            if len(args) != 1:
                raise DescriptionError(f"{where}: {key} takes one word")
            setattr(m, key, args[0])
        elif key == "variant":
            if args not in (["fixed"], ["windowed"]):
                raise DescriptionError(f"{where}: variant fixed | windowed")
            m.variant = args[0]
        elif key == "accessor":
            if args == ["memory"]:
                m.accessor = ("memory", None, None)
            elif len(args) == 3 and args[0] == "word32":
                m.accessor = ("word32", args[1], args[2])
            else:
                raise DescriptionError(f"{where}: accessor memory | accessor word32 <type> <include>")
        elif key in ("register", "field"):
            positional = [a for a in args if "=" not in a]
            for a in args:
                if "=" in a:
                    k, v = a.split("=", 1)
                    options[k] = v
            if key == "register":
                if len(positional) < 3:
                    raise DescriptionError(f"{where}: register <offset> <width> <kind> ...")
                offset = number(positional[0], where)
                width = number(positional[1], where)
                kind = positional[2]
                flags = positional[3:]
                if kind not in KINDS:
                    raise DescriptionError(f"{where}: unknown access kind {kind}")
                if width not in (8, 16, 32, 64):
                    raise DescriptionError(f"{where}: width must be 8, 16, 32 or 64")
                if not 0 <= offset <= 0xFFFFFF:
                    raise DescriptionError(f"{where}: offset must fit 24 bits")
                if set(flags) - {"view"} or set(options) - {"name", "reset", "keep"}:
                    raise DescriptionError(f"{where}: unknown register option")
                name = options.get("name", "tRegister%03X" % offset)
                if not IDENT.match(name) or not name.startswith("t"):
                    raise DescriptionError(f"{where}: register names are identifiers starting with t")
                ones = (1 << width) - 1
                reset = number(options.get("reset", "0"), where)
                keep = number(options.get("keep", hex(ones)), where)
                if reset & ~ones or keep & ~ones:
                    raise DescriptionError(f"{where}: reset or keep wider than the register")
                current = Register(offset, width, kind, name, reset, keep, "view" in flags, lineno)
                m.registers.append(current)
            else:
                if current is None:
                    raise DescriptionError(f"{where}: field before any register")
                if len(positional) < 1:
                    raise DescriptionError(f"{where}: field <low>[-<high>] ...")
                bits = positional[0].split("-")
                low = number(bits[0], where)
                high = number(bits[1], where) if len(bits) == 2 else low
                flags = positional[1:]
                if set(flags) - {"bool", "num", "strobe"} or set(options) - {"name"}:
                    raise DescriptionError(f"{where}: unknown field option")
                width = high - low + 1
                name = options.get("name", f"Bit{low}" if width == 1 else f"Bits{low}to{high}")
                if not IDENT.match(name):
                    raise DescriptionError(f"{where}: field name is no identifier")
                current.fields.append(
                    Field(low, width, name, "bool" in flags, "num" in flags, "strobe" in flags, lineno))
        else:
            raise DescriptionError(f"{where}: unknown statement {key}")
    check(m, path)
    return m


def check(m, path):
    for attr in ("cls", "name", "version", "header"):
        if getattr(m, attr) is None:
            raise DescriptionError(f"{path}: missing '{attr if attr != 'cls' else 'map'}'")
    stem = os.path.splitext(os.path.basename(path))[0]
    if stem != m.cls:
        raise DescriptionError(f"{path}: the file must be named after its class {m.cls}")
    if not m.registers:
        raise DescriptionError(f"{path}: no registers")
    names = set()
    keys = set()
    for r in m.registers:
        where = f"{path}:{r.line}"
        if r.name in names:
            raise DescriptionError(f"{where}: register name {r.name} used twice")
        names.add(r.name)
        key = (r.offset, r.readable and not r.writable)
        if not r.view:
            if key in keys:
                raise DescriptionError(f"{where}: two registers on one side of offset {r.offset:#x}")
            keys.add(key)
        if not r.fields and not r.view:
            raise DescriptionError(f"{where}: a register needs at least one field")
        next_free = 0
        fnames = set()
        for f in r.fields:
            fw = f"{path}:{f.line}"
            if f.low < next_free:
                raise DescriptionError(f"{fw}: fields ascend and never overlap")
            if f.width < 1 or f.low + f.width > r.width:
                raise DescriptionError(f"{fw}: field outside the register")
            if f.low > 31:
                raise DescriptionError(f"{fw}: fields begin at bits 0 to 31")
            if f.name in fnames:
                raise DescriptionError(f"{fw}: field name {f.name} used twice")
            fnames.add(f.name)
            next_free = f.low + f.width
            if f.boolean and f.numeric:
                raise DescriptionError(f"{fw}: a field is bool or num, not both")
            if f.width > 1 and (f.boolean or f.numeric):
                raise DescriptionError(f"{fw}: only one-bit fields are bool or num")
            if f.width == 1 and r.writable and not (f.boolean or f.numeric):
                raise DescriptionError(f"{fw}: a writable one-bit field must say bool or num")
            mask = ((1 << f.width) - 1) << f.low
            if f.strobe and (r.keep & mask):
                raise DescriptionError(f"{fw}: a strobe field's bits must be clear in the keep-mask")


def c_type(width):
    return {8: "uint8_t", 16: "uint16_t", 32: "uint32_t", 64: "uint64_t"}[
        8 if width <= 8 else 16 if width <= 16 else 32 if width <= 32 else 64]


def field_type(r, f):
    if f.width == 1 and not f.numeric:
        return "bool"
    return c_type(f.width)


def hexlit(v, suffix="u"):
    return f"0x{v:X}{suffix}"


def register_class(m, index, r):
    t = c_type(r.width)
    cls = r.name
    out = []
    o = out.append
    o(f"  class {cls} {{")
    o("   public:")
    o(f"    static constexpr uint32_t kIndex = {index}u;")
    o(f"    static constexpr uint32_t kRegisterOffset = {hexlit(r.offset)};")
    o(f"    explicit {cls}(arm::tRegisterMap& owner) : owner_(owner) {{}}")
    o(f"    {cls}(const {cls}&) = delete;")
    o(f"    {cls}& operator=(const {cls}&) = delete;")
    whole = "arm::tRegisterMap::kWholeRegister"
    if r.shadowed:
        o(f"    {t} getRegister() const {{ return static_cast<{t}>(owner_.getShadow(kIndex, {whole})); }}")
        o("    bool isDirty() const { return owner_.isDirty(kIndex); }")
        o("    void markDirty() { owner_.markDirty(kIndex); }")
    if r.readable:
        o(f"    {t} readRegister(nKIVAPALS100::tStatus& status) {{")
        o(f"      return static_cast<{t}>(owner_.readRegister(kIndex, {whole}, status));")
        o("    }")
    if r.shadowed and r.readable:
        o("    void refresh(nKIVAPALS100::tStatus& status) { owner_.refreshRegister(kIndex, status); }")
    if r.shadowed and r.writable:
        o("    void flush(nKIVAPALS100::tStatus& status, bool force = false) {")
        o("      owner_.flushRegister(kIndex, status, force);")
        o("    }")
        o(f"    {cls}& setRegister({t} value) {{")
        o(f"      owner_.setShadow(kIndex, {whole}, value);")
        o("      return *this;")
        o("    }")
        o(f"    {cls}& writeRegister({t} value, nKIVAPALS100::tStatus& status, bool force = false) {{")
        o(f"      owner_.writeRegister(kIndex, {whole}, value, status, force);")
        o("      return *this;")
        o("    }")
    elif r.writable:
        o(f"    void writeRegister({t} value, nKIVAPALS100::tStatus& status) {{")
        o(f"      owner_.writeRegister(kIndex, {whole}, value, status, true);")
        o("    }")
    for fi, f in enumerate(r.fields):
        ft = field_type(r, f)

        def cast(expr):
            return f"({expr}) != 0" if ft == "bool" else f"static_cast<{ft}>({expr})"

        if r.shadowed:
            o(f"    {ft} get{f.name}() const {{ return {cast(f'owner_.getShadow(kIndex, {fi}u)')}; }}")
        if r.readable:
            o(f"    {ft} read{f.name}(nKIVAPALS100::tStatus& status) {{")
            o(f"      return {cast(f'owner_.readRegister(kIndex, {fi}u, status)')};")
            o("    }")
        if r.writable and r.shadowed:
            o(f"    {cls}& set{f.name}({ft} value) {{")
            o(f"      owner_.setShadow(kIndex, {fi}u, value);")
            o("      return *this;")
            o("    }")
            o(f"    {cls}& write{f.name}({ft} value, nKIVAPALS100::tStatus& status, bool force = false) {{")
            o(f"      owner_.writeRegister(kIndex, {fi}u, value, status, force);")
            o("      return *this;")
            o("    }")
        elif r.writable:
            o(f"    {cls}& write{f.name}({ft} value, nKIVAPALS100::tStatus& status) {{")
            o(f"      owner_.writeRegister(kIndex, {fi}u, value, status, true);")
            o("      return *this;")
            o("    }")
    o("")
    o("   private:")
    o("    arm::tRegisterMap& owner_;")
    o("  };")
    return out


def generate(m, description_rel, include_dir):
    cls = m.cls
    templated = cls.endswith("WithOffset")
    descriptor = f"k{cls[1:] if cls.startswith('t') else cls}Descriptor"
    windowed = m.variant == "windowed"
    base = "arm::tWindowedRegisterMap" if windowed else "arm::tRegisterMap"
    kind, acc_type, acc_include = m.accessor
    if kind == "memory":
        acc_type = "vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>"
        acc_include = "regmaps/model/tPCIMemorySpaceAccessorDebug.h"
        ops = "arm::kMemorySpaceAccessorOperations"
    else:
        ops = f"arm::tAccessor32Operations<{acc_type}>::kOperations"
    n = len(m.registers)
    guard_note = f"// Generated by tools/regmapgen.py from {description_rel}; do not edit."
    h = []
    o = h.append
    o(guard_note)
    o("#pragma once")
    o("")
    o("#include <stdint.h>")
    o("")
    o('#include "platform/status/tStatus.h"')
    o(f'#include "{acc_include}"')
    o('#include "regmaps/model/tAccessorOperations.h"')
    o('#include "regmaps/model/tMapDescriptor.h"')
    o('#include "regmaps/model/tRegisterMap.h"')
    if windowed:
        o('#include "regmaps/model/tWindowedRegisterMap.h"')
    o("")
    o(f"namespace {m.namespace} {{")
    o("")
    o(f"extern const arm::tMapDescriptor {descriptor};")
    o("")
    if templated:
        o("template <uint32_t kOffset>")
    o(f"class {cls} : public {base} {{")
    o(" public:")
    o(f'  static constexpr const char* kName = "{m.name}";')
    o(f'  static constexpr const char* kVersion = "{m.version}";')
    o(f"  static constexpr uint32_t kRegisterCount = {n}u;")
    o(f"  using tAccessor = {acc_type};")
    o("")
    for i, r in enumerate(m.registers):
        h.extend(register_class(m, i, r))
        o("")
    inits = ", ".join(f"{r.name[1:]}(*this)" for r in m.registers)
    if windowed:
        o(f"  {cls}(tAccessor& accessor, uint32_t base, uint32_t windowStart, uint32_t windowSize)")
        o(f"      : {base}({descriptor}, states_, {ops}, &accessor, base, windowStart, windowSize),")
    else:
        o(f"  explicit {cls}(tAccessor& accessor)")
        offset = "kOffset" if templated else "0u"
        o(f"      : {base}({descriptor}, states_, {ops}, &accessor, {offset}),")
    o(f"        {inits} {{")
    o("    placeRegisters();")
    o("  }")
    if templated:
        o(f"  ~{cls}() override {{}}")
    else:
        # Out of line: the map's source is the one home of its vtable.
        o(f"  ~{cls}() override;")
    o(f"  {cls}(const {cls}&) = delete;")
    o(f"  {cls}& operator=(const {cls}&) = delete;")
    o("")
    for r in m.registers:
        o(f"  {r.name} {r.name[1:]};")
    o("")
    o(" private:")
    o(f"  arm::tRegisterState states_[{n}];")
    o("};")
    o("")
    if templated:
        # The driver uses the map at offset 0; instantiating it once, in the
        # map's own source, keeps its vtable in the driver object.
        o(f"extern template class {cls}<0u>;")
        o("")
    o(f"}}  // namespace {m.namespace}")

    c = []
    o = c.append
    o(guard_note)
    o(f'#include "{include_dir}/{cls}.h"')
    o("")
    o(f"namespace {m.namespace} {{")
    o("")
    o("namespace {")
    o("")
    o("constexpr arm::tFieldDescriptor kFields[] = {")
    first = 0
    firsts = []
    for r in m.registers:
        firsts.append(first)
        for f in r.fields:
            flags = []
            if f.boolean:
                flags.append("arm::kFieldBoolean")
            if f.strobe:
                flags.append("arm::kFieldStrobe")
            o(f"    {{{f.low}u, {f.width}u, {' | '.join(flags) or '0u'}, 0u}},  // 0x{r.offset:X} {f.name}")
        first += len(r.fields)
    if first == 0:
        o("    {0u, 0u, 0u, 0u},  // no fields; keeps the table non-empty")
    o("};")
    o("")
    o("constexpr arm::tRegisterDescriptor kRegisters[] = {")
    for i, r in enumerate(m.registers):
        flags = "arm::kRegisterView" if r.view else "0u"
        o(f"    {{{hexlit(r.offset)}, {r.width}u, arm::{KINDS[r.kind][0]}, {flags}, 0u, {firsts[i]}u, "
          f"{len(r.fields)}u, 0u, {hexlit(r.reset, 'ull')}, {hexlit(r.keep, 'ull')}}},  // {r.name}")
    o("};")
    o(f"static_assert(sizeof(kRegisters) / sizeof(kRegisters[0]) == {n}u, \"one entry per register object\");")
    o("")
    o("}  // namespace")
    o("")
    o(f"const arm::tMapDescriptor {descriptor} = {{")
    o(f'    "{m.name}", "{m.version}", "{m.header}", kRegisters, {n}u, kFields, {first}u,')
    o("};")
    if templated:
        o("")
        o(f"template class {cls}<0u>;")
    else:
        o("")
        o(f"{cls}::~{cls}() {{}}")
    o("")
    o(f"}}  // namespace {m.namespace}")
    return "\n".join(h) + "\n", "\n".join(c) + "\n"


def write(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    description, outdir, include_dir = argv[1], argv[2], argv[3]
    try:
        m = parse(description)
    except DescriptionError as e:
        print(f"regmapgen: {e}", file=sys.stderr)
        return 1
    header, source = generate(m, f"{include_dir}/{os.path.basename(description)}", include_dir)
    os.makedirs(outdir, exist_ok=True)
    write(os.path.join(outdir, m.cls + ".h"), header)
    write(os.path.join(outdir, m.cls + ".cpp"), source)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
