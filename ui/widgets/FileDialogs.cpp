#include "ui/widgets/FileDialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

#include "platform/Platform.h"

namespace runwell::ui {
namespace {

const QString kSettingsFilter = QStringLiteral("Settings File (*.set)");
const QString kReportFilter = QStringLiteral("Report File(*.txt)");

std::optional<std::filesystem::path> Run(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) {
        return std::nullopt;
    }
    // The file system's own encoding of the name (the local bytes on POSIX systems, UTF-8 on
    // Windows), so any name the dialog offers can be opened.
    return PathFromUtf8(QFile::encodeName(files.front()).toStdString());
}

void PrepareSave(QFileDialog& dialog) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The dialog asks before an existing file is replaced; declining keeps the dialog open.
}

}  // namespace

std::optional<std::filesystem::path> QtFileDialogs::AskLoadSettings(QWidget* parent) {
    QFileDialog dialog(parent, QString(), QString(), kSettingsFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog);
}

std::optional<std::filesystem::path> QtFileDialogs::AskSaveSettings(QWidget* parent) {
    QFileDialog dialog(parent, QString(), QString(), kSettingsFilter);
    PrepareSave(dialog);
    dialog.setDefaultSuffix(QStringLiteral("set"));
    return Run(dialog);
}

std::optional<std::filesystem::path> QtFileDialogs::AskCreateReport(QWidget* parent) {
    QFileDialog dialog(parent, QString(), QString(), kReportFilter);
    PrepareSave(dialog);
    return Run(dialog);
}

std::optional<std::filesystem::path> QtFileDialogs::AskExportChart(QWidget* parent) {
    const QString png = QStringLiteral("PNG image (*.png)");
    const QString svg = QStringLiteral("SVG image (*.svg)");
    QFileDialog dialog(parent, QString(), QString(), png + QStringLiteral(";;") + svg);
    PrepareSave(dialog);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        dialog.setDefaultSuffix(filter == svg ? QStringLiteral("svg") : QStringLiteral("png"));
    });
    return Run(dialog);
}

std::optional<std::filesystem::path> QtFileDialogs::AskMeasurement(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("New battery model from measurement"), QString(),
                       QStringLiteral("Battery profiles and discharge logs (*.json *.csv *.tsv "
                                      "*.txt);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog);
}

std::optional<std::filesystem::path> QtFileDialogs::AskRegulatorFile(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Regulator file"), QString(),
                       QStringLiteral("Regulator files (*.json);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog);
}

std::optional<std::filesystem::path> QtFileDialogs::AskSaveRegulator(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Save regulator"), QString(),
                       QStringLiteral("Regulator files (*.json)"));
    PrepareSave(dialog);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    return Run(dialog);
}

std::optional<std::filesystem::path> QtFileDialogs::AskMissionFile(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Mission file"), QString(),
                       QStringLiteral("Missions (*.json *.csv);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog);
}

}  // namespace runwell::ui
