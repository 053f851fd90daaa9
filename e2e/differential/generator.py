"""Game folders as an installer leaves them, generated from a seed.

A case starts from an ordinary installed game (its files, the two records,
shortcuts and a registry key) and applies one or more features, each a kind
of folder or record that the uninstall must get right: an empty maker menu
name, a shortcut name that already ends in .lnk, a registry key with doubled
backslashes, files the game wrote later, a link inside the game folder, and
so on (FEATURES). The same seed and features give the same bytes.

Names are Windows names (str, backslashes) for what lies on disk, and code
page 932 bytes for what the records say, so that a record can say what no
file is called."""

import random
from dataclasses import dataclass, field
from pathlib import Path

from names import cp932, ends_whole, is_cp932

ROOT = "C:\\Games"
MAKERS = ["Maker", "表示ソフト", "能登工房", "Tarn Soft", "ソフト表"]      # 表 ソ 能 end in the byte 0x5C
GAMES = ["Game", "表ソフトの冒険", "ソウルの表", "能力ゲーム", "Night Run", "星の海"]
FOLDERS = ["data", "表", "ソース", "movie", "音声", "Sound", "深い表"]
LEAVES = ["a.dat", "表.dat", "script.txt", "ソ.bin", "op.mpg", "能.ogg", "readme.txt"]


@dataclass
class Case:
    """One game folder and what its installer wrote about it."""
    name: str                 # the features it combines, e.g. "menu-empty+lnk-suffix"
    seed: int
    features: tuple
    maker: str                # DefaultGameMakerName
    maker_folder: str         # the folder above the game folder (the maker's name, as installed)
    folder: str               # the game folder's own name
    game_name: bytes
    registry: bytes           # None: no #Registry statement
    menu: bytes               # DefaultGameMakerProgramMenuName
    shortcuts: list = field(default_factory=list)        # LinkNames in the game's menu folder
    desktop: list = field(default_factory=list)          # LinkNames on the all-users desktop
    files: dict = field(default_factory=dict)            # on disk: relative Windows path -> bytes
    folders: list = field(default_factory=list)          # empty folders on disk
    links: list = field(default_factory=list)            # links to an empty folder outside the game
    listed: list = field(default_factory=list)           # InstallFiles.ini entries (bytes)
    save_setting: bytes = None                           # InstallInfo\SaveFolderSetting.ini
    settings_text: bytes = None                          # Installer.ini as written; None: from the values
    list_text: bytes = None                              # InstallFiles.ini as written; None: from `listed`
    others: list = field(default_factory=list)           # other games of the maker, beside this one
    read_only: list = field(default_factory=list)        # files on disk without write permission
    not_installed: list = field(default_factory=list)    # keys the installer did not write (--not-installed)

    @property
    def install_path(self) -> str:
        return f"{ROOT}\\{self.maker_folder}\\{self.folder}"

    def settings(self) -> bytes:
        if self.settings_text is not None:
            return self.settings_text

        def statement(key, *values):
            return b"#" + key + b" = " + b" , ".join(b'"' + cp932(v) + b'"' for v in values) + b"\r\n"
        out = b"#InstallerSetupFileVersion = 1\r\n" + statement(b"GameName", self.game_name)
        if self.registry is not None:
            out += statement(b"Registry", self.registry)
        out += statement(b"MutexName", "GameMutex") + statement(b"DefaultGameMakerName", self.maker)
        out += statement(b"DefaultGameMakerProgramMenuName", self.menu)
        out += statement(b"DefaultGameFolderName", self.folder) + statement(b"GameExeFileName", "Game.exe")
        out += statement(b"UninstallerExeFileName", "Uninstaller.exe")
        out += b"".join(statement(b"Shortcut", "Game.exe", link) for link in self.shortcuts)
        out += b"".join(statement(b"DesktopShortcut", "Game.exe", link) for link in self.desktop)
        return out

    def file_list(self) -> bytes:
        if self.list_text is not None:
            return self.list_text
        out = b"#InstallerSetupFileVersion = 1\r\n#InstallFileList\r\n{\r\n"
        for number, path in enumerate(self.listed):
            out += b'\t"' + path + b'" , ' + str(100 + number).encode() + f" , 0x{0x5a5a0000 + number:08x}\r\n".encode()
        return out + b"}\r\n"

    def write(self, root: Path) -> Path:
        """The game folder as the installer left it, at root/game; its links
        point at empty folders beside it, the other games lie at root/other-N.
        Returns the game folder."""
        game = root / "game"
        _write_tree(self, game, root, "link-target")
        for number, other in enumerate(self.others, 1):
            _write_tree(other, root / f"other-{number}", root, f"other-{number}-link-target")
        return game

    def other_folders(self, root: Path):
        return [root / f"other-{number}" for number in range(1, len(self.others) + 1)]


