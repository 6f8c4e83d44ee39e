#include "app/frame_settings.h"

namespace tarvos {

FrameSettings LoadFrameSettings(const std::optional<std::filesystem::path>& file) {
    FrameSettings settings;
    if (!file) return settings;
    const IniFile ini = IniFile::Load(*file);
    settings.placement = ReadWindowPlacement(ini);
    settings.recent = ReadRecentFiles(ini);
    return settings;
}

Status SaveFrameSettings(const std::filesystem::path& file, const FrameSettings& settings) {
    Result<IniFile> ini = IniFile::LoadForUpdate(file);
    if (!ini) return ini.error();
    const std::string before = ini.value().Text();
    if (settings.placement) WriteWindowPlacement(ini.value(), *settings.placement);
    WriteRecentFiles(ini.value(), settings.recent);
    if (ini.value().Text() == before) return {};
    return ini.value().Save(file);
}

}  // namespace tarvos
