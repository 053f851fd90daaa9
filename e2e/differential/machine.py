"""A generated game in the Wine prefix, laid out exactly as recordcheck
assumes its installer left it, the Uninstaller's two modes run on it, and
what they did, seen from outside: the files of drive C, the keys of the
registry near the game's, and the removal calls in Wine's relay trace."""

import os
import random
import tempfile
from dataclasses import dataclass, field
from pathlib import Path

import game
import relay
from names import UNINSTALL_ROOT, created_key, entry_key, maybe_cut, menu_folder, normalized, shortcut_file
from wine import Box, HarnessError

DESKTOP = game.COMMON_DESKTOP
PROGRAMS = game.COMMON_PROGRAMS
LINK_TARGETS = "C:\\LinkTargets"     # where recordcheck points the junctions it makes for links
HKLM = "HKEY_LOCAL_MACHINE"
MB_TYPE = 0xF
ANSWERS = {3: "n", 4: "n"}           # a question (Yes/No, Yes/No/Cancel) is answered No; every other box Return
# Keys below SOFTWARE that are Windows' or Wine's: a game key under them is watched alone.
SHARED = {"microsoft", "wine", "classes", "wow6432node", "policies", "clients"}


def answer_for(flags: int) -> str:
    return ANSWERS.get(flags & MB_TYPE, "Return")


# ---- laying it out ------------------------------------------------------------------

class Bystanders:
    """What is not the game's: another maker's game with its shortcuts and keys,
    the player's own files. Placed where no prediction depends on them, and
    checked after every run."""

    def __init__(self, prefix):
        user = prefix.env["USER"]
        self.folder = "C:\\Games\\他社\\他社のゲーム"
        self.files = {
            f"{self.folder}\\Game.exe": b"MZ another maker's",
            f"{self.folder}\\data\\表.dat": b"another maker's data",
            f"{DESKTOP}\\他社のゲーム.lnk": game.LINK_BYTES,
            f"{PROGRAMS}\\他社\\他社のゲーム\\他社のゲーム.lnk": game.LINK_BYTES,
            f"C:\\users\\{user}\\Documents\\メモ.txt": "プレイヤーのメモ".encode("cp932"),
            f"C:\\users\\{user}\\Desktop\\ゲーム.lnk": game.LINK_BYTES + b"the player's own",
            f"C:\\users\\{user}\\Documents\\Tarnwick\\ゲーム\\SaveData\\Volume.sav": b"the player's settings",
        }
        self.keys = [("SOFTWARE\\他社\\他社のゲーム", {"InstallPath": self.folder}),
                     (f"{UNINSTALL_ROOT}\\TarnwickGame_他社のゲーム", {"DisplayName": "他社のゲーム"})]

    def lay_out(self, layout):
        for path, data in self.files.items():
            layout.write(path, data)
        return self.keys

    def changed(self, layout):
        return sorted(path for path, data in self.files.items()
                      if not layout.exists(path) or layout.read(path) != data)


@dataclass
class Installed:
    """What one case laid out, to watch and to undo."""
    layout: game.Layout
    keys: list                      # keys below HKLM, in the programs' view
    bystanders: Bystanders
    others: list                    # the other games' folders


def _copy_tree(prefix, layout, host: Path, folder: str, targets: list):
    """The host folder's tree at the Windows folder; a link becomes a link to
    an empty folder of its own below LINK_TARGETS, as recordcheck makes it."""
    layout.mkdir(folder)
    for top, folders, files in os.walk(host):
        relative = Path(top).relative_to(host).parts
        here = "\\".join([folder, *relative])
        for name in sorted(folders + files):
            path = Path(top) / name
            windows = f"{here}\\{name}"
            if path.is_symlink():
                target = layout.mkdir(f"{LINK_TARGETS}\\{len(targets) + 1}")
                targets.append(target)
                link = prefix.unix_path(windows)
                link.parent.mkdir(parents=True, exist_ok=True)
                link.symlink_to(target, target_is_directory=True)
            elif path.is_dir():
                layout.mkdir(windows)
            else:
                layout.write(windows, path.read_bytes()).chmod(path.stat().st_mode & 0o777)
        folders[:] = [name for name in folders if not (Path(top) / name).is_symlink()]


