#include "monitor/Slot.h"

#include "monitor/GraphImage.h"

#include "widgets/zavTransLabel.h"

QString TForm1::Slot::host() const
{
    return hostLabel->Caption();
}

void TForm1::Slot::publish()
{
    graph->Redraw();
    image->setPicture(graph->Picture());
}
