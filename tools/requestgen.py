#!/usr/bin/env python3
"""Generates the request interface from its description (requests/requests.desc):
the records, the two device interfaces with their decode switches and
unmarshallers, the device's method declarations, the definitions of the
methods not built yet, and a table of every request for tests.

Description format, one statement per line, '#' starts a comment:

    interface <class> "<published name>" all | <code> ...
                                the codes an interface decodes
    request   <code> <name> level=<0-20|none> by=<server>
      in      <size>            the inbound record, then its fields
      out     <size>            the outbound record, then its fields
        +<offset> <type> <field> [out] [from=<inbound field>] [user]
        +<offset> pad <count>   padding bytes
        +<offset> unread <count>
                                argument bytes the driver never reads

Types: u8, u16, i16, u32, i32, u64. Every record ends in the i32 field
`status`. In the outbound record `out` marks an out-only parameter and
from=<field> an in/out parameter that starts as that inbound field; any
other field before the status is the method's return value. `user` marks a
caller's address. Level none (only with by=unsupported) means no gate: the
unmarshaller answers the request itself. by=reset is served by the device
template's reset.

Layout rules, checked for every record (a description that breaks one is
refused, naming its line and request): fields follow each other without
gaps, each at its natural alignment, any padding being exactly what the
next field's alignment needs; the status word comes last among the fields, at
the next 4-byte boundary after the last argument; a record that holds a
64-bit field is padded after its status word to a multiple of 8 bytes, any
other ends right after its status word (unread bytes may hide a 64-bit
field, so their record may end either way); the size stated is the size laid
out.

Usage: requestgen.py <description> <output directory> [--pending <server>,...]
Requests of a pending server get a method that enters its gate and answers
"not supported" (-52002) until the server is built.
"""

import os
import re
import sys

TYPES = {"u8": ("uint8_t", 1), "u16": ("uint16_t", 2), "i16": ("int16_t", 2), "u32": ("uint32_t", 4),
         "i32": ("int32_t", 4), "u64": ("uint64_t", 8)}
SERVERS = {"byname", "device", "controllers", "channels", "events", "calibration", "dma", "routing",
           "unsupported", "reset"}
# The name prefix of each request group.
GROUPS = {0x27: ("voltarisPXICooling_",), 0x28: ("hwCondition_",), 0x29: ("measureUnit_",), 0x2A: ("harrow_",),
          0x2B: ("vorlan_",), 0x2C: ("triggersAndEvents_",), 0x2E: ("basalt_",), 0x80: ("routing_",),
          0x81: ("arm_", "deviceWindow_", "storageMap_"), 0x82: ("tarnTools_",), 0x84: ("pxiCooling_",),
          0x86: ("kdut_",)}
# Codes carry the 32-byte envelope as their argument size; only the cooling
# group carries a direction.
ENVELOPE_SIZE = 0x20
LARGEST_INBOUND, LARGEST_OUTBOUND = 64, 16
IDENT = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*$")


class DescriptionError(Exception):
    pass


class Field:
    def __init__(self, offset, kind, name, size, line, out=False, source=None, user=False):
        self.offset, self.kind, self.name, self.size, self.line = offset, kind, name, size, line
        self.out, self.source, self.user = out, source, user

    @property
    def is_data(self):
        return self.kind in TYPES

    @property
    def ctype(self):
        return TYPES[self.kind][0]


class Record:
    def __init__(self, size, line):
        self.size, self.line = size, line
        self.fields = []

    def data(self):
        return [f for f in self.fields if f.is_data and f.name != "status"]

    def status(self):
        return next(f for f in self.fields if f.name == "status")

    def field(self, name):
        return next((f for f in self.fields if f.is_data and f.name == name), None)


class Request:
    def __init__(self, code, name, level, server, line):
        self.code, self.name, self.level, self.server, self.line = code, name, level, server, line
        self.inbound = None
        self.outbound = None

    @property
    def unsupported(self):
        return self.server == "unsupported"

    def arguments(self):
        """The inbound fields the method takes by value: an in/out parameter
        of the same name reaches it only through its pointer."""
        carried = {f.name for f in self.out_parameters()}
        return [f for f in self.inbound.data() if f.name not in carried]

    def result(self):
        return next((f for f in self.outbound.data() if not f.out and f.source is None), None)

    def out_parameters(self):
        return [f for f in self.outbound.data() if f.out or f.source is not None]


