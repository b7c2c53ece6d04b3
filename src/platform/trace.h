#pragma once

// Diagnostics: trace lines go to stderr when QUILLON_TRACE=1 and to any
// in-memory capture that is active (tests read those). There is no log file.

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

void Trace(std::string_view line);
void TraceF(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Collects every trace line written while it lives, from any thread.
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::vector<std::string> Lines() const;
    bool Contains(std::string_view fragment) const;
    void Clear();

    void Append(std::string_view line);

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

}  // namespace platform
