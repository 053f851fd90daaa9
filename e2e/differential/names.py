"""Names as the programs and their installer handle them: code page 932 bytes,
walked with the programs' one lead-byte rule.

The installer that recordcheck assumes (it lays out what the records say an
installer wrote) places shortcuts and keys only where a name allows it; the
prefix must get exactly those, so these rules are written out here for the
harness that lays the same things out under Wine."""

UNINSTALL_ROOT = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
ENTRY_PREFIX = "TarnwickGame_"
MAX_KEY_NAME = 255      # characters of one registry key name
DEVICES = {b"CON", b"PRN", b"AUX", b"NUL"}


def cp932(text) -> bytes:
    return text if isinstance(text, bytes) else text.encode("cp932")


def is_lead(byte: int) -> bool:
    return 0x81 <= byte <= 0x9F or byte >= 0xE0


def is_cp932(data: bytes) -> bool:
    """Every character a code page 932 character. Python's codec also takes
    0x80, 0xA0 and 0xFD-0xFF alone, which the system's table does not."""
    try:
        data.decode("cp932")
    except UnicodeDecodeError:
        return False
    i = 0
    while i < len(data):
        if is_lead(data[i]):
            i += 2
            continue
        if data[i] in (0x80, 0xA0):
            return False
        i += 1
    return True


def ends_whole(data: bytes) -> bool:
    """Walked with the lead-byte rule, the last character ends with the data."""
    i = 0
    while i < len(data):
        i += 2 if is_lead(data[i]) else 1
    return i == len(data)


def exact_cp932(text: str):
    """The text in code page 932 when every character comes back unchanged; else None."""
    out = b""
    for character in text:
        try:
            encoded = character.encode("cp932")
        except UnicodeEncodeError:
            return None
        if encoded.decode("cp932") != character:
            return None
        out += encoded
    return out


def split(path: bytes):
    """The components between one-byte backslashes (a trail byte 0x5C is no separator)."""
    parts, start, i = [], 0, 0
    while i < len(path):
        if is_lead(path[i]):
            i += 2
            continue
        if path[i] == 0x5C:
            parts.append(path[start:i])
            start = i + 1
        i += 1
    parts.append(path[start:])
    return parts


def drop_trailing_separator(path: bytes) -> bytes:
    """One trailing backslash goes (not a trail byte's 0x5C)."""
    return path[:-1] if len(path) > 0 and split(path)[-1] == b"" else path


def is_device_name(name: bytes) -> bool:
    stem = name.split(b".", 1)[0].rstrip(b" ").upper()
    return stem in DEVICES or (len(stem) == 4 and stem[:3] in (b"COM", b"LPT") and 0x31 <= stem[3] <= 0x39)


def is_safe_relative(path: bytes) -> bool:
    """A name of its own below a folder: no drive or stream, no leading
    separator, no empty or dots-only component, no device name, no wildcard,
    no broken two-byte character."""
    if not path or path[0] in b"\\/":
        return False
    component = b""
    only_dots = True
    i = 0

    def whole(name, dots):
        return name != b"" and not dots and not is_device_name(name)

    while i < len(path):
        byte = path[i]
        if byte in b"\0:*?":
            return False
        if is_lead(byte):
            if i + 1 >= len(path):
                return False
            trail = path[i + 1]
            lead_ok = 0x81 <= byte <= 0x9F or 0xE0 <= byte <= 0xFC
            if not (lead_ok and (0x40 <= trail <= 0x7E or 0x80 <= trail <= 0xFC)):
                return False
            component += path[i:i + 2]
            only_dots = False
            i += 2
            continue
        if byte in b"\\/":
            if not whole(component, only_dots):
                return False
            component, only_dots = b"", True
        else:
            component += bytes([byte])
            if byte not in b". ":
                only_dots = False
        i += 1
    return whole(component, only_dots)


def characters(data: bytes) -> int:
    count, i = 0, 0
    while i < len(data):
        i += 2 if is_lead(data[i]) else 1
        count += 1
    return count


def created_key(path: bytes):
    """The key the registry calls create for `path` below HKEY_LOCAL_MACHINE,
    as text; None when they refuse it (a leading backslash, a name longer
    than 255 characters). Runs of backslashes are one separator."""
    if not path or path[0] == 0x5C:
        return None
    parts = [part for part in split(path) if part]
    if not parts or any(characters(part) > MAX_KEY_NAME for part in parts):
        return None
    return "\\".join(part.decode("cp932") for part in parts)


def entry_key(registry: bytes) -> bytes:
    """The uninstall entry of a game whose Registry is `registry`."""
    last = split(drop_trailing_separator(registry))[-1]
    return cp932(UNINSTALL_ROOT + "\\" + ENTRY_PREFIX) + last


def shortcut_file(link: bytes):
    """The file an installer makes for a shortcut named `link`: the name plus
    .lnk unless it ends so already; a name written in UTF-8 is the text the
    maker meant. None when no such file can be named. As recordcheck lays it out."""
    name = link
    # Non-ASCII text that is well-formed UTF-8 was written in UTF-8, even where
    # its bytes happen to be Shift-JIS characters too.
    looks_utf8 = any(byte >= 0x80 for byte in link)
    if looks_utf8:
        try:
            link.decode("utf-8")
        except UnicodeDecodeError:
            looks_utf8 = False
    if not is_cp932(name) or looks_utf8:
        try:
            name = exact_cp932(link.decode("utf-8"))
        except UnicodeDecodeError:
            return None
        if name is None:
            return None
    name = drop_trailing_separator(name)
    if not is_safe_relative(name):
        return None
    return name if name[-4:].upper() == b".LNK" else name + b".lnk"


def menu_folder(maker_menu: bytes, game_name: bytes):
    """The game's menu folder below the program menu, or None when the
    installer would make none: one trailing separator of either name goes, an
    empty maker menu name puts the game's folder straight in the menu."""
    maker = drop_trailing_separator(maker_menu)
    game = drop_trailing_separator(game_name)
    if (maker and not is_safe_relative(maker)) or not is_safe_relative(game):
        return None
    return maker + b"\\" + game if maker else game


def normalized(path: str) -> str:
    """The path a Windows call acts on for `path` (C:\\...): '/' separates,
    runs of separators are one, "." and ".." resolve by the text, an inner
    name loses one trailing dot, the last all its trailing dots and spaces."""
    drive, *names = path.replace("/", "\\").split("\\")
    names = [name for name in names if name]
    last = names[-1].rstrip(". ") if names else ""
    kept = []
    for name in [n[:-1] if n.endswith(".") and n not in (".", "..") else n for n in names[:-1]] + [last]:
        if name == "..":
            kept = kept[:-1]
        elif name not in (".", ""):
            kept.append(name)
    return "\\".join([drive, *kept])


# Wine's relay trace shows at most this many characters of a string (a byte
# outside 0x20-0x7E as four, \\ \" \n \r \t as two). A longer one is cut, and
# marked "..." unless the cut dropped only its last byte.
TRACE_TEXT = 291


def maybe_cut(shown: bytes, marked: bool) -> bool:
    """Whether the trace may have cut a string it shows as `shown`."""
    return marked or sum(1 if 0x20 <= c <= 0x7E and c not in b'\\"' else 2 if c in b'\\"\n\r\t' else 4
                         for c in shown) >= TRACE_TEXT


def fold(path: str) -> str:
    """A Windows path for comparison: as the calls take it, letters in any case."""
    return normalized(path).upper()
