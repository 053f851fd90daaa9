#include "uninstaller/driver/relaunch.h"

#include <cstdlib>

#include "common/file.h"
#include "common/folders.h"
#include "common/paths.h"
#include "common/sjis.h"
#include "uninstaller/driver/run_uninstaller.h"

namespace {

const char kRunFailedMessage[] = "アンインストーラの実行に失敗しました";
const char kCopyLoopLabel[] = "loop_setup_exe";
const char kBatchLoopLabel[] = "loop_batch_file";
constexpr int kNameLetters = 16;
constexpr int kNameAttempts = 1024;
constexpr int kLetterCount = 25;  // a to y

}  // namespace

std::string EscapeBatchPercent(const std::string& path) {
    std::string escaped;
    escaped.reserve(path.size());
    for (std::size_t i = 0; i < path.size();) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (sjis::IsLeadByte(byte)) {
            escaped.append(path, i, 2);  // a lone lead byte at the end is copied alone
            i += 2;
            continue;
        }
        if (byte == '%') escaped.push_back('%');
        escaped.push_back(path[i]);
        ++i;
    }
    return escaped;
}

std::string MakeUniqueTempPath(const std::string& extension) {
    const std::string tempFolder = GetTempFolderPath();
    // Without it the names would land at the root of the current drive.
    if (tempFolder.empty()) return std::string();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string candidate = tempFolder;
        AddTrailingSeparator(candidate);
        for (int letter = 0; letter < kNameLetters; ++letter) {
            candidate.push_back(static_cast<char>('a' + std::rand() % kLetterCount));
        }
        candidate += extension;

        WIN32_FIND_DATAA found{};
        const HANDLE search = FindFirstFileA(candidate.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return candidate;
        // Any entry of that name is taken: a folder would make the copy fail.
        (void)FindClose(search);
    }
    return std::string();
}

bool WriteDeleteLoop(HANDLE file, const std::string& label, const std::string& path) {
    const std::string target = EscapeBatchPercent(path);
    return WriteWholeText(file, ":" + label + "\r\n") && WriteWholeText(file, "del \"" + target + "\"\r\n") &&
           WriteWholeText(file, "if exist \"" + target + "\" goto " + label + "\r\n");
}

bool WriteRelaunchBatch(const std::string& copyPath, const std::string& gameFolder, const std::string& batchPath) {
    if (batchPath.empty()) return false;
    FileHandleHolder file(CreateFileA(batchPath.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return false;
    // The command processor expands '%' in a batch file; "%%" gives one back.
    const std::string runLine =
        "\"" + EscapeBatchPercent(copyPath) + "\" -F=\"" + EscapeBatchPercent(gameFolder) + "\"\r\n";
    if (!WriteWholeText(file.Get(), runLine)) return false;
    if (!WriteDeleteLoop(file.Get(), kCopyLoopLabel, copyPath)) return false;
    if (!WriteDeleteLoop(file.Get(), kBatchLoopLabel, batchPath)) return false;
    return file.Close();
}

namespace {

// What one relaunch made in the temporary folder, deleted again unless the
// batch file was started: a copy or a batch file that nothing runs would
// stay there for good.
class TemporaryFiles {
public:
    TemporaryFiles() = default;
    TemporaryFiles(const TemporaryFiles&) = delete;
    TemporaryFiles& operator=(const TemporaryFiles&) = delete;
    ~TemporaryFiles() {
        if (kept_) return;
        if (batchMade_) (void)DeleteFileA(batch_.c_str());
        if (copyMade_) (void)DeleteFileA(copy_.c_str());
    }

    // The paths are taken before the files are made, so that recording them
    // cannot fail after the fact.
    void NameCopy(std::string path) { copy_ = std::move(path); }
    void NameBatch(std::string path) { batch_ = std::move(path); }
    void CopyMade() { copyMade_ = true; }
    void BatchMade() { batchMade_ = true; }
    void Keep() { kept_ = true; }

private:
    std::string copy_;
    std::string batch_;
    bool copyMade_ = false;
    bool batchMade_ = false;
    bool kept_ = false;
};

bool StartCopy(TemporaryFiles& made) {
    const std::string ownPath = GetModuleFilePath();
    std::string copyPath = MakeUniqueTempPath(".exe");
    RemoveTrailingSeparator(copyPath);
    made.NameCopy(copyPath);
    // The user has said Yes: a failure here must not end in silence.
    if (copyPath.empty() || !CopyFileA(ownPath.c_str(), copyPath.c_str(), TRUE)) return false;
    made.CopyMade();
    // The copy takes the program file's attributes; a read-only copy would
    // survive the batch's del and keep its loop spinning for ever.
    if (!SetFileAttributesA(copyPath.c_str(), FILE_ATTRIBUTE_NORMAL)) return false;

    std::string gameFolder = GetParentPath(ownPath);
    RemoveTrailingSeparator(gameFolder);
    const std::string batchPath = MakeUniqueTempPath(".bat");
    made.NameBatch(batchPath);
    // Whatever of the batch file was written goes with the copy.
    if (!batchPath.empty()) made.BatchMade();
    if (!WriteRelaunchBatch(copyPath, gameFolder, batchPath)) return false;

    const std::string workingFolder = GetTempFolderPath();
    // An empty folder would start the batch in our own current folder, often
    // the game folder, which its command processor would then hold open
    // against the removal.
    if (workingFolder.empty()) return false;
    const HINSTANCE started =
        ShellExecuteA(nullptr, "open", batchPath.c_str(), nullptr, workingFolder.c_str(), SW_HIDE);
    if (reinterpret_cast<INT_PTR>(started) <= 32) return false;
    made.Keep();  // the batch file deletes both now
    return true;
}

}  // namespace

bool RelaunchFromTemp() {
    {
        TemporaryFiles made;
        try {
            if (StartCopy(made)) return true;
        } catch (...) {
            // Memory ran out half-way; the run fails as any other relaunch.
        }
    }
    // A fixed text: nothing to format, nothing more to allocate.
    return ShowFixedMessage(kRunFailedMessage);
}
