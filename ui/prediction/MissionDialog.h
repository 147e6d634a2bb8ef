#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "mission/Mission.h"

class QComboBox;
class QLineEdit;

namespace runwell::ui {

/// A small editor of a mission: its name, its kind (constant, monthly or day-night; a series
/// read from a file keeps its points), the kind's temperatures, and the storage before use. OK
/// takes the figures only when CheckMission does; otherwise `showMessage` gets the message that
/// names the field, and the dialog stays open with nothing lost.
class MissionDialog : public QDialog {
    Q_OBJECT
public:
    MissionDialog(const Mission& mission, std::function<void(const std::string&)> showMessage,
                  QWidget* parent = nullptr);

    /// The mission as OK took it (as given before).
    const Mission& mission() const { return mission_; }

    void accept() override;

private:
    QLineEdit* AddField(const char* name, double value);
    /// The mission the fields describe, or the message naming the field that holds no number.
    Result<Mission> Read() const;
    void ShowKind();

    Mission mission_;
    std::function<void(const std::string&)> showMessage_;
    QLineEdit* name_ = nullptr;
    QComboBox* kind_ = nullptr;
    QLineEdit* constant_ = nullptr;
    std::array<QLineEdit*, 12> months_{};
    QLineEdit* day_ = nullptr;
    QLineEdit* night_ = nullptr;
    QLineEdit* dayHours_ = nullptr;
    QLineEdit* storageMonths_ = nullptr;
    QLineEdit* storageC_ = nullptr;
};

}  // namespace runwell::ui