def _host(relative: str) -> str:
    return relative.replace("\\", "/")


def _write_tree(case, folder: Path, root: Path, target_name):
    folder.mkdir(parents=True)
    for relative, data in case.files.items():
        path = folder / _host(relative)
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
    for relative in case.read_only:
        (folder / _host(relative)).chmod(0o444)
    for relative in case.folders:
        (folder / _host(relative)).mkdir(parents=True, exist_ok=True)
    for number, relative in enumerate(case.links, 1):
        target = root / f"{target_name}-{number}"
        target.mkdir()
        link = folder / _host(relative)
        link.parent.mkdir(parents=True, exist_ok=True)
        link.symlink_to(target, target_is_directory=True)
    records = folder / "InstallInfo"
    records.mkdir(exist_ok=True)
    (records / "Installer.ini").write_bytes(case.settings())
    (records / "InstallFiles.ini").write_bytes(case.file_list())
    if case.save_setting is not None:
        (records / "SaveFolderSetting.ini").write_bytes(case.save_setting)


# ---- the ordinary game ------------------------------------------------------------

def _base(seed: int, features) -> Case:
    rng = random.Random(seed)
    maker = rng.choice(MAKERS)
    name = rng.choice(GAMES)
    folder = name if rng.random() < 0.5 else rng.choice(["Game", "Game2", "本編"])
    case = Case(name="+".join(features) or "plain", seed=seed, features=tuple(features), maker=maker,
                maker_folder=maker, folder=folder, game_name=cp932(name),
                registry=cp932(f"SOFTWARE\\{maker}\\{folder}"), menu=cp932(maker))
    case.shortcuts = [cp932(name)] + ([cp932("マニュアル表")] if rng.random() < 0.5 else [])
    case.desktop = [cp932(name)] if rng.random() < 0.7 else []
    case.files = {"Game.exe": b"MZ game", "Uninstaller.exe": b"MZ replaced by the real program"}
    for _ in range(rng.randint(2, 5)):
        depth = rng.randint(1, 3)
        path = "\\".join(rng.sample(FOLDERS, depth) + [rng.choice(LEAVES)])
        case.files[path] = f"{path} of {name}".encode("utf-8")
    case.listed = [cp932(path) for path in case.files]
    rng.shuffle(case.listed)
    if rng.random() < 0.4:
        case.save_setting = b"SFSF" + bytes(4) + bytes([rng.randint(0, 2)]) + bytes(3)
    return case


def _rng(case, feature):
    """Each feature's own random numbers: adding one leaves the others' choices alone."""
    return random.Random(f"{case.seed}:{feature}")


def _listed_folders(case):
    """Folders on disk that hold a listed file."""
    return sorted({path.rsplit("\\", 1)[0] for path in case.files if "\\" in path})


def _add(case, relative, data=b"", listed=True):
    case.files[relative] = data
    if listed:
        case.listed.append(cp932(relative))


def _swap_case(text: str) -> str:
    return "".join(c.lower() if c.isupper() else c.upper() for c in text)


# ---- features ---------------------------------------------------------------------

def menu_empty(case, rng):
    case.menu = b""


def lnk_suffix(case, rng):
    # The installer made "Name.lnk"; the uninstall looks for "Name.lnk.lnk".
    case.shortcuts.append(cp932(rng.choice(["起動.lnk", "Manual.LNK", "Game.lnk"])))
    case.desktop.append(cp932(rng.choice(["表示.lnk", "Play.Lnk"])))


def desktop_utf8(case, rng):
    # Written in UTF-8 by mistake: not Shift-JIS, but the shortcut the maker
    # meant. Read as Shift-JIS these bytes end on a whole character, so the
    # record stays readable (a last lead byte would take the closing quote).
    text = rng.choice(["ゲーム", "遊ぶ", "ゲームを遊ぶ", "星の海", "遊び方"])
    data = text.encode("utf-8")
    assert not is_cp932(data) and ends_whole(data), text
    case.desktop.append(data)


def records_listed(case, rng):
    case.listed += [b"InstallInfo\\Installer.ini", b"InstallInfo\\InstallFiles.ini"]
    if case.save_setting is not None or rng.random() < 0.5:
        case.save_setting = case.save_setting or b"SFSF" + bytes(8)
        case.listed.append(b"InstallInfo\\SaveFolderSetting.ini")
    rng.shuffle(case.listed)