class Interface:
    def __init__(self, cls, published, codes, line):
        self.cls, self.published, self.codes, self.line = cls, published, codes, line


def number(text, where):
    try:
        return int(text, 0)
    except ValueError:
        raise DescriptionError("%s: not a number: %s" % (where, text))


def parse(path):
    requests, interfaces = [], []
    request = record = None
    with open(path) as f:
        lines = f.read().split("\n")
    for index, raw in enumerate(lines, 1):
        text = raw.split("#", 1)[0].strip()
        if not text:
            continue
        where = "%s:%d" % (os.path.basename(path), index)
        words = text.split()
        head = words[0]
        if head == "interface":
            m = re.match(r'^interface\s+(\w+)\s+"([^"]+)"\s+(.*)$', text)
            if not m:
                raise DescriptionError("%s: interface <class> \"<name>\" all | <codes>" % where)
            codes = None if m.group(3).strip() == "all" else [number(c, where) for c in m.group(3).split()]
            interfaces.append(Interface(m.group(1), m.group(2), codes, where))
        elif head == "request":
            if len(words) != 5 or not words[3].startswith("level=") or not words[4].startswith("by="):
                raise DescriptionError("%s: request <code> <name> level=<n> by=<server>" % where)
            level_text = words[3][len("level="):]
            level = None if level_text == "none" else number(level_text, where)
            request = Request(number(words[1], where), words[2], level, words[4][len("by="):], where)
            if not IDENT.match(request.name):
                raise DescriptionError("%s: bad request name %s" % (where, request.name))
            requests.append(request)
            record = None
        elif head in ("in", "out"):
            if request is None or len(words) != 2:
                raise DescriptionError("%s: %s <size> belongs to a request" % (where, head))
            record = Record(number(words[1], where), where)
            if head == "in":
                if request.inbound is not None:
                    raise DescriptionError("%s: %s: second inbound record" % (where, request.name))
                request.inbound = record
            else:
                if request.outbound is not None:
                    raise DescriptionError("%s: %s: second outbound record" % (where, request.name))
                request.outbound = record
        elif head.startswith("+"):
            if record is None:
                raise DescriptionError("%s: field outside a record" % where)
            offset = number(head[1:], where)
            if len(words) < 3:
                raise DescriptionError("%s: +<offset> <type> <name> or +<offset> pad|unread <count>" % where)
            kind = words[1]
            if kind in ("pad", "unread"):
                if len(words) != 3:
                    raise DescriptionError("%s: +<offset> %s <count>" % (where, kind))
                record.fields.append(Field(offset, kind, None, number(words[2], where), where))
                continue
            if kind not in TYPES:
                raise DescriptionError("%s: %s: unknown type %s" % (where, request.name, kind))
            field = Field(offset, kind, words[2], TYPES[kind][1], where)
            if not IDENT.match(field.name):
                raise DescriptionError("%s: bad field name %s" % (where, field.name))
            for option in words[3:]:
                if option == "out":
                    field.out = True
                elif option == "user":
                    field.user = True
                elif option.startswith("from="):
                    field.source = option[len("from="):]
                else:
                    raise DescriptionError("%s: unknown option %s" % (where, option))
            record.fields.append(field)
        else:
            raise DescriptionError("%s: unknown statement %s" % (where, head))
    return requests, interfaces


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def check_record(request, record, direction):
    """The layout rules; raises naming the offending line."""
    def fail(line, message):
        raise DescriptionError("%s: %s (%s record): %s" % (line, request.name, direction, message))

    position = 0
    fields = record.fields
    status_index = next((i for i, f in enumerate(fields) if f.name == "status"), None)
    if status_index is None:
        fail(record.line, "no status word")
    names = set()
    for i, f in enumerate(fields):
        if f.offset != position:
            fail(f.line, "at +%d, but the previous field ends at +%d" % (f.offset, position))
        if f.size <= 0:
            fail(f.line, "empty %s" % f.kind)
        if f.is_data:
            if f.name in names:
                fail(f.line, "field %s twice" % f.name)
            names.add(f.name)
            if f.offset % f.size != 0:
                fail(f.line, "%s at +%d is not at its natural alignment" % (f.name, f.offset))
        if f.kind == "pad":
            after = fields[i + 1] if i + 1 < len(fields) else None
            if after is None:
                # Trailing padding: only to round a record with a 64-bit field to 8.
                if i - 1 != status_index:
                    fail(f.line, "trailing padding must follow the status word")
            elif after.kind == "pad":
                fail(f.line, "two paddings in a row")
            else:
                need = (after.size if after.is_data else 1)
                if align(f.offset, need) != f.offset + f.size or f.offset % need == 0:
                    fail(f.line, "padding of %d before %s is not what its alignment needs"
                         % (f.size, after.name or after.kind))
        if f.kind == "unread" and direction != "inbound":
            fail(f.line, "unread bytes only in an inbound record")
        position += f.size
    status = fields[status_index]
    if status.kind != "i32":
        fail(status.line, "the status word is an i32")
    if any(f.is_data or f.kind == "unread" for f in fields[status_index + 1:]):
        fail(fields[status_index + 1].line, "the status word must be the last field")
    before = [f for f in fields[:status_index] if f.kind != "pad"]
    last_end = before[-1].offset + before[-1].size if before else 0
    if status.offset != align(last_end, 4):
        fail(status.line, "status word at +%d, not at the next 4-byte boundary after +%d"
             % (status.offset, last_end))
    end = status.offset + 4
    wide = any(f.is_data and f.size == 8 for f in fields)
    expected = align(end, 8) if wide else end
    # Unread argument bytes may hide a 64-bit field: their record may be
    # rounded either way.
    unread = any(f.kind == "unread" for f in fields)
    if position != expected and not (unread and position == align(end, 8)):
        fail(record.line, "laid out to %d bytes, the rules give %d" % (position, expected))
    if record.size != position:
        fail(record.line, "stated as %d bytes, laid out as %d" % (record.size, position))
    largest = LARGEST_INBOUND if direction == "inbound" else LARGEST_OUTBOUND
    if record.size > largest:
        fail(record.line, "larger than %d bytes" % largest)
    for f in fields:
        if direction == "inbound" and (f.out or f.source):
            fail(f.line, "out and from= belong to the outbound record")


