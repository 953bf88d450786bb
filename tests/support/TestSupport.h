// Test helpers: a temporary folder removed at the end of the test, file
// reading and writing, and running verdane-cli as a real process.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace verdane::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

// XDG_CONFIG_HOME pointed at a new temporary folder for the object's life, so
// the program's settings file starts absent and never touches the user's.
class TempConfigHome {
public:
    TempConfigHome();
    ~TempConfigHome();
    TempConfigHome(const TempConfigHome&) = delete;
    TempConfigHome& operator=(const TempConfigHome&) = delete;

    const std::string& Path() const { return dir_.Path(); }
    std::string File(std::string_view name) const { return dir_.File(name); }

private:
    TempDir dir_;
    std::string previous_;
    bool hadPrevious_ = false;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::string_view bytes);
bool FileExists(const std::string& path);
// Names of the entries of a folder, without "." and "..", sorted.
std::vector<std::string> ListDir(const std::string& path);

struct ProcessResult {
    int exitCode = -1;     // -1 when the process did not exit normally
    std::string out;       // standard output
    std::string err;       // standard error
};

// Runs `program` with `args`, feeding `input` on standard input; waits for it.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         std::string_view input = {});

// Runs the verdane-cli of this build.
inline ProcessResult RunCli(const std::vector<std::string>& args, std::string_view input = {}) {
    return RunProcess(VERDANE_CLI_PATH, args, input);
}

// Bytes from a hexadecimal string such as "61 62 0D 0A".
std::string Hex(std::string_view hex);
// The hexadecimal form of bytes, "61 62 0D 0A", for readable failure messages.
std::string ToHex(std::string_view bytes);

}  // namespace verdane::test
