#include "WindowFixture.h"

#include "common/ProductIdentity.h"
#include "monitor/controls/About.h"
#include "widgets/ABOUT1.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>

#include <ostream>
#include <string>

namespace {

enum class Shown { Window, ChangeHost, About };

// A text that a window shows on one line, as its users see it.
struct OneLineText {
    Shown in;
    std::string text;

    friend void PrintTo(const OneLineText& row, std::ostream* out) { *out << row.text; }
};

const std::string AboutVersion = std::string("Version ") + ProductIdentity::Version + "; " + ProductIdentity::ReleaseMonth;

class TextFit : public WindowFixture, public testing::WithParamInterface<OneLineText> {
protected:
    QWidget* open()
    {
        start();
        if (GetParam().in == Shown::ChangeHost)
            dialog = std::make_unique<TAboutBox>(form.get());
        if (GetParam().in == Shown::About)
            dialog = std::make_unique<TAboutBox1>(form.get());
        QWidget* window = dialog ? dialog.get() : form.get();
        window->show();
        return window;
    }

    std::unique_ptr<QWidget> dialog;
};

// The control's text must fit its width, and the control must lie inside
// what its parent shows (a frame or the parent's edge would cut it).
void ExpectWithinParent(const QWidget& control)
{
    EXPECT_LE(control.sizeHint().width(), control.width());
    const QRect inside = control.parentWidget()->contentsRect();
    const int textRight = control.x() + control.sizeHint().width() - 1;
    EXPECT_LE(textRight, inside.right()) << "runs into the edge of " << control.parentWidget()->objectName().toStdString();
}

TEST_P(TextFit, StaysOnOneLineUncut)
{
    QWidget* window = open();
    const QString text = QString::fromStdString(GetParam().text);
    int found = 0;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const auto* label = qobject_cast<QLabel*>(control);
        const auto* box = qobject_cast<QCheckBox*>(control);
        if ((label && label->text() == text) || (box && box->text() == text)) {
            ++found;
            ExpectWithinParent(*control);
        }
        if (auto* edit = qobject_cast<QTextEdit*>(control)) {
            QTextDocument* document = edit->document();
            for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
                if (block.text() != text)
                    continue;
                ++found;
                EXPECT_EQ(block.layout()->lineCount(), 1);
                EXPECT_LE(document->size().height(), edit->viewport()->height()) << "the last lines are cut";
            }
        }
    }
    EXPECT_GE(found, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextFit,
    testing::Values(OneLineText{Shown::Window, "Interval"}, OneLineText{Shown::Window, "in seconds"},
                    OneLineText{Shown::Window, "Payload"}, OneLineText{Shown::Window, "in bytes"},
                    OneLineText{Shown::Window, "Show hostnames"}, OneLineText{Shown::Window, "Show description"},
                    OneLineText{Shown::Window, "Show average"}, OneLineText{Shown::Window, "Show last value"},
                    OneLineText{Shown::Window, "Show exceeding threshold"},
                    OneLineText{Shown::Window, "Threshold in ms:"}, OneLineText{Shown::Window, "ms"},
                    OneLineText{Shown::Window, ProductIdentity::HomePageUrl},
                    OneLineText{Shown::ChangeHost, "Host IP address:"},
                    OneLineText{Shown::ChangeHost, "Description:"},
                    OneLineText{Shown::About, std::string(ProductIdentity::DisplayName) + ", "}, OneLineText{Shown::About, "quorvane"},
                    OneLineText{Shown::About, AboutVersion},
                    OneLineText{Shown::About, "Network Monitoring Software "},
                    OneLineText{Shown::About, "Written by Halvetor"},
                    OneLineText{Shown::About, "Please report bugs to:"},
                    OneLineText{Shown::About, ProductIdentity::BugAddress}, OneLineText{Shown::About, "Visit the webpage"},
                    OneLineText{Shown::About, ProductIdentity::HomePageUrl}),
    [](const auto& info) {
        QString name = QString::number(info.index);
        for (const QChar c : QString::fromStdString(info.param.text))
            if (c.isLetterOrNumber())
                name += c;
        return name.toStdString();
    });

}
