#include "monitor/controls/FileTypeByName.h"

#include <QMimeDatabase>

namespace {

QMimeType byName(const QFileInfo& info)
{
    return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
}

}

QIcon FileTypeByName::icon(IconType type) const
{
    return QFileIconProvider::icon(type);
}

// Folders and anything but a regular file are left to the base, which
// opens none of them.
QIcon FileTypeByName::icon(const QFileInfo& info) const
{
    if (info.isDir())
        return QFileIconProvider::icon(info);
    if (!info.isFile())
        return icon(File);
    return QIcon::fromTheme(byName(info).iconName(), icon(File));
}

QString FileTypeByName::type(const QFileInfo& info) const
{
    if (!info.isFile())
        return QFileIconProvider::type(info);
    const QMimeType mime = byName(info);
    return mime.comment().isEmpty() ? mime.name() : mime.comment();
}

FileTypeByName& FileTypeByName::shared()
{
    static FileTypeByName provider;
    return provider;
}
