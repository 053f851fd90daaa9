"""Laying out installed games in the prefix, and looking at them afterwards.

Windows paths are Python str; Wine stores names as UTF-8 on the host and a
program's ANSI calls see them in code page 932. Record files are written as
CP932 bytes, the way the game's installer writes them.
"""

import shutil
from dataclasses import dataclass, field

UNINSTALL_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
# The all-users folders of a Wine prefix, as the programs' shell calls name them.
COMMON_DESKTOP = "C:\\users\\Public\\Desktop"
COMMON_PROGRAMS = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"
# A shortcut's bytes do not matter to the uninstaller; these begin like one.
LINK_BYTES = b"L\x00\x00\x00\x01\x14\x02\x00" + bytes(12)


def cp932(text) -> bytes:
    return text if isinstance(text, bytes) else text.encode("cp932")


def installer_ini(game_name, registry="", maker="", maker_menu="", folder_name="",
                  game_exe="Game.exe", uninstaller_exe="Uninstaller.exe",
                  shortcuts=(), desktop_shortcuts=()) -> bytes:
    """Installer.ini as the installer writes it: one #Key = "value" statement a line."""
    def statement(key, *values):
        return b"#" + key.encode() + b' = ' + b' , '.join(b'"' + cp932(v) + b'"' for v in values) + b"\r\n"
    out = b"#InstallerSetupFileVersion = 1\r\n"
    out += statement("GameName", game_name)
    out += statement("Registry", registry)
    out += statement("MutexName", "GameMutex")
    out += statement("DefaultGameMakerName", maker)
    out += statement("DefaultGameMakerProgramMenuName", maker_menu)
    out += statement("DefaultGameFolderName", folder_name)
    out += statement("GameExeFileName", game_exe)
    out += statement("UninstallerExeFileName", uninstaller_exe)
    for first, link in shortcuts:
        out += statement("Shortcut", first, link)
    for first, link in desktop_shortcuts:
        out += statement("DesktopShortcut", first, link)
    return out


def install_files_ini(paths) -> bytes:
    """InstallFiles.ini: one entry (path, decimal, hex) a line, no separators between."""
    out = b"#InstallerSetupFileVersion = 1\r\n#InstallFileList\r\n{\r\n"
    for number, path in enumerate(paths):
        out += b'\t"' + cp932(path) + b'" , ' + str(1000 + number).encode() + b" , 0x" + \
            f"{0x1234abcd + number:08x}".encode() + b"\r\n"
    return out + b"}\r\n"


@dataclass
class Game:
    """One installed game: its folder, files and registry entries."""
    folder: str                               # C:\Games\Maker\Game
    name: str
    registry: str                             # under HKLM, e.g. SOFTWARE\Maker\Game
    maker: str = ""
    maker_menu: str = ""
    files: dict = field(default_factory=dict)  # relative path -> bytes
    menu_links: tuple = ()                     # LinkNames in the game's program-menu folder
    desktop_links: tuple = ()                  # LinkNames on the all-users desktop

    @property
    def maker_folder(self):
        return self.folder.rsplit("\\", 1)[0]

    @property
    def menu_folder(self):
        """The game's program-menu folder: maker menu (if any), then the game's name."""
        return "\\".join(part for part in (COMMON_PROGRAMS, self.maker_menu, self.name) if part)

    @property
    def links(self):
        """Windows paths of the game's shortcut files."""
        return [f"{self.menu_folder}\\{link}.lnk" for link in self.menu_links] + \
            [f"{COMMON_DESKTOP}\\{link}.lnk" for link in self.desktop_links]

    @property
    def entry_key(self):
        return f"{UNINSTALL_KEY}\\TarnwickGame_{self.registry.rstrip(chr(92)).split(chr(92))[-1]}"

    @property
    def game_key(self):
        return f"HKEY_LOCAL_MACHINE\\{self.registry}"


