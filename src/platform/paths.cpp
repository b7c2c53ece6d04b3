#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

namespace platform {

namespace {

fs::path EnvFolder(const char* name) {
    const char* v = std::getenv(name);
    if (v != nullptr && v[0] == '/') {
        return fs::path(v);
    }
    return {};
}

fs::path HomeFolder() {
    fs::path home = EnvFolder("HOME");
    return home.empty() ? fs::path("/") : home;
}

}  // namespace

fs::path ProgramFolder() {
    fs::path overridden = EnvFolder("QUILLON_PROGRAM_DIR");
    if (!overridden.empty()) {
        return overridden;
    }
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return fs::current_path(ec);
    }
    return exe.parent_path();
}

fs::path DataFolder() {
    fs::path base = EnvFolder("XDG_DATA_HOME");
    if (base.empty()) {
        base = HomeFolder() / ".local" / "share";
    }
    return base / "Quillon";
}

fs::path ConfigFolder() {
    fs::path base = EnvFolder("XDG_CONFIG_HOME");
    if (base.empty()) {
        base = HomeFolder() / ".config";
    }
    return base / "Quillon";
}

Status CheckPrivateFolder(const fs::path& folder, uid_t owner) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        return ErrnoError("cannot inspect " + folder.string(), errno);
    }
    if (!S_ISDIR(st.st_mode)) {
        return Error{folder.string() + " is not a folder", ENOTDIR};
    }
    if (st.st_uid != owner) {
        return Error{folder.string() + " belongs to another user", EPERM};
    }
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return Error{folder.string() + " is writable by other users", EPERM};
    }
    return {};
}

Result<fs::path> RuntimeFolder() {
    fs::path base = EnvFolder("XDG_RUNTIME_DIR");
    fs::path folder = base.empty() ? fs::path("/tmp") / ("Quillon-" + std::to_string(::getuid()))
                                   : base / "Quillon";
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return ErrnoError("cannot create " + folder.string(), errno);
    }
    Status checked = CheckPrivateFolder(folder, ::getuid());
    if (!checked) {
        return checked.error();
    }
    return folder;
}

bool EnsureFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

bool IsSafeFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

}  // namespace platform
