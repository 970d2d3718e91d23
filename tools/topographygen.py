#!/usr/bin/env python3
"""Generates the constant routing graph of one board variant.

The board's signal paths, by terminal table index (n destinations):

    0                 the default source: one cost-0 default edge into every
                      terminal that has incoming edges, last terminal first
    1                 the "off" source: drives every channel event register
                      but the fourth of each channel
    2 .. n+1          channel event inputs (endpoint-only): driven from any
                      source, and able to drive the other inputs and the
                      PXI trigger outputs themselves
    n+2 .. 2n+1       channel event sources (endpoint-only, never driven)
    2n+2 .. 2n+9      PXI trigger lines 0-7 (endpoint-only, exclusive)
    2n+10 + 2k        trigger-in of line k: from line k to every input
    2n+11 + 2k        trigger-out of line k: from every input and source to
                      line k

Selecting an edge writes the event code of its source into the register of
its target: channel inputs are the channel maps' 0x1037 and 0x1041-0x1043
(opcodes 2-25 select the channel), trigger outputs the isolated FPGA's event
register 0x200 + k, the non-isolated FPGA's PXI trigger-out configuration
and the isolated-port slot k (code 1 out, 2 in, 3 reset).

Usage: topographygen.py <Lark|Wren> <output directory>
Writes QuillTopography<variant>.h and .cpp there.
"""

import os
import sys

ISO_EVENT_REG = 0x80000200
TRIG_OUT_CONFIG_REG = 0x80000028
CHANNEL_EVENT_REGS = (0x80001037, 0x80001041, 0x80001042, 0x80001043)
EVENT_CODES = list(range(1000, 1072)) + list(range(1120, 1216)) + list(range(1240, 1264))
CODE_OFF = 14
CODE_OFF_SOURCE = 15
CODE_TRIGGER_IN = 16  # + line
LINES = 8

OP_NISO = 0
OP_ISO = 1
OP_CHANNEL = 2  # + channel
OP_REGISTER = 26
OP_WRITE = 27
OP_SLOT = 28
OP_ROUTE = 29
ROUTE_OUT, ROUTE_IN, ROUTE_RESET = 1, 2, 3

DEFAULT_FLAG = 0x100
ENDPOINT_ONLY, EXCLUSIVE, KEEP = 1, 2, 4

VARIANTS = {
    "Lark": dict(
        inputs=48, channels=12, peer_degree=45, source_degrees=(44, 45), in_range=(98, 102),
        # the 12-channel model mirrors part of its input selections into
        # channel c + 12
        mirrored=lambda offset, source: offset <= 25 or (offset == 26 and source % 2 == 0),
        cost_out=100, cost_line_in=100, cost_trigger_in=196, cost_peer=302, cost_source=304,
        cost_off=310),
    "Wren": dict(
        inputs=96, channels=24, peer_degree=93, source_degrees=(92, 93), in_range=(194, 198),
        mirrored=lambda offset, source: False,
        cost_out=196, cost_line_in=196, cost_trigger_in=388, cost_peer=590, cost_source=592,
        cost_off=598),
}
COST_LINE = 6


class Graph:
    def __init__(self, count):
        self.flags = [0] * count
        self.out = [[] for _ in range(count)]  # per source: [target, cost, flags, program]

    def add(self, source, target, cost, program, flags=0):
        self.out[source].append([target, cost, flags, program])


