#pragma once

#include <QString>
#include <QWidget>

namespace tidemark::ui {

// A titled card marked only by a thin bar along its left edge.
class AdviceCard : public QWidget {
public:
    AdviceCard(const QString& title, QWidget* content, bool emphasised, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kBarWidth = 2;
};

}  // namespace tidemark::ui
