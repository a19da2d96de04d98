// SPDX-License-Identifier: GPL-3.0-or-later
// The other program of the end-to-end tests: a window with one line of text that handles
// Ctrl+C and Ctrl+V as any editor does, and writes its whole text into a file after every
// change (written beside it and renamed, so that a reader never sees half of it).
//   TextField TEXT OUTPUT-FILE
#include <QApplication>
#include <QLineEdit>
#include <QSaveFile>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) return 2;
    const QString output = QString::fromLocal8Bit(argv[2]);
    QLineEdit field;
    field.setWindowTitle(QStringLiteral("TextField"));
    auto save = [&] {
        QSaveFile file(output);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(field.text().toUtf8());
            file.commit();
        }
    };
    field.setText(QString::fromUtf8(argv[1]));
    QObject::connect(&field, &QLineEdit::textChanged, save);
    field.resize(400, 40);
    field.move(40, 900);
    field.show();
    field.selectAll();
    save();
    return QApplication::exec();
}
