#include "widgets/zavTransLabel.h"

#include <QAccessible>
#include <QPainter>

#include <stdexcept>

TzavTransLabel::TzavTransLabel(QWidget* parent)
    : QWidget(parent)
    , m_bitmap(size(), QImage::Format_RGB32)
{
    // Every pixel is painted, yet the label must not claim to be opaque:
    // what it shows depends on what lies below it, a label below above
    // all. Claimed opaque, Qt would repaint neither it when that changes,
    // nor what it covered itself when its own text or size changes.
}

void TzavTransLabel::SetAlignment(TAlignment value)
{
    if (value == m_alignment)
        return;
    m_alignment = value;
    update();
}

void TzavTransLabel::SetTransparency(int value)
{
    if (value == m_transparency)
        return;
    if (value < 0 || value > 100)
        throw std::runtime_error("Value must be between 0 and 100");
    m_transparency = value;
    update();
}

void TzavTransLabel::SetCaption(const QString& value)
{
    if (value == m_caption)
        return;
    m_caption = value;
    update();
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
}

void TzavTransLabel::SetMist(bool value)
{
    if (value == m_mist)
        return;
    m_mist = value;
    update();
}

void TzavTransLabel::SetLayout(TTextLayout value)
{
    if (value == m_layout)
        return;
    m_layout = value;
    update();
}

void TzavTransLabel::SetWordWrap(bool value)
{
    if (value == m_wordWrap)
        return;
    m_wordWrap = value;
    update();
}

void TzavTransLabel::SetColor(TColor value)
{
    if (value == m_color)
        return;
    m_color = value;
    update();
}

void TzavTransLabel::SetTextWidth(int value)
{
    if (value == m_textWidth)
        return;
    m_textWidth = value;
    update();
}

void TzavTransLabel::paintEvent(QPaintEvent*)
{
    prepareBitmap();
    copyWhatLiesBehind();
    if (m_mist)
        drawCaption();
    tint();
    if (!m_mist)
        drawCaption();
    QPainter(this).drawImage(0, 0, m_bitmap);
}

void TzavTransLabel::prepareBitmap()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_bitmap.size() != pixels)
        m_bitmap = QImage(pixels, QImage::Format_RGB32);
    m_bitmap.setDevicePixelRatio(ratio);
    // A QImage claims 72 dots per inch; fonts in points, ours and those the
    // parent paints with, must come out as large as on the screen.
    m_bitmap.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
    m_bitmap.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
}

// What the screen would show here without us: the parent's own background
// and painting, then every visible sibling that lies below us in the
// stacking order, each with its children. Siblings above us and our own
// children are left out, so nothing ever paints itself into its own picture;
// a sibling label below us does the same in turn with those below it.
void TzavTransLabel::copyWhatLiesBehind()
{
    QWidget* parent = parentWidget();
    if (parent == nullptr || isWindow()) {
        m_bitmap.fill(palette().color(QPalette::Window));
        return;
    }
    parent->render(&m_bitmap, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
    for (QObject* child : parent->children()) {
        if (child == this)
            break;
        auto* sibling = qobject_cast<QWidget*>(child);
        if (sibling == nullptr || sibling->isWindow() || !sibling->isVisibleTo(parent))
            continue;
        const QRect overlap = sibling->geometry() & geometry();
        if (overlap.isEmpty())
            continue;
        sibling->render(&m_bitmap, overlap.topLeft() - pos(), QRegion(overlap.translated(-sibling->pos())),
                        QWidget::DrawChildren);
    }
}

void TzavTransLabel::tint()
{
    // At 100 the formula gives back every pixel unchanged; the window keeps
    // twenty labels there, so skip the work.
    if (m_transparency == 100)
        return;
    const int keep = m_transparency;
    const int red = (100 - keep) * m_color.Red();
    const int green = (100 - keep) * m_color.Green();
    const int blue = (100 - keep) * m_color.Blue();
    for (int y = 0; y < m_bitmap.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_bitmap.scanLine(y));
        for (int x = 0; x < m_bitmap.width(); ++x) {
            const QRgb pixel = line[x];
            line[x] = qRgb((red + keep * qRed(pixel)) / 100, (green + keep * qGreen(pixel)) / 100,
                           (blue + keep * qBlue(pixel)) / 100);
        }
    }
}

void TzavTransLabel::drawCaption()
{
    int flags = Qt::TextExpandTabs | Qt::AlignTop;
    if (m_wordWrap)
        flags |= Qt::TextWordWrap;
    switch (m_alignment) {
    case TAlignment::taLeftJustify:
        flags |= Qt::AlignLeft;
        break;
    case TAlignment::taRightJustify:
        flags |= Qt::AlignRight;
        break;
    case TAlignment::taCenter:
        flags |= Qt::AlignHCenter;
        break;
    }

    QPainter painter(&m_bitmap);
    // The painter's direction mirrors left and right alignment and sets the
    // reading order for right-to-left controls.
    painter.setLayoutDirection(layoutDirection());
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));

    const QString shown =
        m_textWidth < 0 ? m_caption : painter.fontMetrics().elidedText(m_caption, Qt::ElideRight, m_textWidth, flags);
    QRect target = rect();
    if (m_layout != TTextLayout::tlTop) {
        const int measuredBottom = target.top() + painter.boundingRect(target, flags, shown).height();
        const int room = height() - measuredBottom;
        target.translate(0, m_layout == TTextLayout::tlBottom ? room : room / 2);
    }
    painter.drawText(target, flags, shown);
}
