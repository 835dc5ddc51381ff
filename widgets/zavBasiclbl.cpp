#include "widgets/zavBasiclbl.h"

#include <QEvent>

TzavBasicLabel::TzavBasicLabel(QWidget* parent)
    : QLabel(parent)
    , m_normalColor(FontColor())
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The text is drawn in the font colour on any background; left to
    // itself Qt would draw it in the text colour of the parent's background
    // role (ButtonText on a button-face area).
    setForegroundRole(QPalette::WindowText);
}

TColor TzavBasicLabel::FontColor() const
{
    return TColor::FromQColor(palette().color(QPalette::Active, QPalette::WindowText));
}

void TzavBasicLabel::SetFontColor(TColor value)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Active, QPalette::WindowText, value.ToQColor());
    colours.setColor(QPalette::Inactive, QPalette::WindowText, value.ToQColor());
    setPalette(colours);
}

void TzavBasicLabel::Loaded()
{
    m_normalColor = FontColor();
}

void TzavBasicLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() != QEvent::FontChange && event->type() != QEvent::PaletteChange)
        return;
    if (FontColor() != m_focusColor)
        m_normalColor = FontColor();
}

void TzavBasicLabel::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    SetFontColor(m_focusColor);
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TzavBasicLabel::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    SetFontColor(m_normalColor);
    if (OnMouseLeave)
        OnMouseLeave(this);
}
