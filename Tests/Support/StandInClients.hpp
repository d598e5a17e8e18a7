#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace deskmap::test {

// Stand-in "codex" and "agent" executables, written as shell scripts into a
// private temporary folder, that honour the clients' command lines: the
// status command answers as scripted, and each summary run records its
// arguments, working directory, standard input and run directory, then
// answers as scripted for that run. Removed with the object.
class StandInClients {
public:
    struct Status {
        std::string standardOutput;
        std::string standardError;
        int exitCode = 0;
        bool hang = false;
    };

    struct Run {
        std::optional<std::string> outputFile; // Codex: written to --output-last-message
        std::string standardOutput;            // the Cursor agent's envelope
        int exitCode = 0;
        bool hang = false; // and leaves a grandchild running too
    };

    StandInClients();
    ~StandInClients();
    StandInClients(const StandInClients&) = delete;
    StandInClients& operator=(const StandInClients&) = delete;

    // The folder holding the executables, for PATH.
    std::filesystem::path binDirectory() const { return root_ / "bin"; }

    void writeCodex(const Status& status, const std::vector<Run>& runs);
    void writeCursor(const Status& status, const std::vector<Run>& runs);

    static Status codexSignedIn() { return {"Logged in using ChatGPT\n", "", 0, false}; }
    static Status cursorSignedIn() {
        return {R"({"isAuthenticated":true,"email":"a@b.c"})", "", 0, false};
    }

    // What the summary runs (not the status commands) saw, by 1-based run.
    int summaryRuns() const;
    std::vector<std::string> arguments(int run) const;
    std::string standardInput(int run) const;
    std::string workingDirectory(int run) const;
    std::string runDirectory(int run) const;
    std::string runDirectoryMode(int run) const; // octal, as stat prints it

private:
    void write(const std::string& executable, const Status& status, const std::vector<Run>& runs);
    std::string read(const std::string& name) const;

    std::filesystem::path root_;
};

} // namespace deskmap::test