def _what_the_installer_wrote(layout, case, folder):
    """Shortcuts as files, and the keys to write, as recordcheck lays them out."""
    for link in case.desktop:
        name = shortcut_file(link)
        if name is not None:
            layout.write(normalized(f"{DESKTOP}\\{name.decode('cp932')}"), game.LINK_BYTES)
    menu = menu_folder(case.menu, case.game_name)
    if menu is not None:
        for link in case.shortcuts:
            name = shortcut_file(link)
            if name is not None:
                layout.write(normalized(f"{PROGRAMS}\\{menu.decode('cp932')}\\{name.decode('cp932')}"),
                             game.LINK_BYTES)
    keys = []
    registry = case.registry or b""
    # Without a Registry value the installer's entry has a name the records
    # do not give: recordcheck lays out none.
    key = created_key(registry) if registry and "game-key" not in case.not_installed else None
    if key is not None:
        keys.append((key, {"InstallPath": folder}))
    entry = created_key(entry_key(registry)) if registry and "uninstall-entry" not in case.not_installed else None
    if entry is not None:
        keys.append((entry, {"DisplayName": case.game_name.decode("cp932", "replace"),
                             "DisplayIcon": f"{folder}\\Game.exe",
                             "UninstallString": f'"{folder}\\Uninstaller.exe"', "NoModify": 1}))
    return keys


def lay_out(prefix, case, host_root: Path, prediction) -> Installed:
    layout = game.Layout(prefix, bystanders=False)
    targets = []
    keys = []
    others = []
    for other, host in zip(case.others, case.other_folders(host_root)):
        folder = f"{case.install_path.rsplit(chr(92), 1)[0]}\\{other.folder}"
        others.append(folder)
        _copy_tree(prefix, layout, host, folder, targets)
        keys += _what_the_installer_wrote(layout, other, folder)
    if [o.upper() for o in others] != [o.upper() for o in prediction.document["other_games"]]:
        raise HarnessError(f"the other games lie at {others} here, at {prediction.document['other_games']} "
                           "in recordcheck's layout")
    _copy_tree(prefix, layout, host_root / "game", case.install_path, targets)
    if prediction.record_read("InstallInfo\\Installer.ini"):
        keys += _what_the_installer_wrote(layout, case, case.install_path)
    bystanders = Bystanders(prefix)
    keys += bystanders.lay_out(layout)
    layout.add_keys([(f"{HKLM}\\{key}", values) for key, values in keys])
    return Installed(layout, [key for key, _ in keys], bystanders, others)


def _registry_root(key: str) -> str:
    """The key that holds a game's keys: the maker's below SOFTWARE, else the key itself."""
    parts = key.split("\\")
    if key.upper().startswith(UNINSTALL_ROOT.upper() + "\\"):
        return "\\".join(parts[:len(UNINSTALL_ROOT.split("\\")) + 1])
    if len(parts) > 2 and parts[0].upper() == "SOFTWARE" and parts[1].lower() not in SHARED:
        return "\\".join(parts[:2])
    return key


def _is_system(key: str) -> bool:
    parts = key.upper().split("\\")
    if UNINSTALL_ROOT.upper().startswith(key.upper()):
        return True
    return parts[0] != "SOFTWARE" or len(parts) == 1 or (len(parts) == 2 and parts[1].lower() in SHARED)


def reset(prefix, installed: Installed, extra_keys=()):
    """Removes what the case laid out, the keys in both views (and any the
    run made where the prediction looked), so the next case starts clean."""
    installed.layout.keys.clear()
    installed.layout.reset()
    # Never a key of the system's: only what a case itself names below one.
    roots = sorted({root for root in map(_registry_root, [*installed.keys, *extra_keys]) if not _is_system(root)})
    if roots:
        doomed = [prefix.in_view(f"{HKLM}\\{root}", view) for root in roots for view in (32, 64)]
        prefix.import_reg([], delete=doomed, view=64)


# ---- watching it ----------------------------------------------------------------------

def scopes(keys):
    """Where to look for the given keys: (key, recursive). A maker's key with
    everything below it, the list of uninstall entries, and a key below a key
    of the system's, alone with its subkeys' names."""
    found = set()
    for key in keys:
        root = _registry_root(key)
        if root.upper().startswith(UNINSTALL_ROOT.upper() + "\\"):
            found.add((UNINSTALL_ROOT, False))
        elif root == key:
            found.add((key, False))
            parent = key.rsplit("\\", 1)[0] if "\\" in key else None
            if parent and parent.upper() != "SOFTWARE":
                found.add((parent, False))
        else:
            found.add((root, True))
    # A key below a scope taken with everything below it needs no look of its own.
    deep = [key for key, recursive in found if recursive]
    return sorted((key, recursive) for key, recursive in found
                  if recursive or not any(key.upper() == d.upper() or key.upper().startswith(d.upper() + "\\")
                                          for d in deep))


