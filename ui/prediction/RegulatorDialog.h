#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "power/Regulator.h"

class QComboBox;
class QFormLayout;
class QLineEdit;
class QPlainTextEdit;

namespace runwell::ui {

/// A new regulator for the editor: linear, a common LDO's input range, no tables yet.
Regulator NewRegulator();

/// A small editor of a regulator: its name, part, sources, kind, quiescent current, input range,
/// fixed output (empty: adjustable), the dropout table (linear and buck) and the efficiency
/// curves (switching kinds), the tables as text a point a line. OK and "Save as..." take the
/// figures only when they read back through the regulator file (ParseRegulator of
/// WriteRegulator); otherwise `showMessage` gets the message that names the field, and the
/// dialog stays open with nothing lost. "Save as..." writes the file `askSaveFile` names.
class RegulatorDialog : public QDialog {
    Q_OBJECT
public:
    RegulatorDialog(const Regulator& regulator, std::function<void(const std::string&)> showMessage,
                    std::function<std::optional<std::filesystem::path>()> askSaveFile,
                    QWidget* parent = nullptr);

    /// The regulator as OK took it (as given before).
    const Regulator& regulator() const { return regulator_; }

    void accept() override;

private:
    QFormLayout* CreateForm(const Regulator& regulator);
    QLineEdit* AddField(const char* name, const std::string& text);
    QPlainTextEdit* AddTable(const char* name, const char* label, const std::string& text,
                             const char* placeholder);
    /// The regulator the fields describe as its file reads back, or the message naming the
    /// field.
    Result<Regulator> Read() const;
    Status ReadFigures(Regulator& regulator) const;
    void ShowKind();
    void Save();
    void Show(const std::string& text) const;

    Regulator regulator_;
    std::function<void(const std::string&)> showMessage_;
    std::function<std::optional<std::filesystem::path>()> askSaveFile_;
    QLineEdit* name_ = nullptr;
    QLineEdit* part_ = nullptr;
    QLineEdit* sources_ = nullptr;
    QComboBox* kind_ = nullptr;
    QLineEdit* quiescent_ = nullptr;
    QLineEdit* minimumInput_ = nullptr;
    QLineEdit* maximumInput_ = nullptr;
    QLineEdit* fixedOutput_ = nullptr;
    QWidget* dropoutBox_ = nullptr;
    QPlainTextEdit* dropout_ = nullptr;
    QWidget* efficiencyBox_ = nullptr;
    QPlainTextEdit* efficiency_ = nullptr;
};

}  // namespace runwell::ui
