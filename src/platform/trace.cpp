#include "platform/trace.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/result.h"

namespace platform {

namespace {

std::mutex g_sinkMutex;
std::vector<TraceCapture*> g_captures;

bool TraceToStderr() {
    static const bool enabled = [] {
        const char* v = std::getenv("QUILLON_TRACE");
        return v != nullptr && std::strcmp(v, "1") == 0;
    }();
    return enabled;
}

}  // namespace

Error ErrnoError(const std::string& what, int err) {
    return Error{what + ": " + std::strerror(err), err};
}

void Trace(std::string_view line) {
    if (TraceToStderr()) {
        std::string out(line);
        out.push_back('\n');
        std::fwrite(out.data(), 1, out.size(), stderr);
    }
    std::lock_guard lock(g_sinkMutex);
    for (TraceCapture* capture : g_captures) {
        capture->Append(line);
    }
}

void TraceF(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) {
        return;
    }
    Trace(std::string_view(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1)));
}

TraceCapture::TraceCapture() {
    std::lock_guard lock(g_sinkMutex);
    g_captures.push_back(this);
}

TraceCapture::~TraceCapture() {
    std::lock_guard lock(g_sinkMutex);
    std::erase(g_captures, this);
}

void TraceCapture::Append(std::string_view line) {
    std::lock_guard lock(m_mutex);
    m_lines.emplace_back(line);
}

std::vector<std::string> TraceCapture::Lines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

bool TraceCapture::Contains(std::string_view fragment) const {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_lines.begin(), m_lines.end(),
                       [&](const std::string& l) { return l.find(fragment) != std::string::npos; });
}

void TraceCapture::Clear() {
    std::lock_guard lock(m_mutex);
    m_lines.clear();
}

}  // namespace platform
