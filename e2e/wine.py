"""Running the real Windows programs under Wine, on a virtual display.

One WinePrefix per test session (creating one takes ~15 s); one Display
(Xvfb). A program is run through a batch file so that its command line is
exactly what the test wrote; its message boxes are read from Wine's relay
trace and answered with key presses. Every wait is bounded; when anything
goes wrong the prefix's processes are killed so that nothing hangs.

Where Wine's 32-bit half is installed and the kernel executes 32-bit code,
the prefix is WoW64: it runs the shipped i686 programs and the x86_64 twin
alike. A 32-bit program sees HKLM\\SOFTWARE through HKLM\\SOFTWARE\\WOW6432Node;
the prefix's registry helpers take the view of the programs under test
(`WinePrefix.view`) and spell the key as the 64-bit tools must.
"""

import getpass
import os
import shutil
import signal
import subprocess
import tempfile
import time
import warnings
from dataclasses import dataclass, field
from pathlib import Path, PureWindowsPath

import relay

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"
LOCALE = "ja_JP.UTF-8"
# Wine's own symbol font, which draws the caption buttons (Debian's Wine does not
# find its data folder's fonts by itself).
MARLETT = "/usr/share/wine/fonts/marlett.ttf"

# How long the harness waits, in seconds, on a machine of ordinary speed.
# E2E_TIME_SCALE stretches every wait on a slow one (an emulated machine
# takes half a minute to show a box): E2E_TIME_SCALE=20.
TIME_SCALE = float(os.environ.get("E2E_TIME_SCALE", "1"))
BOX_TIMEOUT = 20        # for a box to appear (a cold Wine start can take a while)
ANSWER_TIMEOUT = 6      # for a box to close after its key was pressed
END_TIMEOUT = 30        # for the run to end after the last box
KEY_RETRIES = 3
BATCH_END_TIMEOUT = 5   # for the relaunch batch to go once its cmd has ended
START_ATTEMPTS = 2      # runs of a program that ended before its first box having changed nothing


# The calls the relay trace shows: the boxes and the relaunch, which every
# run reads, and the removal's own calls with their results, which the
# differential tier reads (e2e/differential). Each file call is named in
# both DLLs, since kernel32 forwards it to kernelbase.
RELAYED = ["user32.MessageBoxA", "shell32.ShellExecuteA"] + [
    f"{dll}.{function}" for function in ("DeleteFileA", "RemoveDirectoryA", "FindFirstFileA")
    for dll in ("kernel32", "kernelbase")] + [
    f"{dll}.{function}" for function in ("RegOpenKeyExA", "RegCreateKeyExA", "RegDeleteKeyA")
    for dll in ("advapi32", "kernelbase")]


def scaled(seconds):
    return seconds * TIME_SCALE


class HarnessError(AssertionError):
    """A scenario failed; the message says what was expected and what was seen."""


class NoAnswer(HarnessError):
    """A Wine command the harness asked something of gave no usable answer:
    it did not start, ran out of time, or printed something other than an
    answer. That is never a verdict on the program under test: the message
    names the command, what it printed, and a file with the prefix's state
    at that moment."""


class EndedBeforeFirstBox(HarnessError):
    """The run ended without showing any box. Under Wine this is also how a
    process looks that never got to its own code (its loader failed), so a
    run that changed nothing is tried once more (see WinePrefix.run)."""


def require_tools():
    """Names every missing piece at once; the suite must not pass silently without Wine."""
    missing = [p for p in (WINE, WINESERVER) if not os.access(p, os.X_OK)]
    missing += [t for t in ("Xvfb", "xdotool", "import") if shutil.which(t) is None]
    try:
        listed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower()
    except OSError:
        listed = ""
    if "ja_jp.utf8" not in listed and "ja_jp.utf-8" not in listed:
        missing.append(f"the {LOCALE} locale")
    if missing:
        raise HarnessError("end-to-end tests need " + ", ".join(missing)
                           + " (run scripts/install-deps.sh)")


def show(data: bytes) -> str:
    """A box text for a failure message: readable and exact."""
    if data is None:
        return "(none)"
    return f"{data.decode('cp932', 'replace')!r} [{data.hex(' ')}]"


