#include "monitor/controls/FontSubstitutes.h"

#include <QFont>
#include <QStringList>

void FontSubstitutes::install()
{
    QFont::insertSubstitutions("Arial", QStringList{"Liberation Sans", "Arimo"});
    QFont::insertSubstitutions("Tahoma", QStringList{"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("MS Sans Serif", QStringList{"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("Verdana", QStringList{"DejaVu Sans"});
}