def check(requests, interfaces):
    codes, names = {}, {}
    for r in requests:
        if r.inbound is None or r.outbound is None:
            raise DescriptionError("%s: %s needs an inbound and an outbound record" % (r.line, r.name))
        if r.server not in SERVERS:
            raise DescriptionError("%s: %s: unknown server %s" % (r.line, r.name, r.server))
        if r.code in codes:
            raise DescriptionError("%s: %s: code 0x%X already used by %s" % (r.line, r.name, r.code, codes[r.code]))
        if r.name in names:
            raise DescriptionError("%s: %s twice" % (r.line, r.name))
        codes[r.code], names[r.name] = r.name, r.line
        group, direction = (r.code >> 8) & 0xFF, r.code >> 30
        if (r.code >> 16) & 0x3FFF != ENVELOPE_SIZE:
            raise DescriptionError("%s: %s: code 0x%X does not carry the envelope size" % (r.line, r.name, r.code))
        if group not in GROUPS or not r.name.startswith(GROUPS[group]):
            raise DescriptionError("%s: %s: name does not belong to group 0x%X" % (r.line, r.name, group))
        if (direction != 0) != (group == 0x84):
            raise DescriptionError("%s: %s: only the cooling group carries a direction" % (r.line, r.name))
        if (r.level is None) != r.unsupported:
            raise DescriptionError("%s: %s: level none exactly for unsupported requests" % (r.line, r.name))
        if r.level is not None and not 0 <= r.level <= 20:
            raise DescriptionError("%s: %s: level %d outside 0-20" % (r.line, r.name, r.level))
        check_record(r, r.inbound, "inbound")
        check_record(r, r.outbound, "outbound")
        if any(f.kind == "unread" for f in r.inbound.fields) and not r.unsupported:
            raise DescriptionError("%s: %s: only unsupported requests leave bytes unread" % (r.line, r.name))
        if r.unsupported and (r.arguments() or r.out_parameters()):
            raise DescriptionError("%s: %s: an unsupported request has no arguments" % (r.line, r.name))
        returns = [f for f in r.outbound.data() if not f.out and f.source is None]
        if len(returns) > 1 or (returns and returns[0].offset != 0):
            raise DescriptionError("%s: %s: one return value at most, at +0" % (r.line, r.name))
        for f in r.out_parameters():
            if f.source is not None:
                source = r.inbound.field(f.source)
                if source is None or source.kind != f.kind:
                    raise DescriptionError("%s: %s: from=%s names no inbound %s" % (f.line, r.name, f.source, f.kind))
    for i in interfaces:
        for code in i.codes or []:
            if code not in codes:
                raise DescriptionError("%s: %s decodes 0x%X, which no request has" % (i.line, i.cls, code))


