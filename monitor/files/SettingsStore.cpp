#include "monitor/files/SettingsStore.h"

#include "common/ProductIdentity.h"

#include <QSettings>

#include <algorithm>
#include <stdexcept>

SettingsStore::SettingsStore() = default;

SettingsStore::~SettingsStore() = default;

QSettings& SettingsStore::settings()
{
    if (!m_settings)
        m_settings = std::make_unique<QSettings>(ProductIdentity::Organisation, ProductIdentity::Application);
    return *m_settings;
}

// QSettings keeps the first error it met for its whole life: the object is
// given up, so that the next access reads the file afresh and a repaired
// file works again.
void SettingsStore::fail(const QString& what)
{
    const QString reason = settings().status() == QSettings::FormatError ? "the file is not a valid settings file"
                                                                         : "the file cannot be written";
    const QString file = settings().fileName();
    m_settings.reset();
    throw std::runtime_error(QString("%1 (%2: %3)").arg(what, file, reason).toStdString());
}

std::optional<QString> SettingsStore::read(const QString& name)
{
    const auto held = std::find_if(m_held.begin(), m_held.end(), [&](const auto& h) { return h.first == name; });
    if (held != m_held.end())
        return held->second;
    if (settings().status() == QSettings::FormatError)
        fail(QString("Cannot read the setting \"%1\"").arg(name));
    const QVariant value = settings().value(name);
    if (!value.isValid())
        return std::nullopt;
    // A hand-edited file can hold lists (a value with commas) or typed
    // values where a plain text belongs.
    if (value.typeId() != QMetaType::QString)
        throw std::runtime_error(
            QString("The setting \"%1\" in %2 is not a text value").arg(name, settings().fileName()).toStdString());
    return value.toString();
}

QString SettingsStore::location()
{
    return QSettings(ProductIdentity::Organisation, ProductIdentity::Application).fileName();
}

bool SettingsStore::exists(const QString& name)
{
    return std::any_of(m_held.begin(), m_held.end(), [&](const auto& h) { return h.first == name; })
        || settings().contains(name);
}

void SettingsStore::write(const QString& name, const QString& value)
{
    const auto held = std::find_if(m_held.begin(), m_held.end(), [&](const auto& h) { return h.first == name; });
    if (held != m_held.end())
        held->second = value;
    else
        m_held.emplace_back(name, value);
    if (m_holds == 0)
        writeHeld();
}

void SettingsStore::release()
{
    if (m_holds > 0 && --m_holds == 0)
        writeHeld();
}

bool SettingsStore::differsFromStored(const QString& name, const QString& value)
{
    if (m_failed)
        return true;
    const QVariant stored = settings().value(name);
    return stored.typeId() != QMetaType::QString || stored.toString() != value;
}

// One sync for everything held, and none when every value is as stored.
// What could not be written is not tried again by the next write of
// another value: it is the user's next change of it that tries.
void SettingsStore::writeHeld()
{
    const auto held = std::exchange(m_held, {});
    const auto first = std::find_if(held.begin(), held.end(),
                                    [&](const auto& h) { return differsFromStored(h.first, h.second); });
    if (first == held.end())
        return;
    for (auto it = first; it != held.end(); ++it)
        settings().setValue(it->first, it->second);
    settings().sync();
    m_failed = settings().status() != QSettings::NoError;
    if (m_failed)
        fail(QString("Cannot store the setting \"%1\"").arg(first->first));
}
