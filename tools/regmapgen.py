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
              [count=N stride=S]
      field   <low>[-<high>] [name=X] [bool|num] [strobe]
      readfield <low>[-<high>] [name=X]
    child     <namespace>::<class> member=<Name> include=<header> offset=V
              window=V name=<text> [count=N stride=S] [embedded]

Kinds: rw, wo, ro (shadowed), urw, uwo, uro (unshadowed). Registers are listed
in declaration order, which is also the order of the map-wide walks. Every
writable one-bit field says whether it is boolean (bool: any nonzero value
sets it) or numeric (num: bit 0 of the value is taken). A strobe field's bits
must be clear in the register's keep-mask. A 'view' is a second register
object for another register's address; it has no whole-register ID.

A register with count=N is an array of N objects of one class, instance k at
offset + k * stride (stride defaults to the width in bytes), declared one
after the other. A register with readfield
lines reads other fields than it takes (its field lines): it is named with or
without the read-side bit, and the bit only chooses the list that
getRegisterFormat reports.

A 'child' is a windowed map of the same accessor that this (windowed) map
places at `offset` (plus k * stride for instance k of a group), over a window
of at most `window` bytes, and walks after its own registers in the order of
the child lines. An embedded child is a member; the others are allocated by
the constructor, which then takes a status. `name` is published after the
map's own name and "_"; "{i}" in it stands for the instance number.

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
    def __init__(self, offset, width, kind, name, reset, keep, view, line, count=1, stride=0):
        self.offset, self.width, self.kind, self.name = offset, width, kind, name
        self.reset, self.keep, self.view, self.line = reset, keep, view, line
        self.count, self.stride = count, stride
        self.fields = []
        self.read_fields = []

    @property
    def split(self):
        return bool(self.read_fields)

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
        self.children = []


