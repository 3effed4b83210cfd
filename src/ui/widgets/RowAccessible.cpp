#include "ui/widgets/RowAccessible.h"

namespace tidemark::ui {

RowAccessible::RowAccessible(QWidget* row) : QAccessibleWidget(row, QAccessible::StaticText) {}

}  // namespace tidemark::ui
