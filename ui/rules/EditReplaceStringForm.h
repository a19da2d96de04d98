// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The dialog in which one replace rule is created or changed: find and replace texts, the
// regular-expression option, the repeat option and the xPath scope. One instance serves every
// call, so the regular-expression and XML choices carry over to the next new rule. The dialog
// never touches the rule list; the caller reads the values after OK.
//
//   if (editor.Edit(rule, /*isNew=*/false)) ...   // the five fields were written
//
// Line breaks typed in the memos are the token "[nw]" in the rule; the other tokens stay as
// they are typed.

#include <QString>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "ui/common/QxForm.h"

class QMenu;
class QPlainTextEdit;

namespace Ui {
class EditReplaceStringForm;
}

namespace qx {

class RegExpForm;
class Shell;
class TReplace;

class EditReplaceStringForm : public QxForm {
    Q_OBJECT
public:
    static constexpr int kOk = 1;
    static constexpr int kMaxRepeatCount = 1000;

    // `tester` is opened by "Мастер"; `helpFile` by "Справка ...".
    EditReplaceStringForm(Messages& messages, Shell& shell, RegExpForm& tester,
                          std::filesystem::path helpFile, QWidget* parent);
    ~EditReplaceStringForm() override;

    // A new rule (`isNew`: the texts, the xPath and the repeat option start empty) or the
    // given one, shown modally. On OK writes Find, Replace, xPath, Flags and Repeat into
    // `rule` (Checked is the caller's) and returns true; otherwise leaves `rule` untouched.
    bool Edit(TReplace& rule, bool isNew);

    // The steps of Edit, for callers that need them apart.
    void ClearFields();
    void SetReplace(const TReplace& rule);
    std::string GetTextToFind() const;
    std::string GetReplaceWith() const;
    std::string GetXPath() const;
    std::string GetFlags() const;
    std::int32_t GetRepeatCount() const;

    void UpdateControls();
    // Turns the find text's line breaks into the expression "\r\n" (on) or back (off).
    void ConvertLineBreaks(bool on);

    QMenu* SymbolsMenu() const { return pupSymbols_; }
    // The memo the symbols menu inserts into; null until a link opened the menu.
    QPlainTextEdit* SymbolTarget() const { return symbolTarget_; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildSymbolsMenu();
    void OpenSymbols(QPlainTextEdit* target);
    void InsertSymbol(const QString& text);
    void StartCharacterMap();
    void OpenHelp();
    void EditExpression();
    void Accept();

    std::unique_ptr<Ui::EditReplaceStringForm> ui_;
    Shell& shell_;
    RegExpForm& tester_;
    std::filesystem::path helpFile_;
    QMenu* pupSymbols_ = nullptr;
    QPlainTextEdit* symbolTarget_ = nullptr;
    bool loading_ = false;
};

}  // namespace qx
