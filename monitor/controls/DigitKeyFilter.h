#pragma once

#include <QObject>

// Lets only digits and backspace be typed into a number field; editing
// keys and shortcuts pass. Pasted text is not typed and is checked where
// the field's text is used.
class DigitKeyFilter : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
