#include "monitor/alerts/HostDownAlerts.h"

#include "monitor/alerts/DesktopNotifier.h"
#include "monitor/controls/ErrorHandler.h"
#include "monitor/controls/UserDialogs.h"
#include "monitor/files/SettingsStore.h"
#include "monitor/files/StrictInteger.h"

#include <stdexcept>

namespace {

// A bad stored count is told as every bad stored value is, but it does not
// end the start-up: notifications are an extra, and the default serves
// until the user chooses another count.
int storedThreshold(const QString& text)
{
    constexpr int fallback = HostDownWatch::DefaultThreshold;
    const QString setting = QString("The setting \"notifyafter\" in %1: ").arg(SettingsStore::location());
    try {
        const std::int32_t n = StrictInteger::parse(text);
        if (n >= 1 && n <= HostDownWatch::MaxThreshold)
            return n;
        ErrorHandler::report(
            setting + QString("'%1' is not from 1 to %2; %3 is used").arg(text).arg(HostDownWatch::MaxThreshold).arg(fallback));
    } catch (const std::runtime_error& e) {
        ErrorHandler::report(setting + QString::fromUtf8(e.what()) + QString("; %1 is used").arg(fallback));
    }
    return fallback;
}

}

HostDownAlerts::HostDownAlerts(QObject* parent)
    : QObject(parent)
{
    m_gathering.setSingleShot(true);
    m_gathering.setTimerType(Qt::PreciseTimer);
    connect(&m_gathering, &QTimer::timeout, this, &HostDownAlerts::deliverDue);
}

void HostDownAlerts::changed()
{
    if (m_gathering.isActive())
        return;
    if (const auto wait = m_watch.dueIn(Moment::now()))
        m_gathering.start(static_cast<int>(*wait));
}

void HostDownAlerts::stopped()
{
    m_gathering.stop();
    if (const auto notice = m_watch.takeAll())
        deliver(*notice);
}

void HostDownAlerts::deliverDue()
{
    if (const auto notice = m_watch.takeDue(Moment::now()))
        deliver(*notice);
    changed();
}

// The bus is first looked for when there is something to tell.
void HostDownAlerts::deliver(const HostStateNotice& notice)
{
    if (!m_notifying)
        return;
    if (!m_notifier) {
        m_notifier = new DesktopNotifier(this);
        connect(m_notifier, &DesktopNotifier::activated, this, &HostDownAlerts::activationRequested);
    }
    m_notifier->show(notice);
}

void HostDownAlerts::pollingChanged(bool polling)
{
    if (polling && !m_polling)
        m_watch.restart();
    else if (!polling)
        stopped();
    m_polling = polling;
}

void HostDownAlerts::echoEnded(const EchoOutcome& outcome)
{
    if (!m_polling || outcome.showing.isEmpty())
        return;
    const bool wasDown = m_watch.downSince(outcome.host).has_value();
    switch (outcome.kind) {
    case EchoOutcome::Kind::Reply:
        m_watch.answered(outcome.host, outcome.description, outcome.sent, outcome.roundTripMs, outcome.now);
        break;
    case EchoOutcome::Kind::ForeignReply:
        m_watch.lost(outcome.host, outcome.description, outcome.sent, "Reply from " + outcome.replyAddress,
                     outcome.now);
        break;
    case EchoOutcome::Kind::Failure:
        m_watch.lost(outcome.host, outcome.description, outcome.sent, outcome.errorText, outcome.now);
        break;
    case EchoOutcome::Kind::NotSent:
    case EchoOutcome::Kind::Untold:
        break;
    }
    changed();
    if (!wasDown && m_watch.downSince(outcome.host))
        emit wentDown();
}

std::vector<OptionItem> HostDownAlerts::optionItems(QWidget* dialogParent)
{
    OptionItem notify = OptionItem::onOff("&Notify when a host goes down", "Notify1", "notify", false,
                                          [this](bool on) { m_notifying = on; });
    OptionItem after;
    after.text = "&Lost echoes before notifying...";
    after.objectName = "Notifyafter1";
    after.key = "notifyafter";
    after.byDefault = QString::number(HostDownWatch::DefaultThreshold);
    // A bad stored count is told as every bad stored value is, but it does
    // not end the start-up: notifications are an extra, and the default
    // serves until the user chooses another count.
    after.apply = [this](const QString& value) {
        m_watch.setThreshold(storedThreshold(value));
        return false;
    };
    after.click = [this, dialogParent](bool) -> std::optional<QString> {
        const auto chosen = UserDialogs::active().askInteger(dialogParent, "Lost echoes in a row before a host counts as down:",
                                                             m_watch.threshold(), 1, HostDownWatch::MaxThreshold);
        if (!chosen)
            return std::nullopt;
        return QString::number(*chosen);
    };
    return {notify, after};
}
