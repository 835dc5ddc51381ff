#pragma once

#include "common/TColor.h"

#include <QLabel>

#include <functional>

// A label whose font turns FocusColor while the mouse is over it and goes
// back to its normal colour when the mouse leaves. The normal colour follows
// every font colour the label is given, except FocusColor itself, so the
// hover colour never becomes the colour to return to. A form that gives the
// label FocusColor on purpose calls Loaded() afterwards to keep it.
class TzavBasicLabel : public QLabel {
    Q_OBJECT
public:
    explicit TzavBasicLabel(QWidget* parent = nullptr);

    TColor FocusColor() const { return m_focusColor; }
    void SetFocusColor(TColor value) { m_focusColor = value; }

    // The font colour is the palette's WindowText of the active and inactive
    // groups; the disabled look stays Qt's.
    TColor FontColor() const;
    void SetFontColor(TColor value);

    // The form has given the label its font and colour: that colour is the
    // normal one from now on, even when it equals FocusColor.
    void Loaded();

    std::function<void(TzavBasicLabel* sender)> OnMouseEnter;
    std::function<void(TzavBasicLabel* sender)> OnMouseLeave;

protected:
    // Font and palette changes both count as a font change: in Qt the
    // colour lives in the palette.
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TColor m_focusColor = clRed;
    TColor m_normalColor;
};