def shortcut_odd(case, rng):
    # A shortcut in a subfolder of the desktop, one named twice, and names
    # that would leave their folder.
    case.desktop.append(cp932("ツール\\説明書"))
    case.shortcuts.append(case.shortcuts[0])
    case.desktop += [cp932(name) for name in rng.sample(["..\\Evil", "", "C:\\Evil", "CON", "a*b"], 2)]
    case.shortcuts += [cp932(name) for name in rng.sample(["..\\..\\Evil", "Sub\\\\x", "\\Evil", "Aux.txt"], 2)]


def nothing_listed(case, rng):
    # An empty list: only the records, shortcuts and keys go.
    case.listed = []


def folder_absent(case, rng):
    case.listed.insert(rng.randint(0, len(case.listed)), cp932(rng.choice(["patch\\v2\\fix.dat", "追加\\表.dat"])))


def registry_doubled(case, rng):
    case.registry = cp932(f"SOFTWARE\\\\{case.maker}\\\\{case.folder}")


def registry_leading(case, rng):
    case.registry = cp932(f"\\SOFTWARE\\{case.maker}\\{case.folder}")


def registry_trailing(case, rng):
    case.registry = cp932(f"SOFTWARE\\{case.maker}\\{case.folder}\\")


def registry_missing(case, rng):
    # No key to find: the record names none.
    case.registry = None


def registry_empty(case, rng):
    case.registry = b""


def registry_system(case, rng):
    case.registry = cp932(rng.choice(["SOFTWARE\\Microsoft\\", "SOFTWARE\\Classes\\"]) + case.folder)


def logs_entry(case, rng):
    # A folder listed as an entry: "Logs\\" (and "Saves/") names no file.
    case.listed.append(b"Logs\\")
    if rng.random() < 0.5:
        case.folders.append("Logs")
    else:
        case.files["Logs\\game.log"] = b"written later"
    if rng.random() < 0.5:
        case.listed.append(b"Saves/")
        case.folders.append("Saves")