# ---- emission

BANNER = "// Generated by tools/requestgen.py from %s. Do not edit.\n"


def method_parameters(r):
    parts = ["const nKIVAPAL000::tEventDescriptor& descriptor"]
    parts += ["%s %s" % (f.ctype, f.name) for f in r.arguments()]
    parts += ["%s* %s" % (f.ctype, f.name) for f in r.out_parameters()]
    parts.append("nKIVAPALS100::tStatus& status")
    return parts


def return_type(r):
    result = r.result()
    return result.ctype if result else "void"


def emit_records(requests, source):
    out = [BANNER % source, "// The records of every request, as user mode lays them out.\n#pragma once\n",
           "#include <stddef.h>\n#include <stdint.h>\n", "namespace vorlan_driver {\nnamespace requests {\n"]
    asserts = []
    for r in requests:
        out.append("struct %s {" % r.name)
        out.append("  static constexpr uint32_t kCode = 0x%Xu;" % r.code)
        if r.level is not None:
            out.append("  static constexpr uint32_t kSetupLevel = %du;" % r.level)
        for label, record in (("In", r.inbound), ("Out", r.outbound)):
            out.append("  struct %s {" % label)
            for f in record.fields:
                if f.is_data:
                    out.append("    %s %s;%s" % (f.ctype, f.name, "  // caller's address" if f.user else ""))
                else:
                    out.append("    uint8_t %s%d[%d];" % ("unread" if f.kind == "unread" else "padding", f.offset,
                                                          f.size))
            out.append("  };")
            asserts.append("static_assert(sizeof(%s::%s) == %d, \"%s: %s record size\");"
                           % (r.name, label, record.size, r.name, label))
            for f in record.fields:
                if f.is_data:
                    asserts.append("static_assert(offsetof(%s::%s, %s) == %d, \"%s: %s.%s\");"
                                   % (r.name, label, f.name, f.offset, r.name, label, f.name))
        out.append("};\n")
    out += asserts
    out.append("\n}  // namespace requests\n}  // namespace vorlan_driver")
    return "\n".join(out) + "\n"


def emit_unmarshaller(r):
    # The unsupported answer needs no caller.
    lines = ["  uint64_t unmarshall_%s(const nKIVAPAL000::tEventDescriptor&%s, uint64_t inboundPointer,"
             % (r.name, "" if r.unsupported else " descriptor"),
             "                      uint32_t inboundSize, uint64_t outboundPointer, uint32_t outboundSize,",
             "                      nKIVAPALS100::tStatus& dispatchStatus) {",
             "    requests::tRecordPair<requests::%s> records;" % r.name,
             "    nKIVAPALS100::tStatus status;",
             "    if (!records.receive(inboundPointer, inboundSize, outboundSize, status, dispatchStatus)) return 0;"]
    for f in r.out_parameters():
        if f.source is not None:
            lines.append("    records.out.%s = records.in.%s;" % (f.name, f.source))
    if r.unsupported:
        lines.append("    requests::answerNotSupportedHere(status);")
    elif r.server == "reset":
        lines.append("    device()->reset(descriptor, %s, status);"
                     % ", ".join("records.in.%s" % f.name for f in r.arguments()))
    else:
        arguments = ["descriptor"] + ["records.in.%s" % f.name for f in r.arguments()]
        arguments += ["&records.out.%s" % f.name for f in r.out_parameters()] + ["status"]
        call = "device()->%s(%s)" % (r.name, ", ".join(arguments))
        result = r.result()
        lines.append("    %s;" % (("records.out.%s = %s" % (result.name, call)) if result else call))
    lines.append("    return records.send(outboundPointer, status, dispatchStatus);")
    lines.append("  }")
    return lines