# ---- the virtual display -------------------------------------------------------
class Display:
    """An Xvfb server on the first free display number (Xvfb picks it)."""

    def __init__(self, workdir: Path):
        read_end, write_end = os.pipe()
        self.log = open(workdir / "xvfb.log", "wb")
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=self.log, stderr=subprocess.STDOUT)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + scaled(15)
        os.set_blocking(read_end, False)
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or self.process.poll() is not None:
                os.close(read_end)
                self.close()
                raise HarnessError(f"Xvfb did not start; see {workdir / 'xvfb.log'}")
            try:
                chunk = os.read(read_end, 16)
            except BlockingIOError:
                time.sleep(0.05)
                continue
            number += chunk
        os.close(read_end)
        self.name = ":" + number.decode().strip()

    def screenshot(self, path: Path, window="root"):
        """A PNG of the whole screen, or of one window (an X window id): a
        message box with the title bar and frame that Wine draws for it."""
        path.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-display", self.name, "-window", window, "+repage", "-strip", str(path)],
                       check=True, timeout=scaled(20), capture_output=True)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            end_process(self.process, 5)
        self.log.close()


def end_process(process, timeout):
    """Gives a process `timeout` seconds to end, then kills it."""
    try:
        process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def kill_prefix(path: Path):
    """Ends every process of the prefix at path, and its server."""
    env = {"PATH": "/usr/bin:/bin", "WINEPREFIX": str(path)}
    for flag in ("-k", "-w"):
        subprocess.run([WINESERVER, flag], env=env, timeout=scaled(30), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def xdotool(display, *args, timeout=10):
    return subprocess.run(["xdotool", *args], env={**os.environ, "DISPLAY": display.name},
                          capture_output=True, text=True, timeout=scaled(timeout))


# ---- what a scenario expects and what it saw ---------------------------------------
@dataclass
class Box:
    """A message box a scenario expects, and the key that answers it."""
    text: bytes                     # None: any text (only recorded)
    caption: bytes
    flags: int
    answer: str = "Return"          # xdotool key name: Return, y, n, Escape
    screenshot: Path = None         # taken while the box is open


@dataclass
class SeenBox:
    text: bytes
    caption: bytes
    flags: int
    truncated: bool
    result: int = None


@dataclass
class RunResult:
    exit_code: int
    boxes: list
    shell_calls: list = field(default_factory=list)   # ShellExecuteA argument lists
    batches: dict = field(default_factory=dict)       # Windows path -> bytes while it ran
    trace: Path = None
    removed: list = field(default_factory=list)       # Windows paths on C: that the run removed


# ---- the prefix -------------------------------------------------------------------
class WinePrefix:
    """A fresh 64-bit (WoW64 where possible) prefix with a Japanese locale and relay tracing of the boxes."""

    def __init__(self, workdir: Path, display: Display):
        self.workdir = workdir
        self.display = display
        self.path = workdir / "prefix"
        self.home = workdir / "home"
        self.home.mkdir(parents=True, exist_ok=True)
        self.env = {
            "PATH": "/usr/bin:/bin",
            "HOME": str(self.home),
            "USER": getpass.getuser(),
            "LANG": LOCALE,
            "LC_ALL": LOCALE,
            "DISPLAY": display.name,
            "WINEPREFIX": str(self.path),
            "WINEARCH": "win64",
            "WINESERVER": WINESERVER,
            "WINELOADER": WINE,
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            "WINEDEBUG": "-all",
        }
        self.runs = 0
        self._not_found = None
        # The registry view of the programs under test: 32 for the i686
        # build, 64 for the x86_64 twin (see in_view).
        self.view = 64
        try:
            self._create()
        except BaseException:
            # Never leave a server behind: pytest deletes old temporary
            # folders, and a server whose prefix is gone can't be reached.
            self.kill()
            raise

    # -- setup --
    def _create(self):
        log = self.workdir / "wineboot.log"
        with open(log, "wb") as out:
            try:
                subprocess.run([WINE, "wineboot", "--init"], env=self.env, stdin=subprocess.DEVNULL,
                               stdout=out, stderr=subprocess.STDOUT, timeout=scaled(120), check=True)
                # Let the first server save the new registry and go, then keep one.
                subprocess.run([WINESERVER, "-w"], env=self.env, timeout=scaled(60), check=True)
                self.start_server()
            except (subprocess.CalledProcessError, subprocess.TimeoutExpired) as error:
                raise HarnessError(f"creating the Wine prefix failed ({error}); see {log}")
        self.drive_c = self.path / "drive_c"
        self.user_dir = self.drive_c / "users" / self.env["USER"]
        # Wine links Documents, Desktop and the like to $HOME; make them plain
        # folders so that what a program writes there stays inside the prefix.
        for link in list(self.user_dir.iterdir()):
            if link.is_symlink():
                link.unlink()
                link.mkdir()
        self.temp_dir = self.user_dir / "Temp"
        self.temp_dir.mkdir(exist_ok=True)
        self.common_desktop = self.drive_c / "users" / "Public" / "Desktop"
        self.common_programs = self.drive_c / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs"
        for folder in (self.common_desktop, self.common_programs):
            folder.mkdir(parents=True, exist_ok=True)
        # Where a test may create things, deepest first (see game.Layout).
        self.containers = sorted(
            [self.drive_c, self.user_dir, self.temp_dir, self.common_desktop, self.common_programs,
             self.user_dir / "Documents", self.user_dir / "Desktop", self.user_dir / "AppData" / "Roaming"],
            key=lambda p: len(p.parts), reverse=True)
        if Path(MARLETT).is_file():
            fonts = self.drive_c / "windows" / "Fonts"
            fonts.mkdir(parents=True, exist_ok=True)
            shutil.copy(MARLETT, fonts)
        self.import_reg([("HKEY_CURRENT_USER\\Software\\Wine\\Debug",
                          {"RelayInclude": ";".join(RELAYED)}),
                         # Xvfb has no window manager. A managed window that closes
                         # waits 2 s for one to withdraw it; unmanaged windows close
                         # at once, and Wine draws their title bar and frame itself.
                         ("HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver", {"Managed": "N"})])

    def start_server(self):
        # A persistent server makes every later start fast.
        subprocess.run([WINESERVER, "-p"], env=self.env, timeout=scaled(30), check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def kill(self):
        kill_prefix(self.path)

    # -- paths --
    def unix_path(self, windows_path) -> Path:
        """C:\\Games\\X -> <prefix>/drive_c/Games/X (only drive C: exists here)."""
        p = PureWindowsPath(windows_path)
        if p.drive.upper() != "C:":
            raise ValueError(f"not on drive C: {windows_path}")
        return self.drive_c.joinpath(*p.parts[1:])

    def entries(self) -> set:
        """Every file and folder on C: as a Windows path (links are not followed).

        Taken before and after each run, so that a scenario can say exactly
        what a program removed, anywhere on the drive."""
        found = set()
        for folder, folders, files in os.walk(self.drive_c):
            relative = Path(folder).relative_to(self.drive_c)
            base = "C:" + "".join("\\" + part for part in relative.parts)
            found.update(f"{base}\\{name}" for name in folders + files)
        return found

    @property
    def temp_windows(self):
        return f"C:\\users\\{self.env['USER']}\\Temp"

    # -- registry --
    def in_view(self, key, view=None):
        """The key as Wine's 64-bit regedit and reg must name it to reach it in
        a registry view: HKEY_LOCAL_MACHINE\\SOFTWARE\\X of the 32-bit view is
        HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\X. `view` defaults to the
        view of the programs under test; other keys are not redirected."""
        parts = key.split("\\")
        if (view or self.view) == 32 and len(parts) > 1 and parts[0].upper() in ("HKEY_LOCAL_MACHINE", "HKLM") \
                and parts[1].lower() == "software" and (len(parts) == 2 or parts[2].lower() != "wow6432node"):
            return "\\".join(parts[:2] + ["WOW6432Node"] + parts[2:])
        return key

    def import_reg(self, keys, delete=(), view=None):
        """Writes keys [(key, {name: str|int|bytes})] and deletes keys through
        regedit, in `view` (default: the programs' own; see in_view)."""
        lines = ["Windows Registry Editor Version 5.00", ""]
        for key in delete:
            lines += [f"[-{self.in_view(key, view)}]", ""]
        for key, values in keys:
            lines.append(f"[{self.in_view(key, view)}]")
            for name, value in values.items():
                label = "@" if name is None else '"' + _reg_escape(name) + '"'
                if isinstance(value, int):
                    lines.append(f"{label}=dword:{value:08x}")
                elif isinstance(value, bytes):
                    lines.append(f"{label}=hex:{','.join(f'{b:02x}' for b in value)}")
                else:
                    lines.append(f'{label}="{_reg_escape(value)}"')
            lines.append("")
        self.runs += 1
        reg_file = self.workdir / f"import{self.runs}.reg"
        reg_file.write_bytes(b"\xff\xfe" + "\r\n".join(lines).encode("utf-16-le"))
        self.wine("regedit", "/S", self.windows_path_of(reg_file))

    def key_exists(self, key, view=None) -> bool:
        return self.reg_query(self.in_view(key, view)) is not None

    def value_of(self, key, name, view=None):
        """A value's data as reg prints it (a str), or None when reg says the
        value or its key is not there."""
        listing = self.reg_query(self.in_view(key, view), value=name)
        if listing is None:
            return None
        for line in listing.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[0] == name:
                return parts[2] if len(parts) == 3 else ""
        raise self.no_answer(f"reg query {key} /v {name}", why="it listed the key without the value")

    def reg_query(self, key, value=None, recursive=False):
        """What `reg query` lists for a key (everything below it with
        recursive, one value with `value`), or None when reg says the key or
        the value is not there. reg ends with 1 alike for "not there" and for
        a run that failed, so absence is only its own not-found message, as
        it prints it in this prefix's locale; anything else is NoAnswer."""
        command = ["reg", "query", key] + (["/v", value] if value is not None else []) + (["/s"] if recursive else [])
        done = self.wine(*command, check=False)
        return self.reg_answer(" ".join(command), key, done.returncode, done.stdout, done)

    def reg_answer(self, command, key, status, output: bytes, done=None):
        """reg query's listing of key, None for its not-found message, or NoAnswer."""
        text = output.decode("cp932", "replace")
        # A listing starts with the key, or with the first key below it when
        # the key holds no value; a key with neither is one empty line.
        first, spelled = _first_line(text).lower(), _full_key(key).lower()
        if status == 0 and (first == spelled or first.startswith(spelled + "\\") or text == "\r\n"):
            return text
        if status == 1 and text.strip() in self.reg_not_found():
            return None
        raise self.no_answer(command, done, status=status, output=output)

    def reg_not_found(self):
        """reg's own words for a key and for a value that are not there, learnt
        once from names that cannot exist (they are in the prefix's locale)."""
        if self._not_found is None:
            said = set()
            for command in (["reg", "query", f"HKEY_LOCAL_MACHINE\\SOFTWARE\\{_ABSENT}"],
                            ["reg", "query", "HKEY_LOCAL_MACHINE\\SOFTWARE", "/v", _ABSENT]):
                done = self.wine(*command, check=False)
                text = done.stdout.decode("cp932", "replace").strip()
                if done.returncode != 1 or not text:
                    raise self.no_answer(" ".join(command), done)
                said.add(text)
            self._not_found = said
        return self._not_found

    def no_answer(self, command, done=None, why="", status=None, output=None) -> NoAnswer:
        """A NoAnswer for a command, with what it printed, and the prefix's
        state at that moment kept in a file: its processes as the host sees
        them, as winedbg lists them, and HKLM\\SOFTWARE as regedit exports it."""
        self.runs += 1
        record = self.workdir / f"no-answer{self.runs:03d}.txt"
        if done is not None:
            status = done.returncode if status is None else status
            output = done.stdout if output is None else output
        errors = done.stderr if done is not None else b""
        told = (f"{command}: {why or 'no answer'} (status {status})\n"
                f"  stdout: {_excerpt(output)}\n  stderr: {_excerpt(errors)}")
        running = prefix_processes(self.path)
        sections = [told, "processes of the prefix:\n" + "\n".join(running)]
        try:
            listed = subprocess.run([WINE, "winedbg", "--command", "info proc"], env=self.env,
                                    stdin=subprocess.DEVNULL, capture_output=True, timeout=scaled(30))
            sections.append(f"winedbg info proc (status {listed.returncode}):\n"
                            + listed.stdout.decode("utf-8", "replace") + listed.stderr.decode("utf-8", "replace"))
        except (OSError, subprocess.TimeoutExpired) as error:
            sections.append(f"winedbg info proc: {error}")
        export = record.with_suffix(".reg")
        try:
            exported = subprocess.run([WINE, "regedit", "/E", self.windows_path_of(export),
                                       "HKEY_LOCAL_MACHINE\\SOFTWARE"], env=self.env, stdin=subprocess.DEVNULL,
                                      capture_output=True, timeout=scaled(60))
            sections.append(f"regedit /E HKEY_LOCAL_MACHINE\\SOFTWARE (status {exported.returncode}): "
                            + (str(export) if export.is_file() else "no file"))
        except (OSError, subprocess.TimeoutExpired) as error:
            sections.append(f"regedit /E: {error}")
        record.write_text("\n\n".join(sections) + "\n", encoding="utf-8")
        return NoAnswer(f"{told}\n  running in the prefix then: " + "; ".join(running)
                        + f"\n  the prefix at that moment: {record}")

    def windows_path_of(self, unix_path: Path) -> str:
        """A host path as Wine sees it through the Z: drive."""
        return "Z:" + str(Path(unix_path).resolve()).replace("/", "\\")

    def wine(self, *args, check=True, timeout=60):
        """Runs a Wine command; with check, a status other than 0 is NoAnswer.
        A command that runs out of time is NoAnswer whatever check says."""
        # Output goes through files, not pipes: Wine's helper processes
        # (services, explorer) inherit the descriptors and outlive the call.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            try:
                # Wine's own errors go to stderr, to say why when an answer goes missing.
                done = subprocess.run([WINE, *args], env={**self.env, "WINEDEBUG": "-all,err+all"},
                                      stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=scaled(timeout))
            except subprocess.TimeoutExpired:
                done = subprocess.CompletedProcess(args, None)
            out.seek(0)
            err.seek(0)
            done.stdout, done.stderr = out.read(), err.read()
        if done.returncode is None:
            raise self.no_answer(" ".join(args), done, why=f"no end within {scaled(timeout)}s")
        if check and done.returncode != 0:
            raise self.no_answer(" ".join(args), done)
        return done

    # -- running a program --
    def run(self, program, arguments=b"", boxes=(), cwd=None, relaunch=False,
            end_timeout=END_TIMEOUT, environment=None, quoted=True, answer=None) -> RunResult:
        """Runs a Windows program with exactly `arguments` after its quoted path
        (after its bare path with quoted=False, as the list of installed
        programs runs an UninstallString written without quotes).

        `program` is a Windows path; `arguments` are CP932 bytes (a str is
        encoded). The batch file waits for the program and records its exit
        code. Each expected Box must appear in order; each is checked and
        answered. With relaunch=True the program is expected to start the
        temporary copy through a batch file (ShellExecuteA): the run then
        ends once that copy is gone and no box is open, since under Wine the
        batch never finishes deleting itself. `environment` ({name: value})
        is set for this run only, in the batch file before the program starts.
        With `answer` (a function of a SeenBox that gives its key) no box is
        expected: each one that opens is recorded and answered so, until the
        program ends; a caller that compares the boxes itself can then see
        them all.
        """
        if isinstance(arguments, str):
            arguments = arguments.encode("cp932")
        for attempt in range(1, START_ATTEMPTS + 1):
            try:
                return self._run_once(program, arguments, boxes, cwd, relaunch, end_timeout, environment,
                                      quoted, answer)
            except EndedBeforeFirstBox as error:
                # A program that ends before its first box having changed no
                # file is run again: a fault of the program shows again, and
                # a start that Wine lost does not fail the scenario.
                if attempt == START_ATTEMPTS or error.changed:
                    raise
                warnings.warn(f"{program}: {error}; ran it again", RuntimeWarning)

    def _run_once(self, program, arguments, boxes, cwd, relaunch, end_timeout, environment, quoted, answer):
        self.runs += 1
        run_dir = self.workdir / f"run{self.runs:03d}"
        run_dir.mkdir()
        rc_file = run_dir / "rc.txt"
        batch = run_dir / "run.bat"
        def literal(text) -> bytes:
            # cmd expands %NAME% in a batch file; a doubled % is one %.
            return (text if isinstance(text, bytes) else str(text).encode("cp932")).replace(b"%", b"%%")
        line = b'"' + literal(program) + b'"' if quoted else literal(program)
        if arguments:
            line += b" " + literal(arguments)
        body = [b"@echo off"]
        for name, value in (environment or {}).items():
            body.append(b'set "' + literal(name) + b"=" + literal(value) + b'"')
        if cwd is not None:
            body.append(b'cd /d "' + literal(cwd) + b'"')
        # The redirection first: "echo 2>file" would redirect handle 2 and
        # record nothing (and "echo 1>file" records "ECHO is off").
        body += [line, b'>"' + self.windows_path_of(rc_file).encode("cp932") + b'" echo %ERRORLEVEL%']
        batch.write_bytes(b"\r\n".join(body) + b"\r\n")

        before = self.entries()
        trace = run_dir / "trace.txt"
        env = {**self.env, "WINEDEBUG": "+relay"}
        with open(trace, "wb") as trace_out:
            process = subprocess.Popen([WINE, "cmd", "/c", self.windows_path_of(batch)], env=env,
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=trace_out, start_new_session=True)
        runner = _Runner(self, process, relay.TraceReader(trace))
        try:
            result = runner.drive(list(boxes), relaunch, end_timeout, answer)
        except EndedBeforeFirstBox as error:
            runner.abort()
            told = EndedBeforeFirstBox(f"{error}\n{_what_wine_said(rc_file, trace)}")
            told.changed = self.entries() != before
            raise told from None
        except BaseException:
            runner.abort()
            raise
        # What still runs in the prefix once the run counts as over: the
        # first thing to read when a later command of the harness goes unanswered.
        (run_dir / "left-running.txt").write_text("\n".join(prefix_processes(self.path)) + "\n")
        result.trace = trace
        result.removed = sorted(before - self.entries())
        # With a relaunch this is the asking process's code; the copy's is not recorded.
        result.exit_code = _read_exit_code(rc_file)
        return result


class _Runner:
    """Drives one run: answers the boxes, watches for its end."""

    def __init__(self, prefix: WinePrefix, process, reader):
        self.prefix = prefix
        self.process = process
        self.reader = reader
        self.seen = []
        self.pending = []       # boxes that opened and were not yet taken up
        self.open = {}          # thread -> SeenBox not yet returned
        self.shell_calls = []
        self.batches = {}
        self.copy = None        # unix path of the temporary copy, once known

    def abort(self):
        self.prefix.kill()
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        self.prefix.start_server()

    def _pump(self):
        """Consumes new trace lines; boxes that opened join self.pending."""
        for event in self.reader.poll():
            if isinstance(event, relay.Call) and event.function == "user32.MessageBoxA":
                a = event.arguments
                # An int argument fills only the low half of its 64-bit slot.
                box = SeenBox(a[1].text, a[2].text, a[3].value & 0xFFFFFFFF,
                              a[1].truncated or a[2].truncated)
                self.seen.append(box)
                self.open[event.thread] = box
                self.pending.append(box)
            elif isinstance(event, relay.Return) and event.function == "user32.MessageBoxA":
                box = self.open.pop(event.thread, None)
                if box is not None:
                    box.result = event.value
            elif isinstance(event, relay.Call) and event.function == "shell32.ShellExecuteA":
                self._on_shell_execute(event)

    def _on_shell_execute(self, event):
        texts = [a.text for a in event.arguments]
        self.shell_calls.append(texts)
        target = texts[2]
        if target and target.lower().endswith(b".bat"):
            path = self.prefix.unix_path(target.decode("cp932"))
            try:
                data = path.read_bytes()
            except OSError:
                data = None
            self.batches[target.decode("cp932")] = data
            # Line 1 of the relaunch batch: "<copy>" -F="<game folder>"
            if data and data.startswith(b'"'):
                end = data.find(b'"', 1)
                if end > 1:
                    self.copy = self.prefix.unix_path(data[1:end].decode("cp932"))

    def _wait_for_box(self, index, expected):
        deadline = time.monotonic() + scaled(BOX_TIMEOUT)
        while time.monotonic() < deadline:
            self._pump()
            if self.pending:
                return self.pending.pop(0)
            if self._finished():
                self._pump()
                if self.pending:
                    return self.pending.pop(0)
                failure = EndedBeforeFirstBox if not self.seen else HarnessError
                raise failure(f"box {index + 1} never appeared, the program ended first: "
                              f"expected {show(expected.text)}")
            time.sleep(0.05)
        raise HarnessError(f"box {index + 1} did not appear within {scaled(BOX_TIMEOUT)}s: expected "
                           f"{show(expected.text)}")

    def _check(self, index, expected, box):
        problems = []
        if expected.text is None:
            pass                    # the caller only records this box
        elif box.truncated:
            if not (expected.text.startswith(box.text) and len(box.text) >= 16):
                problems.append("text")
        elif box.text != expected.text:
            problems.append("text")
        if box.caption != expected.caption:
            problems.append("caption")
        if box.flags != expected.flags:
            problems.append("flags")
        if problems:
            raise HarnessError(
                f"box {index + 1}: wrong {', '.join(problems)}\n"
                f"  expected text {show(expected.text)}\n"
                f"  seen text     {show(box.text)}{' (cut by the trace)' if box.truncated else ''}\n"
                f"  expected caption {show(expected.caption)}, flags {expected.flags:#010x}\n"
                f"  seen caption     {show(box.caption)}, flags {box.flags:#010x}")

    def _find_window(self, caption: bytes):
        title = "^" + _regex_escape(caption.decode("cp932")) + "$"
        deadline = time.monotonic() + scaled(BOX_TIMEOUT)
        while time.monotonic() < deadline:
            found = xdotool(self.prefix.display, "search", "--name", title)
            ids = found.stdout.split()
            if ids:
                return ids[-1]
            time.sleep(0.1)
        raise HarnessError(f"no window titled {caption.decode('cp932')!r} appeared for the box")

    def _answer(self, index, expected, box):
        window = self._find_window(box.caption)
        if expected.screenshot is not None:
            time.sleep(0.3)   # let the box finish painting
            self.prefix.display.screenshot(expected.screenshot, window)
        for _ in range(KEY_RETRIES):
            xdotool(self.prefix.display, "windowfocus", "--sync", window)
            # A plain key (XTEST): Wine ignores events sent to a window directly.
            xdotool(self.prefix.display, "key", expected.answer)
            deadline = time.monotonic() + scaled(ANSWER_TIMEOUT)
            while time.monotonic() < deadline:
                self._pump()
                if box.result is not None:
                    return
                if self.pending:
                    raise HarnessError(f"box {index + 2} opened before box {index + 1} was answered: "
                                       f"{show(self.pending[0].text)}")
                time.sleep(0.05)
        raise HarnessError(f"box {index + 1} did not close after {KEY_RETRIES} presses of "
                           f"{expected.answer}: {show(box.text)}")

    def _finished(self):
        """The run is over: the batch ended, and a relaunched copy is gone."""
        if self.process.poll() is None:
            return False
        if self.relaunch:
            self._pump()    # the trace is whole once the batch has ended
            if not self.batches:
                return True     # the program ended without starting its batch
            if self.copy is None or self.copy.exists() or self.open:
                return False
        return True

    def _end_batch(self):
        """Under Wine the batch spins in its last loop: its del of itself stays
        pending while cmd holds the file open. Ending cmd through the server
        closes that handle, and the pending delete is carried out then (a
        killed server would drop it). Then everything else of the prefix goes."""
        self.prefix.wine("taskkill", "/f", "/im", "cmd.exe", check=False, timeout=30)
        deadline = time.monotonic() + scaled(BATCH_END_TIMEOUT)
        batches = [self.prefix.unix_path(path) for path in self.batches]
        while any(path.exists() for path in batches) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.prefix.kill()
        self.prefix.start_server()

    def drive(self, boxes, relaunch, end_timeout, answer=None):
        self.relaunch = relaunch
        if answer is not None:
            return self._drive_answering(answer, scaled(end_timeout))
        for index, expected in enumerate(boxes):
            box = self._wait_for_box(index, expected)
            self._check(index, expected, box)
            self._answer(index, expected, box)
        end_timeout = scaled(end_timeout)
        deadline = time.monotonic() + end_timeout
        while not self._finished():
            self._pump()
            if self.pending:
                extra = self.pending[0]
                raise HarnessError(f"unexpected box after the {len(boxes)} expected: "
                                   f"{show(extra.text)}, caption {show(extra.caption)}, "
                                   f"flags {extra.flags:#010x}")
            if time.monotonic() > deadline:
                what = "the temporary copy to go" if relaunch and self.process.poll() is not None \
                    else "the program to end"
                raise HarnessError(f"waited {end_timeout}s for {what}")
            time.sleep(0.05)
        self._pump()
        if self.pending:
            extra = self.pending[0]
            raise HarnessError(f"unexpected box after the {len(boxes)} expected: {show(extra.text)}")
        if relaunch:
            if self.copy is None:
                raise HarnessError("the program did not start a relaunch batch (no ShellExecuteA of a .bat)")
            self._end_batch()
        return RunResult(exit_code=None, boxes=self.seen, shell_calls=self.shell_calls,
                         batches=self.batches)

    def _drive_answering(self, answer, end_timeout):
        """Answers every box that opens, until the program ends; each box
        restarts the wait for the end."""
        deadline = time.monotonic() + end_timeout
        while not self._finished():
            self._pump()
            if self.pending:
                box = self.pending.pop(0)
                index = len(self.seen) - len(self.pending) - 1
                self._answer(index, Box(None, box.caption, box.flags, answer=answer(box)), box)
                deadline = time.monotonic() + end_timeout
            elif time.monotonic() > deadline:
                raise HarnessError(f"waited {end_timeout}s for the program to end")
            time.sleep(0.05)
        self._pump()
        if self.pending:
            raise HarnessError(f"a box opened as the program ended: {show(self.pending[0].text)}")
        if self.relaunch:
            if self.copy is None:
                raise HarnessError("the program did not start a relaunch batch (no ShellExecuteA of a .bat)")
            self._end_batch()
        return RunResult(exit_code=None, boxes=self.seen, shell_calls=self.shell_calls,
                         batches=self.batches)


def _what_wine_said(rc_file: Path, trace: Path, most=8) -> str:
    """The exit code and Wine's own complaints (err: lines, the loader's
    wine: lines) of a run that ended too soon, for its failure message."""
    try:
        code = f"exit code {_read_exit_code(rc_file)}"
    except HarnessError as error:
        code = str(error)
    said = [line.decode("utf-8", "replace") for line in trace.read_bytes().splitlines()
            if b":err:" in line or line.startswith(b"wine:")]
    return "  " + code + "".join(f"\n  {line[:200]}" for line in said[-most:])


def _read_exit_code(rc_file: Path):
    try:
        text = rc_file.read_text().strip()
    except FileNotFoundError:
        raise HarnessError("the batch file did not record an exit code")
    value = int(text)
    # %ERRORLEVEL% may show -1 as 4294967295.
    value &= 0xFFFFFFFF
    return value - (1 << 32) if value & 0x80000000 else value


# A value and key name no test writes: reg's answer for it is "not there".
_ABSENT = "e2e-never-written-7c1f0b9e"
_ROOTS = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER", "HKCR": "HKEY_CLASSES_ROOT",
          "HKU": "HKEY_USERS", "HKCC": "HKEY_CURRENT_CONFIG"}


def _full_key(key):
    """A key as reg prints it: the root spelled out."""
    root, _, rest = key.partition("\\")
    root = _ROOTS.get(root.upper(), root.upper())
    return root + ("\\" + rest if rest else "")


def _first_line(text):
    return next((line.strip() for line in text.splitlines() if line.strip()), "")


def _excerpt(data, most=600):
    if not data:
        return "(nothing)"
    text = data.decode("cp932", "replace") if isinstance(data, bytes) else str(data)
    return repr(text if len(text) <= most else "..." + text[-most:])


def prefix_processes(path: Path):
    """The host's processes that belong to the prefix at path (by their
    WINEPREFIX), with their state, and Wine's processes that have already
    ended but not been reaped (they carry no environment any more)."""
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            stat = (entry / "stat").read_text()
            name, state = stat[stat.index("(") + 1:stat.rindex(")")], stat[stat.rindex(")") + 2]
            environ = (entry / "environ").read_bytes().split(b"\0")
            command = (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode("utf-8", "replace").strip()
        except (OSError, ValueError):
            continue
        if f"WINEPREFIX={path}".encode() in environ or (state == "Z" and name.endswith((".exe", "wineserver64"))):
            found.append(f"{entry.name} {state} {command or '[' + name + ']'}")
    return sorted(found, key=lambda line: int(line.split()[0]))


def _reg_escape(text):
    return text.replace("\\", "\\\\").replace('"', '\\"')


def _regex_escape(text):
    return "".join("\\" + c if c in r"\.^$|?*+()[]{}" else c for c in text)


# ---- what a prefix holds, to say a run changed nothing ----------------------

def read_registry(path):
    """A registry file of Wine's: {key: value lines}, without the times Wine
    stamps on every key it opens for writing."""
    keys, lines = {}, []
    for line in path.read_text(encoding="utf-8", errors="surrogateescape").splitlines():
        if line.startswith("["):
            lines = keys.setdefault(line[1:line.rindex("]")], [])
        elif line and not line.startswith(("#", ";", "WINE REGISTRY")):
            lines.append(line)
    # A key without values that has subkeys gets no section of its own.
    for key in list(keys):
        parts = key.split("\\\\")
        for end in range(1, len(parts)):
            keys.setdefault("\\\\".join(parts[:end]), [])
    # Wine's console host writes its settings when it first opens a console
    # window (the relaunch batch's), and Wine's debugger its own when a Wine
    # process crashes (Wine's device host now and then does as it starts; a
    # crash of a program under test shows in its run).
    keys.pop("Console", None)
    keys.pop("Software\\\\Wine\\\\WineDbg", None)
    # Wine's device setup writes the date of its drivers at every start.
    for key, values in keys.items():
        if key.startswith("System\\\\CurrentControlSet\\\\Control\\\\Class\\\\"):
            values[:] = [v for v in values if not v.startswith('"DriverDateData"=')]
    return keys


def snapshot(prefix):
    """Every file and folder on C:, and the whole registry (HKEY_LOCAL_MACHINE
    with both views, the 32-bit one below Software\\Wow6432Node, and the
    user's), as the server saves it when it ends."""
    prefix.kill()
    registry = {hive: read_registry(prefix.path / f"{hive}.reg") for hive in ("system", "user", "userdef")}
    prefix.start_server()
    return prefix.entries(), registry


def registry_changes(before, after):
    """{(hive, key)} of the keys added, removed or changed."""
    return {(hive, key) for hive in before for key in before[hive].keys() | after[hive].keys()
            if before[hive].get(key) != after[hive].get(key)}
