#include "widgets/zavWebLabel.h"

#include "common/ProductIdentity.h"
#include "widgets/DesktopShell.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <stdexcept>
#include <string>

TzavWebLabel::TzavWebLabel(QWidget* parent)
    : TzavBasicLabel(parent)
    , m_link(DefaultLink())
{
    setText(m_link);
    setToolTip(DefaultHint());
    SetFontColor(clNavy);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
}

QString TzavWebLabel::DefaultLink()
{
    return QString::fromLatin1(ProductIdentity::HomePage);
}

QString TzavWebLabel::DefaultHint()
{
    return QStringLiteral("Click to open the link");
}

QString TzavWebLabel::Prefix(TURLType type)
{
    switch (type) {
    case TURLType::lnFile:
        return QStringLiteral("file://");
    case TURLType::lnFtp:
        return QStringLiteral("ftp://");
    case TURLType::lnGopher:
        return QStringLiteral("gopher://");
    case TURLType::lnHttp:
        return QStringLiteral("http://");
    case TURLType::lnHttps:
        return QStringLiteral("https://");
    case TURLType::lnMailto:
        return QStringLiteral("mailto:");
    case TURLType::lnNews:
        return QStringLiteral("news:");
    case TURLType::lnTelnet:
        return QStringLiteral("telnet:");
    case TURLType::lnWais:
        return QStringLiteral("wais:");
    }
    return {};
}

void TzavWebLabel::mouseReleaseEvent(QMouseEvent* event)
{
    TzavBasicLabel::mouseReleaseEvent(event);
    // Qt hands the release to the label that saw the press even when the
    // mouse has moved off it; only a release over the label is a click.
    if (!rect().contains(event->position().toPoint()))
        return;
    event->accept();
    Open();
}

void TzavWebLabel::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (!plain || (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space)) {
        TzavBasicLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    Open();
}

void TzavWebLabel::paintEvent(QPaintEvent* event)
{
    TzavBasicLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = contentsRect();
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

void TzavWebLabel::Open()
{
    try {
        DesktopShell::OpenOrRaise(Url(), m_link);
    } catch (const std::runtime_error& failure) {
        // Unwinding through Qt's mouse delivery skips its clean-up (Qt's
        // widget code is built without exceptions), so the failure is raised
        // again from the event loop, where only the dispatch of a queued call
        // lies between it and the application object's notify().
        const std::string message = failure.what();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [message] { throw std::runtime_error(message); }, Qt::QueuedConnection);
    }
}