def input_targets(v, n, sources):
    """Which inputs each channel event source drives: degrees alternate, and
    the inputs' in-degrees span the variant's whole range."""
    off_driven = [1 if j % 4 != 3 else 0 for j in range(n)]
    fixed = [1 + LINES + off_driven[j] + v["peer_degree"] for j in range(n)]
    degrees = [v["source_degrees"][s % 2] for s in range(sources)]
    lo, hi = v["in_range"]
    demand = [lo - fixed[j] for j in range(n)]
    missing = sum(degrees) - sum(demand)
    demand[0] += hi - lo
    missing -= hi - lo
    j = 1
    while missing > 0:  # the last input stays at the bottom of the range
        demand[j] += 1
        missing -= 1
        j = j + 1 if j + 2 < n else 1
    assert missing == 0 and all(0 <= d <= sources for d in demand)
    targets = []
    for s in range(sources):
        order = sorted(range(n), key=lambda d: (-demand[d], d))[:degrees[s]]
        for d in order:
            assert demand[d] > 0, "input degrees cannot be met"
            demand[d] -= 1
        targets.append(sorted(order))
    assert not any(demand)
    return targets


def build(v):
    n = v["inputs"]
    first_input, first_source = 2, 2 + n
    first_line = 2 + 2 * n
    trigger_in = lambda k: first_line + LINES + 2 * k
    trigger_out = lambda k: first_line + LINES + 2 * k + 1
    count = first_line + 3 * LINES
    g = Graph(count)
    g.flags[0] = g.flags[1] = KEEP
    for t in range(first_input, first_line):
        g.flags[t] = ENDPOINT_ONLY
    for k in range(LINES):
        g.flags[first_line + k] = ENDPOINT_ONLY | EXCLUSIVE

    def channel_write(j, code, mirrored=False):
        channel, register = j // 4, CHANNEL_EVENT_REGS[j % 4]
        program = [(OP_CHANNEL + channel, 0), (OP_REGISTER, register), (OP_WRITE, code)]
        if mirrored:
            program += [(OP_CHANNEL + channel + v["channels"], 0), (OP_REGISTER, register), (OP_WRITE, code)]
        return program

    def line_out(k, code):
        return [(OP_ISO, 0), (OP_REGISTER, ISO_EVENT_REG + k), (OP_WRITE, code),
                (OP_NISO, 0), (OP_REGISTER, TRIG_OUT_CONFIG_REG), (OP_WRITE, 1 << k),
                (OP_SLOT, k), (OP_ROUTE, ROUTE_OUT)]

    def line_released(k):
        return [(OP_SLOT, k), (OP_ROUTE, ROUTE_RESET),
                (OP_NISO, 0), (OP_REGISTER, TRIG_OUT_CONFIG_REG), (OP_WRITE, 1 << (16 + k))]

    # The default source, last terminal first.
    for t in reversed(range(2, count)):
        if first_source <= t < first_line:
            continue
        if first_input <= t < first_source:
            program = channel_write(t - first_input, CODE_OFF)
        elif first_line <= t < first_line + LINES:
            program = []
        elif (t - trigger_in(0)) % 2 == 0:
            program = line_released((t - trigger_in(0)) // 2)
        else:
            k = (t - trigger_out(0)) // 2
            program = line_released(k) + [(OP_ISO, 0), (OP_REGISTER, ISO_EVENT_REG + k), (OP_WRITE, CODE_OFF)]
        g.add(0, t, 0, program, DEFAULT_FLAG)

    for j in range(n):
        if j % 4 != 3:
            g.add(1, first_input + j, v["cost_off"], channel_write(j, CODE_OFF_SOURCE))

    for i in range(n):
        for offset in range(1, v["peer_degree"] + 1):
            j = (i + offset) % n
            g.add(first_input + i, first_input + j, v["cost_peer"],
                  channel_write(j, EVENT_CODES[i], v["mirrored"](offset, i)))
        for k in range(LINES):
            g.add(first_input + i, trigger_out(k), v["cost_out"], line_out(k, EVENT_CODES[i]))

    for s, targets in enumerate(input_targets(v, n, n)):
        for j in targets:
            g.add(first_source + s, first_input + j, v["cost_source"], channel_write(j, EVENT_CODES[n + s]))
        for k in range(LINES):
            g.add(first_source + s, trigger_out(k), v["cost_out"], line_out(k, EVENT_CODES[n + s]))

    for k in range(LINES):
        g.add(first_line + k, trigger_in(k), v["cost_line_in"],
              [(OP_NISO, 0), (OP_REGISTER, TRIG_OUT_CONFIG_REG), (OP_WRITE, 1 << (16 + k)),
               (OP_SLOT, k), (OP_ROUTE, ROUTE_IN)])
        for j in range(n):
            g.add(trigger_in(k), first_input + j, v["cost_trigger_in"], channel_write(j, CODE_TRIGGER_IN + k))
        g.add(trigger_out(k), first_line + k, COST_LINE, [])

    for t in range(1, count):
        g.out[t].sort(key=lambda e: e[0])
    return g


def tables(g):
    terminals, edges, pairs = [], [], []
    incoming = [[] for _ in g.out]
    for source, out in enumerate(g.out):
        first = len(edges)
        for target, cost, flags, program in out:
            incoming[target].append(len(edges))
            edges.append((cost, target, len(pairs), len(program), flags))
            pairs.extend(program)
        terminals.append([source + 1, 0, first, len(out), 0, 0, 0, g.flags[source]])
    incoming_list = []
    for t, entries in enumerate(incoming):
        # the default edge first, then the others in table order
        entries.sort(key=lambda e: (edges[e][4] & DEFAULT_FLAG == 0, e))
        terminals[t][4] = len(incoming_list) if entries else 0
        terminals[t][5] = len(entries)
        incoming_list.extend(entries)
    return terminals, edges, pairs, incoming_list


def emit(variant, out_dir):
    name = "QuillTopography" + variant
    terminals, edges, pairs, incoming = tables(build(VARIANTS[variant]))
    header = f"""// Generated by tools/topographygen.py for the {variant} board; do not edit.
#pragma once

#include <stdint.h>

#include "routing/topography/TopInfo.h"

namespace {name} {{

constexpr uint32_t kTerminalCount = {len(terminals)};
constexpr uint32_t kEdgeCount = {len(edges)};
extern const kivark::TopInfo kTopInfo;

}}  // namespace {name}
"""
    out = [f"// Generated by tools/topographygen.py for the {variant} board; do not edit.",
           f'#include "routing/topography/{name}.h"', "",
           f"namespace {name} {{", "namespace {", "",
           "const uint64_t kZeroRecord[2] = {0, 0};",
           "const kivark::TerminalGroup kGroups[2] = {};", "",
           f"const kivark::Terminal kTerminals[{len(terminals)}] = {{"]
    out += ["    {%d, %d, %d, %d, %d, %d, %d, %d}," % tuple(t) for t in terminals]
    out += ["};", "", f"const kivark::Edge kEdges[{len(edges)}] = {{"]
    out += ["    {%d, %d, kZeroRecord, 0, %d, %d, 0x%x}," % e for e in edges]
    out += ["};", "", f"const kivark::ProgramPair kProgramPairs[{len(pairs)}] = {{"]
    out += ["    {%d, 0x%x}," % p for p in pairs]
    out += ["};", "", f"const uint32_t kIncomingEdges[{len(incoming)}] = {{"]
    out += ["    " + ", ".join(str(e) for e in incoming[i:i + 16]) + "," for i in range(0, len(incoming), 16)]
    out += ["};", "", "}  // namespace", "",
            "extern const kivark::TopInfo kTopInfo = {",
            f'    "{name}", kTerminals, kEdges, kGroups, kProgramPairs, kZeroRecord, kIncomingEdges,',
            f"    kTerminalCount, kEdgeCount, 0, 1}};", "",
            f"}}  // namespace {name}", ""]
    os.makedirs(out_dir, exist_ok=True)
    write_file(os.path.join(out_dir, name + ".h"), header)
    write_file(os.path.join(out_dir, name + ".cpp"), "\n".join(out))


def write_file(path, text):
    with open(path, "w") as f:
        f.write(text)


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in VARIANTS:
        sys.exit(__doc__)
    emit(sys.argv[1], sys.argv[2])
