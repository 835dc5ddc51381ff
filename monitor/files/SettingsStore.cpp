#include "monitor/files/SettingsStore.h"

#include "common/ProductIdentity.h"

#include "monitor/controls/ErrorHandler.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace {

// QSettings reads its file as it is made, and a FIFO in the file's place
// would hold it (and the start-up) in open() for ever. The folder comes
// from a store of the organisation alone, so that QSettings::setPath
// counts as it does for the store itself.
QString settingsPath()
{
    const QSettings folder(QSettings::NativeFormat, QSettings::UserScope, ProductIdentity::Organisation);
    return QFileInfo(folder.fileName()).path() + "/" + ProductIdentity::Organisation + "/"
        + ProductIdentity::Application + ".conf";
}

// Empty when the file is missing or a regular file; else why it is not used.
// O_NONBLOCK keeps the open of a FIFO from waiting for a writer.
QString unusableBecause(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    return regular ? QString() : QString("it is not a regular file");
}

}

SettingsStore::SettingsStore() = default;

SettingsStore::~SettingsStore() = default;

QSettings& SettingsStore::settings()
{
    if (!m_settings)
        m_settings = std::make_unique<QSettings>(ProductIdentity::Organisation, ProductIdentity::Application);
    return *m_settings;
}

// Checked once per run: the values then live in memory only, and the user
// is told once.
bool SettingsStore::unusable()
{
    if (!m_checked) {
        m_checked = true;
        const QString path = settingsPath();
        const QString reason = unusableBecause(path);
        m_unusable = !reason.isEmpty();
        if (m_unusable)
            ErrorHandler::report(QString("The settings file %1 is not used: %2. The defaults are used, and changes "
                                         "are kept only until the program ends.")
                                     .arg(path, reason));
    }
    return m_unusable;
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
    if (unusable()) {
        const auto kept = m_memory.find(name);
        return kept != m_memory.end() ? std::optional(kept->second) : std::nullopt;
    }
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
    return settingsPath();
}

bool SettingsStore::exists(const QString& name)
{
    return std::any_of(m_held.begin(), m_held.end(), [&](const auto& h) { return h.first == name; })
        || (unusable() ? m_memory.contains(name) : settings().contains(name));
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
    if (unusable()) {
        for (const auto& [name, value] : held)
            m_memory[name] = value;
        return;
    }
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
