#!/usr/bin/env python3
"""Generates a register map's C++ header and descriptor source from its
description file (regmaps/**/<class>.regmap). The description format is
set out in regmaps/README.md; reading a description is tools/descparse.py's.

Usage: regmapgen.py <description> <output directory> <include directory>
Writes <output directory>/<class>.h and <class>.cpp; the source includes the
header as "<include directory>/<class>.h".
"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import descparse  # noqa: E402
from descparse import DescriptionError  # noqa: E402

KINDS = {
    "rw": ("kReadWrite", True, True, True),
    "wo": ("kWriteOnly", True, False, True),
    "ro": ("kReadOnly", True, True, False),
    "urw": ("kUnshadowedReadWrite", False, True, True),
    "uwo": ("kUnshadowedWriteOnly", False, False, True),
    "uro": ("kUnshadowedReadOnly", False, True, False),
    "fmt": ("kFormatOnly", False, False, False),
}


class Field:
    def __init__(self, low, width, name, boolean, numeric, strobe, line, enum=None, shared=False):
        self.low, self.width, self.name = low, width, name
        self.boolean, self.numeric, self.strobe, self.line = boolean, numeric, strobe, line
        self.enum, self.shared = enum, shared


class Register:
    def __init__(self, offset, width, kind, name, reset, keep, view, line, count=1, stride=0,
                 member=None, readview=False, refresh_keep=0, pending=False):
        self.offset, self.width, self.kind, self.name = offset, width, kind, name
        self.reset, self.keep, self.view, self.line = reset, keep, view, line
        self.count, self.stride = count, stride
        self.explicit_member, self.readview = member, readview
        self.refresh_keep, self.pending = refresh_keep, pending
        self.shares_class = False  # set by check(): another register has this class
        self.fields = []
        self.read_fields = []
        self.parts = []

    @property
    def member(self):
        """The map's member for the register: its class name without the
        leading t and any underscores after it, so that a class such as
        t_Name does not give a member name reserved to the compiler; or the
        name member= gives it."""
        return self.explicit_member or self.name[1:].lstrip("_")

    def offsets(self):
        return [self.offset + k * self.stride for k in range(self.count)]

    @property
    def split(self):
        return bool(self.read_fields) and not self.readview

    @property
    def own_read_fields(self):
        """A read view's fields with IDs of their own."""
        return [f for f in self.read_fields if not f.shared] if self.readview else []

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
        self.addressing = "byte"
        self.placement = None  # (BAR, offset) when the description gives it
        self.accessor = ("memory", None, None)
        self.registers = []
        self.children = []


class Child:
    def __init__(self, cls, member, include, offset, window, name, count, stride, embedded, line):
        self.cls, self.member, self.include = cls, member, include
        self.offset, self.window, self.name = offset, window, name
        self.count, self.stride, self.embedded, self.line = count, stride, embedded, line


# Names the generated code gives members of its own: a register class or
# member, field or child named so would collide with them.
MAP_RESERVED = frozenset("""
    kName kVersion kRegisterCount kChildCount kBar kPlacement kSize tAccessor tStatus getChild formatChildName
    addToDispatcher removeFromDispatcher family_ states_ get set read write flush refresh getRegisterFormat
    flushRegMap refreshRegMap markDirtyRegMap getVersion getOldestCompatibleVersion getShadow isDirty
    getAddress isAccessible setShadow markDirty refreshRegister flushRegister readRegister writeRegister
    getDescriptor setChildMaps placeRegisters placeRegistersWithChildren reinitialize lowBitCode
    updateRegister getLock usable lock_
    kWholeRegister kWholeRegisterBit kReadSideBit kOffsetMask
    """.split())
# A field's accessors are get/set/read/write<Name>: these names would give the
# register's own getRegister, readRegister, ... or getRegisterOffset.
FIELD_RESERVED = frozenset(("Register", "RegisterOffset", "Lock"))


