#pragma once

#include <QIcon>

namespace runwell::ui {

/// The application's icon: a battery crossed by a current pulse, drawn at 32 x 32 and 16 x 16.
QIcon AppIcon();

}  // namespace runwell::ui
