#include "monitor/SettingsStore.h"

#include "common/ProductIdentity.h"

#include <QSettings>

#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString& what, const QSettings& settings)
{
    const QString reason = settings.status() == QSettings::FormatError ? "the file is not a valid settings file"
                                                                       : "the file cannot be written";
    throw std::runtime_error(QString("%1 (%2: %3)").arg(what, settings.fileName(), reason).toStdString());
}

}

std::optional<QString> SettingsStore::read(const QString& name)
{
    QSettings settings(ProductIdentity::Organisation, ProductIdentity::Application);
    if (settings.status() == QSettings::FormatError)
        fail(QString("Cannot read the setting \"%1\"").arg(name), settings);
    const QVariant value = settings.value(name);
    if (!value.isValid())
        return std::nullopt;
    // A hand-edited file can hold lists (a value with commas) or typed
    // values where a plain text belongs.
    if (value.typeId() != QMetaType::QString)
        throw std::runtime_error(
            QString("The setting \"%1\" in %2 is not a text value").arg(name, settings.fileName()).toStdString());
    return value.toString();
}

QString SettingsStore::location()
{
    return QSettings(ProductIdentity::Organisation, ProductIdentity::Application).fileName();
}

bool SettingsStore::exists(const QString& name)
{
    QSettings settings(ProductIdentity::Organisation, ProductIdentity::Application);
    return settings.contains(name);
}

void SettingsStore::write(const QString& name, const QString& value)
{
    QSettings settings(ProductIdentity::Organisation, ProductIdentity::Application);
    settings.setValue(name, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        fail(QString("Cannot store the setting \"%1\"").arg(name), settings);
}

