// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Doubles for the platform edge of widget tests: messages answered and recorded instead of
// shown, shell calls recorded instead of opening anything.

#include <QTemporaryDir>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "platform/Shell.h"

namespace qx::test {

class RecordingMessages final : public Messages {
public:
    struct Shown {
        std::string text;
        std::string caption;
        Icon icon;
    };
    void Show(std::string_view text, std::string_view caption, Icon icon) override {
        shown.push_back({std::string(text), std::string(caption), icon});
    }
    bool Ask(std::string_view text, std::string_view caption) override {
        return AskUnder(Icon::Question, text, caption);
    }
    bool AskInformation(std::string_view text, std::string_view caption) override {
        return AskUnder(Icon::Information, text, caption);
    }
    bool AskUnder(Icon icon, std::string_view text, std::string_view caption) {
        asked.push_back({std::string(text), std::string(caption), icon});
        if (onAsk) onAsk();
        if (answers.empty()) return answer;
        const bool next = answers.front();
        answers.pop_front();
        return next;
    }
    Answer AskYesNoCancel(std::string_view text, std::string_view caption) override {
        asked.push_back({std::string(text), std::string(caption), Icon::Information});
        return threeWayAnswer;
    }
    std::vector<Shown> shown;
    std::vector<Shown> asked;
    bool answer = true;
    // Answers given in turn before `answer` applies.
    std::deque<bool> answers;
    Answer threeWayAnswer = Answer::Yes;
    // Called while a question is asked, to look at the window then.
    std::function<void()> onAsk;
};

class RecordingShell final : public Shell {
public:
    void OpenUrl(std::string_view url) override { urls.emplace_back(url); }
    void OpenDocument(const std::filesystem::path& file) override { documents.push_back(file); }
    std::vector<std::string> urls;
    std::vector<std::filesystem::path> documents;
};

inline std::filesystem::path PathOf(const QTemporaryDir& dir) {
    return std::filesystem::path(dir.path().toStdString());
}

}  // namespace qx::test
