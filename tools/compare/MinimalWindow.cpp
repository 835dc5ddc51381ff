#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

// The yardstick for the monitor's start-up: the least a Qt Widgets program
// with a window does before its first paint.
int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu("&File")->addAction("E&xit", &application, &QApplication::quit);
    window.setCentralWidget(new QLabel("Hello"));
    window.show();
    return application.exec();
}
