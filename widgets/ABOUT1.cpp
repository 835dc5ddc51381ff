#include "widgets/ABOUT1.h"

#include "common/ProductIdentity.h"
#include "widgets/ScreenCentre.h"
#include "widgets/zavWebLabel.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

namespace {

QFont boldFont(QFont font)
{
    font.setFamily(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    font.setBold(true);
    return font;
}

void setUpLink(TzavWebLabel* label, const QString& objectName, QRect place)
{
    label->setObjectName(objectName);
    label->setGeometry(place);
    label->setFont(boldFont(label->font()));
    label->SetFontColor(clRed);
    // In the Tab order, so that the bug address is reached by keyboard too:
    // nowhere else does the program offer it.
    label->setFocusPolicy(Qt::StrongFocus);
    // Red is also the hover colour: end loading so that red stays the
    // normal colour and the links do not turn navy after a hover.
    label->Loaded();
}

}

TAboutBox1::TAboutBox1(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(249, 285);

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel2->setGeometry(8, 8, 233, 241);

    RichEdit1 = new QTextEdit(Panel2);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setGeometry(8, 8, 217, 113);
    RichEdit1->setReadOnly(true);
    RichEdit1->setEnabled(false);
    RichEdit1->setFocusPolicy(Qt::NoFocus);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit1->setFont(boldFont(RichEdit1->font()));
    QPalette silver = RichEdit1->palette();
    silver.setColor(QPalette::Base, clSilver.ToQColor());
    // Disabled only to keep the cursor out; the text must stay readable.
    silver.setColor(QPalette::Disabled, QPalette::Text, silver.color(QPalette::Active, QPalette::Text));
    RichEdit1->setPalette(silver);
    RichEdit1->setPlainText(QStringList{QString("%1, ").arg(ProductIdentity::DisplayName), QStringLiteral("quorvane"),
                                        QString("Version %1; %2").arg(ProductIdentity::Version, ProductIdentity::ReleaseMonth),
                                        QStringLiteral("Network Monitoring Software "),
                                        QString("Written by %1").arg(ProductIdentity::Organisation)}
                                .join(QLatin1Char('\n')));

    Label1 = new QLabel(QStringLiteral("Please report bugs to:"), Panel2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(boldFont(Label1->font()));
    Label1->move(18, 137);
    Label1->adjustSize();

    zavWebLabel2 = new TzavWebLabel(Panel2);
    zavWebLabel2->SetLinkType(TURLType::lnMailto);
    zavWebLabel2->SetLink(QString::fromLatin1(ProductIdentity::BugAddress));
    zavWebLabel2->setText(zavWebLabel2->Link());
    zavWebLabel2->setToolTip(QStringLiteral("Report a bug by e-mail"));
    setUpLink(zavWebLabel2, QStringLiteral("zavWebLabel2"), QRect(18, 153, 158, 16));

    Label2 = new QLabel(QStringLiteral("Visit the webpage"), Panel2);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(boldFont(Label2->font()));
    Label2->move(18, 192);
    Label2->adjustSize();

    zavWebLabel1 = new TzavWebLabel(Panel2);
    zavWebLabel1->SetLinkType(TURLType::lnHttp);
    zavWebLabel1->SetLink(QString::fromLatin1(ProductIdentity::HomePage));
    zavWebLabel1->setText(QString::fromLatin1(ProductIdentity::HomePageUrl));
    zavWebLabel1->setToolTip(QStringLiteral("Software Website"));
    setUpLink(zavWebLabel1, QStringLiteral("zavWebLabel1"), QRect(18, 209, 193, 16));

    Button1 = new QPushButton(QStringLiteral("&Close"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(80, 256, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &TAboutBox1::Button1Click);
}

void TAboutBox1::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Every showing starts at Close, as a dialog that only informs does:
    // Enter closes it rather than opening the first link.
    Button1->setFocus();
    // Centred on the screen rather than on the window that opens it.
    ScreenCentre::place(*this);
}

void TAboutBox1::Button1Click()
{
    reject();
}
