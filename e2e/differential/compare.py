"""recordcheck's prediction held against what the real Uninstaller did.

For every predicted step of the removing mode, what was seen of its path
(present before the run, after it) and of the removal calls on it in the
relay trace must fit its outcome:

  removed    there when the step came, gone after; a removal call on it succeeded
  stays      there when the step came, there after; no removal call on it succeeded,
             and one failed when the step names an error
  not there  absent when the step came and after; no removal call on it succeeded
  refused    unchanged; no removal call on it at all

"When the step came" follows the steps in order: a file the list names
twice is removed by the first step, and is not there for the second. And
everything the run removed (files, folders, keys) must be a step predicted
removed; the boxes of each mode must be the predicted ones in order, and
so must the exit codes. Each difference is one line of the result."""

from names import created_key, fold, is_lead, maybe_cut

FILE_KINDS = {"desktop shortcut", "menu shortcut", "file", "record"}
FOLDER_KINDS = {"game menu folder", "maker menu folder", "folder", "record folder", "game folder", "maker folder"}
KEY_KINDS = {"game key", "parent key", "uninstall entry"}
REMOVAL = {"DeleteFileA": FILE_KINDS, "RemoveDirectoryA": FOLDER_KINDS, "RegDeleteKeyA": KEY_KINDS}
PROBE = {"FindFirstFileA": {"desktop shortcut", "menu shortcut", "maker folder"},
         "RegOpenKeyExA": {"game key", "parent key"}, "RegCreateKeyExA": {"uninstall entry"}}
FLAG_NAMES = [(0x4, "MB_YESNO"), (0x1, "MB_OKCANCEL"), (0x10, "MB_ICONERROR"), (0x10000, "MB_SETFOREGROUND"),
              (0x40000, "MB_TOPMOST")]


def fold_bytes(path: bytes) -> bytes:
    """ASCII letters in upper case, trail bytes left alone: a call's path and
    the predicted one differ only in how Wine spells its own folders."""
    out, i = bytearray(), 0
    while i < len(path):
        if is_lead(path[i]):
            out += path[i:i + 2]
            i += 2
            continue
        out.append(path[i] - 32 if 0x61 <= path[i] <= 0x7A else path[i])
        i += 1
    return bytes(out)


def step_path(step) -> bytes:
    return bytes.fromhex(step["path_hex"])


def shown(step) -> str:
    reason = f" ({step['reason']})" if step["reason"] else ""
    error = f" (error {step['error']})" if step["error"] else ""
    return f"{step['kind']} {step_path(step).decode('cp932', 'replace')}: predicted {step['outcome']}{reason}{error}"


def observed_key(step):
    """The key a key step is about, as the registry names it (runs of
    backslashes are one, a leading one is dropped); None for a name no key has."""
    return created_key(step_path(step).lstrip(b"\\"))


def _where(step):
    """(observable name, kind of observation) of a step."""
    if step["kind"] in KEY_KINDS:
        key = observed_key(step)
        # A name no key can have is absent, and no other step's.
        return (key.upper() if key else f"(no key can be named {step['path']})"), "key"
    return fold(step_path(step).decode("cp932", "replace")), "file"


def seen_of_steps(steps, files_before, files_after, keys_before, keys_after):
    """What was seen of each step's path that does not fit its outcome
    ({step index: [what]}), and what the run removed or made that no step names."""
    found, other = {}, []
    # Folded for comparison, each with its own spelling for the report.
    seen = {"file": ({fold(p): p for p in files_before}, {fold(p): p for p in files_after}),
            "key": ({k.upper(): k for k in keys_before}, {k.upper(): k for k in keys_after})}
    by_path = {}
    for index, step in enumerate(steps):
        by_path.setdefault(_where(step), []).append((index, step))
    for (name, what), taken in by_path.items():
        before, after = seen[what]
        there = name in before
        told = False
        for index, step in taken:
            outcome = step["outcome"]
            if (outcome in ("removed", "stays")) != there and outcome != "refused":
                found.setdefault(index, []).append(f"it was {'' if there else 'not '}there when the step came")
                told = True
            if outcome in ("removed", "not there"):
                there = False
            elif outcome == "stays":
                there = True
        index, step = taken[-1]
        if (name in after) != there and not told:
            found.setdefault(index, []).append(f"after the run it is {'still there' if name in after else 'gone'}")
    # A path of a step is told above; here what the run removed of no step's.
    for what in ("file", "key"):
        before, after = seen[what]
        for name in sorted(before.keys() - after.keys()):
            if (name, what) not in by_path:
                other.append(f"the run removed {'the key ' if what == 'key' else ''}{before[name]}, "
                             "which no step predicts")
        for name in sorted(after.keys() - before.keys()):
            other.append(f"the run made {'the key ' if what == 'key' else ''}{after[name]}")
    return found, other


def _told(steps, found, other):
    return [f"step {index + 1} {shown(steps[index])}; but " + "; ".join(found[index])
            for index in sorted(found)] + other


def compare_steps(steps, files_before, files_after, keys_before, keys_after):
    return _told(steps, *seen_of_steps(steps, files_before, files_after, keys_before, keys_after))


def _matches(call, path: bytes) -> bool:
    mine, theirs = fold_bytes(path), fold_bytes(call.path)
    return mine.startswith(theirs) if call.cut else mine == theirs


