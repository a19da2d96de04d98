// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/Settings.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "engine/CodePage.h"
#include "engine/TextRoutines.h"
#include "engine/Utf8.h"
#include "engine/XmlDocument.h"
#include "platform/Messages.h"
#include "storage/DelimitedText.h"

namespace qx {
namespace {

// The element names of the file, each written once here.
namespace element {
constexpr std::string_view kRoot = "Settings";
constexpr std::string_view kMasks = "Masks";
constexpr std::string_view kFolders = "Folders";
constexpr std::string_view kLeft = "Left";
constexpr std::string_view kTop = "Top";
constexpr std::string_view kWidth = "Width";
constexpr std::string_view kHeight = "Height";
constexpr std::string_view kReplacesColumn1 = "Replaces_Column1";
constexpr std::string_view kReplacesColumn2 = "Replaces_Column2";
constexpr std::string_view kReplacesColumn3 = "Replaces_Column3";
constexpr std::string_view kFilesColumn1 = "Files_Column1";
constexpr std::string_view kMaskWidth = "MaskWidth";
constexpr std::string_view kReplacesHeight = "Replaces_Height";
constexpr std::string_view kFilesFolder = "FilesFolder";
constexpr std::string_view kCurMask = "CurMask";
constexpr std::string_view kReplacesCheckedOnly = "Replaces_CheckedOnly";
constexpr std::string_view kFilter = "Filter";
constexpr std::string_view kReplacesFilter = "ReplacesFilter";
constexpr std::string_view kIgnoreCase = "IgnoreCase";
constexpr std::string_view kUtf8 = "UTF8";
constexpr std::string_view kBackupFiles = "BackupFiles";
constexpr std::string_view kUndoJournalMegabytes = "UndoJournalMegabytes";
}  // namespace element

// Values taken when a file has the element missing or empty (the window's own initial layout
// differs for some of them, see TSettings).
namespace fallback {
constexpr int kReplacesColumn1 = 225;
constexpr int kReplacesColumn2 = 220;
constexpr int kReplacesColumn3 = 200;
constexpr int kFilesColumn1 = 600;
constexpr int kMaskWidth = 120;
constexpr int kReplacesHeight = 250;
constexpr bool kReplacesCheckedOnly = false;
constexpr bool kIgnoreCase = true;
constexpr bool kUtf8 = false;
constexpr bool kBackupFiles = true;
constexpr std::string_view kMask = "*.*";
}  // namespace fallback

// A value that is there but cannot be read: ends loading as a damaged file.
class DamagedValue : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string Trimmed(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

std::optional<bool> ParseBool(std::string_view text) {
    if (EqualsIgnoreCase(text, "true")) return true;
    if (EqualsIgnoreCase(text, "false")) return false;
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '+' || text.front() == '-')) return std::nullopt;
    }
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return number != 0;
}

// Reads the values of one document; every lookup is "Settings/" and the element name.
class SettingsReader {
public:
    explicit SettingsReader(XmlDocument* document) : document_(document) {}

    // The element's text, or empty when the file has no such element.
    std::string Text(std::string_view name) const {
        if (!document_) return {};
        const XmlNode node =
            document_->selectSingleNode(std::string(element::kRoot) + "/" + std::string(name));
        return node ? Trimmed(node.textUtf8()) : std::string();
    }

    int Int(std::string_view name, int fallbackValue) const {
        const std::string text = Text(name);
        if (text.empty()) return fallbackValue;
        const auto value = ParseInt32(text);
        if (!value) throw DamagedValue(std::string(name) + " is not a number: " + text);
        return *value;
    }

    bool Bool(std::string_view name, bool fallbackValue) const {
        return ParseBool(Text(name)).value_or(fallbackValue);
    }

private:
    XmlDocument* document_;  // null: a file that did not parse, where nothing is found
};

