#pragma once

#include "widgets/zavBasiclbl.h"

#include <QString>

// The scheme a link label puts in front of its Link.
enum class TURLType { lnFile, lnFtp, lnGopher, lnHttp, lnHttps, lnMailto, lnNews, lnTelnet, lnWais };

// A hyperlink label: releasing any mouse button over it opens the URL made
// of the LinkType's scheme and Link through the desktop shell; so do Enter
// and Space where a form lets it take the focus, which it then shows with
// the style's focus rectangle. When the
// shell fails, std::runtime_error with the shell's failure message naming
// Link is raised from the event loop right after the release.
class TzavWebLabel : public TzavBasicLabel {
    Q_OBJECT
public:
    explicit TzavWebLabel(QWidget* parent = nullptr);

    QString Link() const { return m_link; }
    void SetLink(const QString& value) { m_link = value; }
    // Changes what a click opens; the caption stays as it is.
    TURLType LinkType() const { return m_linkType; }
    void SetLinkType(TURLType value) { m_linkType = value; }

    // "http://", "mailto:", ...
    static QString Prefix(TURLType type);
    QString Url() const { return Prefix(m_linkType) + m_link; }
    // Opens Url() as a click does (a screen reader's action opens it here).
    void Open();

    // What a new link label shows, opens and hints.
    static QString DefaultLink();
    static QString DefaultHint();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_link;
    TURLType m_linkType = TURLType::lnHttp;
};
