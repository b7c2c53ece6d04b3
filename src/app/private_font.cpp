#include "app/private_font.h"

#include <span>

#include "platform/file_io.h"
#include "platform/trace.h"

namespace app {

namespace {
// Larger files are not fonts we ship.
constexpr size_t kMaxFontBytes = 64u << 20;
}  // namespace

CPrivateFont::CPrivateFont(const std::filesystem::path& programFolder, IFontRegistry* registry)
    : m_folder(programFolder), m_registry(registry) {}

CPrivateFont::~CPrivateFont() {
    Unload();
}

bool CPrivateFont::Load(std::string_view relativePath) {
    Unload();
    m_path = m_folder / std::filesystem::path(relativePath);
    if (m_registry == nullptr) {
        platform::Trace("font " + m_path.string() + ": no private fonts here, skipped");
        return false;
    }
    std::optional<std::string> data = platform::ReadFile(m_path, kMaxFontBytes);
    if (!data || data->empty()) {
        platform::Trace("font " + m_path.string() + ": cannot be read, skipped");
        return false;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(data->data());
    m_handle = m_registry->AddFont(std::span<const uint8_t>(bytes, data->size()));
    if (!m_handle) {
        platform::Trace("font " + m_path.string() + ": not a usable font, skipped");
        return false;
    }
    platform::Trace("font loaded " + m_path.filename().string());
    return true;
}

void CPrivateFont::Unload() {
    if (!m_handle)
        return;
    if (m_registry != nullptr)
        m_registry->RemoveFont(*m_handle);
    platform::Trace("font unloaded " + m_path.filename().string());
    m_handle.reset();
}

}  // namespace app
