#pragma once

#include <QString>

#include <optional>

// The window's options between runs: named text values, one access per
// read or write, nothing cached. Lives in the user's configuration folder
// (ProductIdentity's organisation and application).
class SettingsStore {
public:
    // Nothing when the value is missing. Throws std::runtime_error when the
    // store cannot be read or the value is not text.
    static std::optional<QString> read(const QString& name);

    static bool exists(const QString& name);

    // Throws std::runtime_error when the store refuses the write.
    static void write(const QString& name, const QString& value);

    // The file that holds the values, for messages and the user's information.
    static QString location();

    static QString yesNo(bool on) { return on ? "yes" : "no"; }
};
