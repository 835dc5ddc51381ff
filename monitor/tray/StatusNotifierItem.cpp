#include "monitor/tray/StatusNotifierItem.h"

#include "monitor/tray/TrayIcons.h"

#include "common/ProductIdentity.h"

namespace {

TrayPictures picturesOf(TrayGlance::Level level)
{
    TrayPictures pictures;
    for (const QImage& image : TrayIcons::pictures(level))
        pictures << TrayPicture::of(image);
    return pictures;
}

}

StatusNotifierItem::StatusNotifierItem(const QString& menuPath, QObject* parent)
    : QObject(parent)
    , m_menu(menuPath)
    , m_pictures(picturesOf(m_level))
    , m_attention(picturesOf(TrayGlance::Level::Down))
{
}

QString StatusNotifierItem::id() const
{
    return ProductIdentity::ApplicationId;
}

QString StatusNotifierItem::title() const
{
    return ProductIdentity::DisplayName;
}

// A host down asks for the user's attention, as the window's urgency does.
QString StatusNotifierItem::status() const
{
    return m_level == TrayGlance::Level::Down ? "NeedsAttention" : "Active";
}

// The glance's text is the title, which every panel shows; the pictures a
// panel takes from the item's icon.
TrayToolTip StatusNotifierItem::toolTip() const
{
    return {{}, {}, m_toolTip, {}};
}

void StatusNotifierItem::show(TrayGlance::Level level, const QString& toolTip)
{
    const QString wasStatus = status();
    if (level != m_level) {
        m_level = level;
        m_pictures = picturesOf(level);
        emit NewIcon();
    }
    if (status() != wasStatus)
        emit NewStatus(status());
    if (toolTip != m_toolTip) {
        m_toolTip = toolTip;
        emit NewToolTip();
    }
}

void StatusNotifierItem::Activate(int, int)
{
    emit activated();
}

void StatusNotifierItem::ContextMenu(int x, int y)
{
    emit contextMenuAsked(QPoint(x, y));
}
