// Prints the type Qt's MIME database, which Dolphin uses, gives each file:
// "FILE TYPE", a line each.
#include <QCoreApplication>
#include <QMimeDatabase>

#include <cstdio>

int main(int Argc, char** Argv) {
    QCoreApplication app(Argc, Argv);
    const QMimeDatabase db;
    for (int i = 1; i < Argc; ++i)
        std::printf("%s %s\n", Argv[i],
                    qPrintable(db.mimeTypeForFile(QString::fromLocal8Bit(Argv[i])).name()));
    return 0;
}
