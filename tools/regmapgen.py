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
      readfield <low>[-<high>] [name=X]
      part    <low>[-<high>] name=X [bool|num]
    child     <namespace>::<class> member=<Name> include=<header> offset=V
              window=V|parent [name=<text>] [count=N stride=S] [embedded]

Kinds: rw, wo, ro (shadowed), urw, uwo, uro (unshadowed). Registers are listed
in declaration order, which is also the order of the map-wide walks. Every
writable one-bit field says whether it is boolean (bool: any nonzero value
sets it) or numeric (num: bit 0 of the value is taken). A strobe field's bits
must be clear in the register's keep-mask. A 'view' is a second register
object for another register's address; it has no whole-register ID. A
register of class tX (or t_X) is the map's member X.

A register with count=N is an array of N objects of one class, instance k at
offset + k * stride (stride defaults to the width in bytes and is never less),
declared one after the other; each instance has IDs of its own and they are
walked in ascending index. A field with enum= takes and returns that
enumeration type in its accessors; the generator declares it opaque over the
field's width, so any number of the width is a value of it.

A register with readfield lines (unshadowed read-write only) reads other
fields than it takes (its field lines): it is named with or without the
read-side bit, and the bit only chooses the list that getRegisterFormat
reports. A part is a named run of bits inside one of a register's fields that
driver code reaches by name: it has accessors but no ID and no place in the
register's format; a register with readfield lines has no parts.