// The steps of loading, in their order; an exception leaves the later ones undone.
void ReadValues(const SettingsReader& read, TSettings& settings) {
    // The bounds go together: a bad one leaves all four as they were.
    const int left = read.Int(element::kLeft, settings.left);
    const int top = read.Int(element::kTop, settings.top);
    const int width = read.Int(element::kWidth, settings.width);
    const int height = read.Int(element::kHeight, settings.height);
    settings.left = left;
    settings.top = top;
    settings.width = width;
    settings.height = height;

    settings.replacesColumn1 = read.Int(element::kReplacesColumn1, fallback::kReplacesColumn1);
    settings.replacesColumn2 = read.Int(element::kReplacesColumn2, fallback::kReplacesColumn2);
    settings.replacesColumn3 = read.Int(element::kReplacesColumn3, fallback::kReplacesColumn3);
    settings.filesColumn1 = read.Int(element::kFilesColumn1, fallback::kFilesColumn1);
    settings.maskWidth = read.Int(element::kMaskWidth, fallback::kMaskWidth);
    settings.replacesHeight = read.Int(element::kReplacesHeight, fallback::kReplacesHeight);

    settings.curMask = read.Text(element::kCurMask);
    settings.replacesCheckedOnly =
        read.Bool(element::kReplacesCheckedOnly, fallback::kReplacesCheckedOnly);
    settings.filter = read.Text(element::kFilter);
    settings.replacesFilter = read.Text(element::kReplacesFilter);
    settings.ignoreCase = read.Bool(element::kIgnoreCase, fallback::kIgnoreCase);
    settings.utf8 = read.Bool(element::kUtf8, fallback::kUtf8);
    settings.backupFiles = read.Bool(element::kBackupFiles, fallback::kBackupFiles);
    settings.undoJournalMegabytes =
        std::max(0, read.Int(element::kUndoJournalMegabytes, TSettings{}.undoJournalMegabytes));

    for (std::string& mask : DecodeMaskHistory(read.Text(element::kMasks))) {
        settings.maskHistory.push_back(std::move(mask));
    }
    for (std::string& folder : DecodeFolderHistory(read.Text(element::kFolders))) {
        settings.folderHistory.push_back(std::move(folder));
    }
    settings.filesFolder = read.Text(element::kFilesFolder);

    if (settings.curMask.empty()) settings.curMask = fallback::kMask;
}

// XML 1.0 cannot hold most control characters, and the file must be UTF-8: a value holding a
// control character (pasted into a filter box, say) loses it, and a byte that is not UTF-8 (a
// folder name in another encoding) becomes "?", rather than costing the whole file.
std::string XmlSafe(std::string_view text) {
    std::string safe;
    safe.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const char32_t cp = NextCodePoint(text, pos);
        if (IsInvalidUtf8Byte(cp)) {
            safe.push_back('?');
        } else if (!IsXmlForbiddenControl(cp) && cp != 0xFFFE && cp != 0xFFFF) {
            safe.append(text.substr(start, pos - start));
        }
    }
    return safe;
}

// Sets the text of the root's child of that name, appending the child when there is none.
void SetChildText(XmlNode root, std::string_view name, std::string_view text) {
    XmlNode child = root.selectSingleNode(name);
    if (!child) child = root.appendElement(name);
    child.setTextUtf8(XmlSafe(text));
}

std::string BoolText(bool value) { return value ? "True" : "False"; }

}  // namespace

std::string EncodeMaskHistory(const std::vector<std::string>& masks) {
    return JoinDelimited(masks, '\t');
}

std::vector<std::string> DecodeMaskHistory(std::string_view text) {
    return SplitDelimited(text, '\t');
}

std::string EncodeFolderHistory(const std::vector<std::string>& folders) {
    // Each folder ends with a line break, and every CR LF becomes a Tab.
    std::string lines;
    for (const std::string& folder : folders) lines += folder + "\r\n";
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == '\r' && i + 1 < lines.size() && lines[i + 1] == '\n') {
            text.push_back('\t');
            ++i;
        } else {
            text.push_back(lines[i]);
        }
    }
    return text;
}