def parse(path):
    m = Map()
    current = None
    for s in descparse.read(path):
        key, args, positional, options = s.key, s.args, s.positional, s.options
        if key == "map":
            if len(args) != 1 or "::" not in args[0]:
                raise s.error("map <namespace>::<class>", args[0] if args else None)
            m.namespace, m.cls = args[0].rsplit("::", 1)
            for w in m.namespace.split("::") + [m.cls]:
                s.identifier(w, "a map's namespace or class")
        elif key in ("name", "version", "header"):
            if len(args) != 1:
                raise s.error(f"{key} takes one word")
            if getattr(m, key) is not None:
                raise s.error(f"{key} given twice", args[0])
            setattr(m, key, args[0])
        elif key == "variant":
            if args not in (["fixed"], ["windowed"]):
                raise s.error("variant fixed | windowed", " ".join(args) or None)
            m.variant = args[0]
        elif key == "addressing":
            if args not in (["byte"], ["word"]):
                raise s.error("addressing byte | word", " ".join(args) or None)
            m.addressing = args[0]
        elif key == "accessor":
            if args == ["memory"]:
                m.accessor = ("memory", None, None)
            elif len(args) == 3 and args[0] == "word32":
                m.accessor = ("word32", args[1], args[2])
            else:
                raise s.error("accessor memory | accessor word32 <type> <include>", " ".join(args) or None)
        elif key == "bar":
            if len(positional) != 1 or set(options) != {"offset"} or m.placement is not None:
                raise s.error("bar <index> offset=<offset>, once", " ".join(args) or None)
            m.placement = (s.number(positional[0]), s.number(options["offset"]))
            if not 0 <= m.placement[0] <= 5:
                raise s.error("a BAR index is 0 to 5", positional[0])
        elif key == "child":
            m.children.append(parse_child(s))
        elif key == "register":
            current = parse_register(s, m)
            m.registers.append(current)
        elif key in ("field", "readfield", "part"):
            if current is None:
                raise s.error(f"{key} before any register")
            target = {"field": current.fields, "readfield": current.read_fields, "part": current.parts}[key]
            target.append(parse_field(s, current))
        else:
            raise s.error("unknown statement")
    check(m, path)
    return m


def parse_child(s):
    positional, options = s.positional, s.options
    if len(positional) < 1 or "::" not in positional[0]:
        raise s.error("child <namespace>::<class> ... [embedded]", positional[0] if positional else None)
    s.check_flags(positional[1:], {"embedded"})
    s.check_options({"member", "include", "offset", "window", "name", "count", "stride"},
                    ("member", "include", "offset", "window"))
    count = s.option_number("count", 1)
    embedded = "embedded" in positional[1:]
    if count < 1 or (embedded and count != 1):
        raise s.error("an embedded child is one map; a group has a count of 1 or more", options.get("count"))
    name = options.get("name")
    s.identifier(options["member"], "a child's member", MAP_RESERVED)
    if name is not None and not re.match(r"^[A-Za-z0-9_{}]+$", name):
        raise s.error("a child's name is letters, digits, _ and {i}", name)
    # None: the child shares the parent's window.
    window = None if options["window"] == "parent" else s.number(options["window"])
    c = Child(positional[0], options["member"], options["include"], s.number(options["offset"]), window,
              name, count, s.option_number("stride", 0), embedded, s.line)
    c.statement = s
    return c


def parse_register(s, m):
    positional, options = s.positional, s.options
    if len(positional) < 3:
        raise s.error("register <offset> <width> <kind> ...")
    offset = s.number(positional[0])
    width = s.number(positional[1])
    kind = positional[2]
    flags = positional[3:]
    if kind not in KINDS:
        raise s.error("unknown access kind", kind)
    if width not in (8, 16, 32, 64):
        raise s.error("width must be 8, 16, 32 or 64", positional[1])
    if not 0 <= offset <= 0xFFFFFF:
        raise s.error("offset must fit 24 bits", positional[0])
    s.check_flags(flags, {"view", "readview", "pending"})
    s.check_options({"name", "reset", "keep", "count", "stride", "member", "refreshkeep"})
    name = options.get("name", "tRegister%03X" % offset)
    s.identifier(name, "a register class", MAP_RESERVED)
    if not name.startswith("t"):
        raise s.error("register names are identifiers starting with t", name)
    ones = (1 << width) - 1
    reset = s.option_number("reset", 0)
    keep = s.option_number("keep", ones)
    if reset & ~ones or keep & ~ones:
        raise s.error("reset or keep wider than the register", options.get("reset") if reset & ~ones
                      else options.get("keep"))
    count = s.option_number("count", 1)
    # The smallest step between two registers' offsets.
    step = 1 if m.addressing == "word" else width // 8
    stride = s.option_number("stride", step)
    if count < 1 or stride < step:
        raise s.error("an array's count is positive and its stride at least its width in bytes (in words: 1)",
                      options.get("count") if count < 1 else options.get("stride"))
    refresh_keep = s.option_number("refreshkeep", 0)
    if refresh_keep & ~ones:
        raise s.error("refreshkeep wider than the register", options.get("refreshkeep"))
    member = options.get("member")
    if member is not None:
        s.identifier(member, "a register's member", MAP_RESERVED)
    r = Register(offset, width, kind, name, reset, keep, "view" in flags, s.line, count, stride,
                 member, "readview" in flags, refresh_keep, "pending" in flags)
    if r.offsets()[-1] > 0xFFFFFF:
        raise s.error("the array runs past 24 bits of offset", options.get("count"))
    r.statement = s
    return r