def key_snapshot(prefix, watched) -> set:
    """The keys in the watched scopes, below HKLM in the programs' own view
    (HKLM\\SOFTWARE\\X of a 32-bit program is SOFTWARE\\X here), read in one
    cmd run. A query that did not run, or printed neither a listing nor
    reg's not-found message, is NoAnswer, never a key that is gone."""
    batch_dir = Path(tempfile.mkdtemp(dir=prefix.workdir, prefix="keys"))
    lines = [b"@echo off"]
    for number, (key, recursive) in enumerate(watched):
        out = prefix.windows_path_of(batch_dir / f"{number}.txt").encode("cp932")
        lines.append(b'reg query "' + prefix.in_view(f"{HKLM}\\{key}").encode("cp932") + b'"'
                     + (b" /s" if recursive else b"") + b' >"' + out + b'" 2>&1')
        # The redirection first: "echo 1>file" would redirect handle 1.
        lines.append(b'>"' + out[:-4] + b'.rc" echo %ERRORLEVEL%')
    batch = batch_dir / "keys.bat"
    batch.write_bytes(b"\r\n".join(lines) + b"\r\n")
    # cmd ends with the last query's status; each query's own is in its .rc file.
    done = prefix.wine("cmd", "/c", prefix.windows_path_of(batch), timeout=120, check=False)
    found = set()
    for number, (key, recursive) in enumerate(watched):
        spelled = prefix.in_view(f"{HKLM}\\{key}")
        command = f"reg query {spelled}{' /s' if recursive else ''} (in {batch})"
        status = batch_dir / f"{number}.rc"
        code = status.read_text().strip() if status.is_file() else ""
        if not code.isdigit():
            raise prefix.no_answer(command, done, why="cmd did not get to it")
        listing = prefix.reg_answer(command, spelled, int(code),
                                    (batch_dir / f"{number}.txt").read_bytes(), done)
        if listing is None:
            continue
        found.add(key)
        for line in listing.splitlines():
            if line.startswith(HKLM + "\\"):
                found.add(_own_view(prefix, line[len(HKLM) + 1:].rstrip()))
    return found


def _own_view(prefix, key):
    if prefix.view == 32:
        parts = key.split("\\")
        if len(parts) > 1 and parts[0].upper() == "SOFTWARE" and parts[1].upper() == "WOW6432NODE":
            return "\\".join(parts[:1] + parts[2:])
    return key


@dataclass
class RemovalCall:
    """One removal call of the program, with its result, from the relay trace."""
    # DeleteFileA, RemoveDirectoryA, RegDeleteKeyA; the probes FindFirstFileA, RegOpenKeyExA, RegCreateKeyExA
    function: str
    path: bytes             # the path or key name it was given (a prefix when the trace cut it)
    cut: bool
    succeeded: bool

    def __str__(self):
        shown = self.path.decode("cp932", "replace") + ("..." if self.cut else "")
        return f"{self.function}(\"{shown}\") {'succeeded' if self.succeeded else 'failed'}"


PATH_ARGUMENT = {"DeleteFileA": 0, "RemoveDirectoryA": 0, "FindFirstFileA": 0, "RegOpenKeyExA": 1,
                 "RegCreateKeyExA": 1, "RegDeleteKeyA": 1}


def _succeeded(function, value):
    low = value & 0xFFFFFFFF
    if function.startswith("Reg"):
        return low == 0
    if function == "FindFirstFileA":
        return low != 0xFFFFFFFF
    return low != 0


def removal_calls(trace: Path):
    """The program's removal calls in order. Only the program under test
    calls the ANSI functions (Wine's cmd uses the wide ones)."""
    calls, open_calls = [], {}
    for event in relay.TraceReader(trace).poll():
        function = event.function.split(".", 1)[1]
        if function not in PATH_ARGUMENT:
            continue
        if isinstance(event, relay.Call):
            argument = event.arguments[PATH_ARGUMENT[function]]
            if function.startswith("Reg") and event.arguments[0].value & 0xFFFFFFFF != 0x80000002:
                continue        # not below HKEY_LOCAL_MACHINE: no key of the removal
            text = argument.text or b""
            open_calls[(event.thread, function)] = RemovalCall(function, text, maybe_cut(text, argument.truncated),
                                                               False)
        else:
            call = open_calls.pop((event.thread, function), None)
            if call is not None:
                call.succeeded = _succeeded(function, event.value)
                calls.append(call)
    return calls