def emit_interface(interface, requests, source):
    decoded = [r for r in requests if interface.codes is None or r.code in interface.codes]
    cls = interface.cls
    out = [BANNER % source,
           "// The device interface user mode opens as \"%s\": one exact-code switch over" % interface.published,
           "// the %d requests it serves; every other code goes to the device's generic" % len(decoded),
           "// ioControl.\n#pragma once\n",
           "#include <stdint.h>\n",
           "#include \"platform/device/tDeviceInterface.h\"",
           "#include \"platform/device/tEventDescriptor.h\"",
           "#include \"platform/status/tStatus.h\"",
           "#include \"requests/RequestRecords.h\"",
           "#include \"requests/tRecordPair.h\"\n",
           "namespace vorlan_driver {\n",
           "template <typename Device>",
           "class %s : public nKIVAPAL000::tDeviceInterface {" % cls,
           " public:",
           "  static constexpr const char* kName = \"%s\";" % interface.published,
           "  static constexpr uint32_t kCodeCount = %d;\n" % len(decoded),
           "  explicit %s(Device* device) : tDeviceInterface(device, kName) {}" % cls,
           "  ~%s() override {}\n" % cls,
           "  uint64_t decodeIOControl(const nKIVAPAL000::tEventDescriptor& descriptor, uint32_t code,"
           " uint64_t inboundPointer,",
           "                           uint32_t inboundSize, uint64_t outboundPointer, uint32_t outboundSize,",
           "                           nKIVAPALS100::tStatus& status) override {",
           "    switch (code) {"]
    for r in decoded:
        out.append("      case requests::%s::kCode:" % r.name)
        out.append("        return unmarshall_%s(descriptor, inboundPointer, inboundSize, outboundPointer,"
                   " outboundSize, status);" % r.name)
    out += ["      default:",
            "        return tDeviceInterface::decodeIOControl(descriptor, code, inboundPointer, inboundSize,"
            " outboundPointer,",
            "                                                 outboundSize, status);",
            "    }", "  }\n"]
    for r in decoded:
        out += emit_unmarshaller(r)
        out.append("")
    out += [" private:", "  Device* device() const { return static_cast<Device*>(getDevice()); }", "};\n",
            "}  // namespace vorlan_driver"]
    return "\n".join(out) + "\n"


def emit_declarations(requests, source):
    out = [BANNER % source, "// Inside class QuillDevice: one method per request (kdut_reset forwards to the",
           "// device template's reset; the unsupported requests only answer so).\n"]
    for r in requests:
        params = method_parameters(r) if not r.unsupported else [
            "const nKIVAPAL000::tEventDescriptor& descriptor", "nKIVAPALS100::tStatus& status"]
        out.append("%s %s(%s);" % (return_type(r), r.name, ", ".join(params)))
    return "\n".join(out) + "\n"