def sjis_372(case, rng):
    # 372 bytes, about 200 characters: the bytes pass MAX_PATH, the characters do not.
    left = 372 - len(cp932(case.install_path)) - 1 - len(".dat")
    parts = []
    while left > 121:       # 60 two-byte characters and a separator
        parts.append(60)
        left -= 121
    names = ["".join(rng.choice("表ソ能長い名前") for _ in range(n)) for n in parts]
    names.append("".join(rng.choice("表ソ能長い名前") for _ in range(left // 2)) + "x" * (left % 2))
    relative = "\\".join(names) + ".dat"
    assert len(cp932(case.install_path + "\\" + relative)) == 372, relative
    _add(case, relative, b"long")


def game_name_empty(case, rng):
    case.game_name = b""


def menu_trailing(case, rng):
    case.menu = cp932(case.maker) + b"\\"


def game_trailing(case, rng):
    case.game_name += b"\\"


def menu_odd(case, rng):
    case.menu = cp932(rng.choice(["..", "\\" + case.maker, case.maker + "\\\\Sub", "CON", "..\\Startup",
                                  case.maker + ":x", " . "]))


def game_name_odd(case, rng):
    case.game_name = cp932(rng.choice(["Game?", "a:b", "..", "NUL", "表*", "ゲーム\\..\\.."]))


def menu_nested(case, rng):
    case.menu = cp932(case.maker + "\\" + rng.choice(["Games", "ゲーム集"]))


def case_twins(case, rng):
    # The list names files in other letter case than on disk (Latin, full-width,
    # Greek and Cyrillic letters all fold), and one entry twice in two cases.
    twins = {"data\\twin.dat": "DATA\\TWIN.DAT", "data\\ｇａｍｅ.dat": "data\\ＧＡＭＥ.dat",
             "data\\α表.dat": "data\\Α表.dat", "data\\д.txt": "data\\Д.txt"}
    for on_disk, listed in rng.sample(sorted(twins.items()), 2):
        case.files[on_disk] = b"twin"
        case.listed.append(cp932(listed))
    first = sorted(case.files)[0]
    case.listed.append(cp932(_swap_case(first)))


def maker_case(case, rng):
    # Installed below "maker" while the record says "Maker": that folder is not the maker's.
    swapped = _swap_case(case.maker)
    case.maker_folder = swapped if swapped != case.maker else case.maker + "2"


def link_inside(case, rng):
    case.links.append("link")
    case.listed += [b"link\\victim.txt", b"link\\sub\\deep.txt"]
    folder = rng.choice(_listed_folders(case) or ["data"])
    case.links.append(f"{folder}\\linked")
    case.listed.append(cp932(f"{folder}\\linked\\x.dat"))
    if rng.random() < 0.5:
        case.listed.append(b"link")


def unlisted_saves(case, rng):
    folders = _listed_folders(case)
    for folder in rng.sample(folders, min(2, len(folders))):
        case.files[f"{folder}\\save01.sav"] = b"the player's"
    case.files["Manual.pdf"] = b"forgotten by the installer"


def device_names(case, rng):
    entries = ["data\\NUL", "CON.txt", "aux\\x.dat", "Lpt1.dat", "COM9", "data\\prn.log"]
    case.listed += [cp932(e) for e in rng.sample(entries, 4)]
    case.files.update({"data\\NUL": b"nul", "CON.txt": b"con", "aux\\x.dat": b"aux", "lpt1.dat": b"lpt"})


def wildcards(case, rng):
    case.listed += [cp932(e) for e in rng.sample(["data\\*.dat", "data\\?.dat", "*", "表\\*", "a?c.txt"], 3)]
    case.files["data\\b.dat"] = b"what a pattern would reach"


def long_ascii(case, rng):
    # Full paths of MAX_PATH - 1 characters (reachable) and MAX_PATH + 1 (not),
    # and a folder beyond MAX_PATH.
    base = len(case.install_path) + 1

    def padded(folder, fill, total):
        return f"{folder}\\" + fill * (total - base - len(folder) - 1)
    _add(case, padded("Long", "y", 259), b"y")
    _add(case, padded("Long", "w", 261), b"w")
    _add(case, "Deep\\" + "x" * 250 + "\\f.dat", b"x")


def long_sjis(case, rng):
    # Beyond MAX_PATH in characters, in Shift-JIS (each host name within 255 UTF-8 bytes).
    base = len(case.install_path) + 1
    parts = ["長" * 80, "ソ" * 80]
    last = 262 - base - 162 - 4
    _add(case, "\\".join(parts) + "\\" + "表" * max(last, 1) + ".dat", b"so")


def key_absent(case, rng):
    # The installer wrote no game key, or the player removed it.
    case.not_installed.append("game-key")


def entry_absent(case, rng):
    # No uninstall entry: the Uninstaller makes one to delete it.
    case.not_installed.append("uninstall-entry")


def other_game(case, rng):
    # Another game of the maker beside this one, installed by its own installer.
    name = rng.choice(["別のゲーム", "Other"])
    other = Case(name=name, seed=case.seed, features=(), maker=case.maker, maker_folder=case.maker_folder,
                 folder=name, game_name=cp932(name), registry=cp932(f"SOFTWARE\\{case.maker}\\{name}"),
                 menu=cp932(case.maker), shortcuts=[cp932(name)], desktop=[cp932(name + "で遊ぶ")],
                 files={"Other.exe": b"MZ other", "data\\表.dat": b"other's", "Uninstaller.exe": b"MZ"})
    other.listed = [cp932(path) for path in other.files]
    case.others.append(other)


def slashes(case, rng):
    # '/' separates folders as '\' does; one separator at the end of an entry goes.
    _add(case, "Data2\\Sub\\x.dat", b"x")
    case.listed[-1] = b"Data2/Sub/x.dat"
    case.listed.append(rng.choice([b"Data2/Sub/", b"Data2\\Sub/", b"Data2/Sub\\"]))


def listed_twice(case, rng):
    case.listed.append(rng.choice(case.listed))


def folder_listed(case, rng):
    # An entry that names a folder: deleting it as a file fails.
    case.listed.append(cp932(rng.choice(_listed_folders(case) or ["data"])))


def settings_bad(case, rng):
    # A word for a text, a statement without its #, a byte-order mark.
    case.settings_text = rng.choice([b"#GameName = Game\r\n", b"GameName = \"Game\"\r\n",
                                     b"\xef\xbb\xbf#GameName = \"G\"\r\n"])


def list_bad(case, rng):
    text = case.file_list()
    case.list_text = rng.choice([text.replace(b"\r\n\t", b" ,\r\n\t", 2).replace(b"{ ,", b"{", 1),
                                 text + b"; a comment without a line feed"])


def trailing_dots(case, rng):
    # Windows cuts trailing dots: "Name." is the folder Name, "a.dat." the file a.dat.
    case.game_name += b"."
    on_disk = rng.choice(sorted(path for path in case.files if "\\" in path))
    folder, name = on_disk.rsplit("\\", 1)
    case.listed.append(cp932(f"{on_disk}."))
    _add(case, f"{folder}\\dotted.dat", b"d", listed=False)
    case.listed.append(cp932(f"{folder}.\\dotted.dat"))


def dot_entries(case, rng):
    # "." and ".." components never lead anywhere, whatever they would reach.
    case.listed += [cp932(e) for e in rng.sample([".\\Game.exe", "data\\.\\a.dat", "data\\..\\Game.exe",
                                                  "..\\Other\\Other.exe", "...\\x.dat"], 3)]


def read_only(case, rng):
    # A file the installer copied read-only (from a disc, say).
    case.read_only.append(rng.choice(sorted(path for path in case.files if path != "Uninstaller.exe")))


def not_sjis_name(case, rng):
    # A file the game wrote whose name Shift-JIS cannot hold: no record can name it.
    folder = rng.choice(_listed_folders(case) or [""])
    case.files[f"{folder}\\☺セーブ.dat".lstrip("\\")] = b"the player's"


def registry_long(case, rng):
    # A key name longer than the registry allows: no installer could write it.
    case.registry = cp932(f"SOFTWARE\\{case.maker}\\" + "k" * 300)


FEATURES = {
    "menu-empty": menu_empty, "lnk-suffix": lnk_suffix, "desktop-utf8": desktop_utf8, "shortcut-odd": shortcut_odd,
    "nothing-listed": nothing_listed,
    "records-listed": records_listed, "folder-absent": folder_absent, "reg-doubled": registry_doubled,
    "reg-leading": registry_leading, "reg-trailing": registry_trailing, "reg-missing": registry_missing,
    "reg-empty": registry_empty,
    "reg-system": registry_system, "reg-long": registry_long, "logs-entry": logs_entry, "sjis-372": sjis_372,
    "game-name-empty": game_name_empty, "menu-trailing": menu_trailing, "game-trailing": game_trailing,
    "menu-odd": menu_odd, "game-name-odd": game_name_odd, "menu-nested": menu_nested,
    "case-twins": case_twins, "maker-case": maker_case, "link-inside": link_inside,
    "unlisted-saves": unlisted_saves, "device-names": device_names, "wildcards": wildcards,
    "long-ascii": long_ascii, "long-sjis": long_sjis, "slashes": slashes, "listed-twice": listed_twice,
    "folder-listed": folder_listed, "trailing-dots": trailing_dots, "dot-entries": dot_entries,
    "read-only": read_only, "not-sjis-name": not_sjis_name, "list-bad": list_bad, "settings-bad": settings_bad,
    "other-game": other_game,   # after the others that shape the maker and the names
    "key-absent": key_absent, "entry-absent": entry_absent,
}


def make_case(seed: int, features=()) -> Case:
    order = list(FEATURES)
    chosen = sorted(set(features), key=order.index)
    case = _base(seed, chosen)
    for feature in chosen:
        FEATURES[feature](case, _rng(case, feature))
    return case


def random_case(seed: int) -> Case:
    """One to three features, chosen by the seed (a few plain games too)."""
    rng = random.Random(f"features:{seed}")
    count = rng.choice([0, 1, 1, 2, 2, 3])
    return make_case(seed, rng.sample(list(FEATURES), count))


def random_cases(seed: int, count: int):
    return [random_case(seed + number) for number in range(count)]


# Every case the uninstall must get right, each alone, then mixed.
FIXED = [(1, ())] + [(10 + number, (feature,)) for number, feature in enumerate(FEATURES)] + [
    (101, ("menu-empty", "lnk-suffix", "other-game")),
    (102, ("desktop-utf8", "records-listed", "unlisted-saves")),
    (103, ("reg-doubled", "other-game")),
    (104, ("reg-leading", "folder-absent", "slashes")),
    (105, ("logs-entry", "sjis-372", "case-twins")),
    (106, ("game-trailing", "menu-trailing", "link-inside")),
    (107, ("device-names", "wildcards", "records-listed")),
    (108, ("long-ascii", "unlisted-saves", "other-game")),
    (109, ("menu-empty", "game-name-empty", "reg-empty")),
    (110, ("maker-case", "other-game", "listed-twice")),
    (111, ("long-sjis", "case-twins", "folder-listed")),
    (112, ("menu-nested", "desktop-utf8", "reg-trailing")),
    (113, ("key-absent", "entry-absent", "other-game")),
]


def fixed_cases():
    return [make_case(seed, features) for seed, features in FIXED]
