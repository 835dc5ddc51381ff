#pragma once

#include <QRect>
#include <QWidget>

// A control of a form: created on its parent, named as the form names it,
// placed at its design position.
template <typename Control>
Control* makeControl(QWidget* parent, const char* name, QRect geometry)
{
    auto* control = new Control(parent);
    control->setObjectName(name);
    control->setGeometry(geometry);
    return control;
}
