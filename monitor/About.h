#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;

// The change-host dialog: edits the host and description of one slot.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    using AcceptHandler = std::function<void(const QString& slotText, const QString& host, const QString& description)>;

    explicit TAboutBox(QWidget* parent = nullptr);

    void setAcceptHandler(AcceptHandler handler) { m_accept = std::move(handler); }

    // Fills the fields from a slot and shows the dialog modally.
    void edit(const QString& slotText, const QString& host, const QString& description);

    void OKButtonClick();
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLabel* Label1;
    AcceptHandler m_accept;
};
