#include "Support/StandInClients.hpp"

#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

namespace deskmap::test {

namespace {

constexpr const char* script = R"script(#!/bin/sh
S='@STATE@'
n=$(cat "$S/calls" 2>/dev/null || echo 0); n=$((n+1)); echo $n > "$S/calls"
if [ "$1" = "login" ] || [ "$1" = "status" ]; then
  [ -f "$S/status.hang" ] && exec sleep 60
  cat "$S/status.out"
  cat "$S/status.err" >&2
  exit $(cat "$S/status.code")
fi
r=$(cat "$S/runs" 2>/dev/null || echo 0); r=$((r+1)); echo $r > "$S/runs"
printf '%s\0' "$@" > "$S/run-$r.args"
pwd > "$S/run-$r.pwd"
cat > "$S/run-$r.stdin"
workspace=""; out=""; prev=""
for a in "$@"; do
  case "$prev" in
    --cd|--workspace) workspace="$a" ;;
    --output-last-message) out="$a" ;;
  esac
  prev="$a"
done
dirname "$workspace" > "$S/run-$r.dir"
stat -c %a "$(dirname "$workspace")" > "$S/run-$r.mode"
[ -f "$S/run-$r.hang" ] && { sleep 61 & exec sleep 60; }
[ -f "$S/run-$r.output" ] && cat "$S/run-$r.output" > "$out"
[ -f "$S/run-$r.stdout" ] && cat "$S/run-$r.stdout"
exit $(cat "$S/run-$r.code" 2>/dev/null || echo 0)
)script";

void writeFile(const std::filesystem::path& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
}

} // namespace

StandInClients::StandInClients() {
    std::random_device entropy;
    root_ = std::filesystem::temp_directory_path() /
            ("deskmap-clients-" + std::to_string(::getpid()) + "-" + std::to_string(entropy()));
    std::filesystem::create_directories(root_ / "bin");
    std::filesystem::create_directories(root_ / "state");
}

StandInClients::~StandInClients() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void StandInClients::writeCodex(const Status& status, const std::vector<Run>& runs) {
    write("codex", status, runs);
}

void StandInClients::writeCursor(const Status& status, const std::vector<Run>& runs) {
    write("agent", status, runs);
}

void StandInClients::write(const std::string& executable, const Status& status,
                           const std::vector<Run>& runs) {
    const auto state = root_ / "state";
    std::filesystem::remove_all(state);
    std::filesystem::create_directories(state);
    writeFile(state / "status.out", status.standardOutput);
    writeFile(state / "status.err", status.standardError);
    writeFile(state / "status.code", std::to_string(status.exitCode));
    if (status.hang) {
        writeFile(state / "status.hang", "");
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const auto prefix = "run-" + std::to_string(i + 1);
        if (runs[i].outputFile) {
            writeFile(state / (prefix + ".output"), *runs[i].outputFile);
        }
        writeFile(state / (prefix + ".stdout"), runs[i].standardOutput);
        writeFile(state / (prefix + ".code"), std::to_string(runs[i].exitCode));
        if (runs[i].hang) {
            writeFile(state / (prefix + ".hang"), "");
        }
    }
    std::string text = script;
    text.replace(text.find("@STATE@"), 7, state.string());
    const auto path = binDirectory() / executable;
    writeFile(path, text);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

std::string StandInClients::read(const std::string& name) const {
    std::ifstream stream(root_ / "state" / name, std::ios::binary);
    std::ostringstream contents;
    contents << stream.rdbuf();
    return contents.str();
}

int StandInClients::summaryRuns() const {
    const auto text = read("runs");
    return text.empty() ? 0 : std::stoi(text);
}

std::vector<std::string> StandInClients::arguments(int run) const {
    const auto text = read("run-" + std::to_string(run) + ".args");
    std::vector<std::string> arguments;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\0', start);
        arguments.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

std::string StandInClients::standardInput(int run) const {
    return read("run-" + std::to_string(run) + ".stdin");
}

namespace {
std::string firstLine(std::string text) {
    return text.substr(0, text.find('\n'));
}
} // namespace

std::string StandInClients::workingDirectory(int run) const {
    return firstLine(read("run-" + std::to_string(run) + ".pwd"));
}

std::string StandInClients::runDirectory(int run) const {
    return firstLine(read("run-" + std::to_string(run) + ".dir"));
}

std::string StandInClients::runDirectoryMode(int run) const {
    return firstLine(read("run-" + std::to_string(run) + ".mode"));
}

} // namespace deskmap::test
