#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QTextEdit;
class TzavWebLabel;

// The About box: product, version and author, with a link for bug reports
// and one to the home page. Created once and shown modally whenever asked.
class TAboutBox1 : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox1(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void Button1Click();

private:
    QFrame* Panel2;
    QTextEdit* RichEdit1;
    QLabel* Label1;
    TzavWebLabel* zavWebLabel2;
    QLabel* Label2;
    TzavWebLabel* zavWebLabel1;
    QPushButton* Button1;
};
