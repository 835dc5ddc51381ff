#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// The change-host dialog: edits the host and description of one slot.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    using AcceptHandler = std::function<void(const QString& slotText, const QString& host, const QString& description)>;

    explicit TAboutBox(QWidget* parent = nullptr);

    void setAcceptHandler(AcceptHandler handler) { m_accept = std::move(handler); }

    // Fills the fields from a slot and shows the dialog modally.
    void edit(const QString& slotText, const QString& host, const QString& description);

    // Each time the dialog becomes active the host field takes the focus.
    void FormActivate();
    void OKButtonClick();
    void Button1Click();

protected:
    // Centred on the screen at every showing, not on the window, with the
    // host field focused and "&Accept" the default button: the dialog is
    // shown again and again, and the button that had the focus when it
    // closed would otherwise take the focus and Enter at the next showing.
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLabel* Label1;
    QPushButton* OKButton;
    AcceptHandler m_accept;
};