# Keys under these belong to Windows or Wine: a test removes only its own key.
_SHARED_KEYS = {"microsoft", "wine", "classes", "wow6432node", "policies", "clients"}


def _registry_root(key):
    """The key a test's key hangs from that the test made: the maker's key
    below SOFTWARE, or the entry itself below the Uninstall key."""
    parts = key.split("\\")
    if key.lower().startswith(UNINSTALL_KEY.lower() + "\\"):
        return "\\".join(parts[:len(UNINSTALL_KEY.split("\\")) + 1])
    if len(parts) > 2 and parts[0].upper() in ("HKEY_LOCAL_MACHINE", "HKLM") and \
            parts[1].lower() == "software" and parts[2].lower() not in _SHARED_KEYS:
        return "\\".join(parts[:3])
    return key


class Layout:
    """The file system and registry of one test, undone afterwards."""

    def __init__(self, prefix, bystanders=True):
        self.prefix = prefix
        self.created = []       # unix paths of top-level folders this test made
        self.keys = []          # registry keys this test made
        # Every game installed gets what is not its own laid out beside it
        # (see Bystanders), unless the layout is made without.
        self.with_bystanders = bystanders
        self.bystanders = []

    # -- files --
    def write(self, windows_path, data=b""):
        path = self.prefix.unix_path(windows_path)
        self._remember(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(cp932(data))
        return path

    def mkdir(self, windows_path):
        path = self.prefix.unix_path(windows_path)
        self._remember(path)
        path.mkdir(parents=True, exist_ok=True)
        return path

    def exists(self, windows_path) -> bool:
        return self.prefix.unix_path(windows_path).exists()

    def read(self, windows_path) -> bytes:
        return self.prefix.unix_path(windows_path).read_bytes()

    def copy_program(self, source, windows_path):
        """Puts a built program into the prefix, alone in its folder."""
        return self.write(windows_path, source.read_bytes())

    def _remember(self, path):
        # What the test made is removed afterwards: the entry right below the
        # deepest well-known folder that holds it, when it did not exist yet.
        for container in self.prefix.containers:
            if container in path.parents:
                root = container / path.relative_to(container).parts[0]
                if not root.exists() and root not in self.created:
                    self.created.append(root)
                return
        raise ValueError(f"{path} is outside the folders a test may use")

    # -- registry --
    def add_keys(self, keys, view=None):
        """keys: [(full key path, {value name: data})]; imported in one regedit
        run, in `view` (default: the view of the programs under test, where
        their installer writes)."""
        for key, _ in keys:
            root = self.prefix.in_view(_registry_root(key), view)
            if root not in self.keys:
                self.keys.append(root)
        self.prefix.import_reg(keys, view=view)

    # -- games --
    def install_game(self, game: Game, uninstaller=None, file_list=None, settings=None,
                     uninstall_entry=True, bystanders=None, view=None):
        """Lays out a game as its installer leaves it: files, shortcuts, records, keys.

        file_list defaults to the game's files; settings to an Installer.ini
        for the game. The uninstaller, if given, is copied beside the game.
        Bystanders are laid out beside it unless bystanders=False (or the
        layout was made without them). The keys go into `view`, by default
        the view of the programs under test, as an installer of the same
        build writes them (bystanders always go there).
        """
        if self.with_bystanders if bystanders is None else bystanders:
            self.bystanders.append(Bystanders(self, game))
        for relative, data in game.files.items():
            self.write(f"{game.folder}\\{relative}", data)
        for link in game.links:
            self.write(link, LINK_BYTES)
        if settings is None:
            settings = installer_ini(game.name, game.registry, game.maker, game.maker_menu,
                                     game.folder.rsplit("\\", 1)[-1],
                                     shortcuts=[("Game.exe", link) for link in game.menu_links],
                                     desktop_shortcuts=[("Game.exe", link) for link in game.desktop_links])
        self.write(f"{game.folder}\\InstallInfo\\Installer.ini", settings)
        listed = list(game.files) if file_list is None else file_list
        self.write(f"{game.folder}\\InstallInfo\\InstallFiles.ini", install_files_ini(listed))
        if uninstaller is not None:
            self.copy_program(uninstaller, f"{game.folder}\\Uninstaller.exe")
        keys = [(game.game_key, {"InstallPath": game.folder})]
        if uninstall_entry:
            keys.append((game.entry_key, {
                "DisplayName": game.name, "DisplayIcon": f"{game.folder}\\Game.exe",
                "UninstallString": f"{game.folder}\\Uninstaller.exe", "NoModify": 1}))
        self.add_keys(keys, view=view)

    def assert_nothing_lost(self):
        """Every bystander laid out is as it was."""
        for laid_out in self.bystanders:
            laid_out.assert_untouched()

    # -- undo --
    def reset(self):
        for path in reversed(self.created):
            if path.is_dir() and not path.is_symlink():
                shutil.rmtree(path, ignore_errors=True)
            elif path.exists() or path.is_symlink():
                path.unlink()
        self.created.clear()
        for child in self.prefix.temp_dir.iterdir():
            if child.is_dir() and not child.is_symlink():
                shutil.rmtree(child, ignore_errors=True)
            else:
                child.unlink()
        if self.keys:
            # Already spelled as the 64-bit tools reach them (add_keys).
            self.prefix.import_reg([], delete=self.keys, view=64)
            self.keys.clear()
        self.bystanders.clear()


class Bystanders:
    """What is not the game's but lies next to it, laid out with every game a
    test installs: another game of the same maker (files, shortcuts in the
    same menu folder and on the same desktop, registry keys under the same
    maker key), a user's file in the maker folder, the user's own desktop
    shortcut named like the game, and the game's save data in Documents and
    AppData (configuration files included). An uninstall must leave all of it
    as it was, whatever else happens."""

    def __init__(self, layout: Layout, game: Game):
        user = layout.prefix.env["USER"]
        self.layout = layout
        self.other = Game(folder=f"{game.maker_folder}\\別のゲーム", name="別のゲーム",
                          registry=game.registry.rsplit("\\", 1)[0] + "\\別のゲーム", maker=game.maker,
                          maker_menu=game.maker_menu or game.maker or "Maker",
                          files={"Game.exe": b"MZ other", "data\\表.dat": b"other data"},
                          menu_links=("別のゲーム",), desktop_links=("別のゲーム",))
        saves = {}
        for root in (f"C:\\users\\{user}\\Documents", f"C:\\users\\{user}\\AppData\\Roaming"):
            for name in ("save01.dat", "Volume.sav", "3DConfig.vsf"):
                saves[f"{root}\\Tarnwick\\{game.name}\\SaveData\\{name}"] = f"{root}:{name}".encode()
        self.files = {
            f"{game.maker_folder}\\ユーザーのメモ.txt": "ユーザーのメモ".encode("cp932"),
            f"C:\\users\\{user}\\Desktop\\{game.name}.lnk": LINK_BYTES + b"user's own",
            **saves,
            **{f"{self.other.folder}\\{relative}": data for relative, data in self.other.files.items()},
            **{link: LINK_BYTES for link in self.other.links},
        }
        layout.install_game(self.other, bystanders=False)
        for path, data in self.files.items():
            layout.write(path, data)

    def assert_untouched(self):
        changed = [path for path, data in self.files.items()
                   if not self.layout.exists(path) or self.layout.read(path) != data]
        assert changed == [], f"files that are not the game's were changed or removed: {changed}"
        prefix = self.layout.prefix
        assert prefix.value_of(self.other.game_key, "InstallPath") == self.other.folder, \
            f"another game's key was changed or removed: {self.other.game_key}"
        assert prefix.value_of(self.other.entry_key, "DisplayName") == self.other.name, \
            f"another game's uninstall entry was changed or removed: {self.other.entry_key}"