def emit_pending(requests, pending, source):
    out = [BANNER % source,
           "// The request methods whose servers are not built yet, and the methods of",
           "// the requests this device does not support.\n",
           "#include \"device/QuillDevice.h\"",
           "#include \"requests/RequestRecords.h\"",
           "#include \"requests/tRequestGate.h\"\n",
           "namespace vorlan_driver {\n"]
    for r in requests:
        if r.unsupported:
            out.append("%s QuillDevice::%s(const nKIVAPAL000::tEventDescriptor&, nKIVAPALS100::tStatus& status) {"
                       % (return_type(r), r.name))
            out.append("  requests::answerNotSupportedHere(status);")
            if r.result():
                out.append("  return 0;")
            out.append("}\n")
        elif r.server in pending:
            params = method_parameters(r)
            # The arguments are not used yet: unnamed.
            params = [params[0]] + [p.rsplit(" ", 1)[0] for p in params[1:-1]] + [params[-1]]
            out.append("%s QuillDevice::%s(%s) {" % (return_type(r), r.name, ", ".join(params)))
            out.append("  requests::answerNotBuilt(*this, descriptor, requests::%s::kSetupLevel, status);" % r.name)
            if r.result():
                out.append("  return 0;")
            out.append("}\n")
    out.append("}  // namespace vorlan_driver")
    return "\n".join(out) + "\n"


def emit_table(requests, interfaces, pending, source):
    cooling = next((i for i in interfaces if i.codes is not None), None)
    out = [BANNER % source, "// Every request as a row, for tests that walk them all.\n#pragma once\n",
           "#include <stdint.h>\n", "namespace vorlan_driver {\nnamespace requests {\n",
           "struct tRequestRow {",
           "  uint32_t code;",
           "  const char* name;",
           "  uint32_t inboundSize;",
           "  uint32_t outboundSize;",
           "  int32_t setupLevel;  // -1: answered without a gate",
           "  uint32_t inboundStatusOffset;",
           "  uint32_t outboundStatusOffset;",
           "  bool servedByCooling;",
           "  bool built;  // false: answers -52002 past its gate",
           "  // The in/out parameter, if any: inbound offset, outbound offset, size.",
           "  uint32_t presetInbound;",
           "  uint32_t presetOutbound;",
           "  uint32_t presetSize;",
           "};\n",
           "constexpr tRequestRow kRequestRows[] = {"]
    for r in requests:
        preset = next((f for f in r.out_parameters() if f.source is not None), None)
        pin = r.inbound.field(preset.source).offset if preset else 0
        out.append("    {0x%Xu, \"%s\", %d, %d, %d, %d, %d, %s, %s, %d, %d, %d},"
                   % (r.code, r.name, r.inbound.size, r.outbound.size, -1 if r.level is None else r.level,
                      r.inbound.status().offset, r.outbound.status().offset,
                      "true" if cooling and r.code in cooling.codes else "false",
                      "false" if r.server in pending else "true", pin, preset.offset if preset else 0,
                      preset.size if preset else 0))
    out += ["};\n", "}  // namespace requests\n}  // namespace vorlan_driver"]
    return "\n".join(out) + "\n"


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    # Leave an unchanged file alone so that its dependants are not rebuilt.
    if os.path.exists(path):
        with open(path) as f:
            if f.read() == text:
                return
    with open(path, "w") as f:
        f.write(text)


def main(argv):
    args = argv[1:]
    pending = set()
    if "--pending" in args:
        at = args.index("--pending")
        pending = {p for p in args[at + 1].split(",") if p}
        del args[at:at + 2]
    if len(args) != 2:
        sys.stderr.write("usage: requestgen.py <description> <output directory> [--pending <server>,...]\n")
        return 2
    description, out_dir = args
    try:
        requests, interfaces = parse(description)
        check(requests, interfaces)
        unknown = pending - SERVERS
        if unknown:
            raise DescriptionError("--pending names no server: %s" % ", ".join(sorted(unknown)))
    except DescriptionError as error:
        sys.stderr.write("requestgen: %s\n" % error)
        return 1
    source = "requests/" + os.path.basename(description)
    write(os.path.join(out_dir, "requests", "RequestRecords.h"), emit_records(requests, source))
    for interface in interfaces:
        write(os.path.join(out_dir, "requests", interface.cls + ".h"), emit_interface(interface, requests, source))
    write(os.path.join(out_dir, "device", "QuillDeviceRequestMethods.inc"), emit_declarations(requests, source))
    write(os.path.join(out_dir, "device", "QuillDevicePendingRequests.cpp"), emit_pending(requests, pending, source))
    write(os.path.join(out_dir, "requests", "RequestTable.h"), emit_table(requests, interfaces, pending, source))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
