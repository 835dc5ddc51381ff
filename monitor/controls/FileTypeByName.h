#pragma once

#include <QFileIconProvider>

// The icons and types our file dialogs show, guessed from names alone. Qt's
// own guess opens files it cannot type by name, such as the history's
// write-ahead log, and closing any descriptor of a file drops every POSIX
// lock this process holds on it: SQLite's locks on the history among them,
// after which another program may delete the log the history still writes
// into.
class FileTypeByName final : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;

    // The one provider all dialogs share; it outlives them.
    static FileTypeByName& shared();
};
