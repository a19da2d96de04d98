// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/clipboard/CorrectionsBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <memory>
#include <optional>

namespace qx {

CorrectionsBus::CorrectionsBus(Request request, QObject* parent)
    : QObject(parent), request_(std::move(request)) {}

CorrectionsBus::~CorrectionsBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    bus.unregisterObject(QString::fromLatin1(kBusPath));
    if (ownsName_) bus.unregisterService(QString::fromLatin1(kBusService));
}

CorrectionsBus::Registration CorrectionsBus::Register() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return Registration::NoBus;
    bus.registerObject(QString::fromLatin1(kBusPath), QString::fromLatin1(kBusInterface), this,
                       QDBusConnection::ExportScriptableSlots);
    // Not queued behind the other owner: a second copy must not take the calls over later,
    // when the first one ends, without saying so.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(QString::fromLatin1(kBusService),
                                         QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    ownsName_ = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    return ownsName_ ? Registration::Registered : Registration::NameTaken;
}

bool CorrectionsBus::CorrectClipboard() { return Call(Hotkey::CorrectClipboard); }

bool CorrectionsBus::CorrectSelection() { return Call(Hotkey::CorrectSelection); }

bool CorrectionsBus::Call(Hotkey hotkey) {
    // The answer may come after this slot has returned: then it goes out as a delayed reply.
    struct Answer {
        bool returned = false;
        std::optional<bool> result;
        std::optional<QDBusMessage> call;
    };
    auto answer = std::make_shared<Answer>();
    if (calledFromDBus()) answer->call = message();
    request_(hotkey, [answer](bool done) {
        if (!answer->returned) {
            answer->result = done;
        } else if (answer->call) {
            QDBusConnection::sessionBus().send(answer->call->createReply(done));
        }
    });
    answer->returned = true;
    if (answer->result) return *answer->result;
    if (answer->call) setDelayedReply(true);
    return false;
}

}  // namespace qx
