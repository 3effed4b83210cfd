#pragma once

#include <QWidget>

#include "core/Models.h"

class QLabel;

namespace tidemark::ui {

// One ranked application in the panel: rank, name, memory. Exposed to
// assistive technology as a single piece of text.
class AppUsageRow : public QWidget {
    Q_OBJECT
public:
    explicit AppUsageRow(QWidget* parent = nullptr);

    using QWidget::update;
    void update(int rank, const AppMemory& app);
    void clear(int rank);

    QLabel* rankLabel() const { return m_rankLabel; }
    QLabel* nameLabel() const { return m_nameLabel; }
    QLabel* memoryLabel() const { return m_memoryLabel; }

private:
    QLabel* m_rankLabel;
    QLabel* m_nameLabel;
    QLabel* m_memoryLabel;
};

}  // namespace tidemark::ui
