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
                                        [count=N] [stride=S]
      field   <low>[-<high>] [name=X] [bool|num] [strobe] [enum=<ns>::<type>]
      part    <low>[-<high>] name=X [bool|num]
    child     <namespace>::<class> <include> <member> base=<offset>

Kinds: rw, wo, ro (shadowed), urw, uwo, uro (unshadowed). Registers are listed
in declaration order, which is also the order of the map-wide walks. Every
writable one-bit field says whether it is boolean (bool: any nonzero value
sets it) or numeric (num: bit 0 of the value is taken). A strobe field's bits
must be clear in the register's keep-mask. A 'view' is a second register
object for another register's address; it has no whole-register ID.

count=N makes an array of N register objects of one class, the instance i at
<offset> + i * S (S defaults to the width in bytes); each instance has IDs of
its own and they are walked in ascending index. A field with enum= takes and
returns that enumeration type in its accessors; the generator declares it
opaque over the field's width, so any number of the width is a value of it.
A part is a named run of bits inside a register's fields that driver code
reaches by name: it has accessors but no ID and no place in the register's
format. A child (windowed maps only) is a windowed map embedded as a member,
built on the same accessor at the parent's base + <offset> with the parent's
window; the map-wide walks and reinitialize continue into it.

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
    def __init__(self, low, width, name, boolean, numeric, strobe, line, enum=None):
        self.low, self.width, self.name = low, width, name
        self.boolean, self.numeric, self.strobe, self.line = boolean, numeric, strobe, line
        self.enum = enum


