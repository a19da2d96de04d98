// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Message boxes behind one interface: the window shows real boxes, batch mode prints one line
// on standard error, tests answer questions. Texts are UTF-8.

#include <string_view>

namespace qx {

class Messages {
public:
    enum class Icon { Information, Warning, Error, Question };

    virtual ~Messages() = default;
    // Shows a message with an OK button.
    virtual void Show(std::string_view text, std::string_view caption, Icon icon) = 0;
    // Asks a yes/no question; true for yes.
    virtual bool Ask(std::string_view text, std::string_view caption) = 0;
    // The same question under an information icon: an offer after a finished task rather
    // than a doubt before one. Where icons mean nothing (standard error), Ask.
    virtual bool AskInformation(std::string_view text, std::string_view caption) {
        return Ask(text, caption);
    }

    enum class Answer { Yes, No, Cancel };
    // Asks with the buttons Yes, No and Cancel and an information icon. Where no third answer
    // can be given (standard error), a yes/no question.
    virtual Answer AskYesNoCancel(std::string_view text, std::string_view caption) {
        return Ask(text, caption) ? Answer::Yes : Answer::No;
    }
};

}  // namespace qx
