#include "monitor/controls/About.h"

#include "monitor/controls/ErrorHandler.h"
#include "monitor/controls/HostEntryCheck.h"
#include "monitor/controls/MakeControl.h"

#include "widgets/ScreenCentre.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("AboutBox");
    setWindowTitle("Change Host IP Address");
    QFont font("MS Sans Serif");
    font.setPointSize(8);
    setFont(font);
    setFixedSize(298, 130);

    auto* panel = makeControl<QFrame>(this, "Panel1", {8, 8, 281, 81});
    // A sunken box of one-pixel lines is a lowered outer bevel around a
    // raised inner one: the etched frame of the two fields.
    panel->setFrameShape(QFrame::Box);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setMidLineWidth(0);
    auto* hostLabel = makeControl<QLabel>(panel, "Label2", {8, 16, 86, 13});
    hostLabel->setText("Host IP address:");
    Edit1 = makeControl<QLineEdit>(panel, "Edit1", {96, 14, 121, 21});
    auto* descriptionLabel = makeControl<QLabel>(panel, "Label3", {8, 40, 86, 13});
    descriptionLabel->setText("Description:");
    Edit2 = makeControl<QLineEdit>(panel, "Edit2", {96, 38, 121, 21});
    // The labels name the fields for a screen reader.
    hostLabel->setBuddy(Edit1);
    descriptionLabel->setBuddy(Edit2);
    Label1 = makeControl<QLabel>(this, "Label1", {0, 0, 10, 10});
    Label1->hide();

    OKButton = makeControl<QPushButton>(this, "OKButton", {127, 96, 75, 25});
    OKButton->setText("&Accept");
    OKButton->setDefault(true);
    auto* cancel = makeControl<QPushButton>(this, "Button1", {216, 96, 75, 25});
    cancel->setText("&Cancel");
    setTabOrder(Edit1, Edit2);

    connect(OKButton, &QPushButton::clicked, this, [this] { ErrorHandler::run([this] { OKButtonClick(); }); });
    connect(cancel, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TAboutBox::edit(const QString& slotText, const QString& host, const QString& description)
{
    Edit1->setText(host);
    Edit2->setText(description);
    Label1->setText(slotText);
    exec();
}

void TAboutBox::OKButtonClick()
{
    // Refused text stays in the fields as typed, to be corrected.
    if (const QString problem = HostEntryCheck::problem(Edit1->text(), Edit2->text()); !problem.isEmpty()) {
        ErrorHandler::report(problem);
        return;
    }
    if (m_accept)
        m_accept(Label1->text(), Edit1->text(), Edit2->text());
    accept();
}

void TAboutBox::Button1Click()
{
    reject();
}

void TAboutBox::FormActivate()
{
    Edit1->setFocus();
}

void TAboutBox::showEvent(QShowEvent* event)
{
    Edit1->setFocus();
    OKButton->setDefault(true);
    QDialog::showEvent(event);
    ScreenCentre::place(*this);
}

bool TAboutBox::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}
