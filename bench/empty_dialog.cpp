// empty_dialog: the baseline process for the program's start-up: a Qt application that shows an
// empty QDialog. With RUNWELL_EXIT_AFTER_SHOW=1 it ends once the dialog is first exposed, as the
// program does, so both can be timed as whole processes (bench/compare.sh).
//
//   empty_dialog             the empty dialog
//   empty_dialog --widgets   the dialog with one label, one combo box and a small table: the
//                            least a window that shows text and lists loads (fonts, item views)

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <cstring>

namespace {

/// Installed on the application: quits once a window has been exposed (and so painted) once.
class QuitAfterExpose : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && watched->isWindowType()) {
            QCoreApplication::instance()->removeEventFilter(this);
            // Queued: the window paints while it handles this event; quit once that is done.
            QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Empty"));
    dialog.resize(640, 480);
    if (argc > 1 && std::strcmp(argv[1], "--widgets") == 0) {
        auto* label = new QLabel(QStringLiteral("Label"), &dialog);
        label->move(10, 10);
        auto* combo = new QComboBox(&dialog);
        combo->addItem(QStringLiteral("Entry"));
        combo->move(10, 40);
        auto* table = new QTableWidget(4, 7, &dialog);
        table->setGeometry(10, 80, 600, 200);
        for (int row = 0; row < table->rowCount(); ++row) {
            for (int column = 0; column < table->columnCount(); ++column) {
                table->setItem(row, column, new QTableWidgetItem(QStringLiteral("Cell")));
            }
        }
    }
    QObject::connect(&dialog, &QDialog::finished, &app, &QCoreApplication::quit);
    QuitAfterExpose quitAfterExpose;
    if (qEnvironmentVariableIntValue("RUNWELL_EXIT_AFTER_SHOW") == 1) {
        app.installEventFilter(&quitAfterExpose);
    }
    dialog.show();
    return QApplication::exec();
}
