#include "support/temp_env.h"

#include <sys/stat.h>

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillon-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

TempEnv::TempEnv() {
    const char* names[4] = {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME"};
    const std::filesystem::path values[4] = {DataHome(), ConfigHome(), RuntimeDir(),
                                             Root() / "home"};
    for (int i = 0; i < 4; ++i) {
        const char* old = std::getenv(names[i]);
        m_saved[i] = Saved{names[i], old != nullptr ? old : "", old != nullptr};
        std::filesystem::create_directories(values[i]);
        ::setenv(names[i], values[i].c_str(), 1);
    }
    ::chmod(RuntimeDir().c_str(), 0700);
}

TempEnv::~TempEnv() {
    for (const Saved& s : m_saved) {
        if (s.wasSet) {
            ::setenv(s.name.c_str(), s.value.c_str(), 1);
        } else {
            ::unsetenv(s.name.c_str());
        }
    }
}

}  // namespace testsupport