A 'child' is a windowed map of the same accessor that this (windowed) map
places at `offset` (plus k * stride for instance k of a group) and walks after
its own registers, reinitialize included, in the order of the child lines.
window=V gives it window start 0 and, of at most V bytes, the part of the
parent's window that starts at the child's offset 0 (nothing when that offset
lies outside the parent's window). window=parent (a single child only) gives
it the parent's window start and size, counted in the child's own offsets.
An embedded child is a member reached by get<Name>(); the others are
allocated by the constructor, which then takes the accessor by pointer and a
status, and are reached by get<Name>(i), null for an instance not created.
`name`, on every child line or on none, is the name a child is published
under after the map's own name and "_" (addToDispatcher and
removeFromDispatcher exist only then); "{i}" in it stands for the instance
number.

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
    def __init__(self, offset, width, kind, name, reset, keep, view, line, count=1, stride=0):
        self.offset, self.width, self.kind, self.name = offset, width, kind, name
        self.reset, self.keep, self.view, self.line = reset, keep, view, line
        self.count, self.stride = count, stride
        self.fields = []
        self.read_fields = []
        self.parts = []

    @property
    def member(self):
        """The map's member for the register: its class name without the
        leading t and any underscores after it, so that a class such as
        t_Name does not give a member name reserved to the compiler."""
        return self.name[1:].lstrip("_")

    def offsets(self):
        return [self.offset + k * self.stride for k in range(self.count)]

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
        # Words with '=' are options, the others positional, on every line.
        positional = [a for a in args if "=" not in a]
        options = dict(a.split("=", 1) for a in args if "=" in a)
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
            if len(positional) < 1 or "::" not in positional[0] or set(positional[1:]) - {"embedded"}:
                raise DescriptionError(f"{where}: child <namespace>::<class> ... [embedded]")
            needed = {"member", "include", "offset", "window"}
            if needed - set(options) or set(options) - needed - {"name", "count", "stride"}:
                raise DescriptionError(f"{where}: child needs member, include, offset and window")
            count = number(options.get("count", "1"), where)
            embedded = "embedded" in positional[1:]
            if count < 1 or (embedded and count != 1):
                raise DescriptionError(f"{where}: an embedded child is one map; a group has a count of 1 or more")
            name = options.get("name")
            if not IDENT.match(options["member"]) or (name is not None and not re.match(r"^[A-Za-z0-9_{}]+$", name)):
                raise DescriptionError(f"{where}: member is an identifier, name letters, digits, _ and {{i}}")
            # None: the child shares the parent's window.
            window = None if options["window"] == "parent" else number(options["window"], where)
            m.children.append(Child(positional[0], options["member"], options["include"],
                                    number(options["offset"], where), window, name, count,
                                    number(options.get("stride", "0"), where), embedded, lineno))
        elif key in ("register", "field", "readfield", "part"):
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
                    raise DescriptionError(
                        f"{where}: an array's count is positive and its stride at least its width in bytes")
                current = Register(offset, width, kind, name, reset, keep, "view" in flags, lineno, count, stride)
                if current.offsets()[-1] > 0xFFFFFF:
                    raise DescriptionError(f"{where}: the array runs past 24 bits of offset")
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
                allowed_flags = {"field": {"bool", "num", "strobe"}, "part": {"bool", "num"}}.get(key, set())
                allowed_options = {"field": {"name", "enum"}}.get(key, {"name"})
                if key == "readfield" and (flags or set(options) - allowed_options):
                    raise DescriptionError(f"{where}: a read field takes a name only")
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
                target = {"field": current.fields, "readfield": current.read_fields, "part": current.parts}[key]
                target.append(
                    Field(low, width, name, "bool" in flags, "num" in flags, "strobe" in flags, lineno, enum))
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
    members_of_registers = set()
    keys = set()
    for r in m.registers:
        where = f"{path}:{r.line}"
        if r.name in names:
            raise DescriptionError(f"{where}: register name {r.name} used twice")
        names.add(r.name)
        if not IDENT.match(r.member):
            raise DescriptionError(f"{where}: register name {r.name} leaves no member name after t and _")
        if r.member in members_of_registers:
            raise DescriptionError(f"{where}: register names {r.name} and another give one member name")
        members_of_registers.add(r.member)
        if not r.view:
            for offset in r.offsets():
                sides = [True, False] if r.split else [r.readable and not r.writable]
                for side in sides:
                    if (offset, side) in keys:
                        raise DescriptionError(f"{where}: two registers on one side of offset {offset:#x}")
                    keys.add((offset, side))
        if not r.fields and not r.view:
            raise DescriptionError(f"{where}: a register needs at least one field")
        if r.split and (r.shadowed or not r.readable or not r.writable or r.view):
            raise DescriptionError(f"{where}: only unshadowed read-write registers read other fields")
        if r.split and r.parts:
            raise DescriptionError(f"{where}: a register that reads other fields has no parts")
        fnames = check_fields(r, r.fields, path)
        check_fields(r, r.read_fields, path, True)
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
    members = set()
    for c in m.children:
        where = f"{path}:{c.line}"
        if m.variant != "windowed":
            raise DescriptionError(f"{where}: only a windowed map places child maps")
        if m.cls.endswith("WithOffset"):
            raise DescriptionError(f"{where}: a WithOffset template places no child maps")
        if c.member in members or c.member in names:
            raise DescriptionError(f"{where}: child member {c.member} used twice")
        members.add(c.member)
        if c.window is None and c.count > 1:
            raise DescriptionError(f"{where}: only a single child shares the parent's window")
        if c.count > 1 and c.stride < c.window:
            raise DescriptionError(f"{where}: the children of a group must not overlap")
        if (c.name is None) != (m.children[0].name is None):
            raise DescriptionError(f"{where}: every child line has a name, or none has")
        if c.name is not None and (c.count > 1) != ("{i}" in c.name):
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
    return fnames


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
        o(f"    uint32_t getRegisterOffset() const {{ return kFirstOffset + (index_ - kFirstIndex) * kStride; }}")
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
    # The register's slice of the field table: the fields it takes, then (split
    # registers) those it reads, then its parts. The engine reaches all of them
    # by index; IDs and formats stop before the parts.
    parts = [(len(r.fields) + len(r.read_fields) + k, p) for k, p in enumerate(r.parts)]
    read_list = [(len(r.fields) + k, f) for k, f in enumerate(r.read_fields)] if r.split \
        else list(enumerate(r.fields)) + parts
    write_list = list(enumerate(r.fields)) + parts

    def cast(ft, expr):
        return f"({expr}) != 0" if ft == "bool" else f"static_cast<{ft}>({expr})"

    for fi, f in read_list:
        ft = field_type(r, f)
        if r.shadowed:
            o(f"    {ft} get{f.name}() const {{ return {cast(ft, f'owner_.getShadow({idx}, {fi}u)')}; }}")
        if r.readable:
            o(f"    {ft} read{f.name}(nKIVAPALS100::tStatus& status) {{")
            o(f"      return {cast(ft, f'owner_.readRegister({idx}, {fi}u, status)')};")
            o("    }")
    for fi, f in write_list:
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


def child_name_format(c):
    return "%s_" + c.name.replace("{i}", "%u")


