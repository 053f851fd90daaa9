"""The relay-trace reader: every box the suite checks passes through it."""

import pytest

import relay

CALL = b'0120:Call user32.MessageBoxA(00000000,00cb79a0 %s,140027030 "Uninstaller",%s) ret=1400016d8'


@pytest.mark.parametrize("quoted, text, truncated", [
    (rb'"\x83R\x83}"', b"\x83R\x83}", False),                     # CP932 bytes, printable trail bytes kept
    (rb'"\x95\\\x83\\"', b"\x95\\\x83\\", False),                 # 0x5C trail bytes arrive escaped
    (rb'"a\nb\r\tc\"d"', b'a\nb\r\tc"d', False),                  # control characters and a quote
    (rb'"\x81w\x95"...', b"\x81w\x95", True),                     # cut by the trace: a prefix only
    (rb'""', b"", False),
])
def test_message_box_text(quoted, text, truncated):
    call = relay.parse_line(CALL % (quoted, b"00050000"))
    assert call.function == "user32.MessageBoxA"
    assert (call.arguments[1].text, call.arguments[1].truncated) == (text, truncated)
    assert call.arguments[2].text == b"Uninstaller"
    assert call.arguments[3].value == 0x50000


def test_null_pointer_and_wide_register_values():
    line = (b'012c:Call shell32.ShellExecuteA(00000000,140032283 "open",00cb3b90 "C:\\\\T\\\\a.bat",'
            b'00000000,00cb3b60 "C:\\\\T",100000000) ret=140003c23')
    call = relay.parse_line(line)
    assert [a.text for a in call.arguments] == [None, b"open", b"C:\\T\\a.bat", None, b"C:\\T", None]
    assert call.arguments[5].value & 0xFFFFFFFF == 0      # SW_HIDE in the low half


@pytest.mark.parametrize("line, expected", [
    (b"012c:Ret  user32.MessageBoxA() retval=00000006 ret=140001a5c", ("012c", "user32.MessageBoxA", 6)),
    (b"0110:Call PE DLL (proc=0000000170068C10,module=0000000170000000 L\"ntdll.dll\")", None),
    (b'0110:trace:relay:load_list L"RelayInclude" = L"user32.MessageBoxA"', None),
])
def test_other_lines(line, expected):
    event = relay.parse_line(line)
    assert (event and (event.thread, event.function, event.value)) == expected


def test_reader_waits_for_whole_lines(tmp_path):
    trace = tmp_path / "trace.txt"
    reader = relay.TraceReader(trace)
    assert reader.poll() == []                            # no file yet
    whole = b"012c:Ret  user32.MessageBoxA() retval=00000001 ret=1\n"
    trace.write_bytes(whole[:20])
    assert reader.poll() == []
    trace.write_bytes(whole)
    assert [e.value for e in reader.poll()] == [1]
