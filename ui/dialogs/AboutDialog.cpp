#include "ui/dialogs/AboutDialog.h"

#include <QLabel>
#include <QPushButton>

#include "platform/BuildInfo.h"
#include "ui/widgets/DialogUnits.h"

namespace runwell::ui {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Veltra KDR Runwell"));
    const DialogUnits units = DialogUnits::Of(font());
    setFixedSize(units.Size(235, 55));

    // The program's one version, as --version and the package give it.
    auto* title =
        new QLabel(QStringLiteral("Veltra KDR Runwell Version ") + QLatin1String(kVersion), this);
    title->setObjectName(QStringLiteral("aboutTitle"));
    title->setGeometry(units.Rect(7, 10, 141, 18));
    title->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* line = new QLabel(QStringLiteral("Battery life estimator"), this);
    line->setObjectName(QStringLiteral("aboutLine"));
    line->setGeometry(units.Rect(7, 28, 119, 8));
    line->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(units.Rect(178, 7, 50, 16));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace runwell::ui