def assign_calls(steps, calls):
    """Each removal call to the step it belongs to. Calls come in the steps'
    order; a step takes at most one probe (FindFirstFileA, RegOpenKeyExA)
    before at most one removal call. Returns (calls per step, removal calls
    that no step accounts for)."""
    assigned = [[] for _ in steps]
    stray = []
    first = 0
    for call in calls:
        removal = call.function in REMOVAL
        kinds = REMOVAL[call.function] if removal else PROBE[call.function]
        for index in range(first, len(steps)):
            step = steps[index]
            taken = assigned[index]
            free = not any(c.function in REMOVAL for c in taken) if removal else not taken
            if step["kind"] in kinds and free and _matches(call, step_path(step)):
                taken.append(call)
                first = index + 1 if removal else index
                break
        else:
            if removal:
                stray.append(call)
    return assigned, stray


def calls_of_steps(steps, calls):
    """The removal calls that do not fit each step's outcome ({step index:
    [what]}), and the removal calls no step accounts for."""
    found = {}
    assigned, stray = assign_calls(steps, calls)
    for index, (step, taken) in enumerate(zip(steps, assigned)):
        removals = [c for c in taken if c.function in REMOVAL]
        done = [c for c in removals if c.succeeded]
        failed = [c for c in taken if not c.succeeded]
        outcome = step["outcome"]
        if outcome == "removed" and not done:
            told = "the trace shows " + (", ".join(map(str, taken)) if taken else "no removal call on it")
        elif outcome == "refused" and removals:
            told = "the program called " + ", ".join(map(str, removals))
        elif outcome in ("stays", "not there") and done and step["kind"] != "uninstall entry":
            # The uninstall entry's check creates a missing entry and deletes it again.
            told = "the program called " + ", ".join(map(str, done))
        elif outcome in ("stays", "not there") and step["error"] and not failed:
            told = "no call on it failed in the trace"
        else:
            continue
        found[index] = [told]
    return found, [f"the program called {call}, which no step accounts for" for call in stray]


def compare_calls(steps, calls):
    return _told(steps, *calls_of_steps(steps, calls))


def flag_names(flags: int) -> str:
    names = [name for bit, name in FLAG_NAMES if flags & 0xF == bit or (bit > 0xF and flags & bit)]
    return "|".join(names) or "MB_OK"


def _text(data: bytes) -> str:
    return data.decode("cp932", "replace").replace("\n", "\\n")


def same_box(predicted, seen) -> bool:
    text = bytes.fromhex(predicted["text_hex"])
    # The trace cuts a long text: then what it shows must begin the predicted one.
    text_ok = seen.text == text or (maybe_cut(seen.text, seen.truncated) and text.startswith(seen.text))
    return text_ok and seen.caption == bytes.fromhex(predicted["caption_hex"]) and seen.flags == predicted["flags"]


def compare_boxes(mode, predicted, seen):
    boxes = seen.boxes
    if len(boxes) == len(predicted) and all(same_box(p, s) for p, s in zip(predicted, boxes)):
        if seen.complaint:
            return [f"{mode}: a second run showed the predicted boxes, but the first one did not:\n  "
                    + seen.complaint.replace("\n", "\n  ")]
        return []
    lines = [f"{mode}: the boxes differ (predicted {len(predicted)}, shown {len(boxes)}):"]
    for index in range(max(len(predicted), len(boxes))):
        p = predicted[index] if index < len(predicted) else None
        s = boxes[index] if index < len(boxes) else None
        mark = "  " if p is not None and s is not None and same_box(p, s) else "≠ "
        lines.append(f"    {mark}{index + 1}. predicted "
                     + (f"[{flag_names(p['flags'])}] {_text(bytes.fromhex(p['text_hex']))}" if p else "(none)"))
        caption = f" caption {_text(s.caption)!r}" if s and p and s.caption != bytes.fromhex(p["caption_hex"]) else ""
        lines.append("          shown     "
                     + (f"[{flag_names(s.flags)}]{caption} {_text(s.text)}{'...' if s.truncated else ''}" if s
                        else "(none)"))
    return ["\n".join(lines)]


def compare(prediction, observation):
    """Every difference between the prediction and what was seen, one string each."""
    asking, removing = prediction.asking, prediction.removing
    problems = []
    if prediction.refused_path:
        problems.append(f"recordcheck refused the game folder's path ({prediction.refused_path}); "
                        "predicted for it with a trailing backslash")
    problems += compare_boxes("asking", asking["boxes"], observation.asking)
    if observation.asking.exit_code != asking["exit_code"]:
        problems.append(f"asking: exit code predicted {asking['exit_code']}, seen {observation.asking.exit_code}")
    if observation.asking_changed:
        problems.append("asking: answered No, it changed " + ", ".join(sorted(observation.asking_changed)))
    problems += compare_boxes("removing", removing["boxes"], observation.removing)
    if observation.removing.exit_code != removing["exit_code"]:
        problems.append(f"removing: exit code predicted {removing['exit_code']}, seen {observation.removing.exit_code}")
    steps = removing["steps"]
    # One line for each step, with all that was seen of it.
    found, other = seen_of_steps(steps, observation.files_before, observation.files_after,
                                 observation.keys_before, observation.keys_after)
    traced, stray = calls_of_steps(steps, observation.removing.calls)
    for index, told in traced.items():
        found.setdefault(index, []).extend(told)
    problems += [f"removing: {p}" for p in _told(steps, found, other + stray)]
    if observation.bystanders_changed:
        problems.append("not the game's, yet changed: " + ", ".join(observation.bystanders_changed))
    return problems