class Register:
    def __init__(self, offset, width, kind, name, reset, keep, view, line):
        self.offset, self.width, self.kind, self.name = offset, width, kind, name
        self.reset, self.keep, self.view, self.line = reset, keep, view, line
        self.fields = []
        self.parts = []
        self.count, self.stride = 1, width // 8

    def offsets(self):
        return [self.offset + i * self.stride for i in range(self.count)]

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
        self.children = []  # (qualified class, include, member, base offset)


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
        elif key == "child":
            positional = [a for a in args if "=" not in a]
            options = dict(a.split("=", 1) for a in args if "=" in a)
            if len(positional) != 3 or "::" not in positional[0] or set(options) != {"base"}:
                raise DescriptionError(f"{where}: child <namespace>::<class> <include> <member> base=<offset>")
            if not IDENT.match(positional[2]):
                raise DescriptionError(f"{where}: child member name is no identifier")
            m.children.append((positional[0], positional[1], positional[2], number(options["base"], where)))
        elif key in ("register", "field", "part"):
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
                if set(flags) - {"view"} or set(options) - {"name", "reset", "keep", "count", "stride"}:
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
                current.count = number(options.get("count", "1"), where)
                current.stride = number(options.get("stride", str(width // 8)), where)
                if current.count < 1 or current.stride < 1:
                    raise DescriptionError(f"{where}: count and stride are positive")
                if current.offsets()[-1] > 0xFFFFFF:
                    raise DescriptionError(f"{where}: offset must fit 24 bits")
                m.registers.append(current)
            else:
                if current is None:
                    raise DescriptionError(f"{where}: {key} before any register")
                if len(positional) < 1:
                    raise DescriptionError(f"{where}: {key} <low>[-<high>] ...")
                bits = positional[0].split("-")
                low = number(bits[0], where)
                high = number(bits[1], where) if len(bits) == 2 else low
                flags = positional[1:]
                allowed_flags = {"bool", "num", "strobe"} if key == "field" else {"bool", "num"}
                allowed_options = {"name", "enum"} if key == "field" else {"name"}
                if set(flags) - allowed_flags or set(options) - allowed_options:
                    raise DescriptionError(f"{where}: unknown {key} option")
                if key == "part" and "name" not in options:
                    raise DescriptionError(f"{where}: a part needs a name")
                enum = options.get("enum")
                if enum is not None and ("::" not in enum or not all(IDENT.match(w) for w in enum.split("::"))):
                    raise DescriptionError(f"{where}: enum=<namespace>::<type>")
                width = high - low + 1
                name = options.get("name", f"Bit{low}" if width == 1 else f"Bits{low}to{high}")
                if not IDENT.match(name):
                    raise DescriptionError(f"{where}: {key} name is no identifier")
                item = Field(low, width, name, "bool" in flags, "num" in flags, "strobe" in flags, lineno, enum)
                (current.fields if key == "field" else current.parts).append(item)
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
        if not r.view:
            for offset in r.offsets():
                key = (offset, r.readable and not r.writable)
                if key in keys:
                    raise DescriptionError(f"{where}: two registers on one side of offset {offset:#x}")
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
        for p in r.parts:
            pw = f"{path}:{p.line}"
            if p.name in fnames:
                raise DescriptionError(f"{pw}: name {p.name} used twice")
            fnames.add(p.name)
            if p.width == 1 and r.writable and not (p.boolean or p.numeric):
                raise DescriptionError(f"{pw}: a writable one-bit part must say bool or num")
            if p.width > 1 and (p.boolean or p.numeric):
                raise DescriptionError(f"{pw}: only one-bit parts are bool or num")
            if not any(f.low <= p.low and p.low + p.width <= f.low + f.width for f in r.fields):
                raise DescriptionError(f"{pw}: a part lies inside one field")
    enums = {}
    for r in m.registers:
        for f in r.fields:
            if f.enum is not None:
                if enums.setdefault(f.enum, c_type(f.width)) != c_type(f.width):
                    raise DescriptionError(f"{path}:{f.line}: enum {f.enum} used with two widths")
    if m.children and m.variant != "windowed":
        raise DescriptionError(f"{path}: only windowed maps embed children")


def c_type(width):
    return {8: "uint8_t", 16: "uint16_t", 32: "uint32_t", 64: "uint64_t"}[
        8 if width <= 8 else 16 if width <= 16 else 32 if width <= 32 else 64]


def field_type(r, f):
    if f.enum is not None:
        return f.enum
    if f.width == 1 and not f.numeric:
        return "bool"
    return c_type(f.width)


def hexlit(v, suffix="u"):
    return f"0x{v:X}{suffix}"


def register_class(m, index, r):
    """One nested class per register (or per register array: its instances
    share the class and tell themselves apart by their declaration index)."""
    t = c_type(r.width)
    cls = r.name
    out = []
    o = out.append
    o(f"  class {cls} {{")
    o("   public:")
    if r.count == 1:
        o(f"    static constexpr uint32_t kIndex = {index}u;")
        o(f"    static constexpr uint32_t kRegisterOffset = {hexlit(r.offset)};")
        o(f"    explicit {cls}(arm::tRegisterMap& owner) : owner_(owner) {{}}")
        idx = "kIndex"
    else:
        o(f"    static constexpr uint32_t kFirstIndex = {index}u;")
        o(f"    static constexpr uint32_t kFirstOffset = {hexlit(r.offset)};")
        o(f"    static constexpr uint32_t kStride = {hexlit(r.stride)};")
        o(f"    static constexpr uint32_t kCount = {r.count}u;")
        o(f"    {cls}(arm::tRegisterMap& owner, uint32_t index) : owner_(owner), index_(index) {{}}")
        o(f"    uint32_t getRegisterOffset() const {{ return kFirstOffset + (index_ - kFirstIndex) * kStride; }}")
        idx = "index_"
    o(f"    {cls}(const {cls}&) = delete;")
    o(f"    {cls}& operator=(const {cls}&) = delete;")
    whole = "arm::tRegisterMap::kWholeRegister"
    if r.shadowed:
        o(f"    {t} getRegister() const {{ return static_cast<{t}>(owner_.getShadow({idx}, {whole})); }}")
        o(f"    bool isDirty() const {{ return owner_.isDirty({idx}); }}")
        o(f"    void markDirty() {{ owner_.markDirty({idx}); }}")
    if r.readable:
        o(f"    {t} readRegister(nKIVAPALS100::tStatus& status) {{")
        o(f"      return static_cast<{t}>(owner_.readRegister({idx}, {whole}, status));")
        o("    }")
    if r.shadowed and r.readable:
        o(f"    void refresh(nKIVAPALS100::tStatus& status) {{ owner_.refreshRegister({idx}, status); }}")
    if r.shadowed and r.writable:
        o("    void flush(nKIVAPALS100::tStatus& status, bool force = false) {")
        o(f"      owner_.flushRegister({idx}, status, force);")
        o("    }")
        o(f"    {cls}& setRegister({t} value) {{")
        o(f"      owner_.setShadow({idx}, {whole}, value);")
        o("      return *this;")
        o("    }")
        o(f"    {cls}& writeRegister({t} value, nKIVAPALS100::tStatus& status, bool force = false) {{")
        o(f"      owner_.writeRegister({idx}, {whole}, value, status, force);")
        o("      return *this;")
        o("    }")
    elif r.writable:
        o(f"    void writeRegister({t} value, nKIVAPALS100::tStatus& status) {{")
        o(f"      owner_.writeRegister({idx}, {whole}, value, status, true);")
        o("    }")
    # Parts follow the fields in the register's slice of the field table, so
    # the engine reaches them by index like fields; IDs and formats stop at
    # the field count.
    for fi, f in enumerate(r.fields + r.parts):
        ft = field_type(r, f)

        def cast(expr):
            return f"({expr}) != 0" if ft == "bool" else f"static_cast<{ft}>({expr})"

        if r.shadowed:
            o(f"    {ft} get{f.name}() const {{ return {cast(f'owner_.getShadow({idx}, {fi}u)')}; }}")
        if r.readable:
            o(f"    {ft} read{f.name}(nKIVAPALS100::tStatus& status) {{")
            o(f"      return {cast(f'owner_.readRegister({idx}, {fi}u, status)')};")
            o("    }")
        if r.writable and r.shadowed:
            o(f"    {cls}& set{f.name}({ft} value) {{")
            o(f"      owner_.setShadow({idx}, {fi}u, value);")
            o("      return *this;")
            o("    }")
            o(f"    {cls}& write{f.name}({ft} value, nKIVAPALS100::tStatus& status, bool force = false) {{")
            o(f"      owner_.writeRegister({idx}, {fi}u, value, status, force);")
            o("      return *this;")
            o("    }")
        elif r.writable:
            o(f"    {cls}& write{f.name}({ft} value, nKIVAPALS100::tStatus& status) {{")
            o(f"      owner_.writeRegister({idx}, {fi}u, value, status, true);")
            o("      return *this;")
            o("    }")
    o("")
    o("   private:")
    o("    arm::tRegisterMap& owner_;")
    if r.count != 1:
        o("    uint32_t index_;")
    o("  };")
    return out


def enum_declarations(m):
    """Opaque declarations of the field enumerations, grouped by namespace."""
    seen = {}
    for r in m.registers:
        for f in r.fields:
            if f.enum is not None:
                seen.setdefault(f.enum, c_type(f.width))
    out = []
    for qualified, underlying in seen.items():
        namespace, name = qualified.rsplit("::", 1)
        out.append(f"namespace {namespace} {{ enum {name} : {underlying}; }}")
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
    # Declaration index of each register's first object.
    indices = []
    n = 0
    for r in m.registers:
        indices.append(n)
        n += r.count
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
    for _, include, _, _ in m.children:
        o(f'#include "{include}"')
    o("")
    enums = enum_declarations(m)
    if enums:
        h.extend(enums)
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
        h.extend(register_class(m, indices[i], r))
        o("")
    inits = []
    for i, r in enumerate(m.registers):
        if r.count == 1:
            inits.append(f"{r.name[1:]}(*this)")
        else:
            elements = ", ".join(f"{{*this, {indices[i] + k}u}}" for k in range(r.count))
            inits.append(f"{r.name[1:]}{{{elements}}}")
    for child_cls, _, member, child_base in m.children:
        inits.append(f"{member}(accessor, base + {hexlit(child_base)}, windowStart, windowSize)")
    init_text = ",\n        ".join(inits)
    if windowed:
        o(f"  {cls}(tAccessor& accessor, uint32_t base, uint32_t windowStart, uint32_t windowSize)")
        o(f"      : {base}({descriptor}, states_, {ops}, &accessor, base, windowStart, windowSize),")
    else:
        o(f"  explicit {cls}(tAccessor& accessor)")
        offset = "kOffset" if templated else "0u"
        o(f"      : {base}({descriptor}, states_, {ops}, &accessor, {offset}),")
    o(f"        {init_text} {{")
    o("    placeRegisters();")
    if m.children:
        for k, (_, _, member, _) in enumerate(m.children):
            o(f"    children_[{k}] = &{member};")
        o(f"    setChildMaps(children_, {len(m.children)}u);")
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
        if r.count == 1:
            o(f"  {r.name} {r.name[1:]};")
        else:
            o(f"  {r.name} {r.name[1:]}[{r.count}];")
    for child_cls, _, member, _ in m.children:
        o(f"  {child_cls} {member};")
    o("")
    o(" private:")
    o(f"  arm::tRegisterState states_[{n}];")
    if m.children:
        o(f"  arm::tRegisterMap* children_[{len(m.children)}];")
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
        # The instances of an array share one slice of the field table.
        firsts.append(first)
        for f in r.fields + r.parts:
            flags = []
            if f.boolean:
                flags.append("arm::kFieldBoolean")
            if f.strobe:
                flags.append("arm::kFieldStrobe")
            what = "part " if f in r.parts else ""
            o(f"    {{{f.low}u, {f.width}u, {' | '.join(flags) or '0u'}, 0u}},  // 0x{r.offset:X} {what}{f.name}")
        first += len(r.fields) + len(r.parts)
    if first == 0:
        o("    {0u, 0u, 0u, 0u},  // no fields; keeps the table non-empty")
    o("};")
    o("")
    o("constexpr arm::tRegisterDescriptor kRegisters[] = {")
    for i, r in enumerate(m.registers):
        flags = "arm::kRegisterView" if r.view else "0u"
        for k, offset in enumerate(r.offsets()):
            label = r.name if r.count == 1 else f"{r.name}[{k}]"
            o(f"    {{{hexlit(offset)}, {r.width}u, arm::{KINDS[r.kind][0]}, {flags}, 0u, {firsts[i]}u, "
              f"{len(r.fields)}u, 0u, {hexlit(r.reset, 'ull')}, {hexlit(r.keep, 'ull')}}},  // {label}")
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
