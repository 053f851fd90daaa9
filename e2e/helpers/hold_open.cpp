// A stand-in for a running game in the end-to-end tests: holds one file open
// until told to let go. Never shipped.
//
//   hold_open.exe <file> <read|read-delete> <ready marker> <release marker>
//
// Opens <file> for reading, sharing reading (and deleting with
// read-delete), creates <ready marker>, then waits until <release marker>
// exists (two minutes at most), closes the file and ends. Copied into a game
// folder as its program and started there, it is also that running program
// and that folder's process. Exit code 0 when it held the file, 2 when the
// file could not be opened, 1 for a wrong command line.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
    if (argc != 5) return 1;
    DWORD share = FILE_SHARE_READ;
    if (std::strcmp(argv[2], "read-delete") == 0) {
        share |= FILE_SHARE_DELETE;
    } else if (std::strcmp(argv[2], "read") != 0) {
        return 1;
    }
    HANDLE held = CreateFileA(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 2;
    HANDLE ready = CreateFileA(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
    for (int tick = 0; tick < 2400 && GetFileAttributesA(argv[4]) == INVALID_FILE_ATTRIBUTES; ++tick) Sleep(50);
    CloseHandle(held);
    return 0;
}
