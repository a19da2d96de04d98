// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/MainFormState.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <string>
#include <system_error>

#include "platform/Messages.h"
#include "storage/ConfigLocation.h"
#include "storage/ListFile.h"

namespace qx {
namespace {

// Renames `file` to its ".bak" copy; true when the file is gone from its place.
bool KeepAside(const std::filesystem::path& file) {
    std::filesystem::path kept = file;
    kept += kKeptCopySuffix;
    std::error_code error;
    std::filesystem::rename(file, kept, error);
    return !error || !std::filesystem::exists(file, error);
}

}  // namespace

MainFormState::MainFormState(std::filesystem::path configFolder,
                             std::filesystem::path programFolder, TListFile& listFile,
                             Messages& messages)
    : configFolder_(std::move(configFolder)),
      programFolder_(std::move(programFolder)),
      listFile_(listFile),
      messages_(messages) {}

std::filesystem::path MainFormState::ConfigFile(std::string_view name) const {
    return configFolder_ / name;
}

SettingsLoadResult MainFormState::LoadSettings(TSettings& settings) {
    settings.maskHistory.clear();
    settings.folderHistory.clear();
    const SettingsLoadResult result =
        qx::LoadSettings(ConfigFile(kSettingsFileName), settings, messages_);
    settingsDamaged_ = result.status == SettingsStatus::Damaged;
    return result;
}

void MainFormState::SaveSettings(const TSettings& settings) {
    const std::filesystem::path file = ConfigFile(kSettingsFileName);
    if (settingsDamaged_) KeepAside(file);
    qx::SaveSettings(file, settings);
}

void MainFormState::LoadDefaultList() {
    // An installed program keeps the user's list in the user's own folder; until there is one
    // there, a list shipped beside the program is the list to start with.
    std::filesystem::path file = ConfigFile(kDefaultListFileName);
    std::error_code error;
    const bool ownList = std::filesystem::exists(file, error);
    if (!ownList && !programFolder_.empty()) file = programFolder_ / kDefaultListFileName;
    defaultListUnreadable_ = !listFile_.LoadList(file, false) && ownList;
}

void MainFormState::SaveDefaultList() {
    // A list that could not be read is the user's work all the same: kept aside rather than
    // overwritten, and if it cannot be kept it stays untouched.
    const std::filesystem::path file = ConfigFile(kDefaultListFileName);
    if (defaultListUnreadable_ && !KeepAside(file)) return;
    // Said even at close: the list's changes live only in the window until they are written.
    if (!listFile_.SaveList(file))
        messages_.Show(ListNotSavedText(file), kListNotSavedCaption, Messages::Icon::Error);
}

void MainFormState::KeepOnScreen(QWidget& window) {
    // A window that shows a good part of itself stays on that screen, moved just far enough,
    // in each direction where it fits, to lie wholly on it: the initial bounds are made for a
    // large screen and would hide the bottom buttons under a laptop's panel.
    const QRect bounds(window.pos(), window.size());
    const QScreen* best = nullptr;
    long long bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = screen->availableGeometry().intersected(bounds);
        if (visible.width() < 100 || visible.height() < 50) continue;
        const long long area = static_cast<long long>(visible.width()) * visible.height();
        if (area > bestArea) best = screen, bestArea = area;
    }
    if (best == nullptr) {
        if (const QScreen* primary = QGuiApplication::primaryScreen())
            window.move(primary->availableGeometry().topLeft());
        return;
    }
    const QRect area = best->availableGeometry();
    const auto fit = [](int start, int length, int areaStart, int areaLength) {
        if (length >= areaLength) return start;
        return std::clamp(start, areaStart, areaStart + areaLength - length);
    };
    window.move(fit(bounds.x(), bounds.width(), area.x(), area.width()),
                fit(bounds.y(), bounds.height(), area.y(), area.height()));
}

}  // namespace qx
