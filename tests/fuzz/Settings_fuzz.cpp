// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile "Settings.xml" files: reading any bytes ends as loaded or damaged, never worse, and
// what was read is saved and read back the same (after one save, which drops what the file
// format cannot hold, every further save reads back unchanged).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Messages.h"
#include "storage/Settings.h"
#include "tests/fuzz/ScratchFolder.h"

namespace {

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

class Silent : public qx::Messages {
public:
    void Show(std::string_view, std::string_view, Icon) override { ++shown; }
    bool Ask(std::string_view, std::string_view) override { return false; }
    int shown = 0;
};

bool SameNumbers(const qx::TSettings& a, const qx::TSettings& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height &&
           a.replacesColumn1 == b.replacesColumn1 && a.replacesColumn2 == b.replacesColumn2 &&
           a.replacesColumn3 == b.replacesColumn3 && a.filesColumn1 == b.filesColumn1 &&
           a.maskWidth == b.maskWidth && a.replacesHeight == b.replacesHeight &&
           a.replacesCheckedOnly == b.replacesCheckedOnly && a.ignoreCase == b.ignoreCase &&
           a.utf8 == b.utf8 && a.backupFiles == b.backupFiles;
}

bool SameTexts(const qx::TSettings& a, const qx::TSettings& b) {
    return a.maskHistory == b.maskHistory && a.folderHistory == b.folderHistory &&
           a.filesFolder == b.filesFolder && a.curMask == b.curMask && a.filter == b.filter &&
           a.replacesFilter == b.replacesFilter;
}

// Saves and reads back into fresh settings, which must load whole.
qx::TSettings SavedAndRead(const qx::TSettings& settings, const std::filesystem::path& file) {
    Require(qx::SaveSettings(file, settings));
    qx::TSettings read;
    Silent messages;
    Require(qx::LoadSettings(file, read, messages).status == qx::SettingsStatus::Loaded);
    Require(messages.shown == 0);
    return read;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const qx::fuzz::ScratchFolder& scratch = qx::fuzz::ScratchFolder::Get();

    qx::TSettings settings;
    Silent messages;
    const qx::SettingsLoadResult result =
        qx::LoadSettings(scratch.Write("Settings.xml", bytes), settings, messages);
    Require(result.status != qx::SettingsStatus::NoFile);
    Require((result.status == qx::SettingsStatus::Damaged) == (messages.shown == 1));
    Require(!settings.curMask.empty());

    const std::filesystem::path saved = scratch.File("Saved.xml");
    const qx::TSettings once = SavedAndRead(settings, saved);
    Require(SameNumbers(once, settings));
    const qx::TSettings twice = SavedAndRead(once, saved);
    Require(SameNumbers(twice, once) && SameTexts(twice, once));

    // The history encodings: what a decoding gives is encoded and decoded to itself.
    // An empty mask among others is written as nothing between two Tabs, which read as one
    // blank; the window never stores one.
    std::vector<std::string> masks = qx::DecodeMaskHistory(bytes);
    if (masks.size() > 1) std::erase(masks, std::string());
    Require(qx::DecodeMaskHistory(qx::EncodeMaskHistory(masks)) == masks);
    const std::vector<std::string> folders = qx::DecodeFolderHistory(bytes);
    Require(qx::DecodeFolderHistory(qx::EncodeFolderHistory(folders)) == folders);
    return 0;
}