def parse_field(s, current):
    key, positional, options = s.key, s.positional, s.options
    if len(positional) < 1:
        raise s.error(f"{key} <low>[-<high>] ...")
    low, width = s.bits(positional[0])
    flags = positional[1:]
    if key == "readfield" and (set(flags) - {"shared"} or set(options) - {"name"}):
        raise s.error("a read field takes a name only, or shared", (flags or [None])[0])
    s.check_flags(flags, {"field": {"bool", "num", "strobe"}, "part": {"bool", "num"},
                          "readfield": {"shared"}}.get(key, set()))
    s.check_options({"field": {"name", "enum"}}.get(key, {"name"}))
    if key == "part" and "name" not in options:
        raise s.error("a part needs a name")
    enum = options.get("enum")
    if enum is not None and ("::" not in enum or not all(descparse.IDENT.match(w) for w in enum.split("::"))):
        raise s.error("enum=<namespace>::<type>", enum)
    name = options.get("name", f"Bit{low}" if width == 1 else f"Bits{low}to{low + width - 1}")
    s.identifier(name, f"a {key} name", FIELD_RESERVED)
    shared = "shared" in flags
    if shared:
        twin = [f for f in current.fields if f.low == low and f.width == width]
        if not twin or "name" in options:
            raise s.error("a shared read field is a field of the write view, unnamed", positional[0])
        name = twin[0].name
    f = Field(low, width, name, "bool" in flags, "num" in flags, "strobe" in flags, s.line, enum, shared)
    f.statement = s
    return f


def check(m, path):
    for attr in ("cls", "name", "version", "header"):
        if getattr(m, attr) is None:
            raise DescriptionError(f"missing '{attr if attr != 'cls' else 'map'}' statement", path)
    stem = os.path.splitext(os.path.basename(path))[0]
    if stem != m.cls:
        raise DescriptionError(f"the file must be named after its class {m.cls}", path, word=stem)
    if not m.registers:
        raise DescriptionError("no registers", path)
    names = set()
    members_of_registers = set()
    keys = set()
    classes = {}
    for r in m.registers:
        classes.setdefault(r.name, []).append(r)
    for r in m.registers:
        s = r.statement
        group = classes[r.name]
        if len(group) > 1:
            if any(g.explicit_member is None for g in group):
                raise s.error(f"registers sharing class {r.name} each name their member=", r.name)
            if any(layout(g) != layout(r) for g in group):
                raise s.error(f"registers sharing class {r.name} differ in layout", r.name)
            r.shares_class = True
        names.add(r.name)
        if not descparse.IDENT.match(r.member):
            raise s.error(f"register name {r.name} leaves no member name after t and _", r.name)
        s.identifier(r.member, "a register's member (its class name without t)", MAP_RESERVED)
        if r.member in members_of_registers:
            raise s.error(f"register names {r.name} and another give one member name", r.name)
        members_of_registers.add(r.member)
        if not r.view:
            for offset in r.offsets():
                sides = [True, False] if r.split or r.readview else [r.readable and not r.writable]
                for side in sides:
                    if (offset, side) in keys:
                        raise s.error(f"two registers on one side of offset {offset:#x}", s.positional[0])
                    keys.add((offset, side))
        if not r.fields and not r.view:
            raise s.error("a register needs at least one field")
        if r.split and (r.shadowed or not r.readable or not r.writable or r.view):
            raise r.read_fields[0].statement.error("only unshadowed read-write registers read other fields")
        if r.split and r.parts:
            raise r.parts[0].statement.error("a register that reads other fields has no parts")
        if r.readview and (r.kind != "rw" or r.view):
            raise s.error("only a shadowed read-write register has a read view", "readview")
        if not r.readview and any(f.shared for f in r.read_fields):
            raise s.error("shared read fields belong to a read view")
        if r.refresh_keep and not (r.shadowed and r.readable):
            raise s.error("refreshkeep needs a shadowed readable register", s.options.get("refreshkeep"))
        if r.pending and not (r.shadowed and r.writable and r.width <= 32 and r.keep != (1 << r.width) - 1):
            raise s.error("a pending register is a shadowed writable one of at most 32 bits with strobes",
                          "pending")
        fnames = check_fields(r, r.fields)
        read_names = check_fields(r, [f for f in r.read_fields if not f.shared], True)
        if r.readview and read_names & fnames:
            raise s.error("a read-view field of its own needs a name of its own", sorted(read_names & fnames)[0])
        for p in r.parts:
            ps = p.statement
            if p.name in fnames:
                raise ps.error(f"name {p.name} used twice", p.name)
            fnames.add(p.name)
            if p.width == 1 and r.writable and not (p.boolean or p.numeric):
                raise ps.error("a writable one-bit part must say bool or num", ps.positional[0])
            if p.width > 1 and (p.boolean or p.numeric):
                raise ps.error("only one-bit parts are bool or num", "bool" if p.boolean else "num")
            if not any(f.low <= p.low and p.low + p.width <= f.low + f.width for f in r.fields):
                raise ps.error("a part lies inside one field", ps.positional[0])
    enums = {}
    for r in m.registers:
        for f in r.fields:
            if f.enum is not None:
                if enums.setdefault(f.enum, c_type(f.width)) != c_type(f.width):
                    raise f.statement.error(f"enum {f.enum} used with two widths", f.enum)
    members = set()
    for c in m.children:
        s = c.statement
        if m.variant != "windowed":
            raise s.error("only a windowed map places child maps")
        if m.cls.endswith("WithOffset"):
            raise s.error("a WithOffset template places no child maps")
        if c.member in members or c.member in names or c.member in members_of_registers:
            raise s.error(f"child member {c.member} used twice", c.member)
        members.add(c.member)
        if c.window is None and c.count > 1:
            raise s.error("only a single child shares the parent's window", "window=parent")
        if c.count > 1 and c.stride < c.window:
            raise s.error("the children of a group must not overlap", s.options.get("stride", "stride"))
        if (c.name is None) != (m.children[0].name is None):
            raise s.error("every child line has a name, or none has", c.name)
        if c.name is not None and (c.count > 1) != ("{i}" in c.name):
            raise s.error("a group's name, and only a group's, holds {i}", c.name)


