#pragma once

#include <QAbstractButton>

namespace tidemark::ui {

// One row of a selection popup; the chosen row carries a check mark.
class AdviceSelectionItem : public QAbstractButton {
    Q_OBJECT
public:
    explicit AdviceSelectionItem(const QString& title, QWidget* parent = nullptr);
    bool selected() const { return m_selected; }
    void setSelected(bool selected);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_selected = false;
};

}  // namespace tidemark::ui
