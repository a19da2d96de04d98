// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Doubles for the correction tests: rules that replace fixed fragments, a temporary folder,
// whole-file reading and writing.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/CodePage.h"
#include "engine/TextRoutines.h"
#include "engine/TextRules.h"

namespace qx::test {

// windows-1251 bytes of a UTF-8 literal, so that Cyrillic can be written plainly in the tests.
inline std::string Cp(std::string_view utf8) { return Utf8ToCp1251Lenient(utf8); }

// Replaces every occurrence of each find text, in order; remembers what it was given.
class FakeRules final : public TextRules {
public:
    FakeRules() = default;
    // Pairs of UTF-8 literals, converted to the working code page.
    FakeRules(std::initializer_list<std::pair<std::string_view, std::string_view>> rules) {
        for (const auto& [find, replace] : rules) rules_.emplace_back(Cp(find), Cp(replace));
    }

    bool Apply(std::string_view text, std::string& corrected) override {
        ++applyCalls;
        seen = std::string(text);
        if (beforeApply) beforeApply();
        corrected = text;
        for (const auto& [find, replace] : rules_) {
            corrected = ReplaceText(corrected, find, replace, kReplaceAll);
        }
        return corrected != text;
    }
    std::size_t ActiveRuleCount() const override { return rules_.size(); }
    void SetCurrentFileName(std::string name) override {
        currentFileName = std::move(name);
        ++fileNameSets;
    }

    int applyCalls = 0;
    std::string seen;
    std::string currentFileName = "unset";
    int fileNameSets = 0;
    // Runs inside Apply: to throw like a failing rule, or to look at the file meanwhile.
    std::function<void()> beforeApply;

private:
    std::vector<std::pair<std::string, std::string>> rules_;
};

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qx-correct-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        // A read-only file inside does not stop removal: the folder itself stays writable.
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace qx::test
