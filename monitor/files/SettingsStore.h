#pragma once

#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QSettings;

// The window's options between runs: named text values in the user's
// configuration folder (ProductIdentity's organisation and application).
// One object serves the program and keeps the file open, so reads cost no
// file access. A write that gives a value the text it already has changes
// nothing; the others reach the file at once, or, while writes are held,
// together in one sync when the outermost hold is released. A file that is
// not a regular file (a FIFO, a device) is not opened: the user is told
// once, and the values are kept in memory for the run.
class SettingsStore {
public:
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Nothing when the value is missing. Throws std::runtime_error when the
    // store cannot be read or the value is not text.
    std::optional<QString> read(const QString& name);

    bool exists(const QString& name);

    // Throws std::runtime_error when the store refuses the write (while
    // writes are held, at the release that writes it).
    void write(const QString& name, const QString& value);

    // Holds nest; the release of the outermost one writes what was held.
    void hold() { ++m_holds; }
    void release();

    // The file that holds the values, for messages and the user's information.
    static QString location();

    static QString yesNo(bool on) { return on ? "yes" : "no"; }

private:
    QSettings& settings();
    bool unusable();
    bool differsFromStored(const QString& name, const QString& value);
    void writeHeld();
    [[noreturn]] void fail(const QString& what);

    std::unique_ptr<QSettings> m_settings;
    int m_holds = 0;
    // In the order of their first write, so that a failure names the first.
    std::vector<std::pair<QString, QString>> m_held;
    // After a failed write the stored texts are unknown: every value is
    // written again, whatever the store seems to hold.
    bool m_failed = false;
    // A settings file that is not a regular file is never opened.
    bool m_checked = false;
    bool m_unusable = false;
    std::map<QString, QString> m_memory;
};
