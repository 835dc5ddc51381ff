#include "monitor/controls/GraphImage.h"

#include "graph/Vumo.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>

namespace {

// The backing store's own pixels, when it is a 32-bit image of one device
// pixel per pixel whose opaque pixels are laid out as ours.
QImage* backingImage(QPaintDevice* device)
{
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    const bool laidOutAsOurs = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        || format == QImage::Format_ARGB32_Premultiplied;
    return laidOutAsOurs && image->devicePixelRatio() == 1.0 ? image : nullptr;
}

// Device pixels per pixel of what is painted on: the screen's backing
// store, or an image a caller renders into.
qreal deviceRatio(QPainter& painter)
{
    QPaintDevice* device = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
    return device ? device->devicePixelRatio() : 1.0;
}

} // namespace

GraphImage::GraphImage(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void GraphImage::setGraph(TVumo* graph)
{
    m_graph = graph;
    update();
}

// Each redraw asks for the part it changed; Qt gathers the parts until the
// next paint, and keeps every other pixel on the screen as it was.
void GraphImage::refresh()
{
    if (!m_graph || m_graph->LastChange().isEmpty())
        return;
    // The part is measured in the graph's own pixels; on a scaled screen
    // the whole picture is asked for, which its own pixels still make only
    // where they changed.
    if (devicePixelRatioF() == 1.0)
        update(m_graph->LastChange());
    else
        update();
}

// The picture is rasterised here, when it is shown, and nowhere else: a
// window that is not exposed gets no paint event and so costs nothing. On a
// scaled screen it is drawn at the screen's resolution, never a picture of
// the graph's own pixels blown up.
// Where the backing store is a plain 32-bit image and this control is wholly
// in view, the part to paint is rasterised straight into the backing store,
// so its pixels are written once on their way to the screen, and without a
// painter, whose making costs more than the part itself; otherwise they are
// drawn from the graph's bitmap, without a copy of our own (keeping one
// would make the graph's next rasterisation copy the bitmap first).
void GraphImage::paintEvent(QPaintEvent* event)
{
    if (m_graph && paintIntoBackingStore(*event))
        return;
    QPainter painter(this);
    if (!m_graph)
        painter.fillRect(rect(), Qt::white);
    else if (const qreal ratio = deviceRatio(painter); ratio != 1.0)
        painter.drawImage(QRectF(rect()), m_graph->PictureAt(ratio));
    else
        painter.drawImage(0, 0, m_graph->Picture());
}

// While Qt paints this control into the window's backing store, it
// redirects the control to the store's image, at an offset; a render into
// another painter shares that painter instead, and gets the picture. The
// graph may paint a little beyond the event's region, to take a corner text
// whole: within the region those pixels are Qt's to keep right, whatever
// lies above this control; beyond it, only a control wholly in view may
// paint.
bool GraphImage::paintIntoBackingStore(const QPaintEvent& event)
{
    if (sharedPainter() || devicePixelRatioF() != 1.0)
        return false;
    QPoint offset;
    QImage* store = backingImage(redirected(&offset));
    const QSize graph(m_graph->Width(), m_graph->Height());
    if (!store || size() != graph)
        return false;
    const QRegion& region = event.region();
    const QRect area = region.boundingRect();
    const bool withinRegion = region.rectCount() == 1 && area.contains(m_graph->PaintedArea(area));
    if (!withinRegion && visibleRegion() != QRegion(rect()))
        return false;
    const QPoint at = -offset;
    if (!QRect(QPoint(0, 0), store->size()).contains(QRect(at, graph)))
        return false;
    // As the paint engine does: into its pixels, never a detached copy.
    auto* first = const_cast<uchar*>(store->constBits()) + qsizetype(at.y()) * store->bytesPerLine()
        + qsizetype(at.x()) * 4;
    m_graph->PaintOnto(QImage(first, graph.width(), graph.height(), store->bytesPerLine(), QImage::Format_RGB32), area);
    return true;
}

void GraphImage::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}
