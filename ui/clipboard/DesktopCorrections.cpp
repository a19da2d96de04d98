// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/clipboard/DesktopCorrections.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <exception>

#include "engine/BufferCorrection.h"
#include "engine/CorrectionResult.h"
#include "engine/EngineSinks.h"
#include "engine/RuleEngine.h"
#include "engine/TRuleRows.h"
#include "platform/Messages.h"
#include "ui/clipboard/ClipboardPage.h"
#include "ui/clipboard/CorrectionsBus.h"
#include "ui/clipboard/SelectionCorrection.h"
#include "ui/clipboard/TrayIcon.h"
#include "ui/common/Controls.h"
#include "ui/common/ProgramInfo.h"
#include "ui/common/QtText.h"
#include "ui/log/LogPage.h"
#include "ui/main/Commands.h"
#include "ui/tester/WarningTexts.h"

namespace qx {

DesktopCorrections::DesktopCorrections(DesktopCorrectionsEnv env)
    : QObject(env.window), env_(std::move(env)) {
    using C = Command;
    const Commands& commands = *env_.commands;
    auto* pupMain = Named(new QMenu(env_.window), "pupMain");
    commands.FillMenu(*pupMain, {C::ReplaceInClipboard, {}, C::ShowHide, {}, C::Exit});
    trayIcon_ = new TrayIcon(*pupMain, *commands(C::ShowHide), this);

    connect(commands(C::ReplaceInClipboard), &QAction::triggered, this,
            &DesktopCorrections::CorrectClipboardShowingErrors);
    connect(commands(C::ReplaceSelectedText), &QAction::triggered, this,
            &DesktopCorrections::CorrectSelection);
    connect(commands(C::ShowHide), &QAction::triggered, this, &DesktopCorrections::ToggleShown);
    GrabKeys();
    if (env_.sessionBus) OfferOnBus();
}

void DesktopCorrections::GrabKeys() {
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        if (selection_ != nullptr) selection_->ClipboardChanged();
    });
    if (env_.keys == nullptr || !env_.keys->Available()) return;
    selection_ = new SelectionCorrection(
        *env_.keys, *env_.clipboard,
        [this] {
            try {
                CorrectClipboard();
            } catch (const std::exception& error) {
                // The sequence ends on it and puts the clipboard back; the user hears why after.
                selectionError_ = RuleErrorText(error);
                throw;
            }
        },
        this);
    const std::vector<Hotkey> taken =
        env_.keys->Grab([self = QPointer<DesktopCorrections>(this)](Hotkey hotkey) {
            if (self != nullptr) self->Request(hotkey);
        });
    for (const Hotkey hotkey : taken)
        env_.log->AppendLine(hotkey == Hotkey::CorrectClipboard
                                 ? QStringLiteral("Ctrl+Shift+C: занято другой программой")
                                 : QStringLiteral("Ctrl+Shift+X: занято другой программой"));
}

void DesktopCorrections::OfferOnBus() {
    auto* bus = new CorrectionsBus(
        [this](Hotkey hotkey, std::function<void(bool)> done) { Request(hotkey, std::move(done)); },
        this);
    const CorrectionsBus::Registration registration = bus->Register();
    if (registration == CorrectionsBus::Registration::NameTaken)
        env_.log->AppendLine(QStringLiteral("D-Bus: ") + QString::fromLatin1(kBusService) +
                             QStringLiteral(" занято другой копией программы; вызовы идут к ней"));
    // No hotkeys on this desktop: the user learns it, and where the corrections are instead.
    if (env_.keys == nullptr || !env_.keys->Available())
        env_.log->AppendLine(
            registration == CorrectionsBus::Registration::Registered
                ? QStringLiteral("Ctrl+Shift+C и Ctrl+Shift+X здесь недоступны: назначьте "
                                 "клавиши вызовам D-Bus ") +
                      QString::fromLatin1(kBusService)
                : QStringLiteral("Ctrl+Shift+C и Ctrl+Shift+X здесь недоступны"));
}

void DesktopCorrections::Request(Hotkey hotkey, std::function<void(bool)> done) {
    // The close has begun: the keys no longer belong to the window.
    if (released_) {
        if (done) done(false);
        return;
    }
    // A request during a selection correction (its waits let it through) comes after it.
    if (selection_ != nullptr && selection_->Busy()) {
        if (!pending_)
            pending_ = Pending{hotkey, std::move(done)};
        else if (done)
            done(false);
        return;
    }
    // Called directly, not through the actions: during a run over files the actions are off,
    // and the hotkeys' work then goes between two files.
    const bool result =
        hotkey == Hotkey::CorrectClipboard ? CorrectClipboardShowingErrors() : CorrectSelection();
    if (done) done(result);
}

void DesktopCorrections::RunPendingLater() {
    if (!pending_) return;
    Pending next = std::move(*pending_);
    pending_.reset();
    // From the event loop, once the caller of the correction that ended has returned.
    QTimer::singleShot(0, this, [this, next = std::move(next)]() mutable {
        Request(next.hotkey, std::move(next.done));
    });
}

void DesktopCorrections::ReleaseKeys() {
    released_ = true;
    if (pending_ && pending_->done) pending_->done(false);
    pending_.reset();
    if (env_.keys != nullptr) env_.keys->Ungrab();
}

bool DesktopCorrections::CorrectClipboardShowingErrors() {
    try {
        CorrectClipboard();
        return true;
    } catch (const std::exception& error) {
        env_.messages->Show(RuleErrorText(error).toStdString(), info::kBoxCaption,
                            Messages::Icon::Error);
        return false;
    }
}

void DesktopCorrections::CorrectClipboard() {
    RuleEngine engine(*env_.rules, *env_.records);
    engine.SetCurrentFileName({});
    const CorrectionResult result =
        CorrectBuffer(*env_.clipboard, *env_.page, env_.replaceFlags(), nullptr,
                      (*env_.commands)(Command::Utf8)->isChecked(), engine);
    // Characters windows-1251 lacks: the clipboard is left as it was, and the user told why.
    if (!result.Handled() && !result.reason.empty())
        env_.log->AppendLine(QStringLiteral("Буфер обмена: ") + FromUtf8(result.reason));
}

bool DesktopCorrections::CorrectSelection() {
    selectionError_.clear();
    const bool done = selection_ != nullptr && selection_->Run();
    if (!selectionError_.isEmpty())
        env_.messages->Show(selectionError_.toStdString(), info::kBoxCaption,
                            Messages::Icon::Error);
    RunPendingLater();
    return done;
}

void DesktopCorrections::ToggleShown() {
    QWidget& window = *env_.window;
    window.setVisible(!window.isVisible());
    if (window.isVisible()) {
        window.raise();
        window.activateWindow();
    }
}

}  // namespace qx
