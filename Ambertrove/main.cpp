#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ambertrove"));
    QTextStream(stdout) << "Ambertrove's window is not built yet.\n";
    return 0;
}
