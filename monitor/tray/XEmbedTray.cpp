#include "monitor/tray/XEmbedTray.h"

#include "monitor/tray/XEmbedTrayIcon.h"

#include <QByteArray>
#include <QGuiApplication>

#include <cstdlib>
#include <memory>

namespace {

constexpr uint32_t RequestDock = 0;
constexpr uint32_t XEmbedVersion = 0;
constexpr uint32_t XEmbedMapped = 1;

template <typename Reply>
std::unique_ptr<Reply, decltype(&std::free)> owned(Reply* reply)
{
    return {reply, &std::free};
}

xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name)
{
    const auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, false, static_cast<uint16_t>(name.size()), name.constData()), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The screen the display names (":0.1"), as the X library reads it; the
// first where it names none the server has.
int screenNumber(xcb_connection_t* connection)
{
    int number = 0;
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &number))
        std::free(host);
    return number < xcb_setup_roots_length(xcb_get_setup(connection)) ? number : 0;
}

xcb_screen_t* screenAt(xcb_connection_t* connection, int number)
{
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (; number > 0; --number)
        xcb_screen_next(&screens);
    return screens.data;
}

}

bool XEmbedTray::onX11()
{
    return QGuiApplication::platformName() == "xcb" && qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
}

XEmbedTray::XEmbedTray(QMenu* menu, QObject* parent)
    : QObject(parent)
    , m_connection(qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection())
    , m_menu(menu)
{
    const int number = screenNumber(m_connection);
    m_screen = screenAt(m_connection, number);
    m_selection = atom(m_connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(number));
    m_opcode = atom(m_connection, "_NET_SYSTEM_TRAY_OPCODE");
    m_managerMessage = atom(m_connection, "MANAGER");
    m_visual = atom(m_connection, "_NET_SYSTEM_TRAY_VISUAL");
    m_embedInfo = atom(m_connection, "_XEMBED_INFO");
    hearManagers();
    qApp->installNativeEventFilter(this);
}

XEmbedTray::~XEmbedTray()
{
    qApp->removeNativeEventFilter(this);
    delete m_icon;
}

void XEmbedTray::setWanted(bool wanted)
{
    m_wanted = wanted;
    if (wanted)
        dock();
    else
        undock();
}

void XEmbedTray::showGlance(TrayGlance::Level level, const QString& toolTip)
{
    m_level = level;
    m_toolTip = toolTip;
    if (m_icon)
        m_icon->showGlance(level, toolTip);
}

// A tray announces itself to every client that hears the root window's
// structure; Qt's own choice of events there is kept.
void XEmbedTray::hearManagers()
{
    const auto attributes = owned(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, m_screen->root), nullptr));
    const uint32_t mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, m_screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
}

xcb_window_t XEmbedTray::manager() const
{
    const auto reply = owned(
        xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr));
    return reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
}

// The visual the tray asks its icons to use, if it has an alpha channel.
bool XEmbedTray::offersAlpha(xcb_window_t owner) const
{
    const auto reply = owned(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, false, owner, m_visual, XCB_ATOM_VISUALID, 0, 1), nullptr));
    if (!reply || xcb_get_property_value_length(reply.get()) != sizeof(xcb_visualid_t))
        return false;
    const xcb_visualid_t visual = *static_cast<const xcb_visualid_t*>(xcb_get_property_value(reply.get()));
    for (auto depths = xcb_screen_allowed_depths_iterator(m_screen); depths.rem; xcb_depth_next(&depths)) {
        if (depths.data->depth != 32)
            continue;
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals))
            if (visuals.data->visual_id == visual)
                return true;
    }
    return false;
}

// The tray maps the window once it has taken it in (XEMBED_MAPPED); a
// tray that went meanwhile leaves an error about its window, unheard.
void XEmbedTray::dock()
{
    const xcb_window_t owner = m_wanted && !m_icon ? manager() : xcb_window_t{XCB_WINDOW_NONE};
    if (owner == XCB_WINDOW_NONE)
        return;
    m_owner = owner;
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_discard_reply(m_connection,
                      xcb_change_window_attributes_checked(m_connection, owner, XCB_CW_EVENT_MASK, &mask).sequence);
    m_icon = new XEmbedTrayIcon(m_menu, offersAlpha(owner));
    connect(m_icon, &XEmbedTrayIcon::clicked, this, &XEmbedTray::activated);
    m_icon->showGlance(m_level, m_toolTip);
    const auto window = static_cast<xcb_window_t>(m_icon->winId());
    const uint32_t info[] = {XEmbedVersion, XEmbedMapped};
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, m_embedInfo, m_embedInfo, 32, 2, info);
    requestDock(owner, window);
    m_icon->show();
}

void XEmbedTray::undock()
{
    m_owner = XCB_WINDOW_NONE;
    delete m_icon;
}

void XEmbedTray::requestDock(xcb_window_t owner, xcb_window_t icon) const
{
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = owner;
    request.type = m_opcode;
    request.data.data32[0] = XCB_CURRENT_TIME;
    request.data.data32[1] = RequestDock;
    request.data.data32[2] = icon;
    xcb_send_event(m_connection, false, owner, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&request));
    xcb_flush(m_connection);
}

// A new tray (MANAGER with our screen's selection) takes the icon anew; the
// end of ours (its window destroyed) takes it away. Both are acted on after
// the event, outside Qt's handling of it.
bool XEmbedTray::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & ~0x80;
    if (type == XCB_CLIENT_MESSAGE) {
        const auto* told = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (told->type == m_managerMessage && told->format == 32 && told->data.data32[1] == m_selection)
            QMetaObject::invokeMethod(this, [this] { undock(); dock(); }, Qt::QueuedConnection);
    } else if (type == XCB_DESTROY_NOTIFY && m_owner != XCB_WINDOW_NONE) {
        const xcb_window_t gone = reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window;
        const auto ended = [this, gone] {
            if (gone == m_owner)
                undock();
        };
        if (gone == m_owner)
            QMetaObject::invokeMethod(this, ended, Qt::QueuedConnection);
    }
    return false;
}
