#pragma once

// Gives a test its own temporary home: data, config and runtime folders, and
// removes it afterwards. Tests never touch the real user's folders.

#include <filesystem>
#include <string>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Points XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR and HOME into a fresh
// temporary folder while it lives.
class TempEnv {
public:
    TempEnv();
    ~TempEnv();
    TempEnv(const TempEnv&) = delete;
    TempEnv& operator=(const TempEnv&) = delete;

    const std::filesystem::path& Root() const { return m_dir.Path(); }
    std::filesystem::path DataHome() const { return Root() / "data"; }
    std::filesystem::path ConfigHome() const { return Root() / "config"; }
    std::filesystem::path RuntimeDir() const { return Root() / "run"; }

private:
    TempDir m_dir;
    struct Saved {
        std::string name;
        std::string value;
        bool wasSet;
    };
    Saved m_saved[4];
};

}  // namespace testsupport