def layout(r):
    """What registers sharing one class must agree on."""
    fields = tuple((f.low, f.width, f.name, f.boolean, f.numeric, f.strobe, f.enum, f.shared)
                   for f in r.fields + r.read_fields + r.parts)
    return (r.width, r.kind, r.reset, r.keep, r.view, r.readview, r.refresh_keep, r.pending, fields)


def check_fields(r, fields, read_side=False):
    next_free = 0
    fnames = set()
    for f in fields:
        s = f.statement
        bits = s.positional[0]
        if f.low < next_free:
            raise s.error("fields ascend and never overlap", bits)
        if f.width < 1 or f.low + f.width > r.width:
            raise s.error("field outside the register", bits)
        if f.low > 31:
            raise s.error("fields begin at bits 0 to 31", bits)
        if f.name in fnames:
            raise s.error(f"field name {f.name} used twice", f.name)
        fnames.add(f.name)
        next_free = f.low + f.width
        if f.boolean and f.numeric:
            raise s.error("a field is bool or num, not both", "num")
        if f.width > 1 and (f.boolean or f.numeric):
            raise s.error("only one-bit fields are bool or num", "bool" if f.boolean else "num")
        if f.width == 1 and r.writable and not read_side and not (f.boolean or f.numeric):
            raise s.error("a writable one-bit field must say bool or num", bits)
        mask = ((1 << f.width) - 1) << f.low
        if f.strobe and (r.keep & mask):
            raise s.error("a strobe field's bits must be clear in the keep-mask", "strobe")
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


def field_constants(r):
    """Each field's (and part's) mask in the register and shift, for driver
    code that handles whole register values: k<Name>Mask, k<Name>Shift."""
    t = "uint64_t" if r.width > 32 else "uint32_t"
    suffix = "ull" if r.width > 32 else "u"
    out = []
    seen = set()
    for f in r.fields + r.parts + r.read_fields:
        if f.name in seen:
            continue
        seen.add(f.name)
        mask = ((1 << f.width) - 1) << f.low
        out.append(f"    static constexpr {t} k{f.name}Mask = {hexlit(mask, suffix)};")
        out.append(f"    static constexpr uint32_t k{f.name}Shift = {f.low}u;")
    return out


def register_class(m, index, r):
    """One nested class per register (or per register array: its instances
    share the class and tell themselves apart by their declaration index)."""
    t = c_type(r.width)
    cls = r.name
    array = r.count > 1 or r.shares_class
    idx = "index_" if array else "kIndex"
    out = []
    o = out.append
    o(f"  class {cls} {{")
    o("   public:")
    if r.shares_class:
        # Several registers anywhere in the map: each object knows its own place.
        o(f"    {cls}(arm::tRegisterMap& owner, uint32_t index) : owner_(owner), index_(index) {{}}")
        o("    uint32_t getRegisterOffset() const { return owner_.getDescriptor().registers[index_].offset; }")
    elif array:
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
    out.extend(field_constants(r))
    whole = "arm::tRegisterMap::kWholeRegister"
    # A step of several operations holds its map's lock around them.
    o("    vorlan_driver::nKIVAPAL000::tMutex& getLock() const { return *owner_.getLock(); }")
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
        o(f"    {cls}& updateRegister({t} clearBits, {t} setBits, nKIVAPALS100::tStatus& status,")
        o("                          bool force = false) {")
        o(f"      owner_.updateRegister({idx}, clearBits, setBits, status, force);")
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
    readable_by_read = None
    if r.readview:
        # Every written field keeps its getter; read goes through the read
        # view only: the shared fields and the view's own.
        read_list = list(enumerate(r.fields)) + \
            [(len(r.fields) + k, f) for k, f in enumerate(r.read_fields) if not f.shared]
        readable_by_read = {f.name for f in r.read_fields}

    def cast(ft, expr):
        return f"({expr}) != 0" if ft == "bool" else f"static_cast<{ft}>({expr})"

    for fi, f in read_list:
        ft = field_type(r, f)
        if r.shadowed:
            o(f"    {ft} get{f.name}() const {{ return {cast(ft, f'owner_.getShadow({idx}, {fi}u)')}; }}")
        if r.readable and (readable_by_read is None or f.name in readable_by_read):
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
    # A reserved register has no accessor that reaches the map; some
    # compilers warn of a member nothing reads.
    unused = "" if any("owner_." in line for line in out) else "[[maybe_unused]] "
    o(f"    {unused}arm::tRegisterMap& owner_;")
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