@dataclass
class Seen:
    """One run of the program as seen from outside."""
    exit_code: int = None
    boxes: list = field(default_factory=list)   # wine.SeenBox, in order
    complaint: str = None       # the harness's word when the boxes were not the predicted ones
    calls: list = None          # RemovalCall, from the relay trace


def _expected(boxes):
    """The predicted boxes for the harness to wait for and answer. A text the
    trace may cut is left to compare.py, which knows the trace's cut."""
    expected = []
    for box in boxes:
        text = bytes.fromhex(box["text_hex"])
        expected.append(Box(None if maybe_cut(text, False) else text, bytes.fromhex(box["caption_hex"]),
                            box["flags"], answer=answer_for(box["flags"])))
    return expected


def run_mode(prefix, program, arguments, cwd, predicted_boxes, again=None) -> Seen:
    """Runs a mode expecting the predicted boxes. When the boxes differ, the
    harness's complaint is kept, `again()` puts the case back as it was
    before the run, and the mode runs once more answering whatever box
    comes, so that everything else can still be compared."""
    seen = Seen()
    try:
        result = prefix.run(program, arguments, boxes=_expected(predicted_boxes), cwd=cwd)
    except HarnessError as error:
        seen.complaint = str(error)
        if again is not None:
            again()
        result = prefix.run(program, arguments, cwd=cwd, answer=lambda box: answer_for(box.flags))
    seen.exit_code = result.exit_code
    seen.boxes = result.boxes
    seen.calls = removal_calls(result.trace)
    return seen


def temporary_name(seed) -> str:
    """A name like the relaunch's: 16 letters a to y."""
    rng = random.Random(f"temporary:{seed}")
    return "".join(rng.choice("abcdefghijklmnopqrstuvwxy") for _ in range(16)) + ".exe"


@dataclass
class Observation:
    asking: Seen
    asking_changed: set          # paths on C: that the asking mode added or removed
    removing: Seen
    files_before: set            # Windows paths on C: before the removing mode
    files_after: set
    keys_before: set             # keys in the watched scopes, the programs' view
    keys_after: set
    bystanders_changed: list


def observe(prefix, program: Path, case, host_root, prediction) -> Observation:
    """Lays the case out, runs the asking mode (answered No) and the removing
    mode (the temporary copy's -F run), watches both, and cleans up."""
    steps = prediction.removing["steps"]
    registry_steps = [s for s in steps if s["section"] == "registry"]
    state = {}

    def set_up():
        state["installed"] = lay_out(prefix, case, host_root, prediction)
        state["installed"].layout.copy_program(program, f"{case.install_path}\\Uninstaller.exe")
        state["copy"] = f"{prefix.temp_windows}\\{temporary_name(case.seed)}"
        state["installed"].layout.copy_program(program, state["copy"])

    def watched():
        laid_out = state["installed"].keys
        named = [created_key(bytes.fromhex(s["path_hex"]).lstrip(b"\\")) for s in registry_steps]
        return scopes([*laid_out, *[key for key in named if key]])

    def tear_down():
        named = [created_key(bytes.fromhex(s["path_hex"]).lstrip(b"\\")) for s in registry_steps]
        reset(prefix, state["installed"], [key for key in named if key])

    clean = prefix.entries()
    set_up()
    try:
        before = prefix.entries()
        asking = run_mode(prefix, f"{case.install_path}\\Uninstaller.exe", b"", case.install_path,
                          prediction.asking["boxes"])
        asking_changed = before ^ prefix.entries()

        def again():
            tear_down()
            set_up()
            state["files"], state["keys"] = prefix.entries(), key_snapshot(prefix, watched())

        state["files"], state["keys"] = prefix.entries(), key_snapshot(prefix, watched())
        removing = run_mode(prefix, state["copy"], f'-F="{case.install_path}"'.encode("cp932"), prefix.temp_windows,
                            prediction.removing["boxes"], again)
        files_after, keys_after = prefix.entries(), key_snapshot(prefix, watched())
        changed = state["installed"].bystanders.changed(state["installed"].layout)
    finally:
        tear_down()
    left = prefix.entries() ^ clean
    if left:
        raise HarnessError("the case left the prefix changed: " + ", ".join(sorted(left)[:10]))
    return Observation(asking, asking_changed, removing, state["files"], files_after, state["keys"], keys_after,
                       changed)