std::vector<std::string> DecodeFolderHistory(std::string_view text) {
    // Tabs stand for line breaks; CR, LF and CR LF all end a line, and the last line break
    // adds no empty entry.
    std::vector<std::string> folders;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        while (pos < text.size() && text[pos] != '\t' && text[pos] != '\r' && text[pos] != '\n') {
            ++pos;
        }
        folders.emplace_back(text.substr(start, pos - start));
        if (pos < text.size() && text[pos] == '\t') {
            ++pos;
            continue;
        }
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    return folders;
}

SettingsLoadResult LoadSettings(const std::filesystem::path& file, TSettings& settings,
                                Messages& messages) {
    SettingsLoadResult result;
    std::error_code error;
    if (!std::filesystem::exists(file, error)) return result;

    XmlDocument document;
    // A file that does not parse reads as one without any values.
    const bool parsed = document.load(file);
    try {
        ReadValues(SettingsReader(parsed ? &document : nullptr), settings);
        result.status = SettingsStatus::Loaded;
        result.scanFolder = !settings.filesFolder.empty();
    } catch (const std::exception&) {
        result.status = SettingsStatus::Damaged;
        messages.Show(kSettingsDamagedText, kSettingsDamagedCaption, Messages::Icon::Warning);
    }
    return result;
}

bool SaveSettings(const std::filesystem::path& file, const TSettings& settings) {
    try {
        XmlDocument document;
        XmlNode root = document.createRoot(element::kRoot);
        root.appendElement(element::kMasks);
        root.appendElement(element::kFolders);

        SetChildText(root, element::kLeft, std::to_string(settings.left));
        SetChildText(root, element::kTop, std::to_string(settings.top));
        SetChildText(root, element::kWidth, std::to_string(settings.width));
        SetChildText(root, element::kHeight, std::to_string(settings.height));
        SetChildText(root, element::kReplacesColumn1, std::to_string(settings.replacesColumn1));
        SetChildText(root, element::kReplacesColumn2, std::to_string(settings.replacesColumn2));
        SetChildText(root, element::kReplacesColumn3, std::to_string(settings.replacesColumn3));
        SetChildText(root, element::kFilesColumn1, std::to_string(settings.filesColumn1));
        SetChildText(root, element::kMaskWidth, std::to_string(settings.maskWidth));
        SetChildText(root, element::kReplacesHeight, std::to_string(settings.replacesHeight));
        SetChildText(root, element::kFilesFolder, settings.filesFolder);
        SetChildText(root, element::kCurMask, settings.curMask);
        SetChildText(root, element::kReplacesCheckedOnly, BoolText(settings.replacesCheckedOnly));
        SetChildText(root, element::kFilter, settings.filter);
        SetChildText(root, element::kReplacesFilter, settings.replacesFilter);
        SetChildText(root, element::kIgnoreCase, BoolText(settings.ignoreCase));
        SetChildText(root, element::kUtf8, BoolText(settings.utf8));
        SetChildText(root, element::kBackupFiles, BoolText(settings.backupFiles));
        // Written only when changed, so that files of earlier versions keep their layout.
        if (settings.undoJournalMegabytes != TSettings{}.undoJournalMegabytes)
            SetChildText(root, element::kUndoJournalMegabytes,
                         std::to_string(settings.undoJournalMegabytes));

        const std::size_t stored = std::min(settings.maskHistory.size(), kStoredMaskLimit);
        SetChildText(root, element::kMasks,
                     EncodeMaskHistory(std::vector<std::string>(
                         settings.maskHistory.begin(),
                         settings.maskHistory.begin() + static_cast<std::ptrdiff_t>(stored))));
        SetChildText(root, element::kFolders, EncodeFolderHistory(settings.folderHistory));

        // The document service writes beside the target and renames over it.
        document.save(file);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace qx
