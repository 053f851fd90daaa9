"""A small reader of the parts of a PE file the release checks look at.

Headers, imported DLL names, the resource tree, the embedded manifest and the
version block. Pure Python, so the checks need no Windows tools; every read is
bounds-checked and a malformed file raises PEFormatError.
"""

import struct
from dataclasses import dataclass, field

MACHINE_I386 = 0x14C
MACHINE_AMD64 = 0x8664
SUBSYSTEM_WINDOWS_GUI = 2
DLLCHAR_HIGH_ENTROPY_VA = 0x20
DLLCHAR_DYNAMIC_BASE = 0x40
DLLCHAR_NX_COMPAT = 0x100
RT_VERSION = 16
RT_MANIFEST = 24

_DIR_IMPORT = 1
_DIR_RESOURCE = 2
_DIR_DELAY_IMPORT = 13


class PEFormatError(ValueError):
    pass


@dataclass
class Section:
    name: str
    virtual_address: int
    virtual_size: int
    raw_offset: int
    raw_size: int


@dataclass
class PEFile:
    data: bytes = field(repr=False)
    machine: int = 0
    is_pe32_plus: bool = False
    subsystem: int = 0
    dll_characteristics: int = 0
    symbol_count: int = 0
    directories: list = field(default_factory=list)
    sections: list = field(default_factory=list)

    # ---- raw access -------------------------------------------------------
    def _unpack(self, fmt, offset):
        size = struct.calcsize(fmt)
        if offset < 0 or offset + size > len(self.data):
            raise PEFormatError(f"read of {size} bytes at {offset:#x} is outside the file")
        return struct.unpack_from(fmt, self.data, offset)

    def rva_to_offset(self, rva):
        for s in self.sections:
            span = max(s.virtual_size, s.raw_size)
            if s.virtual_address <= rva < s.virtual_address + span:
                delta = rva - s.virtual_address
                if delta >= s.raw_size:
                    raise PEFormatError(f"RVA {rva:#x} lies in the uninitialised part of {s.name}")
                return s.raw_offset + delta
        raise PEFormatError(f"RVA {rva:#x} is in no section")

    def read_at_rva(self, rva, size):
        offset = self.rva_to_offset(rva)
        if offset + size > len(self.data):
            raise PEFormatError(f"{size} bytes at RVA {rva:#x} run past the end of the file")
        return self.data[offset:offset + size]

    def c_string_at_rva(self, rva, limit=512):
        offset = self.rva_to_offset(rva)
        end = self.data.find(b"\0", offset, offset + limit)
        if end < 0:
            raise PEFormatError(f"unterminated string at RVA {rva:#x}")
        return self.data[offset:end].decode("ascii", "replace")

    # ---- imports ----------------------------------------------------------
    def imported_dlls(self):
        """Names of the DLLs in the import table, as written."""
        return self._descriptor_names(_DIR_IMPORT, 20, 3)

    def imported_functions(self):
        """{dll: [function names]} of the import table (by ordinal: "#n")."""
        rva, length = self.directories[_DIR_IMPORT] if _DIR_IMPORT < len(self.directories) else (0, 0)
        found = {}
        if rva == 0 or length == 0:
            return found
        width, flag = (8, 1 << 63) if self.is_pe32_plus else (4, 1 << 31)
        offset = self.rva_to_offset(rva)
        for i in range(4096):
            lookup, _, _, name, first = self._unpack("<5I", offset + i * 20)
            if not (lookup or name or first):
                return found
            names = found.setdefault(self.c_string_at_rva(name), [])
            thunk = self.rva_to_offset(lookup or first)
            for j in range(65536):
                (entry,) = self._unpack("<Q" if width == 8 else "<I", thunk + j * width)
                if entry == 0:
                    break
                names.append(f"#{entry & 0xFFFF}" if entry & flag else self.c_string_at_rva((entry & 0x7FFFFFFF) + 2))
        raise PEFormatError("import table without terminator")

    def delay_imported_dlls(self):
        return self._descriptor_names(_DIR_DELAY_IMPORT, 32, 1)

    def _descriptor_names(self, index, size, name_field):
        rva, length = self.directories[index] if index < len(self.directories) else (0, 0)
        names = []
        if rva == 0 or length == 0:
            return names
        offset = self.rva_to_offset(rva)
        for i in range(4096):
            fields = self._unpack("<8I", offset + i * size)[: size // 4]
            if not any(fields):
                return names
            names.append(self.c_string_at_rva(fields[name_field]))
        raise PEFormatError("import table without terminator")

    # ---- resources --------------------------------------------------------
    def resources(self):
        """Every resource as (type, name, language, bytes); ids as ints, names as str."""
        rva, length = self.directories[_DIR_RESOURCE]
        if rva == 0 or length == 0:
            return []
        base = self.rva_to_offset(rva)
        found = []
        self._walk_resources(base, 0, [], found, depth=0)
        return found

    def _walk_resources(self, base, offset, path, found, depth):
        if depth > 3:
            raise PEFormatError("resource tree deeper than type/name/language")
        named, ids = self._unpack("<HH", base + offset + 12)
        for i in range(named + ids):
            key, target = self._unpack("<II", base + offset + 16 + 8 * i)
            if key & 0x80000000:
                (count,) = self._unpack("<H", base + (key & 0x7FFFFFFF))
                start = base + (key & 0x7FFFFFFF) + 2
                entry = self.data[start:start + 2 * count].decode("utf-16-le", "replace")
            else:
                entry = key
            if target & 0x80000000:
                self._walk_resources(base, target & 0x7FFFFFFF, path + [entry], found, depth + 1)
            else:
                data_rva, size, _codepage, _ = self._unpack("<IIII", base + target)
                found.append((*(path + [entry]), self.read_at_rva(data_rva, size)))

    def resource_data(self, type_id, name_id=None):
        for entry in self.resources():
            if len(entry) == 4 and entry[0] == type_id and (name_id is None or entry[1] == name_id):
                return entry[3]
        return None


def parse(data: bytes) -> PEFile:
    pe = PEFile(data)
    if data[:2] != b"MZ":
        raise PEFormatError("no MZ header")
    (pe_offset,) = pe._unpack("<I", 0x3C)
    if pe._unpack("<4s", pe_offset)[0] != b"PE\0\0":
        raise PEFormatError("no PE signature")
    pe.machine, section_count, _, _, pe.symbol_count, optional_size, _ = pe._unpack("<HHIIIHH", pe_offset + 4)
    optional = pe_offset + 24
    (magic,) = pe._unpack("<H", optional)
    if magic not in (0x10B, 0x20B):
        raise PEFormatError(f"unknown optional header magic {magic:#x}")
    pe.is_pe32_plus = magic == 0x20B
    pe.subsystem, pe.dll_characteristics = pe._unpack("<HH", optional + 68)
    count_offset = optional + (108 if pe.is_pe32_plus else 92)
    (directory_count,) = pe._unpack("<I", count_offset)
    directory_count = min(directory_count, 16)
    pe.directories = [pe._unpack("<II", count_offset + 4 + 8 * i) for i in range(directory_count)]
    pe.directories += [(0, 0)] * (16 - directory_count)
    table = optional + optional_size
    for i in range(section_count):
        name, vsize, vaddr, rsize, roffset = pe._unpack("<8sIIII", table + 40 * i)
        pe.sections.append(Section(name.rstrip(b"\0").decode("ascii", "replace"), vaddr, vsize, roffset, rsize))
    return pe


def read(path) -> PEFile:
    with open(path, "rb") as f:
        return parse(f.read())


# ---- version block ------------------------------------------------------------
def _version_node(data, offset):
    """One VS_VERSIONINFO-style node: (key, value bytes, is_text, children, end)."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    if length < 6 or end > len(data):
        raise PEFormatError("version node out of bounds")
    key_start = offset + 6
    key_end = key_start
    while key_end + 1 < end and data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[key_start:key_end].decode("utf-16-le")
    value_start = (key_end + 2 + 3) & ~3
    value_size = value_length * 2 if is_text else value_length
    value = data[value_start:value_start + value_size]
    children = []
    child = (value_start + value_size + 3) & ~3
    while child + 6 <= end:
        node = _version_node(data, child)
        children.append(node)
        child = (node[4] + 3) & ~3
    return key, value, is_text, children, end


def version_info(data: bytes):
    """The fixed file version as a 4-tuple and the string table as a dict."""
    key, fixed, _, children, _ = _version_node(data, 0)
    if key != "VS_VERSION_INFO" or len(fixed) < 52:
        raise PEFormatError("not a version block")
    signature, _, ms, ls = struct.unpack_from("<IIII", fixed, 0)
    if signature != 0xFEEF04BD:
        raise PEFormatError("bad VS_FIXEDFILEINFO signature")
    version = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    strings = {}
    for child in children:
        if child[0] != "StringFileInfo":
            continue
        for table in child[3]:
            for entry in table[3]:
                strings[entry[0]] = entry[1].decode("utf-16-le").rstrip("\0")
    return version, strings