class Shape:
    """What every emitter needs to know of a map besides its description."""

    def __init__(self, m, description_rel, include_dir):
        self.m = m
        self.cls = m.cls
        self.include_dir = include_dir
        self.templated = m.cls.endswith("WithOffset")
        # One past the last offset any register object covers.
        self.extent = max(o + (1 if m.addressing == "word" else r.width // 8)
                          for r in m.registers for o in r.offsets())
        self.descriptor = f"k{m.cls[1:] if m.cls.startswith('t') else m.cls}Descriptor"
        self.windowed = m.variant == "windowed"
        self.base = "arm::tWindowedRegisterMap" if self.windowed else "arm::tRegisterMap"
        kind, self.acc_type, self.acc_include = m.accessor
        if kind == "memory":
            self.acc_type = "vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>"
            self.acc_include = "regmaps/model/tPCIMemorySpaceAccessorDebug.h"
            self.ops = "arm::kMemorySpaceAccessorOperations"
        else:
            self.ops = f"arm::tAccessor32Operations<{self.acc_type}>::kOperations"
        # Register objects in declaration order: every instance of an array in turn.
        self.first_object = []
        n = 0
        for r in m.registers:
            self.first_object.append(n)
            n += r.count
        self.objects = n
        # The registers' slices of the field table: the fields each takes,
        # then (split registers) those it reads, then its parts.
        self.first_field = []
        n = 0
        for r in m.registers:
            self.first_field.append(n)
            n += len(r.fields) + len(r.read_fields) + len(r.parts)
        self.fields = n
        self.family = sum(c.count for c in m.children)
        self.child_slots = []
        n = 0
        for c in m.children:
            self.child_slots.append(n)
            n += c.count
        self.allocates = any(not c.embedded for c in m.children)
        self.publishes = any(c.name is not None for c in m.children)
        self.ids = id_entries(self)
        self.note = f"// Generated by tools/regmapgen.py from {description_rel}; do not edit."
        # Out of line where it can be: the destructor is then the class's key
        # function, and its vtable lives only in the driver's object, built
        # without type information.
        self.destructor_body = [f"    for (uint32_t i = {c.count}u; i-- > 0u;) delete {c.member}_[i];"
                                for c in reversed(m.children) if not c.embedded]


def header_includes(s):
    m = s.m
    out = [s.note, "#pragma once", "", "#include <stdint.h>", ""]
    if s.allocates:
        out.append('#include "platform/cppRuntime/cppNewDelete.h"')
    out.append('#include "platform/status/tStatus.h"')
    out.append(f'#include "{s.acc_include}"')
    out.append('#include "regmaps/model/tAccessorOperations.h"')
    out.append('#include "regmaps/model/tMapDescriptor.h"')
    if s.publishes or any(c.window is not None for c in m.children):
        out.append('#include "regmaps/model/tMapFamily.h"')
    out.append('#include "regmaps/model/tRegisterMap.h"')
    if s.windowed:
        out.append('#include "regmaps/model/tWindowedRegisterMap.h"')
    out.extend(f'#include "{c.include}"' for c in m.children)
    out.append("")
    enums = enum_declarations(m)
    if enums:
        out.extend(enums + [""])
    return out


def class_head(s):
    m = s.m
    out = []
    if s.templated:
        out.append("template <uint32_t kOffset>")
    out += [f"class {s.cls} : public {s.base} {{",
            " public:",
            f'  static constexpr const char* kName = "{m.name}";',
            f'  static constexpr const char* kVersion = "{m.version}";',
            f"  static constexpr uint32_t kRegisterCount = {s.objects}u;"]
    if m.children:
        out.append(f"  static constexpr uint32_t kChildCount = {s.family}u;")
    unit = "words" if m.addressing == "word" else "bytes"
    out.append(f"  // The {unit} of its own offsets the map's registers span, from offset 0.")
    out.append(f"  static constexpr uint64_t kSize = {hexlit(s.extent, 'ull')};")
    if m.placement is not None:
        out.append(f"  // Where the map lies: BAR {m.placement[0]}, at this offset from its start.")
        out.append(f"  static constexpr uint32_t kBar = {m.placement[0]}u;")
        out.append(f"  static constexpr uint64_t kBarOffset = {hexlit(m.placement[1], 'ull')};")
    out += [f"  using tAccessor = {s.acc_type};", ""]
    return out


def constructor(s):
    m = s.m
    inits = []
    for i, r in enumerate(m.registers):
        if r.count == 1 and r.shares_class:
            inits.append(f"{r.member}(*this, {s.first_object[i]}u)")
        elif r.count > 1:
            elems = ", ".join(f"{{*this, {s.first_object[i] + k}u}}" for k in range(r.count))
            inits.append(f"{r.member}{{{elems}}}")
        else:
            inits.append(f"{r.member}(*this)")
    for c in m.children:
        if c.embedded:
            accessor = "*accessor" if s.allocates else "accessor"
            creation = "&status" if s.allocates else "status"
            inits.append(f"{c.member}_({accessor}, {', '.join(child_placement(c, hexlit(c.offset)))}, {creation})")
        else:
            inits.append(f"{c.member}_()")
    if m.children:
        inits.append("family_()")
    out = []
    o = out.append
    if s.allocates:
        o("  // Children whose allocation fails leave their slot, and every later one,")
        o("  // empty, with -52000 in the status; such a map is only to be destroyed.")
        o(f"  {s.cls}(tAccessor* accessor, nKIVAPALS100::tStatus& status, uint32_t base, uint32_t windowStart,")
        o("      uint32_t windowSize)")
        o(f"      : {s.base}({s.descriptor}, states_, {s.ops}, accessor, base, windowStart, windowSize, &status),")
    else:
        o("  // `status` (none for a builder without one) takes a lock that could not be")
        o("  // made, and holding an error it makes none.")
        if s.windowed:
            o(f"  {s.cls}(tAccessor& accessor, uint32_t base, uint32_t windowStart, uint32_t windowSize,")
            o("      nKIVAPALS100::tStatus* status = nullptr)")
            placement = "base, windowStart, windowSize"
        else:
            o(f"  explicit {s.cls}(tAccessor& accessor, nKIVAPALS100::tStatus* status = nullptr)")
            placement = "kOffset" if s.templated else "0u"
        o(f"      : {s.base}({s.descriptor}, states_, {s.ops}, &accessor, {placement}, status),")
    o("        " + ",\n        ".join(inits) + " {")
    o("    placeRegisters();")
    if m.children:
        for c, slot in zip(m.children, s.child_slots):
            if c.embedded:
                o(f"    family_[{slot}u] = &{c.member}_;")
        o("    setChildMaps(family_, kChildCount);")
        if s.allocates:
            o("    if (status.isFatal()) return;")
        for c, slot in zip(m.children, s.child_slots):
            if c.embedded:
                continue
            o(f"    for (uint32_t i = 0; i < {c.count}u; ++i) {{")
            o(f"      const uint32_t offset = {hexlit(c.offset)} + {hexlit(c.stride)} * i;")
            child_base, child_start, child_size = child_placement(c, "offset")
            o(f"      {c.member}_[i] = kivNew(status) {c.cls}(*accessor, {child_base}, {child_start},")
            o(f"          {child_size}, &status);")
            o(f"      family_[{slot}u + i] = {c.member}_[i];")
            o(f"      if ({c.member}_[i] == nullptr) return;")
            o("    }")
    o("  }")
    if s.templated and not s.destructor_body:
        o(f"  ~{s.cls}() override {{}}")
    elif s.templated:
        o(f"  ~{s.cls}() override {{")
        out.extend(s.destructor_body)
        o("  }")
    else:
        o(f"  ~{s.cls}() override;")
    o(f"  {s.cls}(const {s.cls}&) = delete;")
    o(f"  {s.cls}& operator=(const {s.cls}&) = delete;")
    o("")
    return out


def child_accessors(s):
    m = s.m
    if not m.children:
        return []
    out = []
    o = out.append
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
    if s.publishes:
        o("  // The name child `familyIndex` is published under after `prefix`; false")
        o("  // when it does not fit the buffer.")
        o("  static bool formatChildName(const char* prefix, uint32_t familyIndex, char* buffer, uint64_t size);")
        o("")
        o("  // Publishes the map under `prefix` (null: its own name) unless")
        o("  // `childrenOnly`, then each child; see arm::tMapFamily::add.")
        o("  template <class tDispatcher>")
        o("  void addToDispatcher(tDispatcher& dispatcher, nKIVAPALS100::tStatus& status, const char* prefix,")
        o("                       bool childrenOnly) {")
        o("    arm::tMapFamily::add(dispatcher, status, *this, prefix != nullptr ? prefix : kName, family_, kChildCount,")
        o("                         &formatChildName, childrenOnly);")
        o("  }")
        o("  template <class tDispatcher>")
        o("  void removeFromDispatcher(tDispatcher& dispatcher, nKIVAPALS100::tStatus& status, const char* prefix,")
        o("                            bool childrenOnly) {")
        o("    arm::tMapFamily::remove(dispatcher, status, prefix != nullptr ? prefix : kName, family_, kChildCount,")
        o("                            &formatChildName, childrenOnly);")
        o("  }")
        o("")
    return out


def members(s):
    m = s.m
    out = []
    o = out.append
    for r in m.registers:
        o(f"  {r.name} {r.member}[{r.count}];" if r.count > 1 else f"  {r.name} {r.member};")
    o("")
    o(" private:")
    o(f"  arm::tRegisterState states_[{s.objects}];")
    for c in m.children:
        o(f"  {c.cls} {c.member}_;" if c.embedded else f"  {c.cls}* {c.member}_[{c.count}];  // owned")
    if m.children:
        o("  // Every child in walk order, the embedded ones included.")
        o(f"  arm::tRegisterMap* family_[{s.family}];")
    o("};")
    o("")
    return out


def header(s):
    m = s.m
    out = header_includes(s)
    out += [f"namespace {m.namespace} {{", "", f"extern const arm::tMapDescriptor {s.descriptor};", ""]
    out += class_head(s)
    emitted = set()
    for i, r in enumerate(m.registers):
        if r.name not in emitted:
            emitted.add(r.name)
            out += register_class(m, s.first_object[i], r) + [""]
    out += constructor(s) + child_accessors(s) + members(s)
    if s.templated:
        # The driver uses the map at offset 0; instantiating it once, in the
        # map's own source, keeps its vtable in the driver object.
        out += [f"extern template class {s.cls}<0u>;", ""]
    out.append(f"}}  // namespace {m.namespace}")
    return out


def field_table(s):
    out = ["constexpr arm::tFieldDescriptor kFields[] = {"]
    for r in s.m.registers:
        # The instances of an array share one slice of the field table.
        for what, items in (("", r.fields), ("read ", r.read_fields), ("part ", r.parts)):
            for f in items:
                flags = []
                if f.boolean:
                    flags.append("arm::kFieldBoolean")
                if f.strobe:
                    flags.append("arm::kFieldStrobe")
                if f.shared:
                    flags.append("arm::kFieldShared")
                out.append(f"    {{{f.low}u, {f.width}u, {' | '.join(flags) or '0u'}, 0u}},"
                           f"  // 0x{r.offset:X} {what}{f.name}")
    if s.fields == 0:
        out.append("    {0u, 0u, 0u, 0u},  // no fields; keeps the table non-empty")
    return out + ["};", ""]


def register_table(s):
    out = ["constexpr arm::tRegisterDescriptor kRegisters[] = {"]
    for i, r in enumerate(s.m.registers):
        flags = []
        if r.view:
            flags.append("arm::kRegisterView")
        if r.split:
            flags.append("arm::kRegisterSplitFields")
        if r.readview:
            flags.append("arm::kRegisterReadView")
        if r.pending:
            flags.append("arm::kRegisterPendingStrobes")
        flags = " | ".join(flags) or "0u"
        for k, offset in enumerate(r.offsets()):
            suffix = f"[{k}]" if r.count > 1 else ""
            out.append(f"    {{{hexlit(offset)}, {r.width}u, arm::{KINDS[r.kind][0]}, {flags}, 0u, "
                       f"{s.first_field[i]}u, {len(r.fields)}u, {len(r.read_fields)}u, 0u, "
                       f"{hexlit(r.reset, 'ull')}, {hexlit(r.keep, 'ull')}, {hexlit(r.refresh_keep, 'ull')}}},"
                       f"  // {r.name}{suffix}")
    out.append("};")
    out.append(f"static_assert(sizeof(kRegisters) / sizeof(kRegisters[0]) == {s.objects}u, "
               "\"one entry per register object\");")
    return out + [""]


WHOLE_REGISTER_BIT = 0x80000000
READ_SIDE_BIT = 0x40000000
TAKEN_LIST, READ_LIST, SHOWN_LIST = 1, 2, 4


def low_bit_code(low):
    """The ID bits 25-29 a field adds: its lowest bit number written backwards."""
    return int(f"{low:05b}"[::-1], 2) << 25


def id_entries(s):
    """(id, register object, field, sides, comment) for every ID the map
    answers to, sorted by ID and then declaration order; the engine takes the
    first entry of an ID, as a scan in declaration order would."""
    entries = []
    for i, r in enumerate(s.m.registers):
        for k, offset in enumerate(r.offsets()):
            obj = s.first_object[i] + k
            label = r.name + (f"[{k}]" if r.count > 1 else "")
            key = offset | (READ_SIDE_BIT if r.readable and not r.writable else 0)
            both = TAKEN_LIST | READ_LIST
            if not r.view:
                entries.append((key | WHOLE_REGISTER_BIT, obj, 0xFFFF, both, label))
                if r.split or r.readview:
                    entries.append((key | READ_SIDE_BIT | WHOLE_REGISTER_BIT, obj, 0xFFFF, both, label))
            if r.readview:
                # Read takes the written fields the read view repeats; the
                # view's own fields have read-side IDs that get and read take.
                repeated = {f.low for f in r.read_fields if f.shared}
                for fi, f in enumerate(r.fields):
                    sides = TAKEN_LIST | (READ_LIST if f.low in repeated else 0)
                    entries.append((key | low_bit_code(f.low), obj, fi, sides, f"{label}.{f.name}"))
                for k2, f in enumerate(r.read_fields):
                    if not f.shared:
                        entries.append((key | READ_SIDE_BIT | low_bit_code(f.low), obj, len(r.fields) + k2,
                                        READ_LIST | SHOWN_LIST, f"{label}.{f.name} (read view)"))
                continue
            taken_sides = TAKEN_LIST if r.split else both
            for fi, f in enumerate(r.fields):
                entries.append((key | low_bit_code(f.low), obj, fi, taken_sides, f"{label}.{f.name}"))
            for k2, f in enumerate(r.read_fields):
                entries.append((key | low_bit_code(f.low), obj, len(r.fields) + k2, READ_LIST,
                                f"{label}.{f.name} (read)"))
    return sorted(entries, key=lambda e: (e[0], e[1], e[2]))


def id_index(s):
    out = ["constexpr arm::tIdIndexEntry kIdIndex[] = {"]
    for id_, obj, field, sides, label in s.ids:
        field_text = "arm::kWholeRegisterField" if field == 0xFFFF else f"{field}u"
        out.append(f"    {{{hexlit(id_)}, {obj}u, {field_text}, {sides}u, {{0u, 0u, 0u}}}},  // {label}")
    if not s.ids:
        out.append("    {0u, 0u, 0u, 0u, {0u, 0u, 0u}},  // no IDs; keeps the table non-empty")
    return out + ["};", ""]


def descriptor_definition(s):
    m = s.m
    return [f"const arm::tMapDescriptor {s.descriptor} = {{",
            f'    "{m.name}", "{m.version}", "{m.header}", kRegisters, {s.objects}u, kFields, {s.fields}u, kIdIndex,',
            f"    {len(s.ids)}u,",
            "};"]


def out_of_line_members(s):
    out = [""]
    if s.templated:
        return out + [f"template class {s.cls}<0u>;"]
    if s.destructor_body:
        return out + [f"{s.cls}::~{s.cls}() {{"] + s.destructor_body + ["}"]
    return out + [f"{s.cls}::~{s.cls}() {{}}"]


def child_name_formatter(s):
    if not s.publishes:
        return []
    out = ["", f"bool {s.cls}::formatChildName(const char* prefix, uint32_t familyIndex, char* buffer, "
               "uint64_t size) {"]
    for c in s.m.children:
        fmt = child_name_format(c)
        index = ", familyIndex" if "{i}" in c.name else ""
        out += [f"  if (familyIndex < {c.count}u) {{",
                f'    return vorlan_driver::nKIVAPAL000::boundedFormat(buffer, size, "{fmt}", prefix{index}) >= 0;',
                "  }",
                f"  familyIndex -= {c.count}u;"]
    return out + ["  return false;", "}"]


def source(s):
    m = s.m
    out = [s.note, f'#include "{s.include_dir}/{s.cls}.h"', ""]
    if s.publishes:
        out += ['#include "platform/quarks/kivString.h"', ""]
    out += [f"namespace {m.namespace} {{", "", "namespace {", ""]
    out += field_table(s) + register_table(s) + id_index(s)
    out += ["}  // namespace", ""]
    out += descriptor_definition(s) + out_of_line_members(s) + child_name_formatter(s)
    out += ["", f"}}  // namespace {m.namespace}"]
    return out


def generate(m, description_rel, include_dir):
    s = Shape(m, description_rel, include_dir)
    return "\n".join(header(s)) + "\n", "\n".join(source(s)) + "\n"


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
