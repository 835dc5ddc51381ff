#pragma once

#include "common/TColor.h"

#include <QImage>
#include <QString>
#include <QWidget>

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter, tlBottom };

// A see-through label: it shows what lies behind it, tinted with its colour
// (Transparency 100 leaves the background as it is, 0 shows the plain
// colour), and draws its caption either under the tint (Mist) or on top.
class TzavTransLabel : public QWidget {
    Q_OBJECT
public:
    explicit TzavTransLabel(QWidget* parent = nullptr);

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    // Percentage of the background that shows through, 0 to 100; anything
    // else raises std::runtime_error and keeps the current value.
    int Transparency() const { return m_transparency; }
    void SetTransparency(int value);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& value);
    // The label's published properties are kept whole; the window sets
    // neither Mist, Layout nor WordWrap.
    bool Mist() const { return m_mist; }
    void SetMist(bool value);
    TTextLayout Layout() const { return m_layout; }
    void SetLayout(TTextLayout value);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    // The widest the caption is drawn, in pixels: a longer caption is cut
    // with "…" to fit, while Caption() keeps the whole text. Negative, the
    // default: no limit but the label's own edges.
    int TextWidth() const { return m_textWidth; }
    void SetTextWidth(int value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void prepareBitmap();
    void copyWhatLiesBehind();
    void tint();
    void drawCaption();

    TAlignment m_alignment = TAlignment::taLeftJustify;
    int m_transparency = 60;
    QString m_caption;
    bool m_mist = true;
    TTextLayout m_layout = TTextLayout::tlTop;
    bool m_wordWrap = false;
    TColor m_color = clGreen;
    int m_textWidth = -1;
    QImage m_bitmap;
};
