#pragma once

#include <QAccessibleWidget>

namespace tidemark::ui {

// Presents a row as one static text whose name is the row's accessible
// name, instead of as its unrelated labels.
class RowAccessible : public QAccessibleWidget {
public:
    explicit RowAccessible(QWidget* row);

    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

}  // namespace tidemark::ui
