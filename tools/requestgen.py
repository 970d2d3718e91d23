#!/usr/bin/env python3
"""Generates the request interface from its description (requests/requests.desc):
the records, the two device interfaces with their decode switches and
unmarshallers, the device's method declarations, the definitions of the
methods of the requests the device does not support, and a table of every
request for tests.

Description format (read by tools/descparse.py), one statement per line, '#'
starts a comment:

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

Usage: requestgen.py <description> <output directory>
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import descparse  # noqa: E402
from descparse import DescriptionError  # noqa: E402

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


class Field:
    def __init__(self, offset, kind, name, size, statement, out=False, source=None, user=False):
        self.offset, self.kind, self.name, self.size, self.statement = offset, kind, name, size, statement
        self.out, self.source, self.user = out, source, user

    @property
    def is_data(self):
        return self.kind in TYPES

    @property
    def ctype(self):
        return TYPES[self.kind][0]


class Record:
    def __init__(self, size, statement):
        self.size, self.statement = size, statement
        self.fields = []

    def data(self):
        return [f for f in self.fields if f.is_data and f.name != "status"]

    def status(self):
        return next(f for f in self.fields if f.name == "status")

    def field(self, name):
        return next((f for f in self.fields if f.is_data and f.name == name), None)


class Request:
    def __init__(self, code, name, level, server, statement):
        self.code, self.name, self.level, self.server, self.statement = code, name, level, server, statement
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
    def __init__(self, cls, published, codes, statement):
        self.cls, self.published, self.codes, self.statement = cls, published, codes, statement


def parse(path):
    requests, interfaces = [], []
    request = record = None
    for st in descparse.read(path):
        if st.key == "interface":
            st.check_options(())
            if len(st.positional) < 3:
                raise st.error('interface <class> "<published name>" all | <code> ...')
            cls = st.identifier(st.positional[0], "interface class")
            published = st.positional[1]
            if len(published) < 3 or published[0] != '"' or published[-1] != '"':
                raise st.error("the published name is quoted", published)
            rest = st.positional[2:]
            codes = None if rest == ["all"] else [st.number(c) for c in rest]
            interfaces.append(Interface(cls, published[1:-1], codes, st))
        elif st.key == "request":
            st.check_options(("level", "by"), ("level", "by"))
            if len(st.positional) != 2:
                raise st.error("request <code> <name> level=<n> by=<server>")
            level = None if st.options["level"] == "none" else st.number(st.options["level"])
            name = st.identifier(st.positional[1], "request name")
            request = Request(st.number(st.positional[0]), name, level, st.options["by"], st)
            requests.append(request)
            record = None
        elif st.key in ("in", "out"):
            st.check_options(())
            if request is None or len(st.positional) != 1:
                raise st.error("%s <size> belongs to a request" % st.key)
            record = Record(st.number(st.positional[0]), st)
            attribute = "inbound" if st.key == "in" else "outbound"
            if getattr(request, attribute) is not None:
                raise st.error("%s: second %s record" % (request.name, attribute))
            setattr(request, attribute, record)
        elif st.key.startswith("+"):
            if record is None:
                raise st.error("field outside a record")
            offset = st.number(st.key[1:])
            if len(st.positional) < 2:
                raise st.error("+<offset> <type> <name> or +<offset> pad|unread <count>")
            kind = st.positional[0]
            if kind in ("pad", "unread"):
                st.check_options(())
                if len(st.positional) != 2:
                    raise st.error("+<offset> %s <count>" % kind)
                record.fields.append(Field(offset, kind, None, st.number(st.positional[1]), st))
                continue
            if kind not in TYPES:
                raise st.error("%s: unknown type" % request.name, kind)
            st.check_options(("from",))
            field = Field(offset, kind, st.identifier(st.positional[1], "field name"), TYPES[kind][1], st)
            st.check_flags(st.positional[2:], ("out", "user"))
            field.out = "out" in st.positional[2:]
            field.user = "user" in st.positional[2:]
            field.source = st.options.get("from")
            record.fields.append(field)
        else:
            raise st.error("unknown statement")
    return requests, interfaces


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def check_record(request, record, direction):
    """The layout rules; raises naming the offending line."""
    def fail(statement, message):
        raise statement.error("%s (%s record): %s" % (request.name, direction, message))

    position = 0
    fields = record.fields
    status_index = next((i for i, f in enumerate(fields) if f.name == "status"), None)
    if status_index is None:
        fail(record.statement, "no status word")
    names = set()
    for i, f in enumerate(fields):
        if f.offset != position:
            fail(f.statement, "at +%d, but the previous field ends at +%d" % (f.offset, position))
        if f.size <= 0:
            fail(f.statement, "empty %s" % f.kind)
        if f.is_data:
            if f.name in names:
                fail(f.statement, "field %s twice" % f.name)
            names.add(f.name)
            if f.offset % f.size != 0:
                fail(f.statement, "%s at +%d is not at its natural alignment" % (f.name, f.offset))
        if f.kind == "pad":
            after = fields[i + 1] if i + 1 < len(fields) else None
            if after is None:
                # Trailing padding: only to round a record with a 64-bit field to 8.
                if i - 1 != status_index:
                    fail(f.statement, "trailing padding must follow the status word")
            elif after.kind == "pad":
                fail(f.statement, "two paddings in a row")
            else:
                need = (after.size if after.is_data else 1)
                if align(f.offset, need) != f.offset + f.size or f.offset % need == 0:
                    fail(f.statement, "padding of %d before %s is not what its alignment needs"
                         % (f.size, after.name or after.kind))
        if f.kind == "unread" and direction != "inbound":
            fail(f.statement, "unread bytes only in an inbound record")
        position += f.size
    status = fields[status_index]
    if status.kind != "i32":
        fail(status.statement, "the status word is an i32")
    if any(f.is_data or f.kind == "unread" for f in fields[status_index + 1:]):
        fail(fields[status_index + 1].statement, "the status word must be the last field")
    before = [f for f in fields[:status_index] if f.kind != "pad"]
    last_end = before[-1].offset + before[-1].size if before else 0
    if status.offset != align(last_end, 4):
        fail(status.statement, "status word at +%d, not at the next 4-byte boundary after +%d"
             % (status.offset, last_end))
    end = status.offset + 4
    wide = any(f.is_data and f.size == 8 for f in fields)
    expected = align(end, 8) if wide else end
    # Unread argument bytes may hide a 64-bit field: their record may be
    # rounded either way.
    unread = any(f.kind == "unread" for f in fields)
    if position != expected and not (unread and position == align(end, 8)):
        fail(record.statement, "laid out to %d bytes, the rules give %d" % (position, expected))
    if record.size != position:
        fail(record.statement, "stated as %d bytes, laid out as %d" % (record.size, position))
    largest = LARGEST_INBOUND if direction == "inbound" else LARGEST_OUTBOUND
    if record.size > largest:
        fail(record.statement, "larger than %d bytes" % largest)
    for f in fields:
        if direction == "inbound" and (f.out or f.source):
            fail(f.statement, "out and from= belong to the outbound record")


def check(requests, interfaces):
    codes, names = {}, {}
    for r in requests:
        if r.inbound is None or r.outbound is None:
            raise r.statement.error("%s needs an inbound and an outbound record" % (r.name))
        if r.server not in SERVERS:
            raise r.statement.error("%s: unknown server %s" % (r.name, r.server))
        if r.code in codes:
            raise r.statement.error("%s: code 0x%X already used by %s" % (r.name, r.code, codes[r.code]))
        if r.name in names:
            raise r.statement.error("%s twice" % (r.name))
        codes[r.code], names[r.name] = r.name, r
        group, direction = (r.code >> 8) & 0xFF, r.code >> 30
        if (r.code >> 16) & 0x3FFF != ENVELOPE_SIZE:
            raise r.statement.error("%s: code 0x%X does not carry the envelope size" % (r.name, r.code))
        if group not in GROUPS or not r.name.startswith(GROUPS[group]):
            raise r.statement.error("%s: name does not belong to group 0x%X" % (r.name, group))
        if (direction != 0) != (group == 0x84):
            raise r.statement.error("%s: only the cooling group carries a direction" % (r.name))
        if (r.level is None) != r.unsupported:
            raise r.statement.error("%s: level none exactly for unsupported requests" % (r.name))
        if r.level is not None and not 0 <= r.level <= 20:
            raise r.statement.error("%s: level %d outside 0-20" % (r.name, r.level))
        check_record(r, r.inbound, "inbound")
        check_record(r, r.outbound, "outbound")
        if any(f.kind == "unread" for f in r.inbound.fields) and not r.unsupported:
            raise r.statement.error("%s: only unsupported requests leave bytes unread" % (r.name))
        if r.unsupported and (r.arguments() or r.out_parameters()):
            raise r.statement.error("%s: an unsupported request has no arguments" % (r.name))
        returns = [f for f in r.outbound.data() if not f.out and f.source is None]
        if len(returns) > 1 or (returns and returns[0].offset != 0):
            raise r.statement.error("%s: one return value at most, at +0" % (r.name))
        for f in r.out_parameters():
            if f.source is not None:
                source = r.inbound.field(f.source)
                if source is None or source.kind != f.kind:
                    raise f.statement.error("%s: from=%s names no inbound %s" % (r.name, f.source, f.kind))
    for i in interfaces:
        for code in i.codes or []:
            if code not in codes:
                raise i.statement.error("%s decodes 0x%X, which no request has" % (i.cls, code))


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


def emit_unsupported(requests, source):
    out = [BANNER % source,
           "// The methods of the requests this device does not support.\n",
           "#include \"device/QuillDevice.h\"",
           "#include \"requests/tRecordTransfer.h\"\n",
           "namespace vorlan_driver {\n"]
    for r in requests:
        if r.unsupported:
            out.append("%s QuillDevice::%s(const nKIVAPAL000::tEventDescriptor&, nKIVAPALS100::tStatus& status) {"
                       % (return_type(r), r.name))
            out.append("  requests::answerNotSupportedHere(status);")
            if r.result():
                out.append("  return 0;")
            out.append("}\n")
    out.append("}  // namespace vorlan_driver")
    return "\n".join(out) + "\n"


def emit_table(requests, interfaces, source):
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
           "  // The in/out parameter, if any: inbound offset, outbound offset, size.",
           "  uint32_t presetInbound;",
           "  uint32_t presetOutbound;",
           "  uint32_t presetSize;",
           "};\n",
           "constexpr tRequestRow kRequestRows[] = {"]
    for r in requests:
        preset = next((f for f in r.out_parameters() if f.source is not None), None)
        pin = r.inbound.field(preset.source).offset if preset else 0
        out.append("    {0x%Xu, \"%s\", %d, %d, %d, %d, %d, %s, %d, %d, %d},"
                   % (r.code, r.name, r.inbound.size, r.outbound.size, -1 if r.level is None else r.level,
                      r.inbound.status().offset, r.outbound.status().offset,
                      "true" if cooling and r.code in cooling.codes else "false", pin, preset.offset if preset else 0,
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
    if len(args) != 2:
        sys.stderr.write("usage: requestgen.py <description> <output directory>\n")
        return 2
    description, out_dir = args
    try:
        requests, interfaces = parse(description)
        check(requests, interfaces)
    except DescriptionError as error:
        sys.stderr.write("requestgen: %s\n" % error)
        return 1
    source = "requests/" + os.path.basename(description)
    write(os.path.join(out_dir, "requests", "RequestRecords.h"), emit_records(requests, source))
    for interface in interfaces:
        write(os.path.join(out_dir, "requests", interface.cls + ".h"), emit_interface(interface, requests, source))
    write(os.path.join(out_dir, "device", "QuillDeviceRequestMethods.inc"), emit_declarations(requests, source))
    write(os.path.join(out_dir, "requests", "QuillDeviceUnsupportedRequests.cpp"), emit_unsupported(requests, source))
    write(os.path.join(out_dir, "requests", "RequestTable.h"), emit_table(requests, interfaces, source))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
