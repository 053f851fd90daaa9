"""Reading message boxes and shell calls back from Wine's relay trace.

With WINEDEBUG=+relay and RelayInclude limited to the calls of interest, Wine
writes one line per call and one per return, for example

    0120:Call user32.MessageBoxA(00000000,00cb79a0 "\\x83R\\x83}",140027030 "Uninstaller",00050000) ret=1400016d8
    0120:Ret  user32.MessageBoxA() retval=00000001 ret=1400016d8

A string argument is the pointer followed by the text in double quotes, with
\\n \\r \\t \\" \\\\ escaped, other bytes outside 0x20..0x7E as \\xNN, and a text
longer than the trace's limit cut and followed by ... after its closing quote.
"""

import re
from dataclasses import dataclass

_CALL = re.compile(rb"^([0-9a-f]+):Call (\w+)\.(\w+)\((.*)\) ret=[0-9a-f]+$")
_RET = re.compile(rb"^([0-9a-f]+):Ret  (\w+)\.(\w+)\(\) retval=([0-9a-f]+) ret=[0-9a-f]+$")
_ESCAPES = {ord("n"): 0x0A, ord("r"): 0x0D, ord("t"): 0x09, ord('"'): 0x22, ord("\\"): 0x5C}


@dataclass
class Argument:
    value: int
    text: bytes = None       # the quoted text, when the trace shows one
    truncated: bool = False  # the trace cut the text: compare as a prefix


@dataclass
class Call:
    thread: str
    function: str            # "user32.MessageBoxA"
    arguments: list


@dataclass
class Return:
    thread: str
    function: str
    value: int


def _quoted(line, i):
    """Decodes the quoted text starting at line[i] == '"'; returns (bytes, next index)."""
    out = bytearray()
    i += 1
    while i < len(line):
        c = line[i]
        if c == 0x22:
            return bytes(out), i + 1
        if c == 0x5C and i + 1 < len(line):
            e = line[i + 1]
            if e == ord("x") and i + 3 < len(line):
                out.append(int(line[i + 2:i + 4], 16))
                i += 4
                continue
            if e in _ESCAPES:
                out.append(_ESCAPES[e])
                i += 2
                continue
            raise ValueError(f"unknown escape \\{chr(e)} in relay text")
        out.append(c)
        i += 1
    raise ValueError("unterminated relay text")


def parse_arguments(text: bytes):
    arguments = []
    i = 0
    while i < len(text):
        m = re.compile(rb"[0-9a-fA-F]+").match(text, i)
        if not m:
            raise ValueError(f"unexpected relay argument at {text[i:i + 20]!r}")
        argument = Argument(int(m.group(0), 16))
        i = m.end()
        if text[i:i + 2] == b' "':
            argument.text, i = _quoted(text, i + 1)
            if text[i:i + 3] == b"...":
                argument.truncated = True
                i += 3
        elif text[i:i + 3] == b' L"':
            raise ValueError("wide-string arguments are not expected in this trace")
        arguments.append(argument)
        if i < len(text):
            if text[i:i + 1] != b",":
                raise ValueError(f"expected a comma in relay arguments at {text[i:i + 20]!r}")
            i += 1
    return arguments


def parse_line(line: bytes):
    """A Call or Return for a relayed API line; None for anything else."""
    line = line.rstrip(b"\r\n")
    m = _CALL.match(line)
    if m:
        return Call(m.group(1).decode(), f"{m.group(2).decode()}.{m.group(3).decode()}",
                    parse_arguments(m.group(4)))
    m = _RET.match(line)
    if m:
        return Return(m.group(1).decode(), f"{m.group(2).decode()}.{m.group(3).decode()}",
                      int(m.group(4), 16))
    return None


class TraceReader:
    """Follows a growing trace file and hands out whole relayed lines."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.pending = b""

    def poll(self):
        try:
            with open(self.path, "rb") as f:
                f.seek(self.offset)
                chunk = f.read()
        except FileNotFoundError:
            return []
        self.offset += len(chunk)
        data = self.pending + chunk
        lines = data.split(b"\n")
        self.pending = lines.pop()
        events = []
        for line in lines:
            if b":Call " in line or b":Ret  " in line:
                event = parse_line(line)
                if event is not None:
                    events.append(event)
        return events