def child_placement(c, offset):
    """The base, window start and window size a child is built with; `offset`
    is the C++ expression of its offset in the parent."""
    if c.window is None:
        return [f"base + {offset}", "windowStart", "windowSize"]
    return [f"base - windowStart + {offset}", "0u",
            f"arm::tMapFamily::childWindowSize(windowStart, windowSize, {offset}, {hexlit(c.window)})"]


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
    publishes = any(c.name is not None for c in m.children)
    guard_note = f"// Generated by tools/regmapgen.py from {description_rel}; do not edit."
    h = []
    o = h.append
    o(guard_note)
    o("#pragma once")
    o("")
    o("#include <stdint.h>")
    o("")
    if allocates:
        o('#include "platform/cppRuntime/cppNewDelete.h"')
    if publishes:
        o('#include "platform/status/statusCodes.h"')
    o('#include "platform/status/tStatus.h"')
    o(f'#include "{acc_include}"')
    o('#include "regmaps/model/tAccessorOperations.h"')
    o('#include "regmaps/model/tMapDescriptor.h"')
    if publishes or any(c.window is not None for c in m.children):
        o('#include "regmaps/model/tMapFamily.h"')
    o('#include "regmaps/model/tRegisterMap.h"')
    if windowed:
        o('#include "regmaps/model/tWindowedRegisterMap.h"')
    for c in m.children:
        o(f'#include "{c.include}"')
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
            inits.append(f"{r.member}{{{elems}}}")
        else:
            inits.append(f"{r.member}(*this)")
    family_index = 0
    child_slots = []
    for c in m.children:
        child_slots.append(family_index)
        family_index += c.count
        if c.embedded:
            accessor = "*accessor" if allocates else "accessor"
            inits.append(f"{c.member}_({accessor}, {', '.join(child_placement(c, hexlit(c.offset)))})")
        else:
            inits.append(f"{c.member}_()")
    if m.children:
        inits.append("family_()")
    inits = ",\n        ".join(inits)
    if allocates:
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
            child_base, child_start, child_size = child_placement(c, "offset")
            o(f"      {c.member}_[i] = kivNew(status) {c.cls}(*accessor, {child_base}, {child_start},")
            o(f"          {child_size});")
            o(f"      family_[{slot}u + i] = {c.member}_[i];")
            o(f"      if ({c.member}_[i] == nullptr) return;")
            o("    }")
    o("  }")
    # Out of line where it can be: the destructor is then the class's key
    # function, and its vtable lives only in the driver's object, built
    # without type information.
    destructor_body = [f"    for (uint32_t i = {c.count}u; i-- > 0u;) delete {c.member}_[i];"
                       for c in reversed(m.children) if not c.embedded]
    if templated and not destructor_body:
        o(f"  ~{cls}() override {{}}")
    elif templated:
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
                o("  // Null for an instance that was not created.")
                o(f"  {c.cls}* get{c.member}(uint32_t i) const {{ return i < {c.count}u ? {c.member}_[i] : nullptr; }}")
        o("  arm::tRegisterMap* getChild(uint32_t familyIndex) const {")
        o("    return familyIndex < kChildCount ? family_[familyIndex] : nullptr;")
        o("  }")
        o("")
    if publishes:
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
            o(f"  {r.name} {r.member}[{r.count}];")
        else:
            o(f"  {r.name} {r.member};")
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
    if publishes:
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
        # The instances of an array share one slice of the field table.
        for what, items in (("", r.fields), ("read ", r.read_fields), ("part ", r.parts)):
            for f in items:
                flags = []
                if f.boolean:
                    flags.append("arm::kFieldBoolean")
                if f.strobe:
                    flags.append("arm::kFieldStrobe")
                o(f"    {{{f.low}u, {f.width}u, {' | '.join(flags) or '0u'}, 0u}},  // 0x{r.offset:X} {what}{f.name}")
        first += len(r.fields) + len(r.read_fields) + len(r.parts)
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
        for k, offset in enumerate(r.offsets()):
            suffix = f"[{k}]" if r.count > 1 else ""
            o(f"    {{{hexlit(offset)}, {r.width}u, arm::{KINDS[r.kind][0]}, {flags}, 0u, "
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
        if destructor_body:
            o(f"{cls}::~{cls}() {{")
            c_.extend(destructor_body)
            o("}")
        else:
            o(f"{cls}::~{cls}() {{}}")
    if publishes:
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
