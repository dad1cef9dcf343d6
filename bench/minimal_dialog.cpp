// The baseline for whole-process figures: a minimal Qt Widgets program that
// opens one empty dialog and waits until it is closed.

#include <QApplication>
#include <QDialog>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Minimal"));
    return dialog.exec() == QDialog::Accepted ? 0 : 1;
}