class Child:
    def __init__(self, cls, member, include, offset, window, name, count, stride, embedded, line):
        self.cls, self.member, self.include = cls, member, include
        self.offset, self.window, self.name = offset, window, name
        self.count, self.stride, self.embedded, self.line = count, stride, embedded, line


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
            for a in args:
                if "=" in a:
                    k, v = a.split("=", 1)
                    options[k] = v
            if len(positional) < 1 or "::" not in positional[0] or set(positional[1:]) - {"embedded"}:
                raise DescriptionError(f"{where}: child <namespace>::<class> ... [embedded]")
            needed = {"member", "include", "offset", "window", "name"}
            if needed - set(options) or set(options) - needed - {"count", "stride"}:
                raise DescriptionError(f"{where}: child needs member, include, offset, window and name")
            count = number(options.get("count", "1"), where)
            embedded = "embedded" in positional[1:]
            if count < 1 or (embedded and count != 1):
                raise DescriptionError(f"{where}: an embedded child is one map; a group has a count of 1 or more")
            if not IDENT.match(options["member"]) or not re.match(r"^[A-Za-z0-9_{}]+$", options["name"]):
                raise DescriptionError(f"{where}: member is an identifier, name letters, digits, _ and {{i}}")
            m.children.append(Child(positional[0], options["member"], options["include"],
                                    number(options["offset"], where), number(options["window"], where),
                                    options["name"], count, number(options.get("stride", "0"), where),
                                    embedded, lineno))
        elif key in ("register", "field", "readfield"):
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
                count = number(options.get("count", "1"), where)
                stride = number(options.get("stride", str(width // 8)), where)
                if count < 1 or stride < width // 8:
                    raise DescriptionError(f"{where}: an array needs a count and a stride of at least its width")
                if offset + (count - 1) * stride > 0xFFFFFF:
                    raise DescriptionError(f"{where}: the array runs past 24 bits of offset")
                current = Register(offset, width, kind, name, reset, keep, "view" in flags, lineno, count, stride)
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
                if key == "readfield" and flags:
                    raise DescriptionError(f"{where}: a read field takes a name only")
                width = high - low + 1
                name = options.get("name", f"Bit{low}" if width == 1 else f"Bits{low}to{high}")
                if not IDENT.match(name):
                    raise DescriptionError(f"{where}: field name is no identifier")
                target = current.read_fields if key == "readfield" else current.fields
                target.append(Field(low, width, name, "bool" in flags, "num" in flags, "strobe" in flags, lineno))
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
            for k in range(r.count):
                offset = r.offset + k * r.stride
                sides = [True, False] if r.split else [r.readable and not r.writable]
                for side in sides:
                    if (offset, side) in keys:
                        raise DescriptionError(f"{where}: two registers on one side of offset {offset:#x}")
                    keys.add((offset, side))
        if not r.fields and not r.view:
            raise DescriptionError(f"{where}: a register needs at least one field")
        if r.split and (r.shadowed or not r.readable or not r.writable or r.view):
            raise DescriptionError(f"{where}: only unshadowed read-write registers read other fields")
        check_fields(r, r.fields, path)
        check_fields(r, r.read_fields, path, True)
    members = set()
    for c in m.children:
        where = f"{path}:{c.line}"
        if m.variant != "windowed":
            raise DescriptionError(f"{where}: only a windowed map places child maps")
        if c.member in members or c.member in names:
            raise DescriptionError(f"{where}: child member {c.member} used twice")
        members.add(c.member)
        if c.count > 1 and c.stride < c.window:
            raise DescriptionError(f"{where}: the children of a group must not overlap")
        if (c.count > 1) != ("{i}" in c.name):
            raise DescriptionError(f"{where}: a group's name, and only a group's, holds {{i}}")


def check_fields(r, fields, path, read_side=False):
    next_free = 0
    fnames = set()
    for f in fields:
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
        if f.width == 1 and r.writable and not read_side and not (f.boolean or f.numeric):
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
    array = r.count > 1
    idx = "index_" if array else "kIndex"
    out = []
    o = out.append
    o(f"  class {cls} {{")
    o("   public:")
    if array:
        o(f"    static constexpr uint32_t kFirstIndex = {index}u;")
        o(f"    static constexpr uint32_t kCount = {r.count}u;")
        o(f"    static constexpr uint32_t kFirstOffset = {hexlit(r.offset)};")
        o(f"    static constexpr uint32_t kStride = {hexlit(r.stride)};")
        # Not explicit: the owning map brace-initialises its array of them.
        o(f"    {cls}(arm::tRegisterMap& owner, uint32_t index) : owner_(owner), index_(index) {{}}")
        o(f"    uint32_t getOffset() const {{ return kFirstOffset + (index_ - kFirstIndex) * kStride; }}")
    else:
        o(f"    static constexpr uint32_t kIndex = {index}u;")
        o(f"    static constexpr uint32_t kRegisterOffset = {hexlit(r.offset)};")
        o(f"    explicit {cls}(arm::tRegisterMap& owner) : owner_(owner) {{}}")
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
    # A split register reads the fields after its written ones in the table.
    read_list = [(len(r.fields) + k, f) for k, f in enumerate(r.read_fields)] if r.split \
        else list(enumerate(r.fields))
    for fi, f in read_list:
        ft = field_type(r, f)
        cast = f"(owner_.readRegister({idx}, {fi}u, status)) != 0" if ft == "bool" \
            else f"static_cast<{ft}>(owner_.readRegister({idx}, {fi}u, status))"
        if r.shadowed:
            gcast = f"(owner_.getShadow({idx}, {fi}u)) != 0" if ft == "bool" \
                else f"static_cast<{ft}>(owner_.getShadow({idx}, {fi}u))"
            o(f"    {ft} get{f.name}() const {{ return {gcast}; }}")
        if r.readable:
            o(f"    {ft} read{f.name}(nKIVAPALS100::tStatus& status) {{")
            o(f"      return {cast};")
            o("    }")
    for fi, f in enumerate(r.fields):
        ft = field_type(r, f)
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
    if array:
        o("    uint32_t index_;")
    o("  };")
    return out


def child_name_format(c):
    return "%s_" + c.name.replace("{i}", "%u")


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
    # Register objects in declaration order: every instance of an array in turn.
    firsts_index = []
    n = 0
    for r in m.registers:
        firsts_index.append(n)
        n += r.count
    family = sum(c.count for c in m.children)
    allocates = any(not c.embedded for c in m.children)
    guard_note = f"// Generated by tools/regmapgen.py from {description_rel}; do not edit."
    h = []
    o = h.append
    o(guard_note)
    o("#pragma once")
    o("")
    o("#include <stdint.h>")
    o("")
    if m.children:
        o('#include "platform/cppRuntime/cppNewDelete.h"')
        o('#include "platform/status/statusCodes.h"')
    o('#include "platform/status/tStatus.h"')
    o(f'#include "{acc_include}"')
    o('#include "regmaps/model/tAccessorOperations.h"')
    o('#include "regmaps/model/tMapDescriptor.h"')
    if m.children:
        o('#include "regmaps/model/tMapFamily.h"')
    o('#include "regmaps/model/tRegisterMap.h"')
    if windowed:
        o('#include "regmaps/model/tWindowedRegisterMap.h"')
    for c in m.children:
        o(f'#include "{c.include}"')
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
    if m.children:
        o(f"  static constexpr uint32_t kChildCount = {family}u;")
    o(f"  using tAccessor = {acc_type};")
    o("")
    for i, r in enumerate(m.registers):
        h.extend(register_class(m, firsts_index[i], r))
        o("")
    inits = []
    for i, r in enumerate(m.registers):
        if r.count > 1:
            elems = ", ".join(f"{{*this, {firsts_index[i] + k}u}}" for k in range(r.count))
            inits.append(f"{r.name[1:]}{{{elems}}}")
        else:
            inits.append(f"{r.name[1:]}(*this)")
    family_index = 0
    child_slots = []
    for c in m.children:
        child_slots.append(family_index)
        family_index += c.count
        if c.embedded:
            inits.append(f"{c.member}_(*accessor, base - windowStart + {hexlit(c.offset)}, 0u, "
                         f"arm::tMapFamily::childWindowSize(windowStart, windowSize, {hexlit(c.offset)}, "
                         f"{hexlit(c.window)}))")
        else:
            inits.append(f"{c.member}_()")
    if m.children:
        inits.append("family_()")
    inits = ",\n        ".join(inits)
    if m.children:
        o("  // Children whose allocation fails leave their slot, and every later one,")
        o("  // empty, with -52000 in the status; such a map is only to be destroyed.")
        o(f"  {cls}(tAccessor* accessor, nKIVAPALS100::tStatus& status, uint32_t base, uint32_t windowStart,")
        o("      uint32_t windowSize)")
        o(f"      : {base}({descriptor}, states_, {ops}, accessor, base, windowStart, windowSize),")
    elif windowed:
        o(f"  {cls}(tAccessor& accessor, uint32_t base, uint32_t windowStart, uint32_t windowSize)")
        o(f"      : {base}({descriptor}, states_, {ops}, &accessor, base, windowStart, windowSize),")
    else:
        o(f"  explicit {cls}(tAccessor& accessor)")
        offset = "kOffset" if templated else "0u"
        o(f"      : {base}({descriptor}, states_, {ops}, &accessor, {offset}),")
    o(f"        {inits} {{")
    o("    placeRegisters();")
    if m.children:
        for c, slot in zip(m.children, child_slots):
            if c.embedded:
                o(f"    family_[{slot}u] = &{c.member}_;")
        o("    setChildMaps(family_, kChildCount);")
        if allocates:
            o("    if (status.isFatal()) return;")
        for c, slot in zip(m.children, child_slots):
            if c.embedded:
                continue
            o(f"    for (uint32_t i = 0; i < {c.count}u; ++i) {{")
            o(f"      const uint32_t offset = {hexlit(c.offset)} + {hexlit(c.stride)} * i;")
            o(f"      {c.member}_[i] = kivNew(status) {c.cls}(*accessor, base - windowStart + offset, 0u,")
            o(f"          arm::tMapFamily::childWindowSize(windowStart, windowSize, offset, {hexlit(c.window)}));")
            o(f"      family_[{slot}u + i] = {c.member}_[i];")
            o(f"      if ({c.member}_[i] == nullptr) return;")
            o("    }")
        if not allocates:
            o("    (void)status;")
    o("  }")
    # Out of line where it can be: the destructor is then the class's key
    # function, and its vtable lives only in the driver's object, built
    # without type information.
    destructor_body = [f"    for (uint32_t i = {c.count}u; i-- > 0u;) delete {c.member}_[i];"
                       for c in reversed(m.children) if not c.embedded]
    if templated:
        o(f"  ~{cls}() override {{")
        h.extend(destructor_body)
        o("  }")
    else:
        o(f"  ~{cls}() override;")
    o(f"  {cls}(const {cls}&) = delete;")
    o(f"  {cls}& operator=(const {cls}&) = delete;")
    o("")
    if m.children:
        for c in m.children:
            if c.embedded:
                o(f"  {c.cls}& get{c.member}() {{ return {c.member}_; }}")
            else:
                o(f"  // Null for an instance that was not created.")
                o(f"  {c.cls}* get{c.member}(uint32_t i) const {{ return i < {c.count}u ? {c.member}_[i] : nullptr; }}")
        o("  arm::tRegisterMap* getChild(uint32_t familyIndex) const {")
        o("    return familyIndex < kChildCount ? family_[familyIndex] : nullptr;")
        o("  }")
        o("")
        o("  // The name child `familyIndex` is published under after `prefix`; false")
        o("  // when it does not fit the buffer.")
        o("  static bool formatChildName(const char* prefix, uint32_t familyIndex, char* buffer, uint64_t size);")
        o("")
        o("  // Publishes the map under `prefix` (null: its own name) unless")
        o("  // `childrenOnly`, then each child under the prefix, \"_\" and the child's")
        o("  // name, in walk order. Stops at the first failure; what was published")
        o("  // stays for removeFromDispatcher. Empty child slots are skipped.")
        o("  template <class tDispatcher>")
        o("  void addToDispatcher(tDispatcher& dispatcher, nKIVAPALS100::tStatus& status, const char* prefix,")
        o("                       bool childrenOnly) {")
        o("    if (status.isFatal()) return;")
        o("    const char* name = prefix != nullptr ? prefix : kName;")
        o("    char childName[arm::tMapFamily::kNameSize];")
        o("    // Refused before anything is published: a name that does not fit could")
        o("    // not be withdrawn again either.")
        o("    for (uint32_t c = 0; c < kChildCount; ++c) {")
        o("      if (!formatChildName(name, c, childName, sizeof(childName))) {")
        o("        vorlanSetCode(status, vorlan_driver::statusCodes::kInvalidArgument);")
        o("        return;")
        o("      }")
        o("    }")
        o("    if (!childrenOnly) dispatcher.add(name, *this, status);")
        o("    for (uint32_t c = 0; c < kChildCount && status.isNotFatal(); ++c) {")
        o("      if (family_[c] == nullptr) continue;")
        o("      formatChildName(name, c, childName, sizeof(childName));")
        o("      dispatcher.add(childName, *family_[c], status);")
        o("    }")
        o("  }")
        o("")
        o("  // Withdraws the same names. Each withdrawal gets a status of its own, so")
        o("  // neither an error the caller already holds nor a name that was never")
        o("  // published leaves a registration behind to outlive the map; the")
        o("  // caller's status keeps the first error.")
        o("  template <class tDispatcher>")
        o("  void removeFromDispatcher(tDispatcher& dispatcher, nKIVAPALS100::tStatus& status, const char* prefix,")
        o("                            bool childrenOnly) {")
        o("    const char* name = prefix != nullptr ? prefix : kName;")
        o("    if (!childrenOnly) {")
        o("      nKIVAPALS100::tStatus local;")
        o("      dispatcher.remove(name, local);")
        o("      status.merge(local);")
        o("    }")
        o("    char childName[arm::tMapFamily::kNameSize];")
        o("    for (uint32_t c = 0; c < kChildCount; ++c) {")
        o("      if (family_[c] == nullptr || !formatChildName(name, c, childName, sizeof(childName))) continue;")
        o("      nKIVAPALS100::tStatus local;")
        o("      dispatcher.remove(childName, local);")
        o("      status.merge(local);")
        o("    }")
        o("  }")
        o("")
    for r in m.registers:
        if r.count > 1:
            o(f"  {r.name} {r.name[1:]}[{r.count}];")
        else:
            o(f"  {r.name} {r.name[1:]};")
    o("")
    o(" private:")
    o(f"  arm::tRegisterState states_[{n}];")
    for c in m.children:
        if c.embedded:
            o(f"  {c.cls} {c.member}_;")
        else:
            o(f"  {c.cls}* {c.member}_[{c.count}];  // owned")
    if m.children:
        o("  // Every child in walk order, the embedded ones included.")
        o(f"  arm::tRegisterMap* family_[{family}];")
    o("};")
    o("")
    if templated:
        # The driver uses the map at offset 0; instantiating it once, in the
        # map's own source, keeps its vtable in the driver object.
        o(f"extern template class {cls}<0u>;")
        o("")
    o(f"}}  // namespace {m.namespace}")

    c_ = []
    o = c_.append
    o(guard_note)
    o(f'#include "{include_dir}/{cls}.h"')
    o("")
    if m.children:
        o('#include "platform/quarks/kivString.h"')
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
        for f in r.fields + r.read_fields:
            flags = []
            if f.boolean:
                flags.append("arm::kFieldBoolean")
            if f.strobe:
                flags.append("arm::kFieldStrobe")
            o(f"    {{{f.low}u, {f.width}u, {' | '.join(flags) or '0u'}, 0u}},  // 0x{r.offset:X} {f.name}")
        first += len(r.fields) + len(r.read_fields)
    if first == 0:
        o("    {0u, 0u, 0u, 0u},  // no fields; keeps the table non-empty")
    o("};")
    o("")
    o("constexpr arm::tRegisterDescriptor kRegisters[] = {")
    for i, r in enumerate(m.registers):
        flags = []
        if r.view:
            flags.append("arm::kRegisterView")
        if r.split:
            flags.append("arm::kRegisterSplitFields")
        flags = " | ".join(flags) or "0u"
        for k in range(r.count):
            suffix = f"[{k}]" if r.count > 1 else ""
            o(f"    {{{hexlit(r.offset + k * r.stride)}, {r.width}u, arm::{KINDS[r.kind][0]}, {flags}, 0u, "
              f"{firsts[i]}u, {len(r.fields)}u, {len(r.read_fields)}u, 0u, {hexlit(r.reset, 'ull')}, "
              f"{hexlit(r.keep, 'ull')}}},  // {r.name}{suffix}")
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
        o(f"{cls}::~{cls}() {{")
        c_.extend(destructor_body)
        o("}")
    if m.children:
        o("")
        o(f"bool {cls}::formatChildName(const char* prefix, uint32_t familyIndex, char* buffer, uint64_t size) {{")
        for c in m.children:
            fmt = child_name_format(c)
            o(f"  if (familyIndex < {c.count}u) {{")
            if "{i}" in c.name:
                o(f'    return vorlan_driver::nKIVAPAL000::boundedFormat(buffer, size, "{fmt}", prefix, familyIndex) >= 0;')
            else:
                o(f'    return vorlan_driver::nKIVAPAL000::boundedFormat(buffer, size, "{fmt}", prefix) >= 0;')
            o("  }")
            o(f"  familyIndex -= {c.count}u;")
        o("  return false;")
        o("}")
    o("")
    o(f"}}  // namespace {m.namespace}")
    return "\n".join(h) + "\n", "\n".join(c_) + "\n"


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
